// The game window's procedure: the crosshair cursor, shots on the left button, and the quit
// requests of Escape and of the window's destruction.
#pragma once

#include "windows.h"

// Shown over the whole window; empty (no pointer) until the start-up loads it.
extern HCURSOR crosshairCursor;

// The cursor's hot spot is its top-left pixel; the crosshair's centre lies this far right and
// down from it, and that is where a shot lands.
inline constexpr float AimShift = 15.0f;

LRESULT windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
