// Presented frames into an SDL window's surface.
//
// Implements: X8R8G8B8 and R5G6B5 frames copied pixel for pixel into the top-left of the
// client area, then shown; the last frame is shown again when the window is exposed. 16-bit
// pixels widen by repeating their top bits, so full intensity stays full (SDL's own conversion
// turns 565 white into 0xFFFEFF); other surface layouts go through SDL's conversion.
// The window surface on the display's own framebuffer is SDL's cheapest path to the screen
// here: no renderer, no texture upload. Once a frame has been shown in full, only the rows
// that changed since are copied and sent: the game's scenery stands still, and the display
// then copies a few bands around the targets and the text instead of the whole window.
// Does not: scale; a frame larger than the client area is cut, a smaller one leaves the rest.
#include "win32/sdl_host.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The first column from the left (or, with `fromRight`, the right) where two rows of 32-bit
// pixels that are known to differ differ; four columns per step.
int differingColumn(const uint32_t* a, const uint32_t* b, int width, bool fromRight) {
    int done = 0;
#if defined(__SSE2__)
    for (; done + 4 <= width; done += 4) {
        const int at = fromRight ? width - done - 4 : done;
        const __m128i same =
            _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + at)),
                            _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + at)));
        const unsigned differs = ~unsigned(_mm_movemask_epi8(same)) & 0xFFFFu;
        if (differs != 0)
            return fromRight ? at + (31 - __builtin_clz(differs)) / 4
                             : at + __builtin_ctz(differs) / 4;
    }
#endif
    for (; done < width; ++done) {
        const int at = fromRight ? width - done - 1 : done;
        if (a[at] != b[at])
            return at;
    }
    return fromRight ? 0 : width - 1;
}

// The columns [first, last] where two rows of 32-bit pixels differ; false when they are equal.
bool differingColumns(const uint32_t* a, const uint32_t* b, int width, int* first, int* last) {
    if (std::memcmp(a, b, size_t(width) * 4) == 0)
        return false;
    *first = differingColumn(a, b, width, false);
    *last = differingColumn(a, b, width, true);
    return true;
}

// Changed rows closer than this join one band, so that the display gets a few rectangles.
constexpr int BandGap = 8;
constexpr int MaxBands = 16;

// The frame's bytes go into the surface as they are, so the surface holds the shown frame's.
bool copiesAsIs(const platform_ext::FrameView& frame, const SDL_Surface* surface) {
    return frame.format == D3DFMT_X8R8G8B8 && surface->format->format == SDL_PIXELFORMAT_RGB888;
}

// Copies the rows of the frame that differ from what the surface shows into it, and returns
// the bands around them (at most MaxBands; later changes widen the last band).
int copyChangedRows(const platform_ext::FrameView& frame, SDL_Surface* surface, int width,
                    int height, SDL_Rect (&bands)[MaxBands]) {
    int count = 0;
    for (int y = 0; y < height; ++y) {
        const auto* source = reinterpret_cast<const uint32_t*>(
            static_cast<const uint8_t*>(frame.bits) + size_t(y) * frame.pitch);
        auto* shown = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface->pixels) +
                                                  size_t(y) * size_t(surface->pitch));
        int first = 0, last = 0;
        if (!differingColumns(source, shown, width, &first, &last))
            continue;
        std::memcpy(shown + first, source + first, size_t(last - first + 1) * 4);
        SDL_Rect* band = count > 0 ? &bands[count - 1] : nullptr;
        if (band != nullptr && (y - (band->y + band->h) < BandGap || count == MaxBands)) {
            const int left = std::min(band->x, first);
            const int right = std::max(band->x + band->w, last + 1);
            band->x = left;
            band->w = right - left;
            band->h = y + 1 - band->y;
        } else {
            bands[count++] = {first, y, last + 1 - first, 1};
        }
    }
    return count;
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
    if (presented_ && surface == shownSurface_ && copiesAsIs(frame, surface)) {
        SDL_Rect bands[MaxBands];
        const int count = copyChangedRows(frame, surface, width, height, bands);
        if (SDL_MUSTLOCK(surface))
            SDL_UnlockSurface(surface);
        if (count > 0)
            SDL_UpdateWindowSurfaceRects(window_, bands, count);
        return;
    }
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
    shownSurface_ = surface;
}

void SdlWindow::refresh() {
    if (presented_)
        SDL_UpdateWindowSurface(window_);
}

} // namespace win32
