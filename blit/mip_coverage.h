// Alpha-tested coverage: the share of texels that pass alpha >= reference, and the scale of a
// level's alpha that brings its share back to a target.
#pragma once

#include <cstddef>
#include <cstdint>

// The stored alpha of a value in [0, 1] (clamped), rounded to nearest.
inline uint8_t quantizeUnit(float v) {
    v = v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
    return uint8_t(v * 255.0f + 0.5f);
}

// Share of `count` 0xAARRGGBB texels whose alpha is at least `reference`.
double alphaCoverage(const uint32_t* texels, size_t count, uint8_t reference);

// The factor s for alpha values (every fourth float of `texels`, from index 3) so that the share
// of quantizeUnit(alpha * s) >= reference comes nearest to `target` (0 to 1). 1 when the
// reference is 0 (everything passes whatever the scale).
float coverageScale(const float* texels, size_t count, uint8_t reference, double target);
