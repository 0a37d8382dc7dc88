// The window system beneath the layer's windows, as the plain tier sees it. One host is
// chosen at first use: SDL when a display is there, else the null host, which keeps windows
// as records only (the layer runs headless).
#pragma once

#include "module_resources.h"
#include "platform_ext.h"
#include "windows.h"

#include <memory>
#include <string>

namespace win32 {

// A window of the host. Destroying the object closes it.
class HostWindow {
public:
    virtual ~HostWindow() = default;
    virtual void show(bool visible) = 0;
    // Shows the frame in the client area, pixel for pixel from its top-left corner.
    virtual void present(const platform_ext::FrameView& frame) = 0;
};

struct HostWindowRequest {
    std::string title;             // Windows-1252
    RECT client;                   // screen rectangle of the client area
    bool framed;                   // title bar with a close box
    bool topmost;                  // stays above windows that are not
    const IconImageResource* icon; // null for none
};

struct HostMessageBox {
    std::string text;    // Windows-1252
    std::string caption; // Windows-1252
    UINT buttons;        // MB_OK, MB_OKCANCEL or MB_YESNO
    UINT icon;           // 0 or one of MB_ICONHAND, MB_ICONQUESTION, MB_ICONEXCLAMATION,
                         // MB_ICONASTERISK
};

class WindowHost {
public:
    virtual ~WindowHost() = default;
    virtual bool hasDisplay() const = 0;
    virtual RECT desktopRect() const = 0;
    // A hidden window whose input the host reports for `window`; null when it cannot make one.
    virtual std::unique_ptr<HostWindow> createWindow(HWND window,
                                                     const HostWindowRequest& request) = 0;
    // Hands the input that has arrived to the input layer (input_messages.h), waiting up to
    // waitMilliseconds for some when there is none.
    virtual void pumpEvents(DWORD waitMilliseconds) = 0;
    // The pointer over the layer's windows; null hides it.
    virtual void setCursor(const CursorResource* cursor) = 0;
    // Shows a modal box and returns the button's IDOK, IDCANCEL, IDYES or IDNO; 0 when the
    // host cannot show it.
    virtual int showMessageBox(HostWindow* owner, const HostMessageBox& box) = 0;
};

WindowHost& windowHost();

// The hosts, for windowHost() to choose from: the SDL host is null without a display.
std::unique_ptr<WindowHost> createSdlHost();
std::unique_ptr<WindowHost> createNullHost();

} // namespace win32
