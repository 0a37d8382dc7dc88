// What one side of a blit is: pixel memory, its format, its pitches and the region to read
// or write, with the filter word that every blit takes.
#pragma once

#include "blit/pixel_format.h"
#include "windows.h"

#include <cstdint>

// Right, bottom and back are exclusive; a two-dimensional rectangle has front 0 and back 1.
struct BlitBox {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
    int32_t front;
    int32_t back;

    uint32_t width() const { return uint32_t(right - left); }
    uint32_t height() const { return uint32_t(bottom - top); }
    uint32_t depth() const { return uint32_t(back - front); }
};

struct BlitSurface {
    uint8_t* bits = nullptr; // pixel memory; rect is relative to it
    PixelFormat format = D3DFMT_UNKNOWN;
    uint32_t rowPitch = 0;
    uint32_t slicePitch = 0; // 0 for a surface
    // The whole surface, in the same coordinates as rect; for caller memory the rect itself.
    BlitBox extent = {};
    BlitBox rect = {};                     // the region to read or write
    uint32_t dither = 0;                   // destination only: encode with the ordered dither table
    uint32_t highQualityBlocks = 0;        // destination only: block formats take the searching
                                           // encoder (blockQualityOf the filter word)
    uint32_t colorKey = 0;                 // source only: ARGB key colour, 0 for none
    const PALETTEENTRY* palette = nullptr; // 256 entries, or null
};

// The filter word: kind in bits 0-7, mirror and dither flags above, and one flag of the
// toolkit's own above those.
using ImageFilter = uint32_t;

enum : ImageFilter {
    FilterNone = 1,
    FilterPoint = 2,
    FilterLinear = 3,
    FilterTriangle = 4,
    FilterBox = 5,
    FilterMirrorU = 0x10000,
    FilterMirrorV = 0x20000,
    FilterMirrorW = 0x40000,
    FilterMirror = FilterMirrorU | FilterMirrorV | FilterMirrorW,
    FilterDither = 0x80000,
    // The toolkit's own (bit 24): block-compressed destinations ("DXT1".."DXT5") are encoded by
    // the high-quality encoder, which searches for the endpoints with the least squared error,
    // instead of the exact one whose bytes every load has always given. Slower; offline
    // converters want it. Honoured by every blit that encodes blocks: loads, converting copies
    // and mip generation; ignored for other destinations.
    FilterHighQualityBlocks = 0x1000000,
    // With FilterHighQualityBlocks, a format whose searching encoder has levels (BC7) takes its
    // quickest (bit 25) or its closest (bit 26) instead of its middle one; the others have one.
    FilterFastBlocks = 0x2000000,
    FilterBestBlocks = 0x4000000,
};

// The block flags of a filter word as a destination's highQualityBlocks holds them: 0 for the
// exact encoder, else bit 0 with FilterFastBlocks as bit 1 and FilterBestBlocks as bit 2.
inline uint32_t blockQualityOf(ImageFilter filter) {
    return (filter & FilterHighQualityBlocks) != 0 ? (filter >> 24) & 7 : 0;
}
inline constexpr uint32_t BlockQualityFast = 2;
inline constexpr uint32_t BlockQualityBest = 4;

// Not a filter word: asks the receiving operation for its default.
inline constexpr ImageFilter FilterDefault = 0xFFFFFFFFu;
// The default of the four load operations.
inline constexpr ImageFilter FilterLoadDefault = FilterTriangle | FilterDither;

inline uint32_t filterKind(ImageFilter filter) {
    return filter & 0xFF;
}

// Kind 1 to 5, bits 8-15 clear, nothing above the dither flag but the block flags.
inline bool isValidFilter(ImageFilter filter) {
    const uint32_t low = filter & 0xFFFF;
    const ImageFilter blockFlags = FilterHighQualityBlocks | FilterFastBlocks | FilterBestBlocks;
    return low >= FilterNone && low <= FilterBox && (filter & ~blockFlags) < 0x100000;
}
