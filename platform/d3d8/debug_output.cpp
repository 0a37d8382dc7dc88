// Explanations of refused calls, muted by DebugSetMute.
#include "internal/debug_output.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace {

// Each thread brackets its own calls, so the mute is the thread's.
thread_local bool muted = false;

bool debugRequested() {
    static const bool requested = [] {
        const char* value = std::getenv("D3D8_DEBUG");
        return value != nullptr && *value != '\0' && *value != '0';
    }();
    return requested;
}

} // namespace

void DebugSetMute(BOOL mute) {
    muted = mute != FALSE;
}

namespace platform_internal {

void explainRefusal(const char* format, ...) {
    if (muted || !debugRequested())
        return;
    std::va_list args;
    va_start(args, format);
    std::fputs("d3d8: ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
    va_end(args);
}

} // namespace platform_internal
