// The choice of window host, made once at first use.
//
// Implements: hasDisplay of platform_ext.h.
#include "win32/window_host.h"

namespace win32 {

WindowHost& windowHost() {
    // Never destroyed: windows and devices may still be released by static destructors after
    // main returns, and they must find their host.
    static WindowHost* const host = [] {
        std::unique_ptr<WindowHost> chosen = createSdlHost();
        if (!chosen)
            chosen = createNullHost();
        return chosen.release();
    }();
    return *host;
}

} // namespace win32

namespace platform_ext {

bool hasDisplay() {
    return win32::windowHost().hasDisplay();
}

} // namespace platform_ext
