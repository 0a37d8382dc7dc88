// Frame times of the real loop, taken between presents, and the memcpy reference they are
// compared against.
#pragma once

#include <chrono>
#include <cstddef>
#include <vector>

class FrameTiming {
public:
    using Clock = std::chrono::steady_clock;

    // A frame was presented: the time since the previous observer finished is one frame of the
    // loop (message pump, drawing, text, presentation), without the observer's own work.
    void frameArrived(Clock::time_point now);
    void observerDone(Clock::time_point now);

    // The mean of the recorded frame times, the first frames (start-up, warm caches) left out.
    double averageFrameSeconds() const;
    size_t frameCount() const { return seconds.size(); }

private:
    bool started = false;
    Clock::time_point previousDone{};
    std::vector<double> seconds;
};

// The median time of one memcpy of 640 x 480 x 4 bytes in this process.
double memcpyReferenceSeconds();
