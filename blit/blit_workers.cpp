// The blit engine's workers, and the process-wide answers settled before threads start.
#include "blit/blit_workers.h"

#include "blit/debug_mute.h"
#include "cpu/math_dispatch.h"
#include "cpu/processor_features.h"

namespace {

BlitWorkers* workersInUse = nullptr;

} // namespace

void setBlitWorkers(BlitWorkers* workers) {
    workersInUse = workers;
}

BlitWorkers* blitWorkers() {
    return workersInUse;
}

void prepareForWorkerThreads() {
    selectMathRoutines(TRUE);
    isMmxUsable();
    // The bracket looks its entry points up on first use and keeps them.
    const DebugMute settle;
}
