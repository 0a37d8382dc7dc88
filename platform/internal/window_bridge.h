// The seam between the software device and the window layer, inside the platform. The
// window layer installs a bridge when its first window is created; without one the device
// runs headless: frames stay in memory and the back buffer needs an explicit size.
#pragma once

#include "d3d8.h"
#include "platform_ext.h"

namespace platform_internal {

struct WindowBridge {
    // The client size of a window of the layer; false for a handle it does not know.
    bool (*clientSize)(HWND window, UINT* width, UINT* height);
    // Shows a presented frame in the window's client area, pixel for pixel.
    void (*present)(HWND window, const platform_ext::FrameView& frame);
};

void setWindowBridge(const WindowBridge* bridge);
const WindowBridge* windowBridge();

} // namespace platform_internal
