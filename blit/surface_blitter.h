// The blit engine: copies a rectangle (or box) of pixels from one BlitSurface into another,
// converting formats, applying the source's colour key, and resizing with a filter.
#pragma once

#include "blit/blit_surface.h"
#include "blit/pixel_codec.h"

#include <memory>

// One blit: its two codecs and its filter word; lives for one call of blit.
struct SurfaceBlitter {
    std::unique_ptr<PixelCodec> destination;
    std::unique_ptr<PixelCodec> source;
    ImageFilter filter = 0;

    // D3D_OK; D3DERR_INVALIDCALL for a bad filter word, missing bits, a region outside its
    // extent or inverted, or a byte span that does not fit; E_FAIL for a format without a
    // codec or when every strategy declines; E_OUTOFMEMORY. The destination is untouched on
    // every refusal made before the first strategy runs.
    HRESULT blit(const BlitSurface& destinationSide, const BlitSurface& sourceSide,
                 ImageFilter filterWord);
};

// The same blit; when workers were handed to the engine (blit_workers.h) and the job is large,
// its rows are shared among them, with the same result.
HRESULT blitSurface(const BlitSurface& destination, const BlitSurface& source, ImageFilter filter);

// The refusals blit makes before its codecs exist: D3DERR_INVALIDCALL for a bad filter word,
// missing bits, a region outside its extent or inverted, or a byte span that does not fit.
HRESULT checkBlitSides(const BlitSurface& destination, const BlitSurface& source,
                       ImageFilter filter);
