// Draw threads: a generation counter wakes the workers for each run, chunks are taken from one
// atomic word, and a count of finished chunks tells the caller when the run is done. A worker
// that runs out of chunks watches for the next run only briefly before it sleeps: between two
// plays of a game's frame the drawing thread records and rasterises text for tens of
// microseconds, and a worker spinning through that would cost a second core for nothing. The
// device hides the wake-up instead by launching a play early (Device::launchRecordedDraws).
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

// How long a worker watches for the next run, after one launched early, before it sleeps:
// enough to catch the rest of the scene when it follows at once, short against a frame. After
// a play the caller waited for, the workers sleep at once.
constexpr auto WorkerSpin = std::chrono::microseconds(8);
// How long the caller watches the workers finish before it sleeps: it waits only for chunks
// that a worker has begun, which end soon unless the system took that worker off its core.
constexpr auto CallerSpin = std::chrono::microseconds(100);

// Waits until `value` differs from `old` and returns the new value. With `counted`, the time
// spent watching and asleep goes to the draw threads' counters of the frame breakdown.
uint32_t awaitChange(const std::atomic<uint32_t>& value, uint32_t old, Clock::duration spin,
                     bool counted = false) {
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
    for (;;) {
        value.wait(old, std::memory_order_acquire);
        const uint32_t now = value.load(std::memory_order_acquire);
        if (now != old) {
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

void DrawThreads::launch(Job job, void* context, unsigned chunks, bool moreSoon) {
    moreSoon_.store(moreSoon, std::memory_order_relaxed);
    job_ = job;
    context_ = context;
    chunks_ = chunks;
    finished_.store(0, std::memory_order_relaxed);
    const uint32_t generation = generation_.load(std::memory_order_relaxed) + 1;
    for (unsigned t = 0; t < count_; ++t) {
        const uint64_t begin = uint64_t(chunks) * t / count_;
        const uint64_t end = uint64_t(chunks) * (t + 1) / count_;
        shares_[t].store(uint64_t(generation) << 32 | end << 16 | begin, std::memory_order_release);
    }
    launched_ = generation;
    generation_.store(generation, std::memory_order_release);
    generation_.notify_all();
}

void DrawThreads::join() {
    {
        const platform_internal::FramePartScope part(platform_ext::PartPlay);
        runChunks(launched_, 0);
    }
    const platform_internal::FramePartScope part(platform_ext::PartPlayWait);
    for (uint32_t done = finished_.load(std::memory_order_acquire); done != chunks_;)
        done = awaitChange(finished_, done, CallerSpin);
}

void DrawThreads::runChunks(uint32_t generation, unsigned index) {
    for (unsigned k = 0; k < count_; ++k) {
        std::atomic<uint64_t>& share = shares_[(index + k) % count_];
        uint64_t word = share.load(std::memory_order_acquire);
        for (;;) {
            const uint32_t next = uint32_t(word & 0xFFFF), end = uint32_t(word >> 16 & 0xFFFF);
            if (uint32_t(word >> 32) != generation)
                return;
            if (next >= end)
                break;
            if (!share.compare_exchange_weak(word, word + 1, std::memory_order_acq_rel,
                                             std::memory_order_acquire))
                continue;
            // Read before the chunk is counted: the caller may start the next run after that.
            const uint32_t total = chunks_;
            job_(context_, next);
            if (finished_.fetch_add(1, std::memory_order_acq_rel) + 1 == total)
                finished_.notify_one();
            word = share.load(std::memory_order_acquire);
        }
    }
}

void DrawThreads::work(uint32_t generation, unsigned index) {
    started_.fetch_add(1, std::memory_order_release);
    started_.notify_one();
    for (;;) {
        generation = awaitChange(generation_, generation,
                                 moreSoon_.load(std::memory_order_relaxed)
                                     ? Clock::duration(WorkerSpin)
                                     : Clock::duration::zero(),
                                 true);
        if (stopping_.load(std::memory_order_relaxed))
            return;
        const bool counted = platform_internal::frameBreakdownEnabled();
        const uint64_t start = counted ? platform_internal::breakdownNow() : 0;
        runChunks(generation, index);
        if (counted)
            platform_internal::addWorkerTime(platform_internal::WorkerTime::Work,
                                             platform_internal::breakdownNow() - start);
    }
}

} // namespace d3d8

namespace platform_ext {

void setDrawThreadCount(unsigned count) {
    d3d8::chosenThreadCount.store(count, std::memory_order_relaxed);
}

} // namespace platform_ext
