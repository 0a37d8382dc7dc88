// Decoding of the five block formats: the colour block in its two modes, explicit and
// interpolated alpha, and the return from premultiplied colours.
#include "blocks/dxt_block.h"

#include "blocks/dxt_constants.h"

namespace {

uint32_t readLittleEndian16(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}

uint32_t readLittleEndian32(const uint8_t* p) {
    return readLittleEndian16(p) | readLittleEndian16(p + 2) << 16;
}

FloatColor expand565(uint32_t packed) {
    return {float((packed >> 11) & 0x1F) * dxt::scale5, float((packed >> 5) & 0x3F) * dxt::scale6,
            float(packed & 0x1F) * dxt::scale5, 1.0f};
}

FloatColor mix(const FloatColor& c0, const FloatColor& c1, float t) {
    return {c0.r + (c1.r - c0.r) * t, c0.g + (c1.g - c0.g) * t, c0.b + (c1.b - c0.b) * t,
            c0.a + (c1.a - c0.a) * t};
}

void decodeExplicitAlpha(const uint8_t* block, FloatColor out[16]) {
    for (int i = 0; i < 16; ++i) {
        const uint32_t nibble = (block[i / 2] >> (4 * (i & 1))) & 0xF;
        out[i].a = float(nibble) * dxt::scale4;
    }
}

void decodeInterpolatedAlpha(const uint8_t* block, FloatColor out[16]) {
    const uint32_t alpha0 = block[0], alpha1 = block[1];
    const float a0 = float(alpha0) * dxt::scale8, a1 = float(alpha1) * dxt::scale8;
    float values[8] = {a0, a1};
    if (alpha0 > alpha1) {
        for (int j = 2; j < 8; ++j)
            values[j] = (float(8 - j) * a0 + float(j - 1) * a1) * dxt::oneSeventh;
    } else {
        for (int j = 2; j < 6; ++j)
            values[j] = (float(6 - j) * a0 + float(j - 1) * a1) * dxt::oneFifth;
        values[6] = 0.0f;
        values[7] = 1.0f;
    }
    uint64_t indices = 0;
    for (int i = 0; i < 6; ++i)
        indices |= uint64_t(block[2 + i]) << (8 * i);
    for (int i = 0; i < 16; ++i)
        out[i].a = values[(indices >> (3 * i)) & 7];
}

} // namespace

void decodeColorBlock(const uint8_t* block, FloatColor out[16]) {
    const uint32_t color0 = readLittleEndian16(block), color1 = readLittleEndian16(block + 2);
    FloatColor palette[4] = {expand565(color0), expand565(color1)};
    if (color0 > color1) {
        palette[2] = mix(palette[0], palette[1], dxt::oneThird);
        palette[3] = mix(palette[0], palette[1], dxt::twoThirds);
    } else {
        palette[2] = mix(palette[0], palette[1], 0.5f);
        palette[3] = {0.0f, 0.0f, 0.0f, 0.0f};
    }
    const uint32_t indices = readLittleEndian32(block + 4);
    for (int i = 0; i < 16; ++i)
        out[i] = palette[(indices >> (2 * i)) & 3];
}

void unpremultiplyAlpha(FloatColor values[16]) {
    for (int i = 0; i < 16; ++i) {
        FloatColor& c = values[i];
        if (!(c.a > 0.0f)) {
            c.r = c.g = c.b = 0.0f;
        } else if (c.a < 1.0f) {
            c.r = c.r < c.a ? c.r / c.a : 1.0f;
            c.g = c.g < c.a ? c.g / c.a : 1.0f;
            c.b = c.b < c.a ? c.b / c.a : 1.0f;
        }
    }
}

void decodeDxt1Block(const uint8_t* block, FloatColor out[16]) {
    decodeColorBlock(block, out);
}

void decodeDxt2Block(const uint8_t* block, FloatColor out[16]) {
    decodeDxt3Block(block, out);
    unpremultiplyAlpha(out);
}

void decodeDxt3Block(const uint8_t* block, FloatColor out[16]) {
    decodeColorBlock(block + 8, out);
    decodeExplicitAlpha(block, out);
}

void decodeDxt4Block(const uint8_t* block, FloatColor out[16]) {
    decodeDxt5Block(block, out);
    unpremultiplyAlpha(out);
}

void decodeDxt5Block(const uint8_t* block, FloatColor out[16]) {
    decodeColorBlock(block + 8, out);
    decodeInterpolatedAlpha(block, out);
}
