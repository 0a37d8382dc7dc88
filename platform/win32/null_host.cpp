// The host without a display: windows are records only, no input ever arrives, presented
// frames stay in the device's memory and message boxes cannot be shown.
//
// Implements: every WindowHost operation, as the headless answer. The desktop is 1024 x 768.
#include "win32/window_host.h"

#include <algorithm>

namespace {

class NullWindow final : public win32::HostWindow {
public:
    void show(bool) override {}
    void present(const platform_ext::FrameView&) override {}
};

class NullHost final : public win32::WindowHost {
public:
    bool hasDisplay() const override { return false; }
    RECT desktopRect() const override { return RECT{0, 0, 1024, 768}; }
    std::unique_ptr<win32::HostWindow> createWindow(HWND,
                                                    const win32::HostWindowRequest&) override {
        return std::unique_ptr<win32::HostWindow>(new (std::nothrow) NullWindow);
    }
    // Nothing can arrive, so waiting is only the time that passes.
    void pumpEvents(DWORD waitMilliseconds) override {
        if (waitMilliseconds > 0)
            Sleep(std::min<DWORD>(waitMilliseconds, 50));
    }
    void setCursor(const CursorResource*) override {}
    int showMessageBox(win32::HostWindow*, const win32::HostMessageBox&) override { return 0; }
};

} // namespace

namespace win32 {

std::unique_ptr<WindowHost> createNullHost() {
    return std::make_unique<NullHost>();
}

} // namespace win32
