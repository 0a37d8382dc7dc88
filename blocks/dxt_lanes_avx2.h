// What the AVX2 block encoders share: eight blocks in the lanes of 256-bit registers, one
// channel of one pixel per register, with the small vector helpers and the error diffusion
// step written with the plain encoder's operations. Only for files built with -mavx2.
#pragma once

#include "blocks/dxt_constants.h"
#include "blocks/block_texel.h"

#include <immintrin.h>

#include <cstdint>

namespace dxt_avx2 {

using namespace dxt;

using V = __m256;
using VI = __m256i;

constexpr int lanes = 8;

inline V set1(float x) {
    return _mm256_set1_ps(x);
}
inline VI set1i(int x) {
    return _mm256_set1_epi32(x);
}
inline V add(V a, V b) {
    return _mm256_add_ps(a, b);
}
inline V sub(V a, V b) {
    return _mm256_sub_ps(a, b);
}
inline V mul(V a, V b) {
    return _mm256_mul_ps(a, b);
}
inline V div(V a, V b) {
    return _mm256_div_ps(a, b);
}
inline V lessThan(V a, V b) {
    return _mm256_cmp_ps(a, b, _CMP_LT_OQ);
}
inline V greaterThan(V a, V b) {
    return _mm256_cmp_ps(a, b, _CMP_GT_OQ);
}
inline V greaterOrEqual(V a, V b) {
    return _mm256_cmp_ps(a, b, _CMP_GE_OQ);
}
inline V notLessThan(V a, V b) {
    return _mm256_cmp_ps(a, b, _CMP_NLT_UQ);
}
inline V maskOf(VI m) {
    return _mm256_castsi256_ps(m);
}
inline VI intMaskOf(V m) {
    return _mm256_castps_si256(m);
}
// ifTrue where the mask is set, else ifFalse.
inline V select(V mask, V ifTrue, V ifFalse) {
    return _mm256_blendv_ps(ifFalse, ifTrue, mask);
}
inline VI select(V mask, VI ifTrue, VI ifFalse) {
    return intMaskOf(_mm256_blendv_ps(maskOf(ifFalse), maskOf(ifTrue), mask));
}
inline bool any(V mask) {
    return _mm256_movemask_ps(mask) != 0;
}
// std::trunc, exactly.
inline V truncate(V x) {
    return _mm256_round_ps(x, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
}
// One of four values by a lane index 0..3.
inline V pick(const V values[4], VI index) {
    const V is1 = maskOf(_mm256_cmpeq_epi32(index, set1i(1)));
    const V is2 = maskOf(_mm256_cmpeq_epi32(index, set1i(2)));
    const V is3 = maskOf(_mm256_cmpeq_epi32(index, set1i(3)));
    return select(is3, values[3], select(is2, values[2], select(is1, values[1], values[0])));
}

struct Color3 {
    V r, g, b;
};

inline Color3 difference(const Color3& a, const Color3& b) {
    return {sub(a.r, b.r), sub(a.g, b.g), sub(a.b, b.b)};
}
inline V dot(const Color3& a, const Color3& b) {
    return add(add(mul(a.r, b.r), mul(a.g, b.g)), mul(a.b, b.b));
}
inline Color3 select(V mask, const Color3& ifTrue, const Color3& ifFalse) {
    return {select(mask, ifTrue.r, ifFalse.r), select(mask, ifTrue.g, ifFalse.g),
            select(mask, ifTrue.b, ifFalse.b)};
}

// The 16 pixels of eight blocks, one channel of one pixel per register.
struct BlockLanes {
    V r[16], g[16], b[16], a[16];
};

// Eight rows of eight floats into eight columns.
inline void transpose8(V row[8]) {
    const V t0 = _mm256_unpacklo_ps(row[0], row[1]), t1 = _mm256_unpackhi_ps(row[0], row[1]);
    const V t2 = _mm256_unpacklo_ps(row[2], row[3]), t3 = _mm256_unpackhi_ps(row[2], row[3]);
    const V t4 = _mm256_unpacklo_ps(row[4], row[5]), t5 = _mm256_unpackhi_ps(row[4], row[5]);
    const V t6 = _mm256_unpacklo_ps(row[6], row[7]), t7 = _mm256_unpackhi_ps(row[6], row[7]);
    const V u0 = _mm256_shuffle_ps(t0, t2, 0x44), u1 = _mm256_shuffle_ps(t0, t2, 0xEE);
    const V u2 = _mm256_shuffle_ps(t1, t3, 0x44), u3 = _mm256_shuffle_ps(t1, t3, 0xEE);
    const V u4 = _mm256_shuffle_ps(t4, t6, 0x44), u5 = _mm256_shuffle_ps(t4, t6, 0xEE);
    const V u6 = _mm256_shuffle_ps(t5, t7, 0x44), u7 = _mm256_shuffle_ps(t5, t7, 0xEE);
    row[0] = _mm256_permute2f128_ps(u0, u4, 0x20);
    row[1] = _mm256_permute2f128_ps(u1, u5, 0x20);
    row[2] = _mm256_permute2f128_ps(u2, u6, 0x20);
    row[3] = _mm256_permute2f128_ps(u3, u7, 0x20);
    row[4] = _mm256_permute2f128_ps(u0, u4, 0x31);
    row[5] = _mm256_permute2f128_ps(u1, u5, 0x31);
    row[6] = _mm256_permute2f128_ps(u2, u6, 0x31);
    row[7] = _mm256_permute2f128_ps(u3, u7, 0x31);
}

// Pixels i and i + 1 of block j are eight consecutive floats: transposing eight blocks'
// pairs gives the channels of both pixels across the blocks.
inline void loadLanes(const FloatColor* blocks, BlockLanes& out) {
    const float* base = &blocks[0].r;
    for (int i = 0; i < 16; i += 2) {
        V row[8];
        for (int j = 0; j < lanes; ++j)
            row[j] = _mm256_loadu_ps(base + (j * 16 + i) * 4);
        transpose8(row);
        out.r[i] = row[0];
        out.g[i] = row[1];
        out.b[i] = row[2];
        out.a[i] = row[3];
        out.r[i + 1] = row[4];
        out.g[i + 1] = row[5];
        out.b[i + 1] = row[6];
        out.a[i + 1] = row[7];
    }
}

inline void diffuse(V pending[16], int i, V error) {
    const int column = i & 3;
    if (column < 3)
        pending[i + 1] = add(pending[i + 1], mul(error, set1(diffuseRight)));
    if (i < 12) {
        if (column > 0)
            pending[i + 3] = add(pending[i + 3], mul(error, set1(diffuseBelowLeft)));
        pending[i + 4] = add(pending[i + 4], mul(error, set1(diffuseBelow)));
        if (column < 3)
            pending[i + 5] = add(pending[i + 5], mul(error, set1(diffuseBelowRight)));
    }
}

// The same, leaving the pending errors of lanes outside `mask` as they are.
inline void diffuseWhere(V mask, V pending[16], int i, V error) {
    V updated[16];
    for (int k = i + 1; k < 16 && k <= i + 5; ++k)
        updated[k] = pending[k];
    diffuse(updated, i, error);
    for (int k = i + 1; k < 16 && k <= i + 5; ++k)
        pending[k] = select(mask, updated[k], pending[k]);
}

// Alpha halves of eight blocks, the 8 bytes of lane j into out[j].
void encodeExplicitAlphaLanes(const BlockLanes& in, uint8_t out[lanes][8]);
void encodeInterpolatedAlphaLanes(const BlockLanes& in, uint8_t out[lanes][8]);

} // namespace dxt_avx2
