// Reading the stored texels of every format the rasteriser samples as 32-bit ARGB words:
// packed fields, luminance, packed YUV (BT.601 studio range) and 4x4 blocks (DXT1 to DXT5).
#pragma once

#include "d3d8/level_store.h"

#include <cstdint>

namespace d3d8 {

// Whether decodeLevelToArgb reads the format.
bool canDecodeTexels(D3DFORMAT format);

// Writes the level's top slice as ARGB words, `outPitch` words per row.
void decodeLevelToArgb(const LevelStore& level, uint32_t* out, size_t outPitch);

} // namespace d3d8
