// The codec families, each built from its own table of formats; the factory picks the family.
// Each returns null when the format is not one of its rows or memory runs out.
#pragma once

#include "blit/pixel_codec.h"

#include <memory>

// Packed unsigned fields, signed (bump-map) fields, luminance and 16-bit-per-channel formats.
std::unique_ptr<PixelCodec> createFieldCodec(const BlitSurface& surface);
// D3DFMT_P8 and D3DFMT_A8P8.
std::unique_ptr<PixelCodec> createPaletteCodec(const BlitSurface& surface);
// "UYVY" and "YUY2".
std::unique_ptr<PixelCodec> createYuvCodec(const BlitSurface& surface);
// "DXT1".."DXT5".
std::unique_ptr<PixelCodec> createBlockCodec(const BlitSurface& surface);
