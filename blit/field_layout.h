// The bit-field layouts of the formats whose pixels are fields of one little-endian word,
// shared by their codec and by the direct converters that must give the same bytes.
#pragma once

#include "blit/float_color.h"
#include "blit/pixel_format.h"

#include <cstdint>

struct Field {
    uint8_t shift;
    uint8_t width; // 0: the format lacks the channel, which then decodes to its fill value
    bool isSigned;

    uint64_t mask() const { return ((uint64_t(1) << width) - 1) << shift; }
};

struct FieldLayout {
    PixelFormat format;
    uint32_t bytes;
    ValueRange range;
    bool luminance; // red, green and blue are one luminance field, held in `red`
    Field red, green, blue, alpha;
    FloatColor fill;

    const Field& channel(int i) const {
        return i == 0 ? red : i == 1 ? green : i == 2 ? blue : alpha;
    }
};

// The layout of a packed unsigned colour format (R8G8B8 ... G16R16), or null.
const FieldLayout* findPackedFieldLayout(PixelFormat format);
// The layout of any format of the field codec (packed, signed, luminance, wide), or null.
const FieldLayout* findFieldLayout(PixelFormat format);
