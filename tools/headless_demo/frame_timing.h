// Frame times of the real loop, taken between presents, where each frame's time went (the
// platform's frame breakdown, the process's processor time), and the memcpy reference they are
// compared against.
#pragma once

#include "platform_ext.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Sums over the measured frames, in nanoseconds.
struct FrameSums {
    uint64_t frames = 0;
    uint64_t frameNs = 0;
    uint64_t partNs[platform_ext::FramePartCount] = {};
    uint64_t workerWorkNs = 0, workerSpinNs = 0, workerSleepNs = 0, workerWakeUps = 0;
    uint64_t cpuNs = 0; // the whole process's processor time
};

class FrameTiming {
public:
    using Clock = std::chrono::steady_clock;

    // A frame was presented: the time since the previous observer finished is one frame of the
    // loop (message pump, drawing, text, presentation), without the observer's own work.
    void frameArrived(Clock::time_point now);
    void observerDone();

    // The mean of the recorded frame times, the first frames (start-up, warm caches) left out.
    double averageFrameSeconds() const;
    size_t frameCount() const { return count_; }
    // The same frames' breakdown.
    const FrameSums& sums() const { return sums_; }

private:
    struct Reading {
        platform_ext::FrameBreakdown parts;
        uint64_t cpuNs = 0;
    };
    static Reading read();
    void add(const FrameSums& frame);

    bool started_ = false;
    Clock::time_point previousDone_{};
    Reading previous_;       // at the previous frame's arrival
    uint64_t cpuAtDone_ = 0; // the processor time when the previous observer finished
    size_t count_ = 0;
    // The newest frame waits here until the next arrives: the last one (the rating box's,
    // which waits for the box) is never counted.
    bool pending_ = false;
    FrameSums pendingFrame_;
    FrameSums sums_;
};

// The breakdown printed after a game: the parts of a frame in microseconds, their sum beside
// the frame, what the draw threads did and the processor time per frame.
std::string describeBreakdown(const FrameSums& sums, unsigned drawThreads);

// The median time of one memcpy of 640 x 480 x 4 bytes in this process.
double memcpyReferenceSeconds();
