// Frame timing, its breakdown and the memcpy reference.
#include "tools/headless_demo/frame_timing.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

constexpr size_t WarmUpFrames = 10;
constexpr size_t FrameBytes = 640 * 480 * 4;
constexpr int CopyRuns = 301;

uint64_t processCpuNs() {
    timespec now = {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return uint64_t(now.tv_sec) * 1000000000u + uint64_t(now.tv_nsec);
}

// The report's names of the parts, in the order of FramePart; the observer is the demo's own.
constexpr const char* PartNames[platform_ext::FramePartCount] = {
    "game and state calls", "draw calls", "text rasterising", "locks (uploads)",
    "scene play", "play wait", "present", nullptr};

} // namespace

FrameTiming::Reading FrameTiming::read() {
    Reading reading;
    platform_ext::readFrameBreakdown(&reading.parts);
    reading.cpuNs = processCpuNs();
    return reading;
}

void FrameTiming::frameArrived(Clock::time_point now) {
    const Reading reading = read();
    if (started_) {
        FrameSums frame;
        frame.frames = 1;
        frame.frameNs = uint64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     now - previousDone_)
                                     .count());
        for (unsigned i = 0; i < platform_ext::FramePartCount; ++i)
            frame.partNs[i] = reading.parts.nanoseconds[i] - previous_.parts.nanoseconds[i];
        frame.workerWorkNs = reading.parts.workerWorkNs - previous_.parts.workerWorkNs;
        frame.workerSpinNs = reading.parts.workerSpinNs - previous_.parts.workerSpinNs;
        frame.workerSleepNs = reading.parts.workerSleepNs - previous_.parts.workerSleepNs;
        frame.workerWakeUps = reading.parts.workerWakeUps - previous_.parts.workerWakeUps;
        frame.cpuNs = reading.cpuNs - cpuAtDone_;
        if (pending_ && count_ > WarmUpFrames)
            add(pendingFrame_);
        pendingFrame_ = frame;
        pending_ = true;
        ++count_;
    }
    previous_ = reading;
}

void FrameTiming::observerDone() {
    started_ = true;
    // The system call first: a thread taken off the processor there must not have that time
    // counted in the frame and in the observer both.
    cpuAtDone_ = processCpuNs();
    previousDone_ = Clock::now();
}

void FrameTiming::add(const FrameSums& frame) {
    sums_.frames += frame.frames;
    sums_.frameNs += frame.frameNs;
    for (unsigned i = 0; i < platform_ext::FramePartCount; ++i)
        sums_.partNs[i] += frame.partNs[i];
    sums_.workerWorkNs += frame.workerWorkNs;
    sums_.workerSpinNs += frame.workerSpinNs;
    sums_.workerSleepNs += frame.workerSleepNs;
    sums_.workerWakeUps += frame.workerWakeUps;
    sums_.cpuNs += frame.cpuNs;
}

double FrameTiming::averageFrameSeconds() const {
    return sums_.frames == 0 ? 0.0 : double(sums_.frameNs) / double(sums_.frames) * 1e-9;
}

std::string describeBreakdown(const FrameSums& sums, unsigned drawThreads) {
    const double frames = double(std::max<uint64_t>(sums.frames, 1));
    const auto us = [frames](uint64_t ns) { return double(ns) / frames / 1000.0; };
    std::string text;
    char line[256];
    std::snprintf(line, sizeof(line),
                  "frame breakdown on %u draw thread%s, %llu frames, microseconds per frame:\n",
                  drawThreads, drawThreads == 1 ? "" : "s",
                  static_cast<unsigned long long>(sums.frames));
    text += line;
    uint64_t partSum = 0;
    for (unsigned i = 0; i < platform_ext::FramePartCount; ++i) {
        if (PartNames[i] == nullptr)
            continue;
        partSum += sums.partNs[i];
        std::snprintf(line, sizeof(line), "  %-22s %8.1f\n", PartNames[i], us(sums.partNs[i]));
        text += line;
    }
    std::snprintf(line, sizeof(line), "  sum of parts %.1f, frame %.1f\n", us(partSum),
                  us(sums.frameNs));
    text += line;
    std::snprintf(line, sizeof(line),
                  "  draw threads: working %.1f, watching %.1f, asleep %.1f, %.2f wake-ups\n",
                  us(sums.workerWorkNs), us(sums.workerSpinNs), us(sums.workerSleepNs),
                  double(sums.workerWakeUps) / frames);
    text += line;
    std::snprintf(line, sizeof(line), "  processor time %.1f per frame (%.2f cores busy)\n",
                  us(sums.cpuNs), sums.frameNs > 0 ? double(sums.cpuNs) / double(sums.frameNs) : 0);
    text += line;
    return text;
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
