// The two inner loops of the mip chain builder, in a plain and an AVX2 variant that give the
// same bits: each output value is a sum of products formed in the same order in both.
#pragma once

#include <cstddef>
#include <cstdint>

// out[i] = 0 + weights[0] * rows[0][i] + weights[1] * rows[1][i] + ..., for i below count.
using CombineRows = void (*)(const float* const* rows, const float* weights, uint32_t taps,
                             size_t count, float* out);
// Texel d of out (four floats) = 0 + sum over t in order of weight[d * taps + t] times texel
// index[d * taps + t] of in, for d below count.
using GatherTexels = void (*)(const float* in, const uint32_t* index, const float* weight,
                              uint32_t taps, uint32_t count, float* out);

// A stretch of a halving where every destination has the same taps on consecutive texels:
// texel k of out = 0 + sum over t in order of weight[t] times texel 2k + t of in, k below count.
using GatherHalving = void (*)(const float* in, const float* weight, uint32_t taps, uint32_t count,
                               float* out);

struct MipRowRoutines {
    CombineRows combine;
    GatherTexels gather;
    GatherHalving gatherHalving;
};

void combineRowsPlain(const float* const* rows, const float* weights, uint32_t taps, size_t count,
                      float* out);
void gatherTexelsPlain(const float* in, const uint32_t* index, const float* weight, uint32_t taps,
                       uint32_t count, float* out);
void gatherHalvingPlain(const float* in, const float* weight, uint32_t taps, uint32_t count,
                        float* out);

// Only for processors where mipRowsAvx2Supported() answers yes.
void combineRowsAvx2(const float* const* rows, const float* weights, uint32_t taps, size_t count,
                     float* out);
void gatherTexelsAvx2(const float* in, const uint32_t* index, const float* weight, uint32_t taps,
                      uint32_t count, float* out);
void gatherHalvingAvx2(const float* in, const float* weight, uint32_t taps, uint32_t count,
                       float* out);
bool mipRowsAvx2Supported();

// The plain routines, or the AVX2 ones where the processor has them and "DisableMMX" is not
// set; chosen on the first call and kept.
MipRowRoutines mipRowRoutines();
MipRowRoutines plainMipRowRoutines();
