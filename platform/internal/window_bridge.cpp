// The window layer's bridge as the device sees it.
#include "internal/window_bridge.h"

namespace platform_internal {

namespace {
const WindowBridge* installedBridge = nullptr;
}

void setWindowBridge(const WindowBridge* bridge) {
    installedBridge = bridge;
}

const WindowBridge* windowBridge() {
    return installedBridge;
}

} // namespace platform_internal
