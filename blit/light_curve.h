// The sRGB transfer curve between 8-bit stored values and linear light, exact at 8 bits: the
// decode is a table of the curve, the encode returns the nearest stored value of the curve.
#pragma once

#include <cstdint>

// Linear light of the stored value v (0 to 255), computed in double precision once.
float srgbToLinear(uint8_t v);
// The stored value whose exact curve value is nearest to `linear` (clamped to 0..1).
uint8_t linearToSrgb(float linear);

// The encode's tables, for loops that encode many values: fetch once, call encode inline.
struct SrgbEncoder {
    static constexpr int guideSize = 16384;
    const float* boundary; // boundary[v]: values at or above it round to v + 1 (v < 255)
    const uint8_t* start;  // start[k]: the answer for k / guideSize, never above any in its cell

    uint8_t encode(float linear) const {
        if (!(linear > 0.0f))
            return 0;
        if (linear >= 1.0f)
            return 255;
        int v = start[int(linear * guideSize)];
        while (v < 255 && linear >= boundary[v])
            ++v;
        return uint8_t(v);
    }
};
const SrgbEncoder& srgbEncoder();
