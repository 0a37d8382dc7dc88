// How the software device stores each pixel format: bytes per pixel, per pixel pair or per
// 4 x 4 block, and whether the rasteriser can sample it. One row per format in format_layout.cpp.
#pragma once

#include "d3d8.h"

#include <cstdint>

namespace d3d8 {

enum class Storage : uint8_t {
    Pixel, // unitBytes per pixel
    Pair,  // unitBytes per two horizontally adjacent pixels (packed YUV)
    Block, // unitBytes per 4 x 4 block (block compression)
};

struct FormatLayout {
    D3DFORMAT format;
    Storage storage;
    uint8_t unitBytes;
    bool sampled;    // the rasteriser reads it as a texture, so textures may hold it
    bool fewFormats; // still offered under the "fewformats" profile
};

// The row of a format, or null for a format the device cannot store.
const FormatLayout* findFormatLayout(D3DFORMAT format);

// Pixels across and down one storage unit.
inline UINT unitWidth(const FormatLayout& layout) {
    return layout.storage == Storage::Pixel ? 1 : layout.storage == Storage::Pair ? 2 : 4;
}
inline UINT unitHeight(const FormatLayout& layout) {
    return layout.storage == Storage::Block ? 4 : 1;
}

// The memory of one surface or volume level: rows of storage units, slices of rows.
struct LevelGeometry {
    UINT width = 0, height = 0, depth = 0;
    UINT rowPitch = 0;   // bytes from one row of units to the next
    UINT slicePitch = 0; // bytes from one slice to the next
    UINT unitRows = 0;   // rows of units in a slice
    uint64_t size = 0;   // bytes of the whole level
};

// Computes the geometry of a level; false when its size does not fit in memory we hand out.
bool computeLevelGeometry(const FormatLayout& layout, UINT width, UINT height, UINT depth,
                          LevelGeometry* out);

// Checks a rectangle against a level of the format: inside the level, not inverted, and on
// unit boundaries (4 x 4 blocks, pixel pairs), where an edge may also be the level's own edge.
bool rectFitsLevel(const FormatLayout& layout, UINT width, UINT height, const RECT& rect);

// Offset in bytes of pixel (x, y, z), which must lie on a unit boundary.
inline uint64_t unitOffset(const FormatLayout& layout, const LevelGeometry& level, UINT x, UINT y,
                           UINT z) {
    return uint64_t(z) * level.slicePitch + uint64_t(y / unitHeight(layout)) * level.rowPitch +
           uint64_t(x / unitWidth(layout)) * layout.unitBytes;
}

// Bytes covered by a row of pixels [left, right) on unit boundaries (right may be the edge).
inline uint64_t spanBytes(const FormatLayout& layout, UINT left, UINT right) {
    const UINT w = unitWidth(layout);
    return uint64_t((right + w - 1) / w - left / w) * layout.unitBytes;
}

// A rectangle inside a level of the size, not inverted (no grid rule).
bool rectInside(UINT width, UINT height, const RECT& rect);

// The size of a mip level: halved per level, never below 1.
inline UINT levelExtent(UINT size, UINT level) {
    return (size >> level) != 0 ? size >> level : 1;
}

// Number of levels in a full mip chain down to 1 x 1 (x 1).
UINT fullChainLength(UINT width, UINT height, UINT depth);

bool isPowerOfTwo(UINT value);

} // namespace d3d8
