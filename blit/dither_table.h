// Offsets added to a scaled value before it is truncated on encode: the plain table rounds
// half up, the dither table spreads the rounding over a 4 x 4 ordered pattern.
#pragma once

#include <cstdint>

// Four rows of eight columns; each row of the 4 x 4 pattern is written twice side by side, so
// that the slice index can shift the column without wrapping.
struct DitherTable {
    float offset[4][8];

    // The four offsets of row y in slice z, counted from the codec rectangle's corner; pixel
    // x takes entry x mod 4.
    const float* row(uint32_t y, uint32_t z) const { return &offset[y & 3][z & 3]; }
};

extern const DitherTable plainDitherTable;
extern const DitherTable orderedDitherTable;
