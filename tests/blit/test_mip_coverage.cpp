// The alpha scale that keeps alpha-tested coverage: a level whose share is already right keeps
// its alpha, and a needed scale moves alpha no further from 1 than the share asks.
#include "blit/mip_chain.h"
#include "blit/mip_coverage.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

size_t passing(const std::vector<float>& texels, float scale, uint8_t reference) {
    size_t count = 0;
    for (size_t i = 3; i < texels.size(); i += 4)
        count += quantizeUnit(texels[i] * scale) >= reference;
    return count;
}

// Alpha i / count for texel i: a ramp from 0 to nearly 1.
std::vector<float> alphaRamp(size_t count) {
    std::vector<float> texels(count * 4, 0.5f);
    for (size_t i = 0; i < count; ++i)
        texels[4 * i + 3] = float(i) / float(count);
    return texels;
}

TEST(MipCoverageScale, ALevelAlreadyAtTheTargetShareKeepsItsAlpha) {
    // Opaque: every texel passes at every level, whatever the reference.
    const std::vector<float> opaque(64 * 4, 1.0f);
    for (const int reference : {1, 128, 255})
        EXPECT_EQ(coverageScale(opaque.data(), 64, uint8_t(reference), 1.0), 1.0f) << reference;
    // A ramp whose unscaled share is the target itself.
    const std::vector<float> ramp = alphaRamp(400);
    const double share = double(passing(ramp, 1.0f, 128)) / 400.0;
    EXPECT_EQ(coverageScale(ramp.data(), 400, 128, share), 1.0f);
}

TEST(MipCoverageScale, AScaleDownIsTheLargestThatReachesTheShare) {
    const std::vector<float> ramp = alphaRamp(400);
    const float s = coverageScale(ramp.data(), 400, 128, 0.25);
    ASSERT_LT(s, 1.0f);
    EXPECT_EQ(passing(ramp, s, 128), 100u);
    EXPECT_GT(passing(ramp, std::nextafter(s, 2.0f), 128), 100u);
}

TEST(MipCoverageScale, AScaleUpIsTheSmallestThatReachesTheShare) {
    const std::vector<float> ramp = alphaRamp(400);
    const float s = coverageScale(ramp.data(), 400, 128, 0.75);
    ASSERT_GT(s, 1.0f);
    EXPECT_EQ(passing(ramp, s, 128), 300u);
    EXPECT_LT(passing(ramp, std::nextafter(s, 0.0f), 128), 300u);
}

TEST(MipCoverageScale, AnOpaquePictureTestedAgainstAlphaStaysOpaqueAtEveryLevel) {
    ArgbImage top;
    top.width = 64;
    top.height = 32;
    for (uint32_t i = 0; i < top.width * top.height; ++i)
        top.texels.push_back(0xFF000000u | (i * 2654435761u >> 8));
    MipChainOptions options;
    options.alphaTest = 128;
    std::vector<ArgbImage> lower;
    ASSERT_TRUE(buildMipChain(top, 32, options, &lower));
    ASSERT_EQ(lower.size(), 6u);
    for (size_t l = 0; l < lower.size(); ++l)
        for (const uint32_t word : lower[l].texels)
            ASSERT_EQ(word >> 24, 0xFFu) << "level " << l + 1;
}

} // namespace
