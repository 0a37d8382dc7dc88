// The default handling of window messages.
//
// Implements: DefWindowProcA for WM_NCCREATE (creation goes on), WM_CLOSE (destroys the window),
// WM_SYSCOMMAND with SC_CLOSE (sends WM_CLOSE), WM_SYSKEYDOWN with Alt+F4 (sends
// WM_SYSCOMMAND SC_CLOSE), WM_SETCURSOR (the class cursor over the client area),
// WM_NCACTIVATE (TRUE), WM_NCHITTEST (HTCLIENT: the host reports only client-area input);
// every other message answers 0.
// Does not: the system menu, window moving or sizing, painting.
#include "win32/window_records.h"

namespace {

constexpr LPARAM AltHeld = LPARAM(1) << 29;

} // namespace

LRESULT DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    const win32::WindowRecord* record = win32::findWindow(hWnd);
    if (record == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    switch (Msg) {
    case WM_NCCREATE:
    case WM_NCACTIVATE:
        return TRUE;
    case WM_NCHITTEST:
        return HTCLIENT;
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE)
            SendMessageA(hWnd, WM_CLOSE, 0, 0);
        return 0;
    case WM_SYSKEYDOWN:
        if (wParam == VK_F4 && (lParam & AltHeld))
            SendMessageA(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT && record->windowClass && record->windowClass->cursor) {
            SetCursor(record->windowClass->cursor);
            return TRUE;
        }
        return FALSE;
    default:
        return 0;
    }
}
