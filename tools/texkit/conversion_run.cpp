// The pool of a conversion run and the devices of its workers.
#include "tools/texkit/conversion_run.h"

#include "blit/blit_workers.h"
#include "blit/com_ref.h"
#include "platform_ext.h"
#include "tools/texkit/file_conversion.h"
#include "tools/texkit/work_pool.h"

#include <thread>

namespace {

unsigned workerCount(const ConvertOptions& options) {
    if (options.jobs != 0)
        return options.jobs;
    const unsigned processors = std::thread::hardware_concurrency();
    return processors != 0 ? processors : 1;
}

} // namespace

void convertJobs(const std::vector<ConversionJob>& jobs, const ConvertOptions& options,
                 ConversionReport* report, OutputFiles* outputs) {
    prepareForWorkerThreads();
    const InputIdentities inputs = identitiesOf(jobs);
    const unsigned workers = workerCount(options);
    // A device per worker, as a device belongs to one thread; released here, after the workers.
    std::vector<ComRef<IDirect3DDevice8>> devices(workers);
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
