// Draw threads: a generation counter wakes the workers for each run, chunks are taken from one
// atomic word, and a count of finished chunks tells the caller when the run is done. A worker
// out of chunks watches for the next run while runs come close together, as a game's frames
// do (a wake-up costs more than the few microseconds between its plays, and comes late), and
// sleeps at once otherwise: a program that draws now and then, or a menu waiting for a key,
// keeps no second core spinning. The device wakes sleeping workers as a scene begins
// (Device::BeginScene), so that the scene's first launch finds them watching.
#include "d3d8/draw_threads.h"

#include "internal/frame_breakdown.h"
#include "platform_ext.h"

#include <chrono>
#include <cstdlib>
#include <emmintrin.h>
#include <system_error>

namespace d3d8 {

namespace {

// 0: no count set by the program.
std::atomic<unsigned> chosenThreadCount{0};

using Clock = std::chrono::steady_clock;

// Runs whose gap (from a worker running out of chunks to the next run's publication) is under
// this come close together; the worker then watches up to WorkerSpinClose for the next one.
constexpr uint64_t CloseGapNs = 100'000;
constexpr auto WorkerSpinClose = std::chrono::microseconds(200);
// Otherwise it watches only this long before it sleeps; and after a wake without work, this
// long for the run the wake announced (a game's first launch follows BeginScene within a few
// microseconds; a program that does more in between pays for no longer watch).
constexpr auto WorkerSpinApart = std::chrono::microseconds(8);
constexpr auto WorkerSpinWoken = std::chrono::microseconds(50);
// How long the caller watches the workers finish before it sleeps: it waits only for chunks
// that a worker has begun, which end soon unless the system took that worker off its core.
constexpr auto CallerSpin = std::chrono::microseconds(100);

// Waits until `value` differs from `old` and returns the new value. With `counted`, the time
// spent watching and asleep goes to the draw threads' counters of the frame breakdown.
// `sleepers`, when given, counts the waiter while it sleeps.
uint32_t awaitChange(const std::atomic<uint32_t>& value, uint32_t old, Clock::duration spin,
                     bool counted = false, std::atomic<unsigned>* sleepers = nullptr) {
    using platform_internal::WorkerTime;
    counted = counted && platform_internal::frameBreakdownEnabled();
    const uint64_t start = counted ? platform_internal::breakdownNow() : 0;
    const Clock::time_point until = Clock::now() + spin;
    for (unsigned i = 1;; ++i) {
        const uint32_t now = value.load(std::memory_order_acquire);
        if (now != old) {
            if (counted)
                platform_internal::addWorkerTime(WorkerTime::Spin,
                                                 platform_internal::breakdownNow() - start);
            return now;
        }
        if (i % 64 == 0 && Clock::now() > until)
            break;
        _mm_pause();
    }
    const uint64_t asleep = counted ? platform_internal::breakdownNow() : 0;
    if (counted)
        platform_internal::addWorkerTime(WorkerTime::Spin, asleep - start);
    if (sleepers != nullptr)
        sleepers->fetch_add(1, std::memory_order_relaxed);
    for (;;) {
        value.wait(old, std::memory_order_acquire);
        const uint32_t now = value.load(std::memory_order_acquire);
        if (now != old) {
            if (sleepers != nullptr)
                sleepers->fetch_sub(1, std::memory_order_relaxed);
            if (counted) {
                platform_internal::addWorkerTime(WorkerTime::Sleep,
                                                 platform_internal::breakdownNow() - asleep);
                platform_internal::countWorkerWakeUp();
            }
            return now;
        }
    }
}

unsigned clampCount(long count) {
    return count < 1 ? 1u : count > long(MaxDrawThreads) ? MaxDrawThreads : unsigned(count);
}

} // namespace

unsigned configuredDrawThreadCount() {
    const unsigned chosen = chosenThreadCount.load(std::memory_order_relaxed);
    if (chosen != 0)
        return clampCount(long(chosen));
    if (const char* variable = std::getenv("D3D8_THREADS")) {
        char* end = nullptr;
        const long count = std::strtol(variable, &end, 10);
        if (end != variable && *end == '\0' && count > 0)
            return clampCount(count);
    }
    return clampCount(long(std::thread::hardware_concurrency()));
}

DrawThreads::~DrawThreads() {
    stopping_.store(true, std::memory_order_relaxed);
    generation_.fetch_add(1, std::memory_order_release);
    generation_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
}

bool DrawThreads::start() {
    if (!workers_.empty() || count_ <= 1)
        return true;
    const uint32_t generation = generation_.load(std::memory_order_relaxed);
    try {
        workers_.reserve(count_ - 1);
        for (unsigned index = 1; index < count_; ++index)
            workers_.emplace_back(&DrawThreads::work, this, generation, index);
    } catch (const std::exception&) {
        // Stop the threads that did start; the device then plays on its own thread.
        stopping_.store(true, std::memory_order_relaxed);
        generation_.fetch_add(1, std::memory_order_release);
        generation_.notify_all();
        for (std::thread& worker : workers_)
            worker.join();
        workers_.clear();
        stopping_.store(false, std::memory_order_relaxed);
        started_.store(0, std::memory_order_relaxed);
        return false;
    }
    for (uint32_t running = started_.load(std::memory_order_acquire); running != count_ - 1;)
        running = awaitChange(started_, running, CallerSpin);
    return true;
}

void DrawThreads::launch(Job job, void* context, unsigned chunks) {
    launchRun(job, context, chunks, false);
}

void DrawThreads::launchRun(Job job, void* context, unsigned chunks, bool wakeOnly) {
    finished_.store(0, std::memory_order_relaxed);
    target_.store(chunks, std::memory_order_relaxed);
    const uint32_t generation = generation_.load(std::memory_order_relaxed) + 1;
    jobs_[generation & 1] = {job, context, nullptr, nullptr, chunks};
    for (unsigned t = 0; t < count_; ++t) {
        const uint64_t begin = uint64_t(chunks) * t / count_;
        const uint64_t end = uint64_t(chunks) * (t + 1) / count_;
        shares_[t].store(uint64_t(generation) << 32 | end << 16 | begin, std::memory_order_release);
        secondShares_[t].store(uint64_t(generation) << 32, std::memory_order_relaxed);
    }
    launched_ = generation;
    publish(generation, wakeOnly);
}

void DrawThreads::extend(Job job, void* context, unsigned chunks) {
    // A new generation, so that a worker that found nothing left and went back to watching
    // sees the second part; what is left of the first moves to it.
    const uint32_t previous = launched_, generation = previous + 1;
    const Jobs& before = jobs_[previous & 1];
    const unsigned firstChunks = before.firstChunks;
    jobs_[generation & 1] = {before.first, before.firstContext, job, context, firstChunks};
    target_.store(firstChunks + chunks, std::memory_order_relaxed);
    for (unsigned t = 0; t < count_; ++t) {
        const uint64_t begin = firstChunks + uint64_t(chunks) * t / count_;
        const uint64_t end = firstChunks + uint64_t(chunks) * (t + 1) / count_;
        secondShares_[t].store(uint64_t(generation) << 32 | end << 16 | begin,
                               std::memory_order_release);
        uint64_t word = shares_[t].load(std::memory_order_acquire);
        while (!shares_[t].compare_exchange_weak(
            word, uint64_t(generation) << 32 | (word & 0xFFFFFFFFu), std::memory_order_acq_rel,
            std::memory_order_acquire)) {
        }
    }
    launched_ = generation;
    publish(generation, false);
}

void DrawThreads::wake() {
    if (sleepers_.load(std::memory_order_relaxed) == 0)
        return;
    // A run of no chunks: the workers find nothing to take and watch for the next.
    launchRun(nullptr, nullptr, 0, true);
}

void DrawThreads::publish(uint32_t generation, bool wakeOnly) {
    publishedAt_.store(platform_internal::breakdownNow(), std::memory_order_relaxed);
    wakeOnly_.store(wakeOnly, std::memory_order_relaxed);
    generation_.store(generation, std::memory_order_release);
    // Costs a system call only when a worker sleeps.
    generation_.notify_all();
}

void DrawThreads::join() {
    {
        const platform_internal::FramePartScope part(platform_ext::PartPlay);
        runChunks(launched_, 0);
    }
    const platform_internal::FramePartScope part(platform_ext::PartPlayWait);
    const uint32_t target = target_.load(std::memory_order_relaxed);
    for (uint32_t done = finished_.load(std::memory_order_acquire); done != target;)
        done = awaitChange(finished_, done, CallerSpin);
}

void DrawThreads::runChunks(uint32_t generation, unsigned index) {
    if (runPart(shares_, generation, index))
        runPart(secondShares_, generation, index);
}

bool DrawThreads::runPart(std::atomic<uint64_t>* shares, uint32_t generation, unsigned index) {
    for (unsigned k = 0; k < count_; ++k) {
        std::atomic<uint64_t>& share = shares[(index + k) % count_];
        uint64_t word = share.load(std::memory_order_acquire);
        for (;;) {
            const uint32_t next = uint32_t(word & 0xFFFF), end = uint32_t(word >> 16 & 0xFFFF);
            if (uint32_t(word >> 32) != generation)
                return false;
            if (next >= end)
                break;
            if (!share.compare_exchange_weak(word, word + 1, std::memory_order_acq_rel,
                                             std::memory_order_acquire))
                continue;
            const Jobs& jobs = jobs_[generation & 1];
            if (next < jobs.firstChunks)
                jobs.first(jobs.firstContext, next);
            else
                jobs.second(jobs.secondContext, next - jobs.firstChunks);
            // The total read after the count: extend raises it before a chunk of its part can
            // be taken, let alone finish.
            const uint32_t done = finished_.fetch_add(1, std::memory_order_acq_rel) + 1;
            if (done == target_.load(std::memory_order_acquire))
                finished_.notify_one();
            word = share.load(std::memory_order_acquire);
        }
    }
    return true;
}

void DrawThreads::work(uint32_t generation, unsigned index) {
    started_.fetch_add(1, std::memory_order_release);
    started_.notify_one();
    uint64_t lastEnd = 0;     // when this worker last ran out of chunks of a run with work
    bool close = false;       // the last gap between runs with work was short
    bool wokenEarly = false;  // the last generation was a wake without work
    for (;;) {
        const Clock::duration spin = wokenEarly ? Clock::duration(WorkerSpinWoken)
                                     : close    ? Clock::duration(WorkerSpinClose)
                                                : Clock::duration(WorkerSpinApart);
        generation = awaitChange(generation_, generation, spin, true, &sleepers_);
        if (stopping_.load(std::memory_order_relaxed))
            return;
        wokenEarly = wakeOnly_.load(std::memory_order_relaxed);
        if (wokenEarly)
            continue;
        const uint64_t published = publishedAt_.load(std::memory_order_relaxed);
        close = lastEnd != 0 && published < lastEnd + CloseGapNs;
        const bool counted = platform_internal::frameBreakdownEnabled();
        const uint64_t start = counted ? platform_internal::breakdownNow() : 0;
        runChunks(generation, index);
        lastEnd = platform_internal::breakdownNow();
        if (counted)
            platform_internal::addWorkerTime(platform_internal::WorkerTime::Work, lastEnd - start);
    }
}

} // namespace d3d8

namespace platform_ext {

void setDrawThreadCount(unsigned count) {
    d3d8::chosenThreadCount.store(count, std::memory_order_relaxed);
}

} // namespace platform_ext
