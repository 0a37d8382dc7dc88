// The frame breakdown's counters: per thread for the parts of the drawing thread, process-wide
// (relaxed atomics) for the draw threads.
#include "internal/frame_breakdown.h"

namespace platform_internal {

std::atomic<bool> frameBreakdownOn{false};

namespace {

using platform_ext::FramePart;

// Deeper nesting than this is not counted on its own (nothing nests more than three deep).
constexpr unsigned MaxOpenParts = 16;

struct ThreadParts {
    uint64_t nanoseconds[platform_ext::FramePartCount] = {};
    FramePart open[MaxOpenParts] = {};
    unsigned depth = 0;
    uint64_t mark = 0; // when the time before it was last given to a part
    bool started = false;
};

thread_local ThreadParts threadParts;

std::atomic<uint64_t> workerNanoseconds[3] = {};
std::atomic<uint64_t> workerWakeUps{0};
std::atomic<uint64_t> earlyPlays{0};

// Gives the time since the last mark to the open part.
void credit(ThreadParts& parts, uint64_t now) {
    if (parts.started)
        parts.nanoseconds[parts.depth > 0 ? parts.open[parts.depth - 1]
                                          : platform_ext::PartOther] += now - parts.mark;
    parts.started = true;
    parts.mark = now;
}

} // namespace

void enterFramePart(FramePart part) {
    ThreadParts& parts = threadParts;
    credit(parts, breakdownNow());
    if (parts.depth < MaxOpenParts)
        parts.open[parts.depth++] = part;
}

void leaveFramePart(FramePart part) {
    ThreadParts& parts = threadParts;
    credit(parts, breakdownNow());
    if (parts.depth > 0 && parts.open[parts.depth - 1] == part)
        --parts.depth;
}

void addWorkerTime(WorkerTime kind, uint64_t nanoseconds) {
    workerNanoseconds[unsigned(kind)].fetch_add(nanoseconds, std::memory_order_relaxed);
}

void countWorkerWakeUp() {
    workerWakeUps.fetch_add(1, std::memory_order_relaxed);
}

void countEarlyPlay() {
    earlyPlays.fetch_add(1, std::memory_order_relaxed);
}

} // namespace platform_internal

namespace platform_ext {

void enableFrameBreakdown(bool on) {
    platform_internal::frameBreakdownOn.store(on, std::memory_order_relaxed);
}

void readFrameBreakdown(FrameBreakdown* out) {
    using namespace platform_internal;
    if (out == nullptr)
        return;
    ThreadParts& parts = threadParts;
    if (frameBreakdownEnabled())
        credit(parts, breakdownNow());
    for (unsigned i = 0; i < FramePartCount; ++i)
        out->nanoseconds[i] = parts.nanoseconds[i];
    out->workerWorkNs = workerNanoseconds[unsigned(WorkerTime::Work)].load(std::memory_order_relaxed);
    out->workerSpinNs = workerNanoseconds[unsigned(WorkerTime::Spin)].load(std::memory_order_relaxed);
    out->workerSleepNs =
        workerNanoseconds[unsigned(WorkerTime::Sleep)].load(std::memory_order_relaxed);
    out->workerWakeUps = workerWakeUps.load(std::memory_order_relaxed);
    out->earlyPlays = earlyPlays.load(std::memory_order_relaxed);
}

} // namespace platform_ext
