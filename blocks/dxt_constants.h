// Single-precision constants and the error diffusion step of the block codec, shared by the
// plain and the vector encoders so that both perform the same arithmetic.
#pragma once

#include <cstdint>

namespace dxt {

// The encoder's colour space: Rec. 709 luma coefficients divided by the green one, and back.
inline constexpr float weightRed = 0.29703665f;
inline constexpr float weightGreen = 1.0f;
inline constexpr float weightBlue = 0.10078278f;
inline constexpr float inverseWeightRed = 3.3665881f;
inline constexpr float inverseWeightGreen = 1.0f;
inline constexpr float inverseWeightBlue = 9.9223299f;

// Reciprocals of the field maxima.
inline constexpr float scale5 = 0.032258064f; // 1 / 31
inline constexpr float scale6 = 0.015873017f; // 1 / 63
inline constexpr float scale8 = 0.003921569f; // 1 / 255
inline constexpr float scale4 = 0.06666667f;  // 1 / 15
inline constexpr float oneThird = 0.33333334f;
inline constexpr float twoThirds = 0.6666667f;
inline constexpr float oneSeventh = 0.14285715f;
inline constexpr float oneFifth = 0.2f;

// Error diffusion kernel: right, below-left, below, below-right.
inline constexpr float diffuseRight = 0.4375f;
inline constexpr float diffuseBelowLeft = 0.1875f;
inline constexpr float diffuseBelow = 0.3125f;
inline constexpr float diffuseBelowRight = 0.0625f;

inline constexpr float smallestNormal = 1.1754944e-38f;
inline constexpr float minimumSpan = 0.00024414062f;    // 1 / 4096
inline constexpr float colorConverged = 1.5258789e-05f; // 1 / 65536
inline constexpr float alphaMinimumSpan = 0.00390625f;  // 1 / 256
inline constexpr float alphaConverged = 0.015625f;      // 1 / 64
inline constexpr int refineIterations = 8;

// Palette weights of the endpoints per step, and the block index of each step.
inline constexpr float fourColorLowTable[4] = {1.0f, twoThirds, oneThird, 0.0f};
inline constexpr float fourColorHighTable[4] = {0.0f, oneThird, twoThirds, 1.0f};
inline constexpr uint32_t fourColorIndexTable[4] = {0, 2, 3, 1};
inline constexpr float threeColorLowTable[3] = {1.0f, 0.5f, 0.0f};
inline constexpr float threeColorHighTable[3] = {0.0f, 0.5f, 1.0f};
inline constexpr uint32_t threeColorIndexTable[3] = {0, 2, 1};

inline constexpr float eightAlphaLowTable[8] = {
    7.0f / 7.0f, 6.0f / 7.0f, 5.0f / 7.0f, 4.0f / 7.0f, 3.0f / 7.0f, 2.0f / 7.0f, 1.0f / 7.0f, 0.0f,
};
inline constexpr float eightAlphaHighTable[8] = {
    0.0f, 1.0f / 7.0f, 2.0f / 7.0f, 3.0f / 7.0f, 4.0f / 7.0f, 5.0f / 7.0f, 6.0f / 7.0f, 7.0f / 7.0f,
};
inline constexpr uint32_t eightAlphaIndexTable[8] = {0, 2, 3, 4, 5, 6, 7, 1};
inline constexpr float sixAlphaLowTable[6] = {1.0f, 0.8f, 0.6f, 0.4f, 0.2f, 0.0f};
inline constexpr float sixAlphaHighTable[6] = {0.0f, 0.2f, 0.4f, 0.6f, 0.8f, 1.0f};
inline constexpr uint32_t sixAlphaIndexTable[6] = {0, 2, 3, 4, 5, 1};

static_assert(fourColorLowTable[1] == twoThirds && fourColorHighTable[1] == oneThird);
static_assert(eightAlphaHighTable[1] == oneSeventh);

// Spreads the quantisation error of pixel i (row-major) over the pending errors of the pixels
// after it; what would leave the block is dropped.
inline void diffuseError(float pending[16], int i, float error) {
    const int column = i & 3;
    if (column < 3)
        pending[i + 1] += error * diffuseRight;
    if (i < 12) {
        if (column > 0)
            pending[i + 3] += error * diffuseBelowLeft;
        pending[i + 4] += error * diffuseBelow;
        if (column < 3)
            pending[i + 5] += error * diffuseBelowRight;
    }
}

} // namespace dxt
