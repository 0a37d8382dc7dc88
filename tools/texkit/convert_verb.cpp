// texkit convert: the inputs expanded into jobs, refused as a whole when two would write one
// output, then converted by a run of workers.
#include "platform_ext.h"
#include "tools/texkit/conversion_report.h"
#include "tools/texkit/conversion_run.h"
#include "tools/texkit/convert_options.h"
#include "tools/texkit/input_walk.h"
#include "tools/texkit/output_files.h"
#include "tools/texkit/shown_text.h"
#include "tools/texkit/verbs.h"

#include <cstdio>

int runConvert(const Invocation&, std::span<const std::string> arguments) {
    ConvertOptions options;
    std::string error;
    switch (parseConvertOptions(arguments, &options, &error)) {
    case CommandLine::Help:
        printConvertHelp(stdout);
        return 0;
    case CommandLine::Wrong:
        std::fprintf(stderr, "texkit: %s\n", error.c_str());
        printConvertUsage(stderr);
        return 2;
    case CommandLine::Run:
        break;
    }
    if (options.profileGiven)
        platform_ext::setDeviceProfile(options.profile);

    std::vector<ConversionJob> jobs;
    std::vector<InputProblem> problems;
    collectJobs(options.inputs, options.recursive, options.outputFolder,
                options.png ? ".png" : ".dds", &jobs, &problems);
    const ConversionJob* first = nullptr;
    const ConversionJob* second = nullptr;
    if (findOutputCollision(jobs, &first, &second)) {
        std::fprintf(stderr, "texkit: %s and %s would both write %s; nothing was converted\n",
                     shownText(first->input).c_str(), shownText(second->input).c_str(),
                     shownText(first->output).c_str());
        return 2;
    }

    uint64_t inputBytes = 0;
    for (const ConversionJob& job : jobs)
        inputBytes += job.inputBytes;
    ConversionReport report(options, jobs.size() + problems.size(), inputBytes);
    for (const InputProblem& problem : problems)
        report.problem(problem.path, problem.reason);

    installInterruptHandlers();
    OutputFiles outputs;
    convertJobs(jobs, options, &report, &outputs);
    if (interruptingSignal() != 0) {
        outputs.removeAll();
        report.finish();
        endByInterruptingSignal();
    }
    report.finish();
    return report.anyFailed() ? 1 : 0;
}
