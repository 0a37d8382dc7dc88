// SDL windows and the pointer over them; the choice of the SDL host.
//
// Implements: the SDL host when SDL's video starts on a real display (not the "dummy" or
// "offscreen" driver); windows created hidden with their client area at the requested screen
// position (placed again once shown, so a window manager's frame goes around it), fixed size,
// SDL_WINDOW_ALWAYS_ON_TOP for topmost windows, borderless without a title bar, the class icon;
// monochrome cursors from their AND and XOR masks with the hot spot; hiding the pointer.
// SDL's signal handlers are left out, so Ctrl+C still ends the process.
// Does not: remove the close box of a titled window without WS_SYSMENU (SDL has no such window).
#include "win32/sdl_host.h"

#include "win32/code_pages.h"
#include "win32/user_images.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

const char* const LayerWindowKey = "bosquetir.hwnd";
const char* const HostWindowKey = "bosquetir.host";

void setIcon(SDL_Window* window, const IconImageResource& image) {
    std::vector<uint32_t> pixels;
    if (!win32::iconPixels(image, &pixels))
        return;
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        pixels.data(), image.width, image.height, 32, image.width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (surface == nullptr)
        return;
    SDL_SetWindowIcon(window, surface);
    SDL_FreeSurface(surface);
}

// Windows masks to SDL's: AND 1 XOR 0 transparent, AND 0 XOR 0 black, AND 0 XOR 1 white,
// AND 1 XOR 1 inverted; SDL wants mask = not AND and data = not (AND xor XOR).
SDL_Cursor* createCursor(const CursorResource& cursor) {
    const size_t bytes = size_t(cursor.width / 8) * size_t(cursor.height);
    std::vector<Uint8> data(bytes);
    std::vector<Uint8> mask(bytes);
    for (size_t i = 0; i < bytes; ++i) {
        data[i] = Uint8(~(cursor.andMask[i] ^ cursor.xorMask[i]));
        mask[i] = Uint8(~cursor.andMask[i]);
    }
    return SDL_CreateCursor(data.data(), mask.data(), cursor.width, cursor.height, cursor.hotSpotX,
                            cursor.hotSpotY);
}

} // namespace

namespace win32 {

SdlWindow::~SdlWindow() {
    SDL_DestroyWindow(window_);
}

void SdlWindow::show(bool visible) {
    if (!visible) {
        SDL_HideWindow(window_);
        return;
    }
    SDL_ShowWindow(window_);
    SDL_SetWindowPosition(window_, client_.left, client_.top);
}

HWND SdlWindow::layerWindowOf(SDL_Window* window) {
    return window != nullptr ? static_cast<HWND>(SDL_GetWindowData(window, LayerWindowKey))
                             : nullptr;
}

SdlWindow* SdlWindow::hostWindowOf(SDL_Window* window) {
    return window != nullptr ? static_cast<SdlWindow*>(SDL_GetWindowData(window, HostWindowKey))
                             : nullptr;
}

SdlHost::~SdlHost() {
    for (const auto& [resource, cursor] : cursors_)
        SDL_FreeCursor(cursor);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

RECT SdlHost::desktopRect() const {
    SDL_Rect bounds;
    if (SDL_GetDisplayBounds(0, &bounds) != 0)
        return RECT{0, 0, 0, 0};
    return RECT{bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
}

std::unique_ptr<HostWindow> SdlHost::createWindow(HWND window, const HostWindowRequest& request) {
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (!request.framed)
        flags |= SDL_WINDOW_BORDERLESS;
    if (request.topmost)
        flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    const RECT& client = request.client;
    SDL_Window* sdlWindow =
        SDL_CreateWindow(utf8FromAnsi(request.title).c_str(), client.left, client.top,
                         std::max(1, int(client.right - client.left)),
                         std::max(1, int(client.bottom - client.top)), flags);
    if (sdlWindow == nullptr)
        return nullptr;
    auto hostWindow = std::make_unique<SdlWindow>(sdlWindow, client);
    SDL_SetWindowData(sdlWindow, LayerWindowKey, window);
    SDL_SetWindowData(sdlWindow, HostWindowKey, hostWindow.get());
    if (request.icon != nullptr)
        setIcon(sdlWindow, *request.icon);
    return hostWindow;
}

void SdlHost::setCursor(const CursorResource* cursor) {
    if (cursor == nullptr) {
        if (pointerShown_)
            SDL_ShowCursor(SDL_DISABLE);
        pointerShown_ = false;
        return;
    }
    if (cursor != shownCursor_) {
        auto known = cursors_.find(cursor);
        if (known == cursors_.end()) {
            SDL_Cursor* created = createCursor(*cursor);
            if (created == nullptr)
                return;
            known = cursors_.emplace(cursor, created).first;
        }
        SDL_SetCursor(known->second);
        shownCursor_ = cursor;
    }
    if (!pointerShown_)
        SDL_ShowCursor(SDL_ENABLE);
    pointerShown_ = true;
}

std::unique_ptr<WindowHost> createSdlHost() {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // A click on a window that is not focused is still a click, as on Windows.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // Frames are drawn in memory: the display's own framebuffer (shared memory on X11) shows
    // them in a quarter of the time SDL's default texture upload takes through a software GL.
    // The environment variable of the same hint still overrides this.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return nullptr;
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr || std::strcmp(driver, "dummy") == 0 ||
        std::strcmp(driver, "offscreen") == 0) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    return std::make_unique<SdlHost>();
}

} // namespace win32
