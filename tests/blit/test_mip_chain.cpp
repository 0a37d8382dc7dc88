// The mip chain builder: kernels on constants and impulses, edge rules, linear light on a
// checkerboard, colour weighted by alpha, alpha-tested coverage, renormalised normal maps,
// resizing, and the AVX2 inner loops against the plain ones.
#include "blit/light_curve.h"
#include "blit/mip_chain.h"
#include "blit/mip_coverage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

namespace {

constexpr MipKernel allKernels[] = {MipKernel::Box, MipKernel::Triangle, MipKernel::Kaiser,
                                    MipKernel::Lanczos, MipKernel::Mitchell};
constexpr EdgeMode allEdges[] = {EdgeMode::Clamp, EdgeMode::Repeat, EdgeMode::Mirror};

ArgbImage filled(uint32_t width, uint32_t height, uint32_t word) {
    ArgbImage image;
    image.width = width;
    image.height = height;
    image.texels.assign(size_t(width) * height, word);
    return image;
}

uint32_t grey(uint32_t v, uint32_t alpha = 255) {
    return alpha << 24 | v << 16 | v << 8 | v;
}

uint32_t red(uint32_t word) {
    return (word >> 16) & 0xFF;
}

std::vector<ArgbImage> chainOf(const ArgbImage& top, const MipChainOptions& options,
                               uint32_t levels = 32) {
    std::vector<ArgbImage> lower;
    EXPECT_TRUE(buildMipChain(top, levels, options, &lower));
    return lower;
}

ArgbImage noise(uint32_t width, uint32_t height, uint32_t seed) {
    std::mt19937 random(seed);
    ArgbImage image = filled(width, height, 0);
    for (uint32_t& t : image.texels)
        t = random();
    return image;
}

TEST(MipKernels, WeightsSumToOneAndEdgesStayInside) {
    for (const MipKernel kernel : allKernels) {
        for (const EdgeMode edge : allEdges) {
            for (const auto& [n, m] : {std::pair{16u, 8u}, {5u, 2u}, {3u, 1u}, {7u, 13u}}) {
                const AxisWeights w = buildAxisWeights(n, m, kernel, edge);
                ASSERT_EQ(w.index.size(), size_t(m) * w.taps);
                for (uint32_t d = 0; d < m; ++d) {
                    double sum = 0;
                    for (uint32_t t = 0; t < w.taps; ++t) {
                        sum += w.weight[d * w.taps + t];
                        EXPECT_LT(w.index[d * w.taps + t], n);
                    }
                    EXPECT_NEAR(sum, 1.0, 1e-6) << int(kernel) << " " << n << "->" << m;
                }
            }
        }
    }
}

TEST(MipKernels, EdgeRulesFoldClampOrWrap) {
    EXPECT_EQ(edgeIndex(-1, 4, EdgeMode::Clamp), 0u);
    EXPECT_EQ(edgeIndex(5, 4, EdgeMode::Clamp), 3u);
    EXPECT_EQ(edgeIndex(-1, 4, EdgeMode::Repeat), 3u);
    EXPECT_EQ(edgeIndex(9, 4, EdgeMode::Repeat), 1u);
    EXPECT_EQ(edgeIndex(-1, 4, EdgeMode::Mirror), 0u);
    EXPECT_EQ(edgeIndex(-2, 4, EdgeMode::Mirror), 1u);
    EXPECT_EQ(edgeIndex(4, 4, EdgeMode::Mirror), 3u);
    EXPECT_EQ(edgeIndex(9, 4, EdgeMode::Mirror), 1u);
}

TEST(MipKernels, BoxAndTriangleHaveTheirTextbookTaps) {
    const AxisWeights box = buildAxisWeights(8, 4, MipKernel::Box, EdgeMode::Clamp);
    ASSERT_EQ(box.taps, 2u);
    EXPECT_EQ(box.weight[2], 0.5f);
    EXPECT_EQ(box.index[2], 2u);
    EXPECT_EQ(box.index[3], 3u);
    // An odd source: the middle texel is shared by both halves.
    const AxisWeights odd = buildAxisWeights(5, 2, MipKernel::Box, EdgeMode::Clamp);
    ASSERT_EQ(odd.taps, 3u);
    EXPECT_FLOAT_EQ(odd.weight[0], 0.4f);
    EXPECT_FLOAT_EQ(odd.weight[2], 0.2f);
    const AxisWeights tent = buildAxisWeights(8, 4, MipKernel::Triangle, EdgeMode::Repeat);
    ASSERT_EQ(tent.taps, 4u);
    const float expected[] = {0.125f, 0.375f, 0.375f, 0.125f};
    for (int t = 0; t < 4; ++t)
        EXPECT_EQ(tent.weight[4 + t], expected[t]);
    EXPECT_EQ(tent.index[0], 7u); // destination 0 reaches left of the edge into the last texel
}

TEST(LightCurve, EncodeInvertsDecodeAndRoundsToTheNearestStoredValue) {
    for (int v = 0; v < 256; ++v)
        EXPECT_EQ(linearToSrgb(srgbToLinear(uint8_t(v))), v);
    EXPECT_EQ(linearToSrgb(0.5f), 188);
    // 127.5 / 255 decodes to 0.21404: the boundary between 127 and 128.
    EXPECT_EQ(linearToSrgb(0.2140f), 127);
    EXPECT_EQ(linearToSrgb(0.2141f), 128);
    EXPECT_EQ(linearToSrgb(-1.0f), 0);
    EXPECT_EQ(linearToSrgb(2.0f), 255);
}

// The stored value nearest to x: how many of the curve's midpoints it reaches, counted one by one.
int nearestStoredValue(float x) {
    int v = 0;
    while (v < 255 &&
           double(x) >= double(float((v + 0.5) / 255.0 <= 0.04045
                                         ? (v + 0.5) / 255.0 / 12.92
                                         : std::pow(((v + 0.5) / 255.0 + 0.055) / 1.055, 2.4))))
        ++v;
    return v;
}

TEST(LightCurve, EncodeIsExactAtEveryMidpointAndAtTheEndsOfEveryTableCell) {
    // Each midpoint between stored values, and the floats on either side of it.
    for (int v = 0; v < 255; ++v) {
        const double c = (v + 0.5) / 255.0;
        const float mid = float(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
        for (const float x : {std::nextafter(mid, 0.0f), mid, std::nextafter(mid, 1.0f)})
            ASSERT_EQ(linearToSrgb(x), nearestStoredValue(x)) << x;
    }
    // The first and last float of every power of two's 256 cells down to 2^-14; a cell that
    // held two midpoints would answer one short at its last float.
    for (uint32_t bits = 113u << 23; bits < 127u << 23; bits += 1u << 15) {
        for (const uint32_t b : {bits, bits + (1u << 15) - 1}) {
            float x;
            std::memcpy(&x, &b, sizeof x);
            ASSERT_EQ(linearToSrgb(x), nearestStoredValue(x)) << x;
        }
    }
    EXPECT_EQ(linearToSrgb(std::nextafter(1.0f, 0.0f)), 255);
    EXPECT_EQ(linearToSrgb(1e-30f), 0);
    EXPECT_EQ(linearToSrgb(-0.0f), 0);
    EXPECT_EQ(linearToSrgb(NAN), 0);
}

TEST(MipChain, EveryKernelKeepsAConstantPictureAtEveryLevel) {
    const ArgbImage top = filled(37, 20, 0xC8509BE0u);
    for (const MipKernel kernel : allKernels) {
        for (const EdgeMode edge : allEdges) {
            for (const bool srgb : {false, true}) {
                MipChainOptions options;
                options.kernel = kernel;
                options.edge = edge;
                options.srgb = srgb;
                const auto chain = chainOf(top, options);
                ASSERT_EQ(chain.size(), 5u); // 18x10, 9x5, 4x2, 2x1, 1x1
                EXPECT_EQ(chain.back().width, 1u);
                for (const ArgbImage& level : chain)
                    for (const uint32_t t : level.texels)
                        ASSERT_EQ(t, 0xC8509BE0u) << int(kernel) << int(edge) << srgb;
            }
        }
    }
}

TEST(MipChain, AnImpulseShowsTheKernelsShape) {
    // A bright texel on grey in the middle of a wide row: level 1 shows the kernel around it.
    ArgbImage top = filled(32, 1, grey(128));
    top.texels[16] = grey(255);
    MipChainOptions options;
    options.srgb = false;
    options.kernel = MipKernel::Triangle;
    auto chain = chainOf(top, options, 2);
    // Texel 16 has taps 0.375 in destination 8 and 0.125 in 7 (tent 0.125 0.375 0.375 0.125).
    EXPECT_EQ(red(chain[0].texels[8]), 128 + 48u); // 128 + 0.375 * 127 = 175.6
    EXPECT_EQ(red(chain[0].texels[7]), 144u);      // 128 + 0.125 * 127 = 143.9
    EXPECT_EQ(red(chain[0].texels[6]), 128u);
    for (const MipKernel kernel : {MipKernel::Kaiser, MipKernel::Lanczos, MipKernel::Mitchell}) {
        options.kernel = kernel;
        chain = chainOf(top, options, 2);
        const auto& row = chain[0].texels;
        EXPECT_GT(red(row[8]), red(row[7])) << int(kernel);
        EXPECT_GT(red(row[7]), 128u) << int(kernel);
        // The texel sits at 8.25 in level 1's units: destination 7 sees it from 0.75 away,
        // 9 from 1.25 and 6 from 1.75, in the kernels' negative lobe below the grey.
        EXPECT_GT(red(row[7]), red(row[9])) << int(kernel);
        EXPECT_LT(red(row[9]), 128u) << int(kernel);
        EXPECT_LT(red(row[6]), 128u) << int(kernel);
        EXPECT_EQ(red(row[2]), 128u) << int(kernel);
    }
}

TEST(MipChain, RepeatWrapsALeftEdgeStripeToTheRightEdge) {
    ArgbImage top = filled(16, 16, grey(0));
    for (uint32_t y = 0; y < 16; ++y)
        top.texels[y * 16] = grey(255);
    MipChainOptions options;
    options.srgb = false;
    for (const MipKernel kernel : {MipKernel::Triangle, MipKernel::Kaiser, MipKernel::Mitchell}) {
        options.kernel = kernel;
        options.edge = EdgeMode::Repeat;
        auto chain = chainOf(top, options, 2);
        EXPECT_GT(red(chain[0].texels[7]), 0u) << int(kernel);
        EXPECT_EQ(red(chain[0].texels[3]), 0u) << int(kernel);
        options.edge = EdgeMode::Clamp;
        chain = chainOf(top, options, 2);
        EXPECT_EQ(red(chain[0].texels[7]), 0u) << int(kernel);
        options.edge = EdgeMode::Mirror;
        chain = chainOf(top, options, 2);
        EXPECT_EQ(red(chain[0].texels[7]), 0u) << int(kernel);
    }
}

TEST(MipChain, ACheckerboardKeepsItsLightInSrgbAndAveragesValuesInLinear) {
    ArgbImage top = filled(16, 16, 0);
    for (uint32_t y = 0; y < 16; ++y)
        for (uint32_t x = 0; x < 16; ++x)
            top.texels[y * 16 + x] = grey((x + y) % 2 ? 255 : 0);
    for (const MipKernel kernel : allKernels) {
        MipChainOptions options;
        options.kernel = kernel;
        options.edge = EdgeMode::Repeat;
        for (const bool srgb : {true, false}) {
            options.srgb = srgb;
            const auto chain = chainOf(top, options, 2);
            for (const uint32_t t : chain[0].texels) {
                const int expected = srgb ? 188 : 128;
                ASSERT_NEAR(int(red(t)), expected, 1) << int(kernel) << srgb;
            }
        }
    }
}

TEST(MipChain, TransparentTexelsLendNoColourAndTheKeyMakesTexelsTransparent) {
    // Opaque green beside transparent magenta: the colour of the mix is green.
    ArgbImage top = filled(4, 4, 0x00FF00FFu);
    for (uint32_t y = 0; y < 4; ++y)
        top.texels[y * 4] = top.texels[y * 4 + 1] = 0xFF00FF00u;
    MipChainOptions options;
    options.kernel = MipKernel::Box;
    auto chain = chainOf(top, options, 2);
    EXPECT_EQ(chain[0].texels[0], 0xFF00FF00u);
    EXPECT_EQ(chain[0].texels[1], 0u); // nothing covers: transparent black
    // The same with opaque magenta keyed out.
    for (uint32_t& t : top.texels)
        if (t == 0x00FF00FFu)
            t = 0xFFFF00FFu;
    options.colorKey = 0xFFFF00FFu;
    options.kernel = MipKernel::Triangle;
    options.edge = EdgeMode::Clamp;
    chain = chainOf(top, options, 2);
    EXPECT_EQ(red(chain[0].texels[0]), 0u);
    EXPECT_EQ(chain[0].texels[0] & 0xFF00u, 0xFF00u);
    EXPECT_EQ(chain[0].texels[1] & 0xFF00FFu, 0u);
    EXPECT_GT(chain[0].texels[1] >> 24, 0u);
}

// A leaf: an opaque disc with ragged holes, alpha falling off over two texels at its edge.
ArgbImage leaf(uint32_t size) {
    ArgbImage image = filled(size, size, 0);
    std::mt19937 random(7);
    const double c = size / 2.0, r = size * 0.4;
    for (uint32_t y = 0; y < size; ++y) {
        for (uint32_t x = 0; x < size; ++x) {
            const double d = std::hypot(x + 0.5 - c, y + 0.5 - c);
            double a = std::clamp((r - d) / 2.0 + 0.5, 0.0, 1.0);
            if ((x / 3 + y / 5) % 4 == 0 && random() % 3 == 0)
                a *= 0.3;
            image.texels[y * size + x] = uint32_t(a * 255 + 0.5) << 24 | 0x207A30u;
        }
    }
    return image;
}

TEST(MipChain, AlphaTestKeepsLevelZerosCoverageWherePlainFilteringLosesIt) {
    const ArgbImage top = leaf(256);
    const double level0 = alphaCoverage(top.texels.data(), top.texels.size(), 128);
    MipChainOptions options;
    const auto plain = chainOf(top, options);
    options.alphaTest = 128;
    const auto kept = chainOf(top, options);
    ASSERT_EQ(kept.size(), plain.size());
    double plainDrift = 0;
    for (size_t l = 0; l < kept.size(); ++l) {
        const ArgbImage& level = kept[l];
        if (level.texels.size() < 256)
            break; // a few texels cannot show a share to 1 %
        const double share = alphaCoverage(level.texels.data(), level.texels.size(), 128);
        EXPECT_NEAR(share, level0, 0.01) << "level " << l + 1;
        plainDrift = std::max(plainDrift, std::fabs(
            alphaCoverage(plain[l].texels.data(), plain[l].texels.size(), 128) - level0));
        // Only alpha is scaled: the colour is the same as without the test.
        EXPECT_EQ(level.texels[level.width * level.height / 2] & 0xFFFFFF,
                  plain[l].texels[level.width * level.height / 2] & 0xFFFFFF);
    }
    EXPECT_GT(plainDrift, 0.03);
}

TEST(MipCoverage, TheScaleLandsOnTheTargetShare) {
    std::vector<float> texels(400 * 4, 0.0f);
    for (size_t i = 0; i < 400; ++i)
        texels[4 * i + 3] = float(i) / 400.0f;
    // alpha >= 128 / 255 passes for about half of the texels unscaled.
    for (const double target : {0.1, 0.25, 0.5, 0.9}) {
        const float s = coverageScale(texels.data(), 400, 128, target);
        size_t passing = 0;
        for (size_t i = 0; i < 400; ++i)
            passing += quantizeUnit(texels[4 * i + 3] * s) >= 128;
        EXPECT_EQ(passing, size_t(target * 400)) << target;
    }
    EXPECT_EQ(coverageScale(texels.data(), 400, 0, 0.3), 1.0f);
}

// Normals of a height field made of smooth bumps on a flat plane.
ArgbImage normalMap(uint32_t size) {
    ArgbImage image = filled(size, size, 0);
    auto height = [size](double x, double y) {
        const double dx = x - size * 0.3, dy = y - size * 0.35;
        return 6.0 * std::exp(-(dx * dx + dy * dy) / 40.0) +
               (x > size * 0.6 && y > size * 0.6 ? 3.0 * std::sin(x * 0.7) * std::cos(y * 0.5) : 0);
    };
    for (uint32_t y = 0; y < size; ++y) {
        for (uint32_t x = 0; x < size; ++x) {
            const double nx = -(height(x + 1, y) - height(x - 1, y)) / 2;
            const double ny = -(height(x, y + 1) - height(x, y - 1)) / 2;
            const double length = std::sqrt(nx * nx + ny * ny + 1);
            auto byte = [](double c) { return uint32_t(std::lround((c + 1) * 127.5)); };
            image.texels[y * size + x] = 0xFF000000u | byte(nx / length) << 16 |
                                         byte(ny / length) << 8 | byte(1 / length);
        }
    }
    return image;
}

TEST(MipChain, NormalMapsStayUnitLengthAndFlatAreasStayUp) {
    const ArgbImage top = normalMap(128);
    for (const MipKernel kernel : allKernels) {
        MipChainOptions options;
        options.normalMap = true;
        options.kernel = kernel;
        const auto chain = chainOf(top, options);
        for (const ArgbImage& level : chain) {
            for (const uint32_t t : level.texels) {
                const double x = red(t) / 127.5 - 1, y = ((t >> 8) & 0xFF) / 127.5 - 1,
                             z = (t & 0xFF) / 127.5 - 1;
                ASSERT_NEAR(std::sqrt(x * x + y * y + z * z), 1.0, 1.0 / 127) << int(kernel);
            }
        }
        // The top-right quarter is flat: straight up, (128, 128, 255).
        EXPECT_EQ(chain[0].texels[5 * 64 + 56] & 0xFFFFFF, 0x8080FFu) << int(kernel);
    }
}

TEST(MipChain, ResizingKeepsConstantsAndRefusesEmptySizes) {
    const ArgbImage top = filled(57, 57, 0xFF336699u);
    MipChainOptions options;
    ArgbImage out;
    for (const MipKernel kernel : allKernels) {
        options.kernel = kernel;
        ASSERT_TRUE(resampleImage(top, 60, 31, options, &out));
        EXPECT_EQ(out.width, 60u);
        for (const uint32_t t : out.texels)
            ASSERT_EQ(t, 0xFF336699u);
    }
    EXPECT_FALSE(resampleImage(top, 0, 31, options, &out));
    std::vector<ArgbImage> lower;
    EXPECT_FALSE(buildMipChain(ArgbImage{}, 4, options, &lower));
}

// Saturated 5 x 5 blocks, some half or fully transparent: sharpening kernels ring at every
// edge, so the clipped light is handed on thousands of times a chain.
ArgbImage hardEdges(uint32_t width, uint32_t height) {
    std::mt19937 random(11);
    std::vector<uint32_t> blocks(size_t(width / 5 + 1) * (height / 5 + 1));
    const uint32_t alphas[] = {0x00, 0x80, 0xFF, 0xFF};
    for (uint32_t& b : blocks) {
        const uint32_t r = random();
        b = alphas[r & 3] << 24 | (r & 4 ? 0xFF0000u : 0) | (r & 8 ? 0xFF00u : 0) |
            (r & 16 ? 0xFFu : 0);
    }
    ArgbImage image = filled(width, height, 0);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            image.texels[size_t(y) * width + x] = blocks[size_t(y / 5) * (width / 5 + 1) + x / 5];
    return image;
}

uint64_t chainFingerprint(const std::vector<ArgbImage>& levels) {
    uint64_t h = 1469598103934665603ull;
    for (const ArgbImage& level : levels) {
        for (const uint32_t t : level.texels) {
            for (int shift = 0; shift < 32; shift += 8) {
                h ^= (t >> shift) & 0xFF;
                h *= 1099511628211ull;
            }
        }
    }
    return h;
}

// The bytes of sharpening chains over hard edges, taken from the first, plainly written
// builder: the faster searches for clipped light and the faster curve give the same bytes.
TEST(MipChain, SharpeningChainsOverHardEdgesKeepTheirBytes) {
    const ArgbImage top = hardEdges(96, 70);
    const struct {
        MipKernel kernel;
        bool srgb;
        uint64_t fingerprint;
    } cases[] = {
        {MipKernel::Kaiser, true, 18260961194411624644ull},
        {MipKernel::Lanczos, true, 1726565183207241279ull},
        {MipKernel::Mitchell, false, 11996669236401412764ull},
    };
    for (const auto& c : cases) {
        MipChainOptions options;
        options.kernel = c.kernel;
        options.srgb = c.srgb;
        std::vector<ArgbImage> lower;
        ASSERT_TRUE(buildMipChain(top, 8, options, &lower));
        EXPECT_EQ(chainFingerprint(lower), c.fingerprint) << int(c.kernel);
    }
}

// 8-bit values widened to 16 bits (v * 257) are the same fractions of full, so a chain from
// them is the 8-bit chain, bit for bit, in every mode.
TEST(MipChain, SixteenBitPicturesOfEightBitValuesGiveTheEightBitChain) {
    const ArgbImage narrow = noise(37, 29, 4);
    WideArgbImage wide;
    wide.width = narrow.width;
    wide.height = narrow.height;
    for (const uint32_t t : narrow.texels) {
        uint64_t word = 0;
        for (int shift = 0; shift < 32; shift += 8)
            word |= uint64_t((t >> shift) & 0xFF) * 257 << (2 * shift);
        wide.texels.push_back(word);
    }
    for (const MipKernel kernel : allKernels) {
        for (int mode = 0; mode < 4; ++mode) {
            MipChainOptions options;
            options.kernel = kernel;
            options.srgb = mode == 0;
            options.normalMap = mode == 2;
            options.alphaTest = mode == 3 ? 90 : -1;
            std::vector<ArgbImage> fromNarrow, fromWide;
            ASSERT_TRUE(buildMipChain(narrow, 8, options, &fromNarrow));
            ASSERT_TRUE(buildMipChain(wide, 8, options, &fromWide));
            ASSERT_EQ(fromNarrow.size(), fromWide.size());
            for (size_t l = 0; l < fromNarrow.size(); ++l)
                ASSERT_EQ(fromNarrow[l].texels, fromWide[l].texels)
                    << int(kernel) << " mode " << mode << " level " << l + 1;
        }
    }
    // Values between the 8-bit steps are kept: a 2 x 2 of 25777 (100.30 of 255) three times and
    // 26548 (103.30) once is 101.05 on average, in linear values with the box.
    WideArgbImage cell;
    cell.width = cell.height = 2;
    const uint64_t low = 25777, high = 26548;
    for (const uint64_t v : {low, low, low, high})
        cell.texels.push_back(0xFFFFull << 48 | v << 32 | v << 16 | v);
    MipChainOptions options;
    options.kernel = MipKernel::Box;
    options.srgb = false;
    std::vector<ArgbImage> lower;
    ASSERT_TRUE(buildMipChain(cell, 2, options, &lower));
    ASSERT_EQ(lower.size(), 1u);
    EXPECT_EQ(lower[0].texels, std::vector<uint32_t>{grey(101)});
}

// ---- volumes ------------------------------------------------------------------------------

TEST(VolumeMipChain, ConstantVolumesStayAndSizesHalveInEveryAxis) {
    const std::vector<ArgbImage> slices(5, filled(9, 6, 0xC8509BE0u));
    for (const MipKernel kernel : allKernels) {
        for (const EdgeMode edge : allEdges) {
            MipChainOptions options;
            options.kernel = kernel;
            options.edge = edge;
            std::vector<std::vector<ArgbImage>> lower;
            ASSERT_TRUE(buildVolumeMipChain(slices, 16, options, &lower));
            // 9x6x5, 4x3x2, 2x1x1, 1x1x1.
            ASSERT_EQ(lower.size(), 3u);
            const uint32_t sizes[3][3] = {{4, 3, 2}, {2, 1, 1}, {1, 1, 1}};
            for (size_t l = 0; l < lower.size(); ++l) {
                ASSERT_EQ(lower[l].size(), sizes[l][2]);
                for (const ArgbImage& slice : lower[l]) {
                    EXPECT_EQ(slice.width, sizes[l][0]);
                    EXPECT_EQ(slice.height, sizes[l][1]);
                    for (const uint32_t t : slice.texels)
                        ASSERT_NEAR(int(t & 0xFF), 0xE0, 1) << int(kernel) << " level " << l + 1;
                }
            }
        }
    }
    std::vector<std::vector<ArgbImage>> lower;
    EXPECT_FALSE(buildVolumeMipChain(std::vector<ArgbImage>{}, 4, MipChainOptions{}, &lower));
    const std::vector<ArgbImage> mixed = {filled(4, 4, 0), filled(4, 2, 0)};
    EXPECT_FALSE(buildVolumeMipChain(mixed, 4, MipChainOptions{}, &lower));
}

TEST(VolumeMipChain, SlicesMixInLinearLightAndEachLevelIsFilteredAsAPicture) {
    // Black and white slices by turns: level 1's slices show the light of both.
    std::vector<ArgbImage> slices;
    for (int z = 0; z < 4; ++z)
        slices.push_back(filled(4, 4, z % 2 ? 0xFFFFFFFFu : 0xFF000000u));
    MipChainOptions options;
    options.kernel = MipKernel::Box;
    std::vector<std::vector<ArgbImage>> lower;
    ASSERT_TRUE(buildVolumeMipChain(slices, 2, options, &lower));
    ASSERT_EQ(lower.size(), 1u);
    for (const ArgbImage& slice : lower[0])
        EXPECT_EQ(slice.texels, std::vector<uint32_t>(4, grey(188)));
    options.srgb = false;
    ASSERT_TRUE(buildVolumeMipChain(slices, 2, options, &lower));
    for (const ArgbImage& slice : lower[0])
        EXPECT_EQ(slice.texels, std::vector<uint32_t>(4, grey(128)));

    // Equal slices combine to themselves under the box (halves add exactly): every level's
    // slices are then the picture's own chain.
    const ArgbImage picture = noise(23, 14, 9);
    options = MipChainOptions{};
    options.kernel = MipKernel::Box;
    std::vector<ArgbImage> flat;
    ASSERT_TRUE(buildMipChain(picture, 8, options, &flat));
    ASSERT_TRUE(buildVolumeMipChain(std::vector<ArgbImage>(4, picture), 8, options, &lower));
    ASSERT_EQ(lower.size(), flat.size());
    for (size_t l = 0; l < lower.size(); ++l)
        for (const ArgbImage& slice : lower[l])
            ASSERT_EQ(slice.texels, flat[l].texels) << "level " << l + 1;

    // A bright first slice reaches the last ones across the edge only when the volume repeats.
    slices.assign(4, filled(2, 2, 0xFF000000u));
    slices[0] = filled(2, 2, 0xFFFFFFFFu);
    options = MipChainOptions{};
    std::vector<std::vector<ArgbImage>> clamped, repeated;
    ASSERT_TRUE(buildVolumeMipChain(slices, 2, options, &clamped));
    options.edge = EdgeMode::Repeat;
    ASSERT_TRUE(buildVolumeMipChain(slices, 2, options, &repeated));
    EXPECT_GT(repeated[0][1].texels[0] & 0xFF, (clamped[0][1].texels[0] & 0xFF) + 10);
}

TEST(VolumeMipChain, AlphaTestKeepsTheLevelsCoverageAndTheLoopsAgree) {
    std::vector<ArgbImage> slices;
    for (uint32_t z = 0; z < 8; ++z)
        slices.push_back(noise(40, 24, 20 + z));
    // Half the texels clear, the rest of any alpha: plain filtering moves the coverage.
    for (ArgbImage& slice : slices)
        for (uint32_t& t : slice.texels)
            t = t & 0x100 ? t & 0xFFFFFFu : t;
    MipChainOptions options;
    options.alphaTest = 128;
    size_t passing = 0, total = 0;
    for (const ArgbImage& slice : slices) {
        passing += size_t(alphaCoverage(slice.texels.data(), slice.texels.size(), 128) *
                              double(slice.texels.size()) +
                          0.5);
        total += slice.texels.size();
    }
    const double coverage = double(passing) / double(total);
    std::vector<std::vector<ArgbImage>> lower;
    ASSERT_TRUE(buildVolumeMipChain(slices, 4, options, plainMipRowRoutines(), &lower));
    ASSERT_EQ(lower.size(), 3u);
    for (const auto& level : lower) {
        size_t levelPassing = 0, levelTotal = 0;
        for (const ArgbImage& slice : level) {
            levelPassing += size_t(alphaCoverage(slice.texels.data(), slice.texels.size(), 128) *
                                       double(slice.texels.size()) +
                                   0.5);
            levelTotal += slice.texels.size();
        }
        EXPECT_NEAR(double(levelPassing) / double(levelTotal), coverage, 0.01);
    }
    if (!mipRowsAvx2Supported())
        return;
    const MipRowRoutines wide = {combineRowsAvx2, gatherTexelsAvx2, gatherHalvingAvx2};
    for (const MipKernel kernel : allKernels) {
        options.kernel = kernel;
        options.edge = EdgeMode::Mirror;
        std::vector<std::vector<ArgbImage>> plain, vector;
        ASSERT_TRUE(buildVolumeMipChain(slices, 6, options, plainMipRowRoutines(), &plain));
        ASSERT_TRUE(buildVolumeMipChain(slices, 6, options, wide, &vector));
        ASSERT_EQ(plain.size(), vector.size());
        for (size_t l = 0; l < plain.size(); ++l)
            for (size_t z = 0; z < plain[l].size(); ++z)
                ASSERT_EQ(plain[l][z].texels, vector[l][z].texels) << int(kernel) << " level " << l;
    }
}

// The halving routines against the general gather over the same taps: every count up to a few
// pairs past the vector width, signed values of every size, taps from 2 to 12.
TEST(MipRows, TheHalvingRoutinesGiveTheGeneralGathersBits) {
    std::mt19937 random(5);
    std::uniform_real_distribution<float> value(-3.0f, 3.0f);
    std::vector<float> in(4 * 64);
    for (float& v : in)
        v = value(random) * float(1u << (random() % 12)) / 64.0f;
    for (const uint32_t taps : {2u, 3u, 6u, 12u}) {
        std::vector<float> weight(taps);
        for (float& w : weight)
            w = value(random);
        for (uint32_t count = 1; count <= 13; ++count) {
            std::vector<uint32_t> index(size_t(count) * taps);
            std::vector<float> weights(size_t(count) * taps);
            for (uint32_t k = 0; k < count; ++k) {
                for (uint32_t t = 0; t < taps; ++t) {
                    index[size_t(k) * taps + t] = 2 * k + t;
                    weights[size_t(k) * taps + t] = weight[t];
                }
            }
            // Exactly the texels the taps reach, so a read past them is caught.
            const std::vector<float> reached(in.begin(), in.begin() + 4 * (2 * (count - 1) + taps));
            std::vector<float> general(size_t(count) * 4), plain(general.size()), wide;
            gatherTexelsPlain(reached.data(), index.data(), weights.data(), taps, count,
                              general.data());
            gatherHalvingPlain(reached.data(), weight.data(), taps, count, plain.data());
            EXPECT_EQ(std::memcmp(general.data(), plain.data(), general.size() * 4), 0)
                << taps << " taps, " << count;
            if (!mipRowsAvx2Supported())
                continue;
            wide.assign(general.size(), NAN);
            gatherHalvingAvx2(reached.data(), weight.data(), taps, count, wide.data());
            EXPECT_EQ(std::memcmp(general.data(), wide.data(), general.size() * 4), 0)
                << taps << " taps, " << count;
        }
    }
}

TEST(MipChain, TheAvx2LoopsGiveThePlainLoopsBytes) {
    if (!mipRowsAvx2Supported())
        GTEST_SKIP() << "no AVX2 on this processor";
    const ArgbImage top = noise(203, 77, 3);
    const MipRowRoutines wide = {combineRowsAvx2, gatherTexelsAvx2, gatherHalvingAvx2};
    for (const MipKernel kernel : allKernels) {
        for (const bool normal : {false, true}) {
            MipChainOptions options;
            options.kernel = kernel;
            options.normalMap = normal;
            options.alphaTest = normal ? -1 : 100;
            options.edge = normal ? EdgeMode::Repeat : EdgeMode::Mirror;
            std::vector<ArgbImage> plain, vector;
            ASSERT_TRUE(buildMipChain(top, 16, options, plainMipRowRoutines(), &plain));
            ASSERT_TRUE(buildMipChain(top, 16, options, wide, &vector));
            ASSERT_EQ(plain.size(), vector.size());
            for (size_t l = 0; l < plain.size(); ++l)
                ASSERT_EQ(plain[l].texels, vector[l].texels) << int(kernel) << " level " << l;
        }
    }
}

} // namespace
