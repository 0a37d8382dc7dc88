// The BC7 encoder's innermost loop, apart so that processor variants can replace it: each
// pixel of a subset put on the nearest of the palette entries around its position along the
// endpoints' line, with the error summed. Pixels and palette entries are packed as one byte a
// channel (red lowest), the channels not fitted zero in both, so every variant measures the same
// whole-number errors and picks the same entries.
#pragma once

#include <cstdint>

namespace bc7 {

struct PixelLoop {
    const uint32_t* pixels; // packed, `count` of them (at most 16)
    uint32_t count;
    uint32_t channels; // fitted: 1, 3 or 4 (the first ones)
    uint32_t entries;     // 4, 8 or 16: the palette interpolates start and end by the weights
    const uint8_t* weights;
    int32_t start[4];     // the first endpoint, widened, unfitted channels 0
    int32_t end[4];       // the second
    int32_t direction[4]; // second endpoint minus first, unfitted channels 0
    float scale;          // 64 / squared length of `direction`, or 0
};

// The index of the weight nearest a position 0..64 along the line (the lower of two as near), for
// 4, 8 or 16 entries: a multiply and a shift, which give what a search of the weights gives at
// every position (the BC7 tests hold it to the search).
inline uint32_t nearestWeightIndex(uint32_t position, uint32_t entries) {
    return (position * (entries - 1) + (entries == 16 ? 26 : 31)) >> 6;
}

// Fills index[0..count) and returns the summed squared error.
using PixelLoopFn = uint32_t (*)(const PixelLoop& loop, uint8_t index[16]);

uint32_t pixelLoopPlain(const PixelLoop& loop, uint8_t index[16]);
uint32_t pixelLoopAvx2(const PixelLoop& loop, uint8_t index[16]);
uint32_t pixelLoopAvx512(const PixelLoop& loop, uint8_t index[16]);

// The estimate partitions are ranked by: for each of the 64 partitions of `subsets` subsets,
// the spread of the pixels (C = 3 colour or 4 with alpha channels of `texels`) off their
// subsets' principal axes and along them, each axis one power-iteration round from `seed`.
using SpreadFn = void (*)(const int32_t texels[16][4], uint32_t subsets, const float* seed,
                          float off[64], float along[64]);

void spread3Plain(const int32_t texels[16][4], uint32_t subsets, const float* seed, float off[64],
                  float along[64]);
void spread4Plain(const int32_t texels[16][4], uint32_t subsets, const float* seed, float off[64],
                  float along[64]);
void spread3Avx2(const int32_t texels[16][4], uint32_t subsets, const float* seed, float off[64],
                 float along[64]);
void spread4Avx2(const int32_t texels[16][4], uint32_t subsets, const float* seed, float off[64],
                 float along[64]);
void spread3Avx512(const int32_t texels[16][4], uint32_t subsets, const float* seed,
                   float off[64], float along[64]);
void spread4Avx512(const int32_t texels[16][4], uint32_t subsets, const float* seed,
                   float off[64], float along[64]);

} // namespace bc7
