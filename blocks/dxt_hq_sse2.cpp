// The high-quality block encoder four blocks at a time, one in each lane of the SSE2
// registers; the same operations as the plain variant, so the same bytes.
#include "blocks/dxt_hq.h"

#include <emmintrin.h>

#include <cstdint>

namespace {

struct Mask4 {
    __m128 m;
};

struct Lane4 {
    using Mask = Mask4;
    static constexpr int count = 4;
    __m128 v;

    Lane4() = default;
    explicit Lane4(float x) : v(_mm_set1_ps(x)) {}
    explicit Lane4(__m128 x) : v(x) {}
    void store(float* p) const { _mm_store_ps(p, v); }
    // Red, green, blue and alpha of pixels first..first + 3 (loadPixels), or of pixel i, of each
    // lane's block.
    static void loadPixels(const FloatColor* const* blocks, int first, Lane4 c[16]) {
        for (int k = 0; k < 4; ++k)
            loadPixel(blocks, first + k, c + 4 * k);
    }
    static void loadPixel(const FloatColor* const* blocks, int i, Lane4 c[4]) {
        __m128 p0 = _mm_loadu_ps(&blocks[0][i].r), p1 = _mm_loadu_ps(&blocks[1][i].r);
        __m128 p2 = _mm_loadu_ps(&blocks[2][i].r), p3 = _mm_loadu_ps(&blocks[3][i].r);
        _MM_TRANSPOSE4_PS(p0, p1, p2, p3);
        c[0] = Lane4(p0);
        c[1] = Lane4(p1);
        c[2] = Lane4(p2);
        c[3] = Lane4(p3);
    }
};

Lane4 operator+(Lane4 a, Lane4 b) {
    return Lane4(_mm_add_ps(a.v, b.v));
}
Lane4 operator-(Lane4 a, Lane4 b) {
    return Lane4(_mm_sub_ps(a.v, b.v));
}
Lane4 operator*(Lane4 a, Lane4 b) {
    return Lane4(_mm_mul_ps(a.v, b.v));
}
Lane4 operator/(Lane4 a, Lane4 b) {
    return Lane4(_mm_div_ps(a.v, b.v));
}
// a * b + c, rounded twice (see the AVX-512 variant).
Lane4 mulAdd(Lane4 a, Lane4 b, Lane4 c) {
    return a * b + c;
}
Lane4 minOf(Lane4 a, Lane4 b) {
    return Lane4(_mm_min_ps(a.v, b.v));
}
Lane4 maxOf(Lane4 a, Lane4 b) {
    return Lane4(_mm_max_ps(a.v, b.v));
}
Mask4 operator<(Lane4 a, Lane4 b) {
    return {_mm_cmplt_ps(a.v, b.v)};
}
Mask4 operator<=(Lane4 a, Lane4 b) {
    return {_mm_cmple_ps(a.v, b.v)};
}
Mask4 operator>=(Lane4 a, Lane4 b) {
    return {_mm_cmpge_ps(a.v, b.v)};
}
Mask4 operator==(Lane4 a, Lane4 b) {
    return {_mm_cmpeq_ps(a.v, b.v)};
}
Mask4 operator&(Mask4 a, Mask4 b) {
    return {_mm_and_ps(a.m, b.m)};
}
Mask4 operator|(Mask4 a, Mask4 b) {
    return {_mm_or_ps(a.m, b.m)};
}
Mask4 andNot(Mask4 a, Mask4 b) {
    return {_mm_andnot_ps(b.m, a.m)};
}
bool any(Mask4 m) {
    return _mm_movemask_ps(m.m) != 0;
}
Lane4 select(Mask4 m, Lane4 a, Lane4 b) {
    return Lane4(_mm_or_ps(_mm_and_ps(m.m, a.v), _mm_andnot_ps(m.m, b.v)));
}
Lane4 keep(Mask4 m, Lane4 a) {
    return Lane4(_mm_and_ps(m.m, a.v));
}
Lane4 truncate(Lane4 a) {
    return Lane4(_mm_cvtepi32_ps(_mm_cvttps_epi32(a.v)));
}

} // namespace

#include "blocks/dxt_hq_kernel.h"

void encodeDxt1BlocksHqSse2(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane4, hq::Kind::Dxt1>(in, count, blocks);
}
void encodeDxt2BlocksHqSse2(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane4, hq::Kind::Dxt2>(in, count, blocks);
}
void encodeDxt3BlocksHqSse2(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane4, hq::Kind::Dxt3>(in, count, blocks);
}
void encodeDxt4BlocksHqSse2(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane4, hq::Kind::Dxt4>(in, count, blocks);
}
void encodeDxt5BlocksHqSse2(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane4, hq::Kind::Dxt5>(in, count, blocks);
}
void encodeAlphaBlocksHqSse2(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane4, hq::Kind::AlphaOnly>(in, count, blocks);
}
void encodeBc4BlocksHqSse2(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane4, hq::Kind::Bc4>(in, count, blocks);
}
void encodeBc4SignedBlocksHqSse2(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane4, hq::Kind::Bc4Signed>(in, count, blocks);
}
void encodeBc5BlocksHqSse2(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane4, hq::Kind::Bc5>(in, count, blocks);
}
void encodeBc5SignedBlocksHqSse2(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane4, hq::Kind::Bc5Signed>(in, count, blocks);
}
