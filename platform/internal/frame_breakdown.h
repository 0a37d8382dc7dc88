// Where the time of the drawing thread goes, part by part, and what the draw threads do while
// it works: cheap counters behind one switch (platform_ext::enableFrameBreakdown), read by the
// headless demo. A part entered inside another takes the time until it is left, so every
// nanosecond of the thread goes to exactly one part, the innermost open one, or to
// platform_ext::PartOther when none is open.
#pragma once

#include "platform_ext.h"

#include <atomic>
#include <chrono>
#include <cstdint>

namespace platform_internal {

extern std::atomic<bool> frameBreakdownOn;

inline bool frameBreakdownEnabled() {
    return frameBreakdownOn.load(std::memory_order_relaxed);
}

// Nanoseconds of the steady clock; what every counter is kept in.
inline uint64_t breakdownNow() {
    return uint64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count());
}

// The calling thread enters or leaves `part`. A leave without its enter (the switch was turned
// on in between) is ignored.
void enterFramePart(platform_ext::FramePart part);
void leaveFramePart(platform_ext::FramePart part);

// Counts the time of one part from construction to destruction, when the switch is on.
class FramePartScope {
public:
    explicit FramePartScope(platform_ext::FramePart part)
        : part_(part), on_(frameBreakdownEnabled()) {
        if (on_)
            enterFramePart(part_);
    }
    ~FramePartScope() {
        if (on_)
            leaveFramePart(part_);
    }
    FramePartScope(const FramePartScope&) = delete;
    FramePartScope& operator=(const FramePartScope&) = delete;

private:
    platform_ext::FramePart part_;
    bool on_;
};

// What the draw threads (all devices' together) spent, in nanoseconds.
enum class WorkerTime { Work, Spin, Sleep };
void addWorkerTime(WorkerTime kind, uint64_t nanoseconds);
void countWorkerWakeUp();
// A play handed to the draw threads before its pixels were needed.
void countEarlyPlay();

} // namespace platform_internal
