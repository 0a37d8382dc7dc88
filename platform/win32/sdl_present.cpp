// Presented frames into an SDL window's surface.
//
// Implements: X8R8G8B8 and R5G6B5 frames copied pixel for pixel into the top-left of the
// client area, then shown; the last frame is shown again when the window is exposed. 16-bit
// pixels widen by repeating their top bits, so full intensity stays full (SDL's own conversion
// turns 565 white into 0xFFFEFF); other surface layouts go through SDL's conversion.
// The window surface on the display's own framebuffer is SDL's cheapest path to the screen
// here: no renderer, no texture upload.
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

// 0xRRGGBB from a 5-6-5 pixel, each channel's top bits repeated into its low bits.
uint32_t widened(uint16_t pixel) {
    const uint32_t red = (pixel >> 11) & 0x1F;
    const uint32_t green = (pixel >> 5) & 0x3F;
    const uint32_t blue = pixel & 0x1F;
    return (((red << 3) | (red >> 2)) << 16) | (((green << 2) | (green >> 4)) << 8) |
           ((blue << 3) | (blue >> 2));
}

void widenRows(const platform_ext::FrameView& frame, int width, int height, SDL_Surface* surface) {
    for (int y = 0; y < height; ++y) {
        const auto* source = reinterpret_cast<const uint16_t*>(
            static_cast<const uint8_t*>(frame.bits) + size_t(y) * frame.pitch);
        auto* target = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface->pixels) +
                                                   size_t(y) * size_t(surface->pitch));
        for (int x = 0; x < width; ++x)
            target[x] = widened(source[x]);
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
    const Uint32 surfaceFormat = surface->format->format;
    if (frame.format == D3DFMT_R5G6B5 &&
        (surfaceFormat == SDL_PIXELFORMAT_RGB888 || surfaceFormat == SDL_PIXELFORMAT_ARGB8888))
        widenRows(frame, width, height, surface);
    else
        SDL_ConvertPixels(width, height, sourceFormat, frame.bits, int(frame.pitch), surfaceFormat,
                          surface->pixels, surface->pitch);
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
