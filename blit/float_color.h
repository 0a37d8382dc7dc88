// The blitter's intermediate pixel and the value ranges that codecs work in.
#pragma once

#include "blocks/block_texel.h"

#include <cstdint>

enum ValueRange : uint32_t {
    UnitRange = 1,   // all four channels in [0, 1]
    SignedColor = 2, // red, green, blue in [-1, 1], alpha in [0, 1]
    SignedAll = 3,   // all four in [-1, 1]
};

// Converts a row of values from one range into another.
void convertRange(ValueRange from, ValueRange to, const FloatColor* in, FloatColor* out,
                  uint32_t count);
