// The one- and two-channel block formats: hand-made blocks of both modes decoded against
// values worked out here, blocks of one or two values encoded exactly, the signed ends, and
// the encoder's error on the photographs against the plain extremes-and-nearest encoding.
#include "blocks/bc45_block.h"
#include "blocks/block_format.h"
#include "tests/support/photos.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

namespace {

// An 8-byte interpolated block with its endpoint bytes and pixel i on index indices[i].
std::array<uint8_t, 8> channelBlock(uint8_t e0, uint8_t e1, const std::array<int, 16>& indices) {
    std::array<uint8_t, 8> block = {e0, e1};
    uint64_t bits = 0;
    for (int i = 0; i < 16; ++i)
        bits |= uint64_t(indices[i]) << (3 * i);
    for (int i = 0; i < 6; ++i)
        block[2 + i] = uint8_t(bits >> (8 * i));
    return block;
}

constexpr std::array<int, 16> everyIndexTwice = {0, 1, 2, 3, 4, 5, 6, 7, 7, 6, 5, 4, 3, 2, 1, 0};

// The value of index k for endpoints a and b (already in their range) in eight- or six-step
// mode, from the format's definition, in double precision.
double expectedValue(double a, double b, bool eight, double low, int k) {
    if (k == 0)
        return a;
    if (k == 1)
        return b;
    if (eight)
        return ((8 - k) * a + (k - 1) * b) / 7.0;
    if (k < 6)
        return ((6 - k) * a + (k - 1) * b) / 5.0;
    return k == 6 ? low : 1.0;
}

FloatColor grey(float v) {
    return {v, v, v, 1.0f};
}

} // namespace

TEST(Bc45DecodeTest, UnsignedBlocksInBothModesGiveGrey) {
    for (const auto& [e0, e1] : {std::pair{200, 100}, std::pair{40, 230}, std::pair{255, 0}}) {
        const auto block = channelBlock(uint8_t(e0), uint8_t(e1), everyIndexTwice);
        FloatColor out[16];
        decodeBc4Block(block.data(), out);
        for (int i = 0; i < 16; ++i) {
            const double want =
                expectedValue(e0 / 255.0, e1 / 255.0, e0 > e1, 0.0, everyIndexTwice[i]);
            EXPECT_NEAR(out[i].r, want, 1e-6) << e0 << " " << e1 << " pixel " << i;
            EXPECT_EQ(out[i].g, out[i].r);
            EXPECT_EQ(out[i].b, out[i].r);
            EXPECT_EQ(out[i].a, 1.0f);
        }
    }
}

TEST(Bc45DecodeTest, SignedBlocksReadTwosComplementOver127) {
    // 64 > -64 as signed bytes: eight steps, although 0xC0 > 0x40 unsigned. -128 reads as -1,
    // like -127, and is smaller than 127: six steps with -1 and 1 apart.
    struct Case {
        uint8_t e0, e1;
        double a, b;
        bool eight;
    };
    const Case cases[] = {{0x40, 0xC0, 64 / 127.0, -64 / 127.0, true},
                          {0x80, 0x7F, -1.0, 1.0, false},
                          {0x81, 0x10, -1.0, 16 / 127.0, false}};
    for (const Case& c : cases) {
        const auto block = channelBlock(c.e0, c.e1, everyIndexTwice);
        FloatColor out[16];
        decodeBc4SignedBlock(block.data(), out);
        for (int i = 0; i < 16; ++i) {
            const double want = expectedValue(c.a, c.b, c.eight, -1.0, everyIndexTwice[i]);
            EXPECT_NEAR(out[i].r, want, 1e-6) << int(c.e0) << " pixel " << i;
            EXPECT_EQ(out[i].g, 0.0f);
            EXPECT_EQ(out[i].b, 0.0f);
            EXPECT_EQ(out[i].a, 1.0f);
        }
    }
}

TEST(Bc45DecodeTest, TwoChannelBlocksHoldRedThenGreen) {
    std::array<int, 16> reversed;
    for (int i = 0; i < 16; ++i)
        reversed[i] = everyIndexTwice[15 - i];
    const auto red = channelBlock(10, 250, everyIndexTwice);
    const auto green = channelBlock(0xF0, 0x20, reversed); // -16 < 32 signed: six steps
    uint8_t block[16];
    std::copy(red.begin(), red.end(), block);
    std::copy(green.begin(), green.end(), block + 8);
    FloatColor out[16], outSigned[16];
    decodeBc5Block(block, out);
    decodeBc5SignedBlock(block, outSigned);
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(out[i].r, expectedValue(10 / 255.0, 250 / 255.0, false, 0.0, everyIndexTwice[i]),
                    1e-6);
        EXPECT_NEAR(out[i].g, expectedValue(240 / 255.0, 32 / 255.0, true, 0.0, reversed[i]), 1e-6);
        EXPECT_NEAR(outSigned[i].r,
                    expectedValue(10 / 127.0, -6 / 127.0, true, -1.0, everyIndexTwice[i]), 1e-6);
        EXPECT_NEAR(outSigned[i].g, expectedValue(-16 / 127.0, 32 / 127.0, false, -1.0, reversed[i]),
                    1e-6);
        EXPECT_EQ(out[i].b, 0.0f);
        EXPECT_EQ(outSigned[i].b, 0.0f);
        EXPECT_EQ(out[i].a, 1.0f);
    }
}

TEST(Bc45EncodeTest, OneOrTwoValuesAreStoredExactly) {
    // One grey: both endpoints, every index 0.
    FloatColor in[16];
    for (FloatColor& c : in)
        c = grey(0.4f);
    uint8_t block[16];
    encodeBc4Block(in, block);
    EXPECT_EQ(std::vector<uint8_t>(block, block + 8), (std::vector<uint8_t>{102, 102, 0, 0, 0, 0, 0, 0}));
    // Two values: eight steps (larger first), each pixel on its endpoint.
    for (int i = 0; i < 16; ++i)
        in[i] = grey(i % 3 == 0 ? 30 / 255.0f : 220 / 255.0f);
    encodeBc4Block(in, block);
    EXPECT_EQ(block[0], 220);
    EXPECT_EQ(block[1], 30);
    FloatColor out[16];
    decodeBc4Block(block, out);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(std::lround(out[i].r * 255.0f), i % 3 == 0 ? 30 : 220) << i;
    // Signed ends: -1 and 1 as 0x81 and 0x7F, decoded exactly.
    for (int i = 0; i < 16; ++i)
        in[i] = {i % 2 == 0 ? -1.0f : 1.0f, i < 8 ? 1.0f : -1.0f, 0.0f, 1.0f};
    encodeBc5SignedBlock(in, block);
    EXPECT_EQ(block[0], 0x7F);
    EXPECT_EQ(block[1], 0x81);
    EXPECT_EQ(block[8], 0x7F);
    EXPECT_EQ(block[9], 0x81);
    decodeBc5SignedBlock(block, out);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(out[i].r, in[i].r) << i;
        EXPECT_EQ(out[i].g, in[i].g) << i;
    }
}

TEST(Bc45EncodeTest, SignedRampsStayWithinHalfAStep) {
    // Sixteen values evenly from a to b: the encoder's steps fall within half a step of them,
    // plus the rounding of the endpoints to 1/127.
    for (const auto& [a, b] : {std::pair{-0.9f, 0.7f}, std::pair{0.2f, 0.25f},
                               std::pair{-1.0f, -0.3f}}) {
        FloatColor in[16];
        for (int i = 0; i < 16; ++i)
            in[i] = {a + (b - a) * float(i) / 15.0f, 0.0f, 0.0f, 1.0f};
        uint8_t block[8];
        encodeBc4SignedBlock(in, block);
        FloatColor out[16];
        decodeBc4SignedBlock(block, out);
        const float bound = std::fabs(b - a) / 14.0f + 1.5f / 127.0f;
        for (int i = 0; i < 16; ++i)
            EXPECT_LE(std::fabs(out[i].r - in[i].r), bound) << a << " " << b << " pixel " << i;
    }
}

TEST(Bc45EncodeTest, GreenChannelOfThePhotosBeatsExtremesAndNearest) {
    std::vector<test_support::Photo> photos;
    ASSERT_TRUE(test_support::loadRealPhotos(&photos));
    std::vector<FloatColor> all, blocks;
    for (const test_support::Photo& photo : photos)
        test_support::appendBlocks(photo, false, &all);
    // The green channel of every fourth block as a grey picture, as the one-channel format
    // stores it.
    for (size_t n = 0; n < all.size() / 16; n += 4) {
        for (int i = 0; i < 16; ++i)
            blocks.push_back(grey(all[n * 16 + i].g));
    }
    const uint32_t count = uint32_t(blocks.size() / 16);
    std::vector<uint8_t> encoded(size_t(count) * 8);
    findBlockFormat(BlockFormatBc4)->encodeHqPlainBatch(blocks.data(), count, encoded.data());
    double searched = 0.0, simple = 0.0;
    for (uint32_t n = 0; n < count; ++n) {
        const FloatColor* in = &blocks[size_t(n) * 16];
        FloatColor out[16];
        decodeBc4Block(&encoded[size_t(n) * 8], out);
        // The plain encoding: the extremes as endpoints, each value on its nearest step.
        float low = 1.0f, high = 0.0f;
        for (int i = 0; i < 16; ++i) {
            low = std::min(low, in[i].g);
            high = std::max(high, in[i].g);
        }
        const double lo = std::lround(low * 255.0f), hi = std::lround(high * 255.0f);
        for (int i = 0; i < 16; ++i) {
            const double v = in[i].g * 255.0;
            double best = 1e9;
            for (int k = 0; k < 8; ++k) {
                const double step = std::lround(lo + (hi - lo) * k / 7.0);
                best = std::min(best, (v - step) * (v - step));
            }
            simple += best;
            const double d = v - double(out[i].r) * 255.0;
            searched += d * d;
        }
    }
    // The search must come out clearly ahead (about 1.5 dB on these photographs).
    EXPECT_LT(searched, simple * 0.85) << searched << " against " << simple;
}
