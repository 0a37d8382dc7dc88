// Input as the window system reports it, turned into the platform's mouse and keyboard
// messages. The SDL host and the injection calls of platform_ext.h both come through here.
#pragma once

#include "windows.h"

namespace win32 {

// Client coordinates. Buttons: 0 left, 1 right, 2 middle.
void inputMouseMove(HWND window, int x, int y);
void inputMouseButton(HWND window, int button, bool down, int x, int y);
void inputKey(HWND window, UINT virtualKey, bool down);
void inputCloseRequest(HWND window);

// Sends WM_SETCURSOR for a mouse message the queue is handing out, as the platform does
// before the message reaches the program.
void announceCursor(const MSG& mouseMessage);

// The key state as of the key messages the program has taken from the queue, which is what
// a message being translated was typed with (the platform's synchronous key state).
void noteKeyMessage(const MSG& keyMessage);
bool isKeyDown(UINT virtualKey);

// Where the pointer was last seen, in screen coordinates (for MSG.pt).
POINT cursorScreenPosition();

} // namespace win32
