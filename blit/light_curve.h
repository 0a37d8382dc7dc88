// The sRGB transfer curve between 8-bit stored values and linear light, exact at 8 bits: the
// decode is a table of the curve, the encode returns the nearest stored value of the curve.
#pragma once

#include <cstdint>

// Linear light of the stored value v (0 to 255), computed in double precision once.
float srgbToLinear(uint8_t v);
// The stored value whose exact curve value is nearest to `linear` (clamped to 0..1).
uint8_t linearToSrgb(float linear);
