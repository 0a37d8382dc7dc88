// The blitter's intermediate pixel and the value ranges that codecs work in.
#pragma once

#include <cstdint>

// Red, green, blue, alpha. Formats that are not colours carry their own channels in the same
// slots (U, V, W, Q for bump maps; see the codec of each format).
struct FloatColor {
    float r;
    float g;
    float b;
    float a;

    friend bool operator==(const FloatColor&, const FloatColor&) = default;
};

enum ValueRange : uint32_t {
    UnitRange = 1,   // all four channels in [0, 1]
    SignedColor = 2, // red, green, blue in [-1, 1], alpha in [0, 1]
    SignedAll = 3,   // all four in [-1, 1]
};

// Converts a row of values from one range into another.
void convertRange(ValueRange from, ValueRange to, const FloatColor* in, FloatColor* out,
                  uint32_t count);
