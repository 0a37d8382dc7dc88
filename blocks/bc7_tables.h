// The BC7 block format's fixed tables and the layout of its eight modes, shared by its decoder
// and encoder.
#pragma once

#include <cstdint>

namespace bc7 {

// One mode's fields, in the order they follow the mode bits (the mode's number is the count of
// zero bits below the lowest one bit of the first byte).
struct ModeLayout {
    uint8_t subsets;       // 1, 2 or 3
    uint8_t partitionBits; // 0, 4 or 6
    uint8_t rotationBits;  // 2 where alpha and one colour channel may trade places
    uint8_t selectorBits;  // 1 where colour and alpha may swap their index sets
    uint8_t colorBits;     // per channel of an endpoint, without its p-bit
    uint8_t alphaBits;     // 0: the mode has no alpha, which decodes as 255
    uint8_t endpointPBits; // 1: one p-bit below every endpoint's channels
    uint8_t sharedPBits;   // 1: one p-bit a subset, below both of its endpoints
    uint8_t indexBits;     // the primary indices
    uint8_t secondaryBits; // 0, or the second index set of modes 4 and 5
};

// clang-format off
inline constexpr ModeLayout modes[8] = {
    {3, 4, 0, 0, 4, 0, 1, 0, 3, 0}, // 0
    {2, 6, 0, 0, 6, 0, 0, 1, 3, 0}, // 1
    {3, 6, 0, 0, 5, 0, 0, 0, 2, 0}, // 2
    {2, 6, 0, 0, 7, 0, 1, 0, 2, 0}, // 3
    {1, 0, 2, 1, 5, 6, 0, 0, 2, 3}, // 4
    {1, 0, 2, 0, 7, 8, 0, 0, 2, 2}, // 5
    {1, 0, 0, 0, 7, 7, 1, 0, 4, 0}, // 6
    {2, 6, 0, 0, 5, 5, 1, 0, 2, 0}, // 7
};
// clang-format on

extern const uint8_t partitions2[64][16];
extern const uint8_t partitions3[64][16];
extern const uint8_t anchors2[64];
extern const uint8_t anchors3Second[64];
extern const uint8_t anchors3Third[64];
extern const uint8_t weights2[4];
extern const uint8_t weights3[8];
extern const uint8_t weights4[16];

// The subset of each pixel of a partition (a row of zeros for one subset).
inline const uint8_t* subsetsOf(uint32_t subsets, uint32_t partition) {
    static constexpr uint8_t single[16] = {};
    return subsets == 1 ? single : subsets == 2 ? partitions2[partition] : partitions3[partition];
}

// The pixel whose index is stored one bit short in `subset`.
inline uint32_t anchorOf(uint32_t subsets, uint32_t partition, uint32_t subset) {
    if (subset == 0)
        return 0;
    if (subsets == 2)
        return anchors2[partition];
    return subset == 1 ? anchors3Second[partition] : anchors3Third[partition];
}

inline const uint8_t* weightsFor(uint32_t indexBits) {
    return indexBits == 2 ? weights2 : indexBits == 3 ? weights3 : weights4;
}

// An endpoint channel of `bits` bits (p-bit included) widened to 8 by repeating its top bits.
inline uint32_t expandBits(uint32_t value, uint32_t bits) {
    value <<= 8 - bits;
    return value | value >> bits;
}

inline uint32_t interpolate(uint32_t e0, uint32_t e1, uint32_t weight) {
    return ((64 - weight) * e0 + weight * e1 + 32) >> 6;
}

} // namespace bc7
