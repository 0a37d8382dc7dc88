// The high-quality block encoder one block at a time: the lane type is a single float, and
// this is the routine the vector variants are checked against.
#include "blocks/dxt_hq.h"

#include <cstdint>

namespace {

struct Lane1 {
    using Mask = bool;
    static constexpr int count = 1;
    float v;

    Lane1() = default;
    explicit Lane1(float x) : v(x) {}
    void store(float* p) const { *p = v; }
    // Red, green, blue and alpha of pixels first..first + 3 (loadPixels), or of pixel i, of the
    // lane's block.
    static void loadPixels(const FloatColor* const* blocks, int first, Lane1 c[16]) {
        for (int k = 0; k < 4; ++k)
            loadPixel(blocks, first + k, c + 4 * k);
    }
    static void loadPixel(const FloatColor* const* blocks, int i, Lane1 c[4]) {
        c[0] = Lane1(blocks[0][i].r);
        c[1] = Lane1(blocks[0][i].g);
        c[2] = Lane1(blocks[0][i].b);
        c[3] = Lane1(blocks[0][i].a);
    }
};

Lane1 operator+(Lane1 a, Lane1 b) {
    return Lane1(a.v + b.v);
}
Lane1 operator-(Lane1 a, Lane1 b) {
    return Lane1(a.v - b.v);
}
Lane1 operator*(Lane1 a, Lane1 b) {
    return Lane1(a.v * b.v);
}
Lane1 operator/(Lane1 a, Lane1 b) {
    return Lane1(a.v / b.v);
}
// a * b + c, rounded twice (see the AVX-512 variant).
Lane1 mulAdd(Lane1 a, Lane1 b, Lane1 c) {
    return a * b + c;
}
// The vector instructions' rules: the second operand unless the first is strictly smaller
// (or larger).
Lane1 minOf(Lane1 a, Lane1 b) {
    return a.v < b.v ? a : b;
}
Lane1 maxOf(Lane1 a, Lane1 b) {
    return a.v > b.v ? a : b;
}
bool operator<(Lane1 a, Lane1 b) {
    return a.v < b.v;
}
bool operator<=(Lane1 a, Lane1 b) {
    return a.v <= b.v;
}
bool operator>=(Lane1 a, Lane1 b) {
    return a.v >= b.v;
}
bool operator==(Lane1 a, Lane1 b) {
    return a.v == b.v;
}
Lane1 select(bool m, Lane1 a, Lane1 b) {
    return m ? a : b;
}
Lane1 keep(bool m, Lane1 a) {
    return m ? a : Lane1(0.0f);
}
bool andNot(bool a, bool b) {
    return a && !b;
}
bool any(bool m) {
    return m;
}
// Values reaching here are whole-number candidates well inside the int32 range.
Lane1 truncate(Lane1 a) {
    return Lane1(float(int32_t(a.v)));
}

} // namespace

#include "blocks/dxt_hq_kernel.h"

void encodeDxt1BlocksHqPlain(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane1, hq::Kind::Dxt1>(in, count, blocks);
}
void encodeDxt2BlocksHqPlain(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane1, hq::Kind::Dxt2>(in, count, blocks);
}
void encodeDxt3BlocksHqPlain(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane1, hq::Kind::Dxt3>(in, count, blocks);
}
void encodeDxt4BlocksHqPlain(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane1, hq::Kind::Dxt4>(in, count, blocks);
}
void encodeDxt5BlocksHqPlain(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane1, hq::Kind::Dxt5>(in, count, blocks);
}
void encodeAlphaBlocksHqPlain(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane1, hq::Kind::AlphaOnly>(in, count, blocks);
}

uint32_t dxtHqExpanded(uint32_t v, uint32_t bits) {
    const Lane1 x{float(v)};
    return uint32_t((bits == 5 ? hq::expanded<Lane1, 5>(x) : hq::expanded<Lane1, 6>(x)).v);
}
uint32_t dxtHqThird(uint32_t a, uint32_t b, uint32_t bits) {
    const Lane1 x{float(a)}, y{float(b)};
    return uint32_t((bits == 5 ? hq::third<Lane1, 5>(x, y) : hq::third<Lane1, 6>(x, y)).v);
}
uint32_t dxtHqHalf(uint32_t a, uint32_t b, uint32_t bits) {
    const Lane1 x{float(a)}, y{float(b)};
    return uint32_t((bits == 5 ? hq::half<Lane1, 5>(x, y) : hq::half<Lane1, 6>(x, y)).v);
}
uint32_t dxtHqAlphaStep(uint32_t a, uint32_t b, uint32_t step, uint32_t steps) {
    return uint32_t(hq::alphaStep(Lane1(float(a)), Lane1(float(b)), int(step), int(steps)).v);
}
void encodeBc4BlocksHqPlain(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane1, hq::Kind::Bc4>(in, count, blocks);
}
void encodeBc4SignedBlocksHqPlain(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane1, hq::Kind::Bc4Signed>(in, count, blocks);
}
void encodeBc5BlocksHqPlain(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane1, hq::Kind::Bc5>(in, count, blocks);
}
void encodeBc5SignedBlocksHqPlain(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    hq::encodeBatch<Lane1, hq::Kind::Bc5Signed>(in, count, blocks);
}
