// The SDL host: windows, input, presentation, cursors and message boxes on SDL2.
#pragma once

#include "win32/window_host.h"

#include <SDL.h>

#include <map>

namespace win32 {

class SdlWindow final : public HostWindow {
public:
    SdlWindow(SDL_Window* window, const RECT& client) : window_(window), client_(client) {}
    ~SdlWindow() override;
    void show(bool visible) override;
    void present(const platform_ext::FrameView& frame) override;
    // Shows the last presented frame again, after the window system lost it.
    void refresh();
    SDL_Window* sdlWindow() const { return window_; }

    // The layer's window that an SDL window stands for; null for others.
    static HWND layerWindowOf(SDL_Window* window);
    static SdlWindow* hostWindowOf(SDL_Window* window);

private:
    SDL_Window* window_;
    RECT client_;
    bool presented_ = false;
    // The surface the last frame went to in full; a new surface (after a resize) starts over.
    SDL_Surface* shownSurface_ = nullptr;
};

class SdlHost final : public WindowHost {
public:
    ~SdlHost() override;
    bool hasDisplay() const override { return true; }
    RECT desktopRect() const override;
    std::unique_ptr<HostWindow> createWindow(HWND window,
                                             const HostWindowRequest& request) override;
    void pumpEvents(DWORD waitMilliseconds) override;
    void setCursor(const CursorResource* cursor) override;
    int showMessageBox(HostWindow* owner, const HostMessageBox& box) override;

private:
    void handleEvent(const SDL_Event& event);

    std::map<const CursorResource*, SDL_Cursor*> cursors_;
    const CursorResource* shownCursor_ = nullptr;
    bool pointerShown_ = true;
};

} // namespace win32
