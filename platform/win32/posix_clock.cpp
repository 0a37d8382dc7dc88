// Time on the host's monotonic clock.
//
// Implements: GetTickCount (milliseconds of CLOCK_MONOTONIC, which like the platform's count
// starts near boot, truncated to a wrapping 32-bit count), Sleep (Sleep(0) yields the
// processor), and the replaceable tick source of platform_ext.h.
// Does not: INFINITE sleeps specially (they last 49.7 days, which is the same thing here).
#include "platform_ext.h"

#include <cerrno>
#include <sched.h>
#include <time.h>

namespace {
platform_ext::TickSource tickSource = nullptr;
}

namespace platform_ext {

void setTickSource(TickSource source) {
    tickSource = source;
}

} // namespace platform_ext

DWORD GetTickCount() {
    if (tickSource != nullptr)
        return tickSource();
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return DWORD(uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u);
}

void Sleep(DWORD dwMilliseconds) {
    if (dwMilliseconds == 0) {
        sched_yield();
        return;
    }
    timespec remaining{time_t(dwMilliseconds / 1000), long(dwMilliseconds % 1000) * 1000000L};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}
