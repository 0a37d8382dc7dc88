// Frame timing and the memcpy reference.
#include "tools/headless_demo/frame_timing.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <numeric>

namespace {

constexpr size_t WarmUpFrames = 10;
constexpr size_t FrameBytes = 640 * 480 * 4;
constexpr int CopyRuns = 301;

} // namespace

void FrameTiming::frameArrived(Clock::time_point now) {
    if (started)
        seconds.push_back(std::chrono::duration<double>(now - previousDone).count());
}

void FrameTiming::observerDone(Clock::time_point now) {
    started = true;
    previousDone = now;
}

double FrameTiming::averageFrameSeconds() const {
    // The rating box's frame waits for the box; it is the last one, and is left out too.
    if (seconds.size() <= WarmUpFrames + 1)
        return 0.0;
    const auto first = seconds.begin() + WarmUpFrames;
    const auto last = seconds.end() - 1;
    return std::accumulate(first, last, 0.0) / double(last - first);
}

double memcpyReferenceSeconds() {
    std::vector<uint8_t> source(FrameBytes, 0x5A), target(FrameBytes);
    std::vector<double> runs;
    for (int run = 0; run < CopyRuns; ++run) {
        const auto start = FrameTiming::Clock::now();
        std::memcpy(target.data(), source.data(), FrameBytes);
        // Keeps the copy from being optimised away.
        asm volatile("" : : "r"(target.data()) : "memory");
        runs.push_back(std::chrono::duration<double>(FrameTiming::Clock::now() - start).count());
        source[size_t(run) % FrameBytes] ^= 1;
    }
    std::nth_element(runs.begin(), runs.begin() + CopyRuns / 2, runs.end());
    return runs[CopyRuns / 2];
}
