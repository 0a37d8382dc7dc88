// The game window's procedure.
#include "app/window_procedure.h"

#include "game/game_objects.h"

namespace {

// A left-button press at the hot spot's client position (x and y in the low and high words of
// lParam, unsigned) is a shot at the crosshair's centre.
void shoot(LPARAM lParam) {
    const DWORD position = DWORD(lParam);
    Vector2 aim{float(LOWORD(position)) + AimShift, float(HIWORD(position)) + AimShift};
    renderEngine.toClient(aim, aim);
    gameSession.click(aim);
}

} // namespace

LRESULT windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_SETCURSOR:
        // Over the title bar and the border as well as the client area.
        SetCursor(crosshairCursor);
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE)
            PostQuitMessage(0);
        return 0;
    case WM_LBUTTONDOWN:
        shoot(lParam);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
