// Frame sizes of windows, shared by AdjustWindowRect and window creation so that the client
// area lands exactly where the adjusted rectangle puts it.
//
// Implements: AdjustWindowRect for WS_CAPTION (a 19-pixel title bar), WS_BORDER (1 pixel),
// WS_DLGFRAME (3 pixels), WS_THICKFRAME (4 pixels) and a menu bar (19 pixels).
// Does not: read the host's real decorations; a window manager draws its own frame outside
// the client area, which stays where these sizes place it.
#include "win32/window_records.h"

namespace {

constexpr LONG CaptionHeight = 19;
constexpr LONG MenuHeight = 19;
constexpr LONG BorderWidth = 1;
constexpr LONG DialogFrameWidth = 3;
constexpr LONG ThickFrameWidth = 4;

} // namespace

namespace win32 {

RECT frameInsets(DWORD style, bool hasMenu) {
    LONG side = 0;
    if (style & WS_THICKFRAME)
        side = ThickFrameWidth;
    else if (style & WS_DLGFRAME)
        side = DialogFrameWidth;
    else if (style & WS_BORDER)
        side = BorderWidth;
    LONG top = side;
    if ((style & WS_CAPTION) == WS_CAPTION)
        top += CaptionHeight;
    if (hasMenu)
        top += MenuHeight;
    return RECT{side, top, side, side};
}

} // namespace win32

BOOL AdjustWindowRect(LPRECT lpRect, DWORD dwStyle, BOOL bMenu) {
    if (lpRect == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const RECT insets = win32::frameInsets(dwStyle, bMenu != FALSE);
    lpRect->left -= insets.left;
    lpRect->top -= insets.top;
    lpRect->right += insets.right;
    lpRect->bottom += insets.bottom;
    return TRUE;
}
