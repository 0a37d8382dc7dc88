// The high-quality block encoder sixteen blocks at a time, one in each lane of the AVX-512
// registers; the same operations as the plain variant, so the same bytes.
#include "blocks/dxt_hq.h"

#include <immintrin.h>

// GCC 12's AVX-512 conversions start from an undefined register, which -Wuninitialized reports
// wherever they are inlined.
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#include <cstdint>

namespace {

struct Mask16 {
    __mmask16 m;
};

struct Lane16 {
    using Mask = Mask16;
    static constexpr int count = 16;
    __m512 v;

    Lane16() = default;
    explicit Lane16(float x) : v(_mm512_set1_ps(x)) {}
    explicit Lane16(__m512 x) : v(x) {}
    void store(float* p) const { _mm512_store_ps(p, v); }
    // Red, green, blue and alpha of pixels first..first + 3 of each lane's block: the four
    // pixels of a block are one register, and a 16 x 16 transpose turns them into lanes.
    static void loadPixels(const FloatColor* const* blocks, int first, Lane16 c[16]) {
        __m512 r[16], t[16];
        for (int j = 0; j < 16; ++j)
            r[j] = _mm512_loadu_ps(&blocks[j][first].r);
        for (int j = 0; j < 16; j += 2) {
            t[j] = _mm512_unpacklo_ps(r[j], r[j + 1]);
            t[j + 1] = _mm512_unpackhi_ps(r[j], r[j + 1]);
        }
        for (int j = 0; j < 16; j += 4) {
            r[j] = _mm512_shuffle_ps(t[j], t[j + 2], _MM_SHUFFLE(1, 0, 1, 0));
            r[j + 1] = _mm512_shuffle_ps(t[j], t[j + 2], _MM_SHUFFLE(3, 2, 3, 2));
            r[j + 2] = _mm512_shuffle_ps(t[j + 1], t[j + 3], _MM_SHUFFLE(1, 0, 1, 0));
            r[j + 3] = _mm512_shuffle_ps(t[j + 1], t[j + 3], _MM_SHUFFLE(3, 2, 3, 2));
        }
        for (int j = 0; j < 16; j += 8) {
            for (int k = 0; k < 4; ++k) {
                t[j + k] = _mm512_shuffle_f32x4(r[j + k], r[j + 4 + k], 0x88);
                t[j + 4 + k] = _mm512_shuffle_f32x4(r[j + k], r[j + 4 + k], 0xDD);
            }
        }
        for (int k = 0; k < 8; ++k) {
            c[k] = Lane16(_mm512_shuffle_f32x4(t[k], t[8 + k], 0x88));
            c[8 + k] = Lane16(_mm512_shuffle_f32x4(t[k], t[8 + k], 0xDD));
        }
    }
};

Lane16 operator+(Lane16 a, Lane16 b) {
    return Lane16(_mm512_add_ps(a.v, b.v));
}
Lane16 operator-(Lane16 a, Lane16 b) {
    return Lane16(_mm512_sub_ps(a.v, b.v));
}
Lane16 operator*(Lane16 a, Lane16 b) {
    return Lane16(_mm512_mul_ps(a.v, b.v));
}
Lane16 operator/(Lane16 a, Lane16 b) {
    return Lane16(_mm512_div_ps(a.v, b.v));
}
// a * b + c in one rounding; the kernel calls it only where every value is a whole number
// below 2^24, where that equals the two roundings of the other variants.
Lane16 mulAdd(Lane16 a, Lane16 b, Lane16 c) {
    return Lane16(_mm512_fmadd_ps(a.v, b.v, c.v));
}
Lane16 minOf(Lane16 a, Lane16 b) {
    return Lane16(_mm512_min_ps(a.v, b.v));
}
Lane16 maxOf(Lane16 a, Lane16 b) {
    return Lane16(_mm512_max_ps(a.v, b.v));
}
Mask16 operator<(Lane16 a, Lane16 b) {
    return {_mm512_cmp_ps_mask(a.v, b.v, _CMP_LT_OQ)};
}
Mask16 operator<=(Lane16 a, Lane16 b) {
    return {_mm512_cmp_ps_mask(a.v, b.v, _CMP_LE_OQ)};
}
Mask16 operator>=(Lane16 a, Lane16 b) {
    return {_mm512_cmp_ps_mask(a.v, b.v, _CMP_GE_OQ)};
}
Mask16 operator==(Lane16 a, Lane16 b) {
    return {_mm512_cmp_ps_mask(a.v, b.v, _CMP_EQ_OQ)};
}
Mask16 operator&(Mask16 a, Mask16 b) {
    return {__mmask16(a.m & b.m)};
}
Mask16 operator|(Mask16 a, Mask16 b) {
    return {__mmask16(a.m | b.m)};
}
Mask16 andNot(Mask16 a, Mask16 b) {
    return {__mmask16(a.m & ~b.m)};
}
bool any(Mask16 m) {
    return m.m != 0;
}
Lane16 select(Mask16 m, Lane16 a, Lane16 b) {
    return Lane16(_mm512_mask_blend_ps(m.m, b.v, a.v));
}
Lane16 keep(Mask16 m, Lane16 a) {
    return Lane16(_mm512_maskz_mov_ps(m.m, a.v));
}
Lane16 truncate(Lane16 a) {
    return Lane16(_mm512_cvtepi32_ps(_mm512_cvttps_epi32(a.v)));
}

} // namespace

#include "blocks/dxt_hq_kernel.h"

void encodeDxt1BlocksHqAvx512(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane16, hq::Kind::Dxt1>(in, count, blocks);
}
void encodeDxt2BlocksHqAvx512(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane16, hq::Kind::Dxt2>(in, count, blocks);
}
void encodeDxt3BlocksHqAvx512(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane16, hq::Kind::Dxt3>(in, count, blocks);
}
void encodeDxt4BlocksHqAvx512(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane16, hq::Kind::Dxt4>(in, count, blocks);
}
void encodeDxt5BlocksHqAvx512(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane16, hq::Kind::Dxt5>(in, count, blocks);
}
void encodeAlphaBlocksHqAvx512(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane16, hq::Kind::AlphaOnly>(in, count, blocks);
}
void encodeBc4BlocksHqAvx512(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane16, hq::Kind::Bc4>(in, count, blocks);
}
void encodeBc4SignedBlocksHqAvx512(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane16, hq::Kind::Bc4Signed>(in, count, blocks);
}
void encodeBc5BlocksHqAvx512(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane16, hq::Kind::Bc5>(in, count, blocks);
}
void encodeBc5SignedBlocksHqAvx512(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane16, hq::Kind::Bc5Signed>(in, count, blocks);
}
