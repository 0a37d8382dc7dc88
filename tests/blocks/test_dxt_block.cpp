// The block codec: hand-made blocks decoded in both colour and both alpha modes, the bytes the
// encoder writes for blocks whose result is known, and its invariants on random blocks.
#include "blit/pixel_format.h"
#include "blocks/dxt_block.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

using Block = std::array<FloatColor, 16>;
using Bytes = std::vector<uint8_t>;

constexpr float r5 = 0.032258064f; // 1 / 31
constexpr float g6 = 0.015873017f; // 1 / 63

FloatColor colorOf565(uint32_t packed, float alpha = 1.0f) {
    return {float(packed >> 11) * r5, float((packed >> 5) & 0x3F) * g6, float(packed & 0x1F) * r5,
            alpha};
}

Block uniform(const FloatColor& c) {
    Block block;
    block.fill(c);
    return block;
}

Bytes encode(PixelFormat format, const Block& in) {
    const BlockFormat& row = *findBlockFormat(format);
    Bytes out(row.blockBytes, 0xCC);
    row.encode(in.data(), out.data());
    return out;
}

Block decode(PixelFormat format, const Bytes& bytes) {
    Block out;
    findBlockFormat(format)->decode(bytes.data(), out.data());
    return out;
}

uint32_t word16(const uint8_t* p) {
    return p[0] | p[1] << 8;
}

uint32_t colorIndices(const uint8_t* colorBlock) {
    return colorBlock[4] | colorBlock[5] << 8 | colorBlock[6] << 16 | uint32_t(colorBlock[7]) << 24;
}

Block randomBlock(std::mt19937& random, bool withAlpha) {
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    Block block;
    // Half the blocks follow a line between two colours, as most picture blocks do.
    const bool line = random() % 2 == 0;
    const FloatColor a = {unit(random), unit(random), unit(random), unit(random)};
    const FloatColor b = {unit(random), unit(random), unit(random), unit(random)};
    for (FloatColor& c : block) {
        if (line) {
            const float t = unit(random);
            c = {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
                 a.a + (b.a - a.a) * t};
        } else {
            c = {unit(random), unit(random), unit(random), unit(random)};
        }
        if (!withAlpha)
            c.a = 1.0f;
    }
    return block;
}

} // namespace

TEST(DxtBlockDecodeTest, ColorBlockInBothModes) {
    const FloatColor red = colorOf565(0xF800), blue = colorOf565(0x001F);
    // color0 > color1: four colours; pixels 0..3 take indices 0..3, the rest index 0.
    Block out = decode(D3DFMT_DXT1, {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0x00, 0x00, 0x00});
    EXPECT_EQ(out[0], red);
    EXPECT_EQ(out[1], blue);
    EXPECT_EQ(out[2], (FloatColor{red.r + (blue.r - red.r) * 0.33333334f, 0.0f,
                                  (blue.b - red.b) * 0.33333334f, 1.0f}));
    EXPECT_EQ(out[3], (FloatColor{red.r + (blue.r - red.r) * 0.6666667f, 0.0f,
                                  (blue.b - red.b) * 0.6666667f, 1.0f}));
    EXPECT_EQ(out[15], red);
    // color0 <= color1: three colours and transparent black.
    out = decode(D3DFMT_DXT1, {0x1F, 0x00, 0x00, 0xF8, 0xE4, 0x00, 0x00, 0x00});
    EXPECT_EQ(out[2], (FloatColor{0.5f, 0.0f, 0.5f, 1.0f}));
    EXPECT_EQ(out[3], (FloatColor{0.0f, 0.0f, 0.0f, 0.0f}));
    // The same rule holds for the colour half of DXT3; index 3 keeps the explicit alpha.
    out = decode(D3DFMT_DXT3, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x1F, 0x00, 0x00,
                               0xF8, 0xE4, 0x00, 0x00, 0x00});
    EXPECT_EQ(out[3], (FloatColor{0.0f, 0.0f, 0.0f, 15 * 0.06666667f}));
}

TEST(DxtBlockDecodeTest, ExplicitAndInterpolatedAlpha) {
    const Bytes white = {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00};
    Bytes dxt3 = {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE};
    dxt3.insert(dxt3.end(), white.begin(), white.end());
    const Block explicitAlpha = decode(D3DFMT_DXT3, dxt3);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(explicitAlpha[i].a, float(i) * 0.06666667f) << i;

    // alpha0 = 255 > alpha1 = 0: eight values; pixels take indices 0, 1, 2, 7, then 0.
    Bytes dxt5 = {255, 0, 0x88, 0x0E, 0x00, 0x00, 0x00, 0x00};
    dxt5.insert(dxt5.end(), white.begin(), white.end());
    const float a0 = 255 * 0.003921569f;
    Block out = decode(D3DFMT_DXT5, dxt5);
    EXPECT_EQ(out[0].a, a0);
    EXPECT_EQ(out[1].a, 0.0f);
    EXPECT_EQ(out[2].a, (6.0f * a0) * 0.14285715f);
    EXPECT_EQ(out[3].a, (1.0f * a0) * 0.14285715f);
    EXPECT_EQ(out[4].a, a0);
    // alpha0 <= alpha1: six values, then 0 and 1.
    dxt5[0] = 0;
    dxt5[1] = 255;
    out = decode(D3DFMT_DXT5, dxt5);
    EXPECT_EQ(out[2].a, (1.0f * a0) * 0.2f);
    EXPECT_EQ(out[3].a, 1.0f);
    dxt5[2] = 0x06; // pixel 0 takes index 6
    EXPECT_EQ(decode(D3DFMT_DXT5, dxt5)[0].a, 0.0f);
}

TEST(DxtBlockDecodeTest, PremultipliedFormatsDivideByAlpha) {
    // Explicit alpha 0.5 is not a nibble value, so use alpha 8/15 and red values around it.
    const float half = 8 * 0.06666667f;
    // Red 8 of 31 (below alpha) and 31 (above it) as colour 0 and 1, alpha 8 on every pixel.
    Bytes dxt2 = {0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88,
                  0x00, 0xF8, 0x00, 0x40, 0x04, 0x00, 0x00, 0x00};
    const Block out = decode(D3DFMT_DXT2, dxt2);
    EXPECT_EQ(out[0].r, 1.0f);            // 31/31 is not below alpha
    EXPECT_EQ(out[1].r, (8 * r5) / half); // 8/31 below alpha: divided
    EXPECT_EQ(out[1].g, 0.0f);
    EXPECT_EQ(out[1].a, half);
    // Alpha 0 turns the colour black; alpha 1 leaves it.
    Block values = {};
    values[0] = {0.25f, 0.75f, 0.5f, 0.5f};
    values[1] = {0.3f, 0.3f, 0.3f, 0.0f};
    values[2] = {0.3f, 0.6f, 0.9f, 1.0f};
    unpremultiplyAlpha(values.data());
    EXPECT_EQ(values[0], (FloatColor{0.5f, 1.0f, 1.0f, 0.5f}));
    EXPECT_EQ(values[1], (FloatColor{0.0f, 0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(values[2], (FloatColor{0.3f, 0.6f, 0.9f, 1.0f}));
}

TEST(DxtBlockEncodeTest, BlocksWithAKnownResult) {
    // All transparent.
    EXPECT_EQ(encode(D3DFMT_DXT1, uniform({0.3f, 0.6f, 0.9f, 0.2f})),
              (Bytes{0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(decode(D3DFMT_DXT1, {0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}),
              uniform({0.0f, 0.0f, 0.0f, 0.0f}));
    // Two colours of the 5:6:5 grid, red rows and blue rows: the endpoints are exact, red
    // first (color0 > color1), rows 1 and 3 take index 1.
    Block rows;
    for (int i = 0; i < 16; ++i)
        rows[i] = colorOf565((i / 4) % 2 == 0 ? 0xF800 : 0x001F);
    EXPECT_EQ(encode(D3DFMT_DXT1, rows), (Bytes{0x00, 0xF8, 0x1F, 0x00, 0x00, 0x55, 0x00, 0x55}));
    // DXT5 with all alpha 1; the colour half as above.
    EXPECT_EQ(encode(D3DFMT_DXT5, rows), (Bytes{0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0x00, 0xF8, 0x1F,
                                                0x00, 0x00, 0x55, 0x00, 0x55}));
    // Explicit alpha of a nibble value is stored exactly.
    const Bytes dxt3 = encode(D3DFMT_DXT3, uniform(colorOf565(0x07E0, 5 * 0.06666667f)));
    EXPECT_EQ(dxt3, (Bytes{0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0xE0, 0x07, 0xE0, 0x07,
                           0, 0, 0, 0}));
}

TEST(DxtBlockEncodeTest, UniformOpaqueBlocksAreExactForEvery565Value) {
    for (uint32_t v = 0; v < 0x10000; ++v) {
        const Bytes bytes = encode(D3DFMT_DXT5, uniform(colorOf565(v)));
        ASSERT_EQ(word16(&bytes[8]), v);
        ASSERT_EQ(word16(&bytes[10]), v);
        ASSERT_EQ(colorIndices(&bytes[8]), 0u) << v;
    }
}

TEST(DxtBlockEncodeTest, TransparentPixelsOfDxt1TakeIndexThree) {
    std::mt19937 random(7);
    for (int n = 0; n < 2000; ++n) {
        Block block = randomBlock(random, true);
        // At least one pixel on either side of 0.5.
        block[n % 16].a = 0.9f;
        block[(n * 7 + 3) % 16].a = 0.1f;
        const Bytes bytes = encode(D3DFMT_DXT1, block);
        ASSERT_LE(word16(&bytes[0]), word16(&bytes[2]));
        const uint32_t indices = colorIndices(bytes.data());
        const Block out = decode(D3DFMT_DXT1, bytes);
        for (int i = 0; i < 16; ++i) {
            const bool transparent = block[i].a < 0.5f;
            ASSERT_EQ(((indices >> (2 * i)) & 3) == 3, transparent) << n << " pixel " << i;
            if (transparent) {
                ASSERT_EQ(out[i], (FloatColor{0.0f, 0.0f, 0.0f, 0.0f}));
            }
        }
    }
}

TEST(DxtBlockEncodeTest, FourColourBlocksPutTheLargerColourFirst) {
    std::mt19937 random(11);
    for (PixelFormat format : {D3DFMT_DXT1, D3DFMT_DXT2, D3DFMT_DXT3, D3DFMT_DXT4, D3DFMT_DXT5}) {
        for (int n = 0; n < 1000; ++n) {
            const Block block = randomBlock(random, format != D3DFMT_DXT1);
            const Bytes bytes = encode(format, block);
            const uint8_t* colors = &bytes[bytes.size() - 8];
            const uint32_t color0 = word16(colors), color1 = word16(colors + 2);
            ASSERT_TRUE(color0 > color1 || (color0 == color1 && colorIndices(colors) == 0))
                << format << " block " << n;
        }
    }
}

TEST(DxtBlockEncodeTest, InterpolatedAlphaModes) {
    // Alpha 0 and 0.5: six values, the zero pixels on index 6.
    Block block = uniform({0.5f, 0.5f, 0.5f, 0.5f});
    for (int i = 0; i < 16; i += 3)
        block[i].a = 0.0f;
    const Bytes bytes = encode(D3DFMT_DXT5, block);
    EXPECT_LE(bytes[0], bytes[1]);
    uint64_t indices = 0;
    for (int i = 0; i < 6; ++i)
        indices |= uint64_t(bytes[2 + i]) << (8 * i);
    const Block out = decode(D3DFMT_DXT5, bytes);
    for (int i = 0; i < 16; ++i) {
        const uint64_t index = (indices >> (3 * i)) & 7;
        EXPECT_EQ(index == 6, i % 3 == 0) << i;
        EXPECT_NE(index, 7u) << i;
        EXPECT_NEAR(out[i].a, block[i].a, 1.0f / 255) << i;
    }
    // Values strictly inside (0, 1): eight values, alpha0 > alpha1.
    for (int i = 0; i < 16; ++i)
        block[i].a = 0.2f + 0.04f * float(i);
    const Bytes ramp = encode(D3DFMT_DXT5, block);
    EXPECT_GT(ramp[0], ramp[1]);
    const Block rampOut = decode(D3DFMT_DXT5, ramp);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(rampOut[i].a, block[i].a, 0.04f) << i;
}

TEST(DxtBlockEncodeTest, ExplicitAlphaDiffusesItsError) {
    // 0.5 lies between nibbles 7 and 8; diffusion mixes both and keeps the block's mean.
    const Bytes bytes = encode(D3DFMT_DXT3, uniform({0.0f, 0.0f, 0.0f, 0.5f}));
    const Block out = decode(D3DFMT_DXT3, bytes);
    int sevens = 0, eights = 0;
    float sum = 0.0f;
    for (const FloatColor& c : out) {
        sevens += c.a == 7 * 0.06666667f;
        eights += c.a == 8 * 0.06666667f;
        sum += c.a;
    }
    EXPECT_EQ(sevens + eights, 16);
    EXPECT_GT(sevens, 0);
    EXPECT_GT(eights, 0);
    EXPECT_NEAR(sum / 16, 0.5f, 1.0f / 30);
}

TEST(DxtBlockEncodeTest, AlphaRefinementTowardsTheFitLowersTheError) {
    std::mt19937 random(3);
    double towards = 0.0, away = 0.0;
    for (int n = 0; n < 3000; ++n) {
        const Block block = randomBlock(random, true);
        for (AlphaStep step : {AlphaStep::TowardsFit, AlphaStep::AwayFromFit}) {
            uint8_t alpha[8];
            encodeInterpolatedAlpha(block.data(), alpha, step);
            Bytes bytes(alpha, alpha + 8);
            bytes.insert(bytes.end(), {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0});
            const Block out = decode(D3DFMT_DXT5, bytes);
            double error = 0.0;
            for (int i = 0; i < 16; ++i)
                error += double(out[i].a - block[i].a) * (out[i].a - block[i].a);
            (step == AlphaStep::TowardsFit ? towards : away) += error;
        }
    }
    std::printf("alpha squared error on random blocks: towards the fit %.4f, away %.4f\n", towards,
                away);
    EXPECT_LT(towards, away * 0.9);
}

TEST(DxtBlockEncodeTest, OutOfRangeInputStaysInsideTheFields) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Block wild = {{{3.0f, -2.0f, 0.5f, 7.0f},
                         {nan, 0.5f, 0.5f, -4.0f},
                         {1e30f, -1e30f, nan, nan},
                         {1.02f, -0.02f, 0.5f, 1.02f}}};
    for (PixelFormat format : {D3DFMT_DXT1, D3DFMT_DXT2, D3DFMT_DXT3, D3DFMT_DXT4, D3DFMT_DXT5}) {
        const Block out = decode(format, encode(format, wild));
        for (const FloatColor& c : out) {
            for (float v : {c.r, c.g, c.b, c.a})
                EXPECT_TRUE(v >= 0.0f && v <= 1.0f) << format;
        }
    }
    // Just above 1 on every channel still comes out as white.
    const Bytes white = encode(D3DFMT_DXT1, uniform({1.01f, 1.01f, 1.01f, 1.0f}));
    EXPECT_EQ(word16(white.data()), 0xFFFFu);
}
