// SDL events handed to the input layer, in the order SDL reports them.
//
// Implements: pointer motion, left, right and middle buttons, keys (letters by the layout's
// key, so the key labelled A is VK 'A'; the others by their position), the window's close
// request (close box, the window menu's close, Alt+F4 handled by a window manager), and
// re-showing the last frame when the window system lost the window's contents.
// Does not: text input, the wheel, touch or game controllers; SDL_QUIT is ignored, since the
// program decides itself when a closed window ends it.
#include "win32/sdl_host.h"

#include "win32/input_messages.h"

namespace {

struct KeyRow {
    SDL_Scancode scancode;
    BYTE virtualKey;
};

const KeyRow KeyTable[] = {
    {SDL_SCANCODE_BACKSPACE, VK_BACK},
    {SDL_SCANCODE_TAB, VK_TAB},
    {SDL_SCANCODE_RETURN, VK_RETURN},
    {SDL_SCANCODE_KP_ENTER, VK_RETURN},
    {SDL_SCANCODE_LSHIFT, VK_SHIFT},
    {SDL_SCANCODE_RSHIFT, VK_SHIFT},
    {SDL_SCANCODE_LCTRL, VK_CONTROL},
    {SDL_SCANCODE_RCTRL, VK_CONTROL},
    {SDL_SCANCODE_LALT, VK_MENU},
    {SDL_SCANCODE_RALT, VK_MENU},
    {SDL_SCANCODE_PAUSE, VK_PAUSE},
    {SDL_SCANCODE_ESCAPE, VK_ESCAPE},
    {SDL_SCANCODE_SPACE, VK_SPACE},
    {SDL_SCANCODE_PAGEUP, VK_PRIOR},
    {SDL_SCANCODE_PAGEDOWN, VK_NEXT},
    {SDL_SCANCODE_END, VK_END},
    {SDL_SCANCODE_HOME, VK_HOME},
    {SDL_SCANCODE_LEFT, VK_LEFT},
    {SDL_SCANCODE_UP, VK_UP},
    {SDL_SCANCODE_RIGHT, VK_RIGHT},
    {SDL_SCANCODE_DOWN, VK_DOWN},
    {SDL_SCANCODE_INSERT, VK_INSERT},
    {SDL_SCANCODE_DELETE, VK_DELETE},
    {SDL_SCANCODE_0, '0'},
    {SDL_SCANCODE_1, '1'},
    {SDL_SCANCODE_2, '2'},
    {SDL_SCANCODE_3, '3'},
    {SDL_SCANCODE_4, '4'},
    {SDL_SCANCODE_5, '5'},
    {SDL_SCANCODE_6, '6'},
    {SDL_SCANCODE_7, '7'},
    {SDL_SCANCODE_8, '8'},
    {SDL_SCANCODE_9, '9'},
    {SDL_SCANCODE_F1, VK_F1},
    {SDL_SCANCODE_F2, VK_F2},
    {SDL_SCANCODE_F3, VK_F3},
    {SDL_SCANCODE_F4, VK_F4},
    {SDL_SCANCODE_F5, VK_F5},
    {SDL_SCANCODE_F6, VK_F6},
    {SDL_SCANCODE_F7, VK_F7},
    {SDL_SCANCODE_F8, VK_F8},
    {SDL_SCANCODE_F9, VK_F9},
    {SDL_SCANCODE_F10, VK_F10},
    {SDL_SCANCODE_F11, VK_F11},
    {SDL_SCANCODE_F12, VK_F12},
};

// The virtual key of an SDL key, 0 for keys the layer does not name.
UINT virtualKeyOf(const SDL_Keysym& key) {
    if (key.sym >= SDLK_a && key.sym <= SDLK_z)
        return UINT('A' + (key.sym - SDLK_a));
    for (const KeyRow& row : KeyTable)
        if (row.scancode == key.scancode)
            return row.virtualKey;
    return 0;
}

HWND layerWindow(Uint32 windowId) {
    return win32::SdlWindow::layerWindowOf(SDL_GetWindowFromID(windowId));
}

int buttonIndex(Uint8 button) {
    switch (button) {
    case SDL_BUTTON_LEFT:
        return 0;
    case SDL_BUTTON_RIGHT:
        return 1;
    case SDL_BUTTON_MIDDLE:
        return 2;
    default:
        return -1;
    }
}

void handleWindowEvent(const SDL_WindowEvent& event) {
    SDL_Window* window = SDL_GetWindowFromID(event.windowID);
    if (event.event == SDL_WINDOWEVENT_CLOSE) {
        win32::inputCloseRequest(win32::SdlWindow::layerWindowOf(window));
    } else if (event.event == SDL_WINDOWEVENT_EXPOSED) {
        if (win32::SdlWindow* hostWindow = win32::SdlWindow::hostWindowOf(window))
            hostWindow->refresh();
    }
}

} // namespace

namespace win32 {

void SdlHost::pumpEvents(DWORD waitMilliseconds) {
    SDL_Event event;
    bool pending = waitMilliseconds > 0 ? SDL_WaitEventTimeout(&event, int(waitMilliseconds)) != 0
                                        : SDL_PollEvent(&event) != 0;
    while (pending) {
        handleEvent(event);
        pending = SDL_PollEvent(&event) != 0;
    }
}

void SdlHost::handleEvent(const SDL_Event& event) {
    switch (event.type) {
    case SDL_MOUSEMOTION:
        inputMouseMove(layerWindow(event.motion.windowID), event.motion.x, event.motion.y);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (const int button = buttonIndex(event.button.button); button >= 0)
            inputMouseButton(layerWindow(event.button.windowID), button,
                             event.type == SDL_MOUSEBUTTONDOWN, event.button.x, event.button.y);
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        if (const UINT key = virtualKeyOf(event.key.keysym); key != 0)
            inputKey(layerWindow(event.key.windowID), key, event.type == SDL_KEYDOWN);
        break;
    case SDL_WINDOWEVENT:
        handleWindowEvent(event.window);
        break;
    default:
        break;
    }
}

} // namespace win32
