// A conversion run: every job converted by a pool of workers, each with its own headless device,
// while the calling thread redraws the progress line and watches for an interruption.
#pragma once

#include "tools/texkit/conversion_report.h"
#include "tools/texkit/convert_options.h"
#include "tools/texkit/input_walk.h"
#include "tools/texkit/output_files.h"

#include <vector>

// options.jobs workers, or one per processor. The toolkit's process-wide answers are settled
// first and the workers are handed to the blit engine for the length of the run. Returns when
// every job has finished, or when the run was interrupted and the jobs under way have ended.
void convertJobs(const std::vector<ConversionJob>& jobs, const ConvertOptions& options,
                 ConversionReport* report, OutputFiles* outputs);
