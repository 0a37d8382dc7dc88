// The sRGB transfer curve between 8-bit stored values and linear light, exact at 8 bits: the
// decode is a table of the curve, the encode returns the nearest stored value of the curve.
#pragma once

#include <bit>
#include <cstdint>

// Linear light of the stored value v (0 to 255), computed in double precision once.
float srgbToLinear(uint8_t v);
// Linear light of the 16-bit stored value v (0 to 65535), from a table made on first use.
float srgbToLinear16(uint16_t v);
// The stored value whose exact curve value is nearest to `linear` (clamped to 0..1).
uint8_t linearToSrgb(float linear);

// The encode's tables, for loops that encode many values: fetch once, call encode inline.
// A value's cell is its float exponent and top mantissa bits, fine enough that no cell holds
// two boundaries, so the answer is the cell's first value or the one after it: no search.
struct SrgbEncoder {
    static constexpr int mantissaBits = 8;               // cells per power of two: 256
    static constexpr uint32_t lowestExponent = 114;      // 2^-13, below the first boundary
    static constexpr int cellCount = 13 << mantissaBits; // up to 1
    const float* boundary; // boundary[v]: values at or above it round to v + 1 (v < 255)
    const uint8_t* start;  // start[k]: the answer at the lower end of cell k

    uint8_t encode(float linear) const {
        if (!(linear > 0.0f))
            return 0;
        if (linear >= 1.0f)
            return 255;
        const int32_t cell = int32_t(std::bit_cast<uint32_t>(linear) >> (23 - mantissaBits)) -
                             int32_t(lowestExponent << mantissaBits);
        if (cell < 0)
            return 0;
        const int v = start[cell];
        return uint8_t(v + (linear >= boundary[v]));
    }
};
const SrgbEncoder& srgbEncoder();
