// Rebuilding the smaller mip levels of a texture, cube texture or volume texture from one of
// its levels with a resampling filter.
#pragma once

#include "blit/blit_surface.h"
#include "d3d8.h"

// Fills every level below sourceLevel (0xFFFFFFFF: level 0) from it. The filter word
// FilterDefault picks FilterBox for power-of-two sizes and FilterTriangle | FilterDither
// otherwise; cube textures always mirror at their edges. Point and box filters make each
// level from the one above it, the others each level from the source level. Palettes hold
// 256 entries or are null. Levels written before a failure stay written.
HRESULT filterTexture(IDirect3DBaseTexture8* texture, const PALETTEENTRY* palette, UINT sourceLevel,
                      ImageFilter filter);
