// The pointer's image over the layer's windows.
//
// Implements: SetCursor with a cursor of the resource table (its 32 x 32 monochrome image and
// hot spot) or null, which hides the pointer; the previous cursor is returned. ShowCursor's
// display count (shown while it is 0 or more).
// Does not: animated or colour cursors, the system's cursors; an unknown handle is refused
// with ERROR_INVALID_CURSOR_HANDLE and changes nothing.
#include "win32/user_images.h"
#include "win32/window_host.h"

namespace {

struct PointerState {
    HCURSOR current = nullptr;
    int displayCount = 0;
};

PointerState& pointer() {
    static PointerState instance;
    return instance;
}

void showPointer() {
    const PointerState& state = pointer();
    const CursorResource* image =
        state.displayCount >= 0 ? win32::cursorOf(state.current) : nullptr;
    win32::windowHost().setCursor(image);
}

} // namespace

HCURSOR SetCursor(HCURSOR hCursor) {
    if (hCursor != nullptr && win32::cursorOf(hCursor) == nullptr) {
        SetLastError(ERROR_INVALID_CURSOR_HANDLE);
        return nullptr;
    }
    const HCURSOR previous = pointer().current;
    pointer().current = hCursor;
    showPointer();
    return previous;
}

int ShowCursor(BOOL bShow) {
    pointer().displayCount += bShow ? 1 : -1;
    showPointer();
    return pointer().displayCount;
}
