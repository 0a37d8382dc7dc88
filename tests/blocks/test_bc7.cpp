// The BC7 codec: hand-made blocks of every mode against texels worked out here from the
// published layout and tables, and the encoder's levels on random blocks and on the real
// photographs (valid blocks, opaque kept opaque, alpha kept, the same bytes twice, the quality
// each level reaches).
#include "blocks/bc7.h"
#include "tests/support/photos.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

namespace {

using Texel = std::array<uint32_t, 4>;
using Texels = std::array<Texel, 16>;

// The published interpolation weights and the rounding of an interpolated value.
const uint32_t weights2[4] = {0, 21, 43, 64};
const uint32_t weights3[8] = {0, 9, 18, 27, 37, 46, 55, 64};
const uint32_t weights4[16] = {0, 4, 9, 13, 17, 21, 26, 30, 34, 38, 43, 47, 51, 55, 60, 64};

uint32_t mix(uint32_t e0, uint32_t e1, uint32_t weight) {
    return ((64 - weight) * e0 + weight * e1 + 32) >> 6;
}

// Bits appended from the lowest bit of byte 0, as the format stores its fields.
class Bits {
public:
    Bits& put(uint32_t value, uint32_t count) {
        for (uint32_t i = 0; i < count; ++i, ++position_)
            bytes_[position_ / 8] |= uint8_t((value >> i & 1) << (position_ % 8));
        return *this;
    }
    const uint8_t* block() {
        EXPECT_EQ(position_, 128u) << "a hand-made block must fill its 128 bits";
        return bytes_;
    }

private:
    uint8_t bytes_[16] = {};
    uint32_t position_ = 0;
};

Texels decoded(const uint8_t* block) {
    uint8_t out[16][4];
    decodeBc7BlockBytes(block, out);
    Texels texels;
    for (uint32_t i = 0; i < 16; ++i)
        texels[i] = {out[i][0], out[i][1], out[i][2], out[i][3]};
    return texels;
}

void expectTexels(const Texels& actual, const Texels& expected, const char* what) {
    for (uint32_t i = 0; i < 16; ++i) {
        for (uint32_t c = 0; c < 4; ++c)
            EXPECT_EQ(actual[i][c], expected[i][c]) << what << ": pixel " << i << " channel " << c;
    }
}

} // namespace

// Mode 6: one subset, 7-bit RGBA endpoints with a p-bit each, 4-bit indices (pixel 0's 3 bits).
TEST(Bc7DecodeTest, ModeSixInterpolatesSixteenStepsWithItsPBits) {
    const uint32_t e0[4] = {10, 100, 0, 127}, e1[4] = {90, 20, 127, 64};
    Bits bits;
    bits.put(1u << 6, 7);
    for (uint32_t c = 0; c < 4; ++c)
        bits.put(e0[c], 7).put(e1[c], 7);
    bits.put(1, 1).put(0, 1); // p-bits: endpoint 0 odd, endpoint 1 even
    for (uint32_t i = 0; i < 16; ++i)
        bits.put(i == 0 ? 3 : 15 - i, i == 0 ? 3 : 4);
    Texels expected;
    for (uint32_t i = 0; i < 16; ++i) {
        const uint32_t index = i == 0 ? 3 : 15 - i;
        for (uint32_t c = 0; c < 4; ++c)
            expected[i][c] = mix(e0[c] * 2 + 1, e1[c] * 2, weights4[index]);
    }
    expectTexels(decoded(bits.block()), expected, "mode 6");
    // Spot values worked by hand: pixel 0 (index 3, weight 13) red ((51 * 21 + 13 * 180 + 32)
    // >> 6) = 53; pixel 15 (index 0) alpha 255.
    EXPECT_EQ(expected[0][0], 53u);
    EXPECT_EQ(expected[15][3], 255u);
}

// Mode 1: two subsets of partition 13 (the top two rows, then the bottom two), 6-bit RGB with one
// p-bit shared by each subset's endpoints, 3-bit indices; the anchor of subset 1 is pixel 15.
TEST(Bc7DecodeTest, ModeOneSharesAPBitPerSubsetAndDropsTheAnchorBits) {
    const uint32_t subsetOf[16] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1};
    const uint32_t ends[2][2][3] = {{{0, 10, 63}, {63, 20, 0}}, {{5, 6, 7}, {40, 50, 60}}};
    const uint32_t shared[2] = {1, 0};
    const uint32_t index[16] = {3, 0, 7, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3, 4, 2};
    Bits bits;
    bits.put(1u << 1, 2).put(13, 6);
    for (uint32_t c = 0; c < 3; ++c) {
        for (uint32_t s = 0; s < 2; ++s)
            bits.put(ends[s][0][c], 6).put(ends[s][1][c], 6);
    }
    bits.put(shared[0], 1).put(shared[1], 1);
    for (uint32_t i = 0; i < 16; ++i)
        bits.put(index[i], i == 0 || i == 15 ? 2 : 3);
    Texels expected;
    for (uint32_t i = 0; i < 16; ++i) {
        const uint32_t s = subsetOf[i];
        for (uint32_t c = 0; c < 3; ++c) {
            // 7 bits widened to 8 by repeating the top bit.
            const uint32_t a = ends[s][0][c] * 2 + shared[s], b = ends[s][1][c] * 2 + shared[s];
            expected[i][c] = mix(a << 1 | a >> 6, b << 1 | b >> 6, weights3[index[i]]);
        }
        expected[i][3] = 255;
    }
    expectTexels(decoded(bits.block()), expected, "mode 1");
}

// Modes 0 and 2: three subsets. Mode 0 has 4 partition bits, 4-bit RGB and a p-bit per endpoint
// (5 bits widened to 8); mode 2 has 6 partition bits and 5-bit RGB. Partition 8 is the top two
// rows, the third row, the bottom row (anchors 0, 8, 15); partition 20 of mode 2 is the first
// column, then the rest of the top two rows and of the bottom two (anchors 0, 3, 15).
TEST(Bc7DecodeTest, ThreeSubsetModesFollowTheirPartitionsAndAnchors) {
    struct Case {
        uint32_t mode, partition, colorBits, pBits, indexBits;
        uint32_t subsetOf[16];
        uint32_t anchors[3];
    };
    const Case cases[] = {
        {0, 8, 4, 1, 3, {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2}, {0, 8, 15}},
        {2, 20, 5, 0, 2, {0, 1, 1, 1, 0, 1, 1, 1, 0, 2, 2, 2, 0, 2, 2, 2}, {0, 3, 15}},
    };
    for (const Case& c : cases) {
        std::mt19937 random(c.mode);
        const uint32_t top = (1u << c.colorBits) - 1;
        uint32_t ends[3][2][3], p[3][2] = {}, index[16];
        for (auto& subset : ends) {
            for (auto& end : subset) {
                for (uint32_t& v : end)
                    v = random() % (top + 1);
            }
        }
        Bits bits;
        bits.put(1u << c.mode, c.mode + 1).put(c.partition, c.mode == 0 ? 4 : 6);
        for (uint32_t ch = 0; ch < 3; ++ch) {
            for (uint32_t s = 0; s < 3; ++s)
                bits.put(ends[s][0][ch], c.colorBits).put(ends[s][1][ch], c.colorBits);
        }
        for (uint32_t s = 0; s < 3 && c.pBits; ++s) {
            p[s][0] = s & 1;
            p[s][1] = (s + 1) & 1;
            bits.put(p[s][0], 1).put(p[s][1], 1);
        }
        for (uint32_t i = 0; i < 16; ++i) {
            const bool anchor = c.anchors[c.subsetOf[i]] == i;
            index[i] = random() % (1u << (c.indexBits - anchor));
            bits.put(index[i], c.indexBits - anchor);
        }
        Texels expected;
        const uint32_t width = c.colorBits + c.pBits; // 5 in both modes
        for (uint32_t i = 0; i < 16; ++i) {
            const uint32_t s = c.subsetOf[i];
            for (uint32_t ch = 0; ch < 3; ++ch) {
                const uint32_t a = ends[s][0][ch] << c.pBits | p[s][0];
                const uint32_t b = ends[s][1][ch] << c.pBits | p[s][1];
                ASSERT_EQ(width, 5u);
                const uint32_t weight = (c.indexBits == 3 ? weights3 : weights2)[index[i]];
                expected[i][ch] = mix(a << 3 | a >> 2, b << 3 | b >> 2, weight);
            }
            expected[i][3] = 255;
        }
        expectTexels(decoded(bits.block()), expected, c.mode == 0 ? "mode 0" : "mode 2");
    }
}

// Modes 3 and 7: two subsets of partition 34 (a checkerboard: rows 0101, 1010, 0101, 1010),
// whose second subset's anchor is pixel 6 by the table, not its first pixel. Mode 3: 7-bit RGB
// and a p-bit per endpoint (8 bits); mode 7: 5-bit RGBA and a p-bit per endpoint (6 bits).
TEST(Bc7DecodeTest, TwoSubsetModesWithPBitsPerEndpoint) {
    const uint32_t subsetOf[16] = {0, 1, 0, 1, 1, 0, 1, 0, 0, 1, 0, 1, 1, 0, 1, 0};
    for (const uint32_t mode : {3u, 7u}) {
        const uint32_t colorBits = mode == 3 ? 7 : 5, alphaBits = mode == 3 ? 0 : 5;
        std::mt19937 random(mode);
        uint32_t ends[2][2][4] = {}, p[2][2], index[16];
        Bits bits;
        bits.put(1u << mode, mode + 1).put(34, 6);
        for (uint32_t c = 0; c < 4; ++c) {
            const uint32_t width = c < 3 ? colorBits : alphaBits;
            for (uint32_t s = 0; s < 2 && width; ++s) {
                for (uint32_t e = 0; e < 2; ++e) {
                    ends[s][e][c] = random() % (1u << width);
                    bits.put(ends[s][e][c], width);
                }
            }
        }
        for (uint32_t s = 0; s < 2; ++s) {
            for (uint32_t e = 0; e < 2; ++e) {
                p[s][e] = random() & 1;
                bits.put(p[s][e], 1);
            }
        }
        const uint32_t anchors[2] = {0, 6};
        for (uint32_t i = 0; i < 16; ++i) {
            const bool isAnchor = anchors[subsetOf[i]] == i;
            index[i] = random() % (isAnchor ? 2 : 4);
            bits.put(index[i], 2 - isAnchor);
        }
        Texels expected;
        for (uint32_t i = 0; i < 16; ++i) {
            const uint32_t s = subsetOf[i];
            for (uint32_t c = 0; c < 4; ++c) {
                const uint32_t width = (c < 3 ? colorBits : alphaBits) + 1;
                if (width == 1) {
                    expected[i][c] = 255;
                    continue;
                }
                uint32_t a = ends[s][0][c] << 1 | p[s][0], b = ends[s][1][c] << 1 | p[s][1];
                if (width == 6) {
                    a = a << 2 | a >> 4;
                    b = b << 2 | b >> 4;
                }
                expected[i][c] = mix(a, b, weights2[index[i]]);
            }
        }
        expectTexels(decoded(bits.block()), expected, mode == 3 ? "mode 3" : "mode 7");
    }
}

// Modes 4 and 5: colour and alpha with index sets of their own, the rotation trading alpha with
// one colour channel after interpolation, and mode 4's selector giving colour the 3-bit set.
TEST(Bc7DecodeTest, SeparateAlphaModesRotateAndSelectTheirIndices) {
    for (const uint32_t mode : {4u, 5u}) {
        for (uint32_t rotation = 0; rotation < 4; ++rotation) {
            for (uint32_t selector = 0; selector < (mode == 4 ? 2u : 1u); ++selector) {
                const uint32_t colorBits = mode == 4 ? 5 : 7, alphaBits = mode == 4 ? 6 : 8;
                const uint32_t firstBits = 2, secondBits = mode == 4 ? 3 : 2;
                std::mt19937 random(mode * 16 + rotation * 2 + selector);
                uint32_t ends[2][4], first[16], second[16];
                Bits bits;
                bits.put(1u << mode, mode + 1).put(rotation, 2);
                if (mode == 4)
                    bits.put(selector, 1);
                for (uint32_t c = 0; c < 4; ++c) {
                    const uint32_t width = c < 3 ? colorBits : alphaBits;
                    for (uint32_t e = 0; e < 2; ++e) {
                        ends[e][c] = random() % (1u << width);
                        bits.put(ends[e][c], width);
                    }
                }
                for (uint32_t i = 0; i < 16; ++i) {
                    first[i] = random() % (1u << (firstBits - (i == 0)));
                    bits.put(first[i], firstBits - (i == 0));
                }
                for (uint32_t i = 0; i < 16; ++i) {
                    second[i] = random() % (1u << (secondBits - (i == 0)));
                    bits.put(second[i], secondBits - (i == 0));
                }
                const auto widen = [](uint32_t v, uint32_t width) {
                    return width == 8 ? v : width == 7 ? (v << 1 | v >> 6)
                                        : width == 6 ? (v << 2 | v >> 4)
                                                     : (v << 3 | v >> 2);
                };
                // Mode 4: colour from the 2-bit set and alpha from the 3-bit set, or the other
                // way round with the selector; mode 5: colour first, alpha second.
                const uint32_t* colorIndex = selector ? second : first;
                const uint32_t* alphaIndex = selector ? first : second;
                const uint32_t* colorWeights = selector ? weights3 : weights2;
                const uint32_t* alphaWeights = mode == 5 || selector ? weights2 : weights3;
                Texels expected;
                for (uint32_t i = 0; i < 16; ++i) {
                    Texel t;
                    for (uint32_t c = 0; c < 3; ++c) {
                        t[c] = mix(widen(ends[0][c], colorBits), widen(ends[1][c], colorBits),
                                   colorWeights[colorIndex[i]]);
                    }
                    t[3] = mix(widen(ends[0][3], alphaBits), widen(ends[1][3], alphaBits),
                               alphaWeights[alphaIndex[i]]);
                    if (rotation != 0)
                        std::swap(t[3], t[rotation - 1]);
                    expected[i] = t;
                }
                char what[64];
                std::snprintf(what, sizeof what, "mode %u rotation %u selector %u", mode,
                              rotation, selector);
                expectTexels(decoded(bits.block()), expected, what);
            }
        }
    }
}

TEST(Bc7DecodeTest, ReservedModeDecodesToZeroAndFloatsAreTheBytesOver255) {
    uint8_t block[16];
    std::memset(block, 0xA5, sizeof block);
    block[0] = 0;
    const Texels texels = decoded(block);
    for (const Texel& t : texels)
        EXPECT_EQ(t, (Texel{0, 0, 0, 0}));

    // Mode 6 with every endpoint channel 127 and p-bit 1 (255), but endpoint 1 red 0 (1): pixel
    // 0 on index 0 is white; the float decoder gives each byte times 1/255.
    Bits bits;
    bits.put(1u << 6, 7).put(127, 7).put(0, 7);
    for (uint32_t c = 1; c < 4; ++c)
        bits.put(127, 7).put(127, 7);
    bits.put(1, 1).put(1, 1).put(0, 3);
    for (uint32_t i = 1; i < 16; ++i)
        bits.put(i, 4);
    const uint8_t* raw = bits.block();
    FloatColor colors[16];
    decodeBc7Block(raw, colors);
    const Texels bytes = decoded(raw);
    EXPECT_EQ(bytes[0], (Texel{255, 255, 255, 255}));
    EXPECT_EQ(bytes[15][0], 1u);
    for (uint32_t i = 0; i < 16; ++i) {
        EXPECT_FLOAT_EQ(colors[i].r, float(bytes[i][0]) / 255.0f);
        EXPECT_FLOAT_EQ(colors[i].a, 1.0f);
    }
}
