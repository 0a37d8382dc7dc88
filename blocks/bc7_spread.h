// The BC7 encoder's partition estimate for all 64 partitions at once, one partition a lane:
// every subset's moments (count, sums, sums of products), its spread off and along its
// principal axis, summed over the subsets. The arithmetic of each lane is the one-partition
// sequence of the encoder's moments, operation for operation (a pixel outside a subset adds a
// zero, which leaves the non-negative sums as they are), so a compiler may widen the lanes to
// any vector without changing a bit. Included by the files of each processor variant; its
// functions have internal linkage there.
#pragma once

#include "blocks/bc7_tables.h"

#include <cstdint>

namespace {

// 1 where pixel i of partition p lies in subset s + 1 of a partition of `subsets` subsets.
struct SubsetWeights {
    float weight[2][2][16][64];
};

inline const SubsetWeights& subsetWeights() {
    static const SubsetWeights table = [] {
        SubsetWeights t{};
        for (uint32_t subsets = 2; subsets <= 3; ++subsets) {
            for (uint32_t p = 0; p < 64; ++p) {
                const uint8_t* subsetOf = subsets == 2 ? bc7::partitions2[p] : bc7::partitions3[p];
                for (uint32_t i = 0; i < 16; ++i) {
                    if (subsetOf[i] != 0)
                        t.weight[subsets - 2][subsetOf[i] - 1][i][p] = 1.0f;
                }
            }
        }
        return t;
    }();
    return table;
}

// The compiler's vector types of a width (spelled out: GCC does not size a vector by a template
// argument).
template <uint32_t Bytes> struct LaneTypes;
template <> struct LaneTypes<32> {
    typedef float Lanes __attribute__((vector_size(32)));
    typedef int32_t Mask __attribute__((vector_size(32)));
};
template <> struct LaneTypes<64> {
    typedef float Lanes __attribute__((vector_size(64)));
    typedef int32_t Mask __attribute__((vector_size(64)));
};

template <uint32_t C, uint32_t LaneBytes = 32>
void spreadOfPartitions(const int32_t texels[16][4], uint32_t subsets, const float seed[C],
                        float off[64], float along[64]) {
    constexpr uint32_t size = 1 + C + C * (C + 1) / 2;
    float rows[16][size];
    float whole[size] = {};
    for (uint32_t i = 0; i < 16; ++i) {
        rows[i][0] = 1;
        for (uint32_t a = 0; a < C; ++a)
            rows[i][1 + a] = float(texels[i][a]);
        uint32_t k = 1 + C;
        for (uint32_t a = 0; a < C; ++a) {
            for (uint32_t b = a; b < C; ++b)
                rows[i][k++] = float(texels[i][a] * texels[i][b]);
        }
        for (uint32_t j = 0; j < size; ++j)
            whole[j] += rows[i][j];
    }
    const SubsetWeights& weights = subsetWeights();
    alignas(64) float m[3][size][64];
    for (uint32_t s = 1; s < subsets; ++s) {
        const float(*member)[64] = weights.weight[subsets - 2][s - 1];
        for (uint32_t j = 0; j < size; ++j) {
            float* sum = m[s][j];
            for (uint32_t p = 0; p < 64; ++p)
                sum[p] = 0.0f;
            for (uint32_t i = 0; i < 16; ++i) {
                const float value = rows[i][j];
                for (uint32_t p = 0; p < 64; ++p)
                    sum[p] += value * member[i][p];
            }
        }
    }
    for (uint32_t j = 0; j < size; ++j) {
        for (uint32_t p = 0; p < 64; ++p) {
            float rest = whole[j];
            for (uint32_t s = 1; s < subsets; ++s)
                rest -= m[s][j][p];
            m[0][j][p] = rest;
        }
    }
    for (uint32_t p = 0; p < 64; ++p) {
        off[p] = 0.0f;
        along[p] = 0.0f;
    }
    // Eight (or sixteen) partitions a step in a vector of the compiler's (in halves where the
    // processor's registers are narrower); every lane does the one-partition arithmetic.
    using Lanes = typename LaneTypes<LaneBytes>::Lanes;
    using Mask = typename LaneTypes<LaneBytes>::Mask;
    static_assert(sizeof(Lanes) == LaneBytes && sizeof(Mask) == LaneBytes);
    constexpr uint32_t width = LaneBytes / 4;
    const Lanes zero = {};
    const Lanes unit = zero + 1.0f;
    for (uint32_t s = 0; s < subsets; ++s) {
        for (uint32_t p = 0; p < 64; p += width) {
            Lanes mm[size];
            for (uint32_t j = 0; j < size; ++j)
                __builtin_memcpy(&mm[j], &m[s][j][p], sizeof(Lanes));
            const Lanes inverse = unit / mm[0];
            Lanes cov[C][C];
            uint32_t k = 1 + C;
            for (uint32_t a = 0; a < C; ++a) {
                for (uint32_t b = a; b < C; ++b) {
                    cov[a][b] = cov[b][a] = mm[k] - mm[1 + a] * mm[1 + b] * inverse;
                    ++k;
                }
            }
            Lanes trace = zero;
            for (uint32_t a = 0; a < C; ++a)
                trace += cov[a][a];
            Lanes axis[C];
            for (uint32_t a = 0; a < C; ++a) {
                axis[a] = zero;
                for (uint32_t b = 0; b < C; ++b)
                    axis[a] += cov[a][b] * seed[b];
            }
            Lanes length = zero, quotient = zero;
            for (uint32_t a = 0; a < C; ++a) {
                Lanes row = zero;
                for (uint32_t b = 0; b < C; ++b)
                    row += cov[a][b] * axis[b];
                quotient += axis[a] * row;
                length += axis[a] * axis[a];
            }
            // Divided whatever the length, the quotient kept only where the length is positive.
            const Mask positive = length > zero;
            const Lanes value = positive ? quotient / (positive ? length : unit) : zero;
            // std::min and std::max of the one-partition code, spelled as they compare.
            const Lanes capped = trace < value ? trace : value;
            const Lanes onAxis = zero < capped ? capped : zero;
            const Lanes rest = trace - onAxis;
            Lanes sumOff, sumAlong;
            __builtin_memcpy(&sumOff, &off[p], sizeof(Lanes));
            __builtin_memcpy(&sumAlong, &along[p], sizeof(Lanes));
            sumOff += zero < rest ? rest : zero;
            sumAlong += onAxis;
            __builtin_memcpy(&off[p], &sumOff, sizeof(Lanes));
            __builtin_memcpy(&along[p], &sumAlong, sizeof(Lanes));
        }
    }
}

} // namespace
