// Top-level windows: creation with the platform's creation messages, showing, activation,
// destruction, geometry, and the bridge through which the device presents into them.
//
// Implements: CreateWindowExA for top-level and owned windows (WS_OVERLAPPED, WS_POPUP,
// WS_CAPTION, WS_BORDER, WS_DLGFRAME, WS_SYSMENU, WS_THICKFRAME, WS_MINIMIZEBOX,
// WS_MAXIMIZEBOX, WS_VISIBLE, WS_DISABLED; WS_EX_TOPMOST, WS_EX_APPWINDOW; CW_USEDEFAULT),
// sending WM_NCCREATE, WM_CREATE, WM_SIZE and WM_MOVE; ShowWindow (SW_HIDE and the showing
// commands, sending WM_SHOWWINDOW, WM_ACTIVATEAPP, WM_NCACTIVATE, WM_ACTIVATE, WM_SETFOCUS);
// DestroyWindow (owned windows first, then WM_DESTROY and WM_NCDESTROY); IsWindow,
// GetClientRect, GetWindowRect, ClientToScreen, EnableWindow (WM_ENABLE), IsWindowEnabled,
// UpdateWindow, GetDesktopWindow. Overlapped windows always have a title bar, as on Windows.
// Windows are never resized: WS_THICKFRAME and the boxes only change the frame's size.
// Does not: child windows, menus, minimised or maximised windows (refused with
// ERROR_NOT_SUPPORTED), WM_NCCALCSIZE, WM_GETMINMAXINFO, position messages and painting.
#include "win32/window_records.h"

#include "internal/window_bridge.h"
#include "win32/handle_table.h"
#include "win32/message_queue.h"
#include "win32/user_images.h"

#include <algorithm>

namespace {

using win32::WindowRecord;

constexpr DWORD SupportedStyles = WS_POPUP | WS_VISIBLE | WS_DISABLED | WS_CAPTION | WS_SYSMENU |
                                  WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr DWORD SupportedExStyles = WS_EX_TOPMOST | WS_EX_APPWINDOW;
constexpr WPARAM WaInactive = 0;
constexpr WPARAM WaActive = 1;
constexpr WPARAM SizeRestored = 0;
constexpr int DefaultOrigin = 32;
constexpr int DefaultWidth = 800;
constexpr int DefaultHeight = 600;

struct Windows {
    win32::HandleTable<WindowRecord> table{0x3};
    std::vector<HWND> order; // top-level windows, oldest first
    HWND desktop = nullptr;
    HWND active = nullptr;
};

Windows& windows() {
    static Windows instance;
    return instance;
}

HWND handleOf(uintptr_t value) {
    return reinterpret_cast<HWND>(value);
}

template <typename Result> Result failWith(DWORD error, Result result) {
    SetLastError(error);
    return result;
}

LRESULT send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return win32::callWindowProcedure(window, message, wParam, lParam);
}

bool bridgeClientSize(HWND window, UINT* width, UINT* height) {
    const WindowRecord* record = win32::findWindow(window);
    if (record == nullptr || !record->host)
        return false;
    *width = UINT(record->clientRect.right - record->clientRect.left);
    *height = UINT(record->clientRect.bottom - record->clientRect.top);
    return true;
}

void bridgePresent(HWND window, const platform_ext::FrameView& frame) {
    const WindowRecord* record = win32::findWindow(window);
    if (record != nullptr && record->host)
        record->host->present(frame);
}

const platform_internal::WindowBridge Bridge = {&bridgeClientSize, &bridgePresent};

void activate(HWND window) {
    Windows& all = windows();
    const HWND previous = all.active;
    if (previous == window)
        return;
    all.active = window; // first, so that a destruction during the messages clears it
    if (previous != nullptr) {
        send(previous, WM_NCACTIVATE, FALSE);
        send(previous, WM_ACTIVATE, WaInactive, LPARAM(window));
        send(previous, WM_KILLFOCUS, WPARAM(window));
    } else {
        send(window, WM_ACTIVATEAPP, TRUE);
    }
    send(window, WM_NCACTIVATE, TRUE);
    send(window, WM_ACTIVATE, WaActive, LPARAM(previous));
    send(window, WM_SETFOCUS, WPARAM(previous));
}

void deactivate(HWND window) {
    windows().active = nullptr;
    send(window, WM_NCACTIVATE, FALSE);
    send(window, WM_ACTIVATE, WaInactive, 0);
    send(window, WM_ACTIVATEAPP, FALSE);
    send(window, WM_KILLFOCUS, 0);
}

RECT placedWindowRect(int x, int y, int width, int height) {
    if (x == CW_USEDEFAULT)
        x = y = DefaultOrigin;
    if (width == CW_USEDEFAULT)
        width = DefaultWidth, height = DefaultHeight;
    return RECT{x, y, x + std::max(width, 0), y + std::max(height, 0)};
}

// Removes a window's record once nothing can reach it any more.
void forgetWindow(HWND window) {
    Windows& all = windows();
    win32::purgeWindowMessages(window);
    std::erase(all.order, window);
    if (all.active == window)
        all.active = nullptr;
    all.table.remove(window);
}

} // namespace

namespace win32 {

WindowRecord* findWindow(HWND window) {
    return windows().table.find(window);
}

HWND desktopWindow() {
    Windows& all = windows();
    if (all.desktop == nullptr) {
        auto desktop = std::make_unique<WindowRecord>();
        desktop->procedure = &DefWindowProcA;
        desktop->style = WS_POPUP | WS_VISIBLE;
        desktop->windowRect = desktop->clientRect = windowHost().desktopRect();
        desktop->visible = true;
        all.desktop = handleOf(all.table.insert(std::move(desktop)));
    }
    return all.desktop;
}

std::vector<HWND> topLevelWindows() {
    return windows().order;
}

bool classHasWindows(const WindowClass& windowClass) {
    bool found = false;
    windows().table.forEach([&](uintptr_t, const WindowRecord& record) {
        found |= record.windowClass.get() == &windowClass;
    });
    return found;
}

LRESULT callWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const WindowRecord* record = findWindow(window);
    if (record == nullptr || record->procedure == nullptr)
        return 0;
    const WNDPROC procedure = record->procedure;
    return procedure(window, message, wParam, lParam);
}

} // namespace win32

HWND CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X,
                     int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                     HINSTANCE hInstance, LPVOID lpParam) {
    std::shared_ptr<const win32::WindowClass> windowClass = win32::findWindowClass(lpClassName);
    if (!windowClass)
        return failWith(ERROR_CANNOT_FIND_WND_CLASS, HWND(nullptr));
    if ((dwStyle & ~SupportedStyles) != 0 || (dwExStyle & ~SupportedExStyles) != 0 ||
        hMenu != nullptr)
        return failWith(ERROR_NOT_SUPPORTED, HWND(nullptr));
    const HWND desktop = win32::desktopWindow();
    const HWND owner = hWndParent == desktop ? nullptr : hWndParent;
    if (owner != nullptr && win32::findWindow(owner) == nullptr)
        return failWith(ERROR_INVALID_WINDOW_HANDLE, HWND(nullptr));

    auto record = std::make_unique<WindowRecord>();
    record->windowClass = windowClass;
    record->procedure = windowClass->procedure;
    record->style = dwStyle & ~WS_VISIBLE;
    if (!(dwStyle & WS_POPUP))
        record->style |= WS_CAPTION;
    record->exStyle = dwExStyle;
    record->title = lpWindowName != nullptr ? lpWindowName : "";
    record->owner = owner;
    record->enabled = !(dwStyle & WS_DISABLED);
    record->windowRect = placedWindowRect(X, Y, nWidth, nHeight);
    const RECT insets = win32::frameInsets(record->style, false);
    const RECT& outer = record->windowRect;
    record->clientRect = RECT{outer.left + insets.left, outer.top + insets.top,
                              std::max(outer.left + insets.left, outer.right - insets.right),
                              std::max(outer.top + insets.top, outer.bottom - insets.bottom)};
    const win32::HostWindowRequest request{
        record->title, record->clientRect, (record->style & WS_CAPTION) == WS_CAPTION,
        (dwExStyle & WS_EX_TOPMOST) != 0, win32::bestIconImage(windowClass->icon)};
    const HWND window = handleOf(windows().table.insert(std::move(record)));
    if (window == nullptr)
        return failWith(ERROR_NOT_ENOUGH_MEMORY, HWND(nullptr));
    WindowRecord* created = win32::findWindow(window);
    created->host = win32::windowHost().createWindow(window, request);
    if (!created->host) {
        windows().table.remove(window);
        return failWith(ERROR_NOT_ENOUGH_MEMORY, HWND(nullptr));
    }
    windows().order.push_back(window);
    platform_internal::setWindowBridge(&Bridge);

    CREATESTRUCTA creation{lpParam, hInstance, hMenu,         hWndParent,   nHeight,     nWidth,
                           Y,       X,         LONG(dwStyle), lpWindowName, lpClassName, dwExStyle};
    if (!send(window, WM_NCCREATE, 0, LPARAM(&creation))) {
        send(window, WM_NCDESTROY);
        forgetWindow(window);
        return nullptr;
    }
    if (send(window, WM_CREATE, 0, LPARAM(&creation)) == -1) {
        DestroyWindow(window);
        return nullptr;
    }
    if ((created = win32::findWindow(window)) == nullptr)
        return nullptr;
    const RECT client = created->clientRect;
    send(window, WM_SIZE, SizeRestored,
         MAKELPARAM(client.right - client.left, client.bottom - client.top));
    send(window, WM_MOVE, 0, MAKELPARAM(client.left, client.top));
    if (dwStyle & WS_VISIBLE)
        ShowWindow(window, SW_SHOW);
    return IsWindow(window) ? window : nullptr;
}

BOOL ShowWindow(HWND hWnd, int nCmdShow) {
    const WindowRecord* record = win32::findWindow(hWnd);
    if (record == nullptr || hWnd == win32::desktopWindow())
        return failWith(ERROR_INVALID_WINDOW_HANDLE, FALSE);
    const bool wasVisible = record->visible;
    bool show;
    switch (nCmdShow) {
    case SW_HIDE:
        show = false;
        break;
    case SW_SHOWNORMAL:
    case SW_SHOW:
    case SW_SHOWNOACTIVATE:
    case SW_RESTORE:
    case SW_SHOWDEFAULT:
        show = true;
        break;
    default:
        return failWith(ERROR_NOT_SUPPORTED, wasVisible ? TRUE : FALSE);
    }
    if (show != wasVisible) {
        send(hWnd, WM_SHOWWINDOW, show ? TRUE : FALSE);
        // The procedure may have destroyed the window.
        WindowRecord* shown = win32::findWindow(hWnd);
        if (shown == nullptr || shown->destroying)
            return wasVisible ? TRUE : FALSE;
        shown->visible = show;
        shown->host->show(show);
    }
    if (!show && windows().active == hWnd)
        deactivate(hWnd);
    if (show && nCmdShow != SW_SHOWNOACTIVATE)
        activate(hWnd);
    return wasVisible ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND hWnd) {
    // Nothing is ever invalidated, so there is nothing to paint.
    return IsWindow(hWnd) ? TRUE : failWith(ERROR_INVALID_WINDOW_HANDLE, FALSE);
}

BOOL DestroyWindow(HWND hWnd) {
    WindowRecord* record = win32::findWindow(hWnd);
    if (record == nullptr)
        return failWith(ERROR_INVALID_WINDOW_HANDLE, FALSE);
    if (hWnd == win32::desktopWindow())
        return failWith(ERROR_ACCESS_DENIED, FALSE);
    if (record->destroying)
        return TRUE;
    record->destroying = true;
    for (HWND other : win32::topLevelWindows()) {
        const WindowRecord* owned = win32::findWindow(other);
        if (owned != nullptr && owned->owner == hWnd)
            DestroyWindow(other);
    }
    if (record->visible) {
        record->visible = false;
        record->host->show(false);
    }
    if (windows().active == hWnd)
        deactivate(hWnd);
    send(hWnd, WM_DESTROY);
    send(hWnd, WM_NCDESTROY);
    forgetWindow(hWnd);
    return TRUE;
}

BOOL IsWindow(HWND hWnd) {
    return win32::findWindow(hWnd) != nullptr ? TRUE : FALSE;
}

BOOL GetClientRect(HWND hWnd, LPRECT lpRect) {
    const WindowRecord* record = win32::findWindow(hWnd);
    if (record == nullptr)
        return failWith(ERROR_INVALID_WINDOW_HANDLE, FALSE);
    if (lpRect == nullptr)
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    const RECT& client = record->clientRect;
    *lpRect = RECT{0, 0, client.right - client.left, client.bottom - client.top};
    return TRUE;
}

BOOL GetWindowRect(HWND hWnd, LPRECT lpRect) {
    const WindowRecord* record = win32::findWindow(hWnd);
    if (record == nullptr)
        return failWith(ERROR_INVALID_WINDOW_HANDLE, FALSE);
    if (lpRect == nullptr)
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    *lpRect = record->windowRect;
    return TRUE;
}

BOOL ClientToScreen(HWND hWnd, LPPOINT lpPoint) {
    const WindowRecord* record = win32::findWindow(hWnd);
    if (record == nullptr)
        return failWith(ERROR_INVALID_WINDOW_HANDLE, FALSE);
    if (lpPoint == nullptr)
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    lpPoint->x += record->clientRect.left;
    lpPoint->y += record->clientRect.top;
    return TRUE;
}

BOOL EnableWindow(HWND hWnd, BOOL bEnable) {
    WindowRecord* record = win32::findWindow(hWnd);
    if (record == nullptr)
        return failWith(ERROR_INVALID_WINDOW_HANDLE, FALSE);
    const bool wasDisabled = !record->enabled;
    const bool enable = bEnable != FALSE;
    if (record->enabled != enable) {
        record->enabled = enable;
        send(hWnd, WM_ENABLE, enable ? TRUE : FALSE);
    }
    return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hWnd) {
    const WindowRecord* record = win32::findWindow(hWnd);
    if (record == nullptr)
        return failWith(ERROR_INVALID_WINDOW_HANDLE, FALSE);
    return record->enabled ? TRUE : FALSE;
}

HWND GetDesktopWindow() {
    return win32::desktopWindow();
}
