// The layer's window classes and windows as records, and the calls into window procedures.
#pragma once

#include "win32/window_host.h"
#include "windows.h"

#include <memory>
#include <string>
#include <vector>

namespace win32 {

struct WindowClass {
    ATOM atom = 0;
    std::string name; // as registered; compared without case
    UINT style = 0;
    WNDPROC procedure = nullptr;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HCURSOR cursor = nullptr;
};

struct WindowRecord {
    std::shared_ptr<const WindowClass> windowClass; // null for the desktop
    WNDPROC procedure = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    std::string title;
    HWND owner = nullptr;
    RECT windowRect{}; // screen coordinates, frame included
    RECT clientRect{}; // screen coordinates
    bool visible = false;
    bool enabled = true;
    bool destroying = false;
    std::unique_ptr<HostWindow> host;
};

// The class of a name or an atom (MAKEINTATOM); null when none is registered.
std::shared_ptr<const WindowClass> findWindowClass(LPCSTR nameOrAtom);
bool classHasWindows(const WindowClass& windowClass);

// The record of a window, the desktop included; null for anything else.
WindowRecord* findWindow(HWND window);
HWND desktopWindow();

// Every top-level window of the layer (not the desktop), in creation order.
std::vector<HWND> topLevelWindows();

// Calls the window's procedure, as SendMessageA does; 0 when the window is gone.
LRESULT callWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// How much the frame of a style adds around the client area on each side.
RECT frameInsets(DWORD style, bool hasMenu);

} // namespace win32
