// Draw threads: a generation counter wakes the workers for each run and a running count tells
// the caller when they are done. Both sides spin a little before they sleep: a frame's play
// lasts tens of microseconds, about what waking a sleeping thread costs.
#include "d3d8/draw_threads.h"

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

// How long a worker watches for the next run before it sleeps: longer than a game's frame is
// spent recording, so that frame after frame no thread has to be woken.
constexpr auto WorkerSpin = std::chrono::microseconds(300);
// How long the caller watches the workers finish before it sleeps.
constexpr auto CallerSpin = std::chrono::microseconds(300);

// Waits until `value` differs from `old` and returns the new value.
uint32_t awaitChange(const std::atomic<uint32_t>& value, uint32_t old, Clock::duration spin) {
    const Clock::time_point until = Clock::now() + spin;
    for (unsigned i = 1;; ++i) {
        const uint32_t now = value.load(std::memory_order_acquire);
        if (now != old)
            return now;
        if (i % 64 == 0 && Clock::now() > until)
            break;
        _mm_pause();
    }
    for (;;) {
        value.wait(old, std::memory_order_acquire);
        const uint32_t now = value.load(std::memory_order_acquire);
        if (now != old)
            return now;
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
    try {
        workers_.reserve(count_ - 1);
        for (unsigned index = 1; index < count_; ++index)
            workers_.emplace_back(&DrawThreads::work, this, index);
    } catch (const std::exception&) {
        // Stop the threads that did start; the device then plays on its own thread.
        stopping_.store(true, std::memory_order_relaxed);
        generation_.fetch_add(1, std::memory_order_release);
        generation_.notify_all();
        for (std::thread& worker : workers_)
            worker.join();
        workers_.clear();
        stopping_.store(false, std::memory_order_relaxed);
        return false;
    }
    return true;
}

void DrawThreads::run(Job job, void* context) {
    job_ = job;
    context_ = context;
    running_.store(count_ - 1, std::memory_order_relaxed);
    generation_.fetch_add(1, std::memory_order_release);
    generation_.notify_all();
    job(context, 0);
    for (uint32_t left = running_.load(std::memory_order_acquire); left != 0;)
        left = awaitChange(running_, left, CallerSpin);
}

void DrawThreads::work(unsigned index) {
    uint32_t seen = 0;
    for (;;) {
        seen = awaitChange(generation_, seen, WorkerSpin);
        if (stopping_.load(std::memory_order_relaxed))
            return;
        job_(context_, index);
        if (running_.fetch_sub(1, std::memory_order_acq_rel) == 1)
            running_.notify_one();
    }
}

} // namespace d3d8

namespace platform_ext {

void setDrawThreadCount(unsigned count) {
    d3d8::chosenThreadCount.store(count, std::memory_order_relaxed);
}

} // namespace platform_ext
