// texkit convert: the inputs expanded into jobs, refused as a whole when two would write one
// output, then converted by a pool of workers, each with its own headless device, while this
// thread redraws the progress line and watches for an interruption.
#include "blit/blit_workers.h"
#include "blit/com_ref.h"
#include "platform_ext.h"
#include "tools/texkit/conversion_report.h"
#include "tools/texkit/convert_options.h"
#include "tools/texkit/file_conversion.h"
#include "tools/texkit/input_walk.h"
#include "tools/texkit/output_files.h"
#include "tools/texkit/verbs.h"
#include "tools/texkit/work_pool.h"

#include <cstdio>
#include <thread>

namespace {

unsigned workerCount(const ConvertOptions& options) {
    if (options.jobs != 0)
        return options.jobs;
    const unsigned processors = std::thread::hardware_concurrency();
    return processors != 0 ? processors : 1;
}

// Runs every job on the pool; returns when all have finished or the run was interrupted.
void convertAll(const std::vector<ConversionJob>& jobs, const ConvertOptions& options,
                ConversionReport* report, OutputFiles* outputs) {
    const InputIdentities inputs = identitiesOf(jobs);
    const unsigned workers = workerCount(options);
    // A device per worker: a device belongs to one thread. Released here, after the workers end.
    std::vector<ComRef<IDirect3DDevice8>> devices(workers);
    {
        WorkPool pool(workers, [&devices](unsigned worker) {
            platform_ext::createHeadlessDevice(64, 64, devices[worker].out());
        });
        setBlitWorkers(&pool);
        for (const ConversionJob& job : jobs) {
            pool.submit([&, job = &job](unsigned worker) {
                if (interruptingSignal() != 0)
                    return;
                report->started(*job);
                ConversionOutcome outcome;
                if (!devices[worker])
                    outcome.reason = "no Direct3D device";
                else
                    outcome = convertFile(devices[worker].get(), *job, options, inputs, outputs);
                report->finished(*job, outcome);
            });
        }
        while (!pool.waitUntilIdle(std::chrono::milliseconds(200))) {
            report->tick();
            if (interruptingSignal() != 0)
                pool.dropQueued();
        }
        setBlitWorkers(nullptr);
    }
}

} // namespace

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
                     first->input.c_str(), second->input.c_str(), first->output.c_str());
        return 2;
    }

    uint64_t inputBytes = 0;
    for (const ConversionJob& job : jobs)
        inputBytes += job.inputBytes;
    ConversionReport report(options, jobs.size() + problems.size(), inputBytes);
    for (const InputProblem& problem : problems)
        report.problem(problem.path, problem.reason);

    prepareForWorkerThreads();
    installInterruptHandlers();
    OutputFiles outputs;
    convertAll(jobs, options, &report, &outputs);
    if (interruptingSignal() != 0) {
        outputs.removeAll();
        report.finish();
        endByInterruptingSignal();
    }
    report.finish();
    return report.anyFailed() ? 1 : 0;
}
