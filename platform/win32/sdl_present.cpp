// Presented frames into an SDL window's surface.
//
// Implements: X8R8G8B8 and R5G6B5 frames copied pixel for pixel into the top-left of the
// client area (a copy row by row when the window surface has the frame's layout, SDL's
// conversion otherwise), then shown; the last frame is shown again when the window is exposed.
// The window surface is SDL's cheapest path to the screen here: no renderer, no texture upload.
// Does not: scale; a frame larger than the client area is cut, a smaller one leaves the rest.
#include "win32/sdl_host.h"

#include <algorithm>

namespace {

Uint32 sdlFormatOf(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_X8R8G8B8:
        return SDL_PIXELFORMAT_RGB888;
    case D3DFMT_R5G6B5:
        return SDL_PIXELFORMAT_RGB565;
    default:
        return SDL_PIXELFORMAT_UNKNOWN;
    }
}

} // namespace

namespace win32 {

void SdlWindow::present(const platform_ext::FrameView& frame) {
    const Uint32 sourceFormat = sdlFormatOf(frame.format);
    SDL_Surface* surface = SDL_GetWindowSurface(window_);
    if (surface == nullptr || sourceFormat == SDL_PIXELFORMAT_UNKNOWN || frame.bits == nullptr)
        return;
    const int width = std::min(int(frame.width), surface->w);
    const int height = std::min(int(frame.height), surface->h);
    if (width <= 0 || height <= 0)
        return;
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0)
        return;
    SDL_ConvertPixels(width, height, sourceFormat, frame.bits, int(frame.pitch),
                      surface->format->format, surface->pixels, surface->pitch);
    if (SDL_MUSTLOCK(surface))
        SDL_UnlockSurface(surface);
    SDL_UpdateWindowSurface(window_);
    presented_ = true;
}

void SdlWindow::refresh() {
    if (presented_)
        SDL_UpdateWindowSurface(window_);
}

} // namespace win32
