// One picture converted into its output file on the calling worker's device: the checks that
// keep inputs and existing outputs safe, the decode with its pixel limit, the texture, and the
// file written beside its place and renamed into it.
#pragma once

#include "d3d8.h"
#include "tools/texkit/convert_options.h"
#include "tools/texkit/input_walk.h"
#include "tools/texkit/output_files.h"

#include <cstdint>
#include <set>
#include <string>
#include <utility>

struct ConversionOutcome {
    enum Result { Converted, Skipped, Failed, Interrupted };
    Result result = Failed;
    std::string reason;  // why it failed or was skipped
    std::string warning; // something odd met on the way that did not stop the job
    UINT width = 0;     // of the texture's level 0
    UINT height = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    UINT levels = 0;
    uint64_t pictureWidth = 0; // as the file declared it
    uint64_t pictureHeight = 0;
    uint64_t bytesWritten = 0;
    double milliseconds = 0;
};

// The files a run reads, by device and inode, so that no output is ever written over one.
using InputIdentities = std::set<std::pair<uint64_t, uint64_t>>;
InputIdentities identitiesOf(const std::vector<ConversionJob>& jobs);

ConversionOutcome convertFile(IDirect3DDevice8* device, const ConversionJob& job,
                              const ConvertOptions& options, const InputIdentities& inputs,
                              OutputFiles* outputs);
