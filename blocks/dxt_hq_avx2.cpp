// The high-quality block encoder eight blocks at a time, one in each lane of the AVX2
// registers; the same operations as the plain variant, so the same bytes.
#include "blocks/dxt_hq.h"

#include <immintrin.h>

#include <cstdint>

namespace {

struct Mask8 {
    __m256 m;
};

struct Lane8 {
    using Mask = Mask8;
    static constexpr int count = 8;
    __m256 v;

    Lane8() = default;
    explicit Lane8(float x) : v(_mm256_set1_ps(x)) {}
    explicit Lane8(__m256 x) : v(x) {}
    void store(float* p) const { _mm256_store_ps(p, v); }
    // Red, green, blue and alpha of pixels first..first + 3 (loadPixels), or of pixel i, of each
    // lane's block: two 4 x 4 transposes.
    static void loadPixels(const FloatColor* const* blocks, int first, Lane8 c[16]) {
        for (int k = 0; k < 4; ++k)
            loadPixel(blocks, first + k, c + 4 * k);
    }
    static void loadPixel(const FloatColor* const* blocks, int i, Lane8 c[4]) {
        __m128 q[8];
        for (int j = 0; j < 8; ++j)
            q[j] = _mm_loadu_ps(&blocks[j][i].r);
        _MM_TRANSPOSE4_PS(q[0], q[1], q[2], q[3]);
        _MM_TRANSPOSE4_PS(q[4], q[5], q[6], q[7]);
        for (int k = 0; k < 4; ++k)
            c[k] = Lane8(_mm256_set_m128(q[4 + k], q[k]));
    }
};

Lane8 operator+(Lane8 a, Lane8 b) {
    return Lane8(_mm256_add_ps(a.v, b.v));
}
Lane8 operator-(Lane8 a, Lane8 b) {
    return Lane8(_mm256_sub_ps(a.v, b.v));
}
Lane8 operator*(Lane8 a, Lane8 b) {
    return Lane8(_mm256_mul_ps(a.v, b.v));
}
Lane8 operator/(Lane8 a, Lane8 b) {
    return Lane8(_mm256_div_ps(a.v, b.v));
}
// a * b + c in one rounding; the kernel calls it only where every value is a whole number
// below 2^24, where that equals the two roundings of the plain variant.
Lane8 mulAdd(Lane8 a, Lane8 b, Lane8 c) {
    return Lane8(_mm256_fmadd_ps(a.v, b.v, c.v));
}
Lane8 minOf(Lane8 a, Lane8 b) {
    return Lane8(_mm256_min_ps(a.v, b.v));
}
Lane8 maxOf(Lane8 a, Lane8 b) {
    return Lane8(_mm256_max_ps(a.v, b.v));
}
Mask8 operator<(Lane8 a, Lane8 b) {
    return {_mm256_cmp_ps(a.v, b.v, _CMP_LT_OQ)};
}
Mask8 operator<=(Lane8 a, Lane8 b) {
    return {_mm256_cmp_ps(a.v, b.v, _CMP_LE_OQ)};
}
Mask8 operator>=(Lane8 a, Lane8 b) {
    return {_mm256_cmp_ps(a.v, b.v, _CMP_GE_OQ)};
}
Mask8 operator==(Lane8 a, Lane8 b) {
    return {_mm256_cmp_ps(a.v, b.v, _CMP_EQ_OQ)};
}
Mask8 operator&(Mask8 a, Mask8 b) {
    return {_mm256_and_ps(a.m, b.m)};
}
Mask8 operator|(Mask8 a, Mask8 b) {
    return {_mm256_or_ps(a.m, b.m)};
}
Mask8 andNot(Mask8 a, Mask8 b) {
    return {_mm256_andnot_ps(b.m, a.m)};
}
bool any(Mask8 m) {
    return _mm256_movemask_ps(m.m) != 0;
}
Lane8 select(Mask8 m, Lane8 a, Lane8 b) {
    return Lane8(_mm256_blendv_ps(b.v, a.v, m.m));
}
Lane8 keep(Mask8 m, Lane8 a) {
    return Lane8(_mm256_and_ps(m.m, a.v));
}
// a + b where m is set, else a (adding nothing where it is clear, as the others do).
Lane8 addWhere(Mask8 m, Lane8 a, Lane8 b) {
    return Lane8(_mm256_add_ps(a.v, _mm256_and_ps(m.m, b.v)));
}
Lane8 truncate(Lane8 a) {
    return Lane8(_mm256_cvtepi32_ps(_mm256_cvttps_epi32(a.v)));
}

} // namespace

#include "blocks/dxt_hq_kernel.h"

void encodeDxt1BlocksHqAvx2(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane8, hq::Kind::Dxt1>(in, count, blocks);
}
void encodeDxt2BlocksHqAvx2(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane8, hq::Kind::Dxt2>(in, count, blocks);
}
void encodeDxt3BlocksHqAvx2(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane8, hq::Kind::Dxt3>(in, count, blocks);
}
void encodeDxt4BlocksHqAvx2(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane8, hq::Kind::Dxt4>(in, count, blocks);
}
void encodeDxt5BlocksHqAvx2(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane8, hq::Kind::Dxt5>(in, count, blocks);
}
void encodeAlphaBlocksHqAvx2(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane8, hq::Kind::AlphaOnly>(in, count, blocks);
}
void encodeBc4BlocksHqAvx2(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane8, hq::Kind::Bc4>(in, count, blocks);
}
void encodeBc4SignedBlocksHqAvx2(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane8, hq::Kind::Bc4Signed>(in, count, blocks);
}
void encodeBc5BlocksHqAvx2(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane8, hq::Kind::Bc5>(in, count, blocks);
}
void encodeBc5SignedBlocksHqAvx2(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane8, hq::Kind::Bc5Signed>(in, count, blocks);
}
