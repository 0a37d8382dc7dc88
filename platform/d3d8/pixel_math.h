// Integer colour arithmetic shared by the rasteriser, Clear and Present: rounding division by
// 255, channel widening and narrowing, and the two back-buffer pixel formats.
#pragma once

#include <cstdint>

namespace d3d8 {

// round(x / 255), halves up; exact for x <= 255 * 255 (what a product of two bytes reaches).
inline uint32_t div255(uint32_t x) {
    x += 128;
    return (x + (x >> 8)) >> 8;
}

// An n-bit channel widened to 8 bits: round(v * 255 / (2^n - 1)).
inline uint32_t widenChannel(uint32_t value, unsigned bits) {
    const uint32_t max = (1u << bits) - 1;
    return (value * 510 + max) / (2 * max);
}

// An 8-bit channel narrowed to n bits: round(v * (2^n - 1) / 255).
inline uint32_t narrowChannel(uint32_t value, unsigned bits) {
    const uint32_t max = (1u << bits) - 1;
    return (value * max * 2 + 255) / 510;
}

inline uint32_t argbOfR5G6B5(uint16_t pixel) {
    return 0xFF000000u | widenChannel(pixel >> 11, 5) << 16 |
           widenChannel((pixel >> 5) & 0x3F, 6) << 8 | widenChannel(pixel & 0x1F, 5);
}

inline uint16_t r5g6b5OfArgb(uint32_t argb) {
    return uint16_t(narrowChannel((argb >> 16) & 0xFF, 5) << 11 |
                    narrowChannel((argb >> 8) & 0xFF, 6) << 5 | narrowChannel(argb & 0xFF, 5));
}

} // namespace d3d8
