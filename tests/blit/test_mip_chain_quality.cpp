// The mip chain builder on the real photographs: the light each level shows stays that of
// level 0, and alpha-tested cut-outs made from them keep their coverage. The figures are
// printed as well, for the record.
#include "blit/light_curve.h"
#include "blit/mip_chain.h"
#include "blit/mip_coverage.h"
#include "tests/support/photos.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

double meanLight(const std::vector<uint32_t>& texels) {
    double sum = 0;
    for (const uint32_t t : texels)
        sum += double(srgbToLinear(uint8_t(t >> 16))) + srgbToLinear(uint8_t(t >> 8)) +
               srgbToLinear(uint8_t(t));
    return sum / (3.0 * double(texels.size()));
}

ArgbImage imageOf(const test_support::Photo& photo) {
    ArgbImage image;
    image.width = photo.width;
    image.height = photo.height;
    image.texels = photo.argb;
    return image;
}

// Figures over levels 1 to 4 of every picture.
struct Drift {
    double sum = 0;
    double worst = 0;
    int count = 0;

    void add(double value) {
        sum += std::fabs(value);
        worst = std::max(worst, std::fabs(value));
        ++count;
    }
    double mean() const { return count == 0 ? 0 : sum / count; }
};

TEST(MipChainQuality, TheDefaultChainKeepsThePhotographsLight) {
    std::vector<test_support::Photo> photos;
    ASSERT_TRUE(test_support::loadRealPhotos(&photos));
    ASSERT_EQ(photos.size(), 6u);
    Drift defaults, gamma;
    for (const auto& photo : photos) {
        const ArgbImage top = imageOf(photo);
        const double light = meanLight(top.texels);
        std::vector<ArgbImage> chain, gammaChain;
        ASSERT_TRUE(buildMipChain(top, 5, MipChainOptions{}, &chain));
        MipChainOptions old;
        old.kernel = MipKernel::Box;
        old.srgb = false;
        ASSERT_TRUE(buildMipChain(top, 5, old, &gammaChain));
        for (size_t l = 0; l < 4; ++l) {
            defaults.add(1.0 - meanLight(chain[l].texels) / light);
            gamma.add(1.0 - meanLight(gammaChain[l].texels) / light);
        }
    }
    std::printf("light fall over levels 1-4: kaiser in linear light mean %.3f %% worst %.3f %%; "
                "box in gamma space mean %.3f %% worst %.3f %%\n",
                100 * defaults.mean(), 100 * defaults.worst, 100 * gamma.mean(),
                100 * gamma.worst);
    EXPECT_LE(defaults.mean(), 0.003);
    EXPECT_LE(defaults.worst, 0.01);
    EXPECT_GT(gamma.worst, defaults.worst); // what averaging stored values loses
}

// A cut-out from a photograph: alpha rises over a narrow band of luminance, so bright
// structures (leaves against the sky, stars, vessels) become the alpha-tested shape.
ArgbImage cutOut(const test_support::Photo& photo) {
    ArgbImage image = imageOf(photo);
    for (uint32_t& t : image.texels) {
        const double luminance =
            (0.299 * ((t >> 16) & 0xFF) + 0.587 * ((t >> 8) & 0xFF) + 0.114 * (t & 0xFF)) / 255;
        const double alpha = std::clamp((luminance - 0.45) * 6.0 + 0.5, 0.0, 1.0);
        t = (t & 0xFFFFFFu) | uint32_t(std::lround(alpha * 255)) << 24;
    }
    return image;
}

TEST(MipChainQuality, AlphaTestedCutOutsKeepTheirCoverage) {
    std::vector<test_support::Photo> photos;
    ASSERT_TRUE(test_support::loadRealPhotos(&photos));
    Drift kept, plain;
    for (const auto& photo : photos) {
        const ArgbImage top = cutOut(photo);
        const double level0 = alphaCoverage(top.texels.data(), top.texels.size(), 128);
        MipChainOptions options;
        std::vector<ArgbImage> unscaled, scaled;
        ASSERT_TRUE(buildMipChain(top, 5, options, &unscaled));
        options.alphaTest = 128;
        ASSERT_TRUE(buildMipChain(top, 5, options, &scaled));
        for (size_t l = 0; l < 4; ++l) {
            kept.add(alphaCoverage(scaled[l].texels.data(), scaled[l].texels.size(), 128) - level0);
            plain.add(alphaCoverage(unscaled[l].texels.data(), unscaled[l].texels.size(), 128) -
                      level0);
        }
    }
    std::printf("coverage drift over levels 1-4 (alpha >= 128): kept mean %.3f %% worst %.3f %%; "
                "plain mean %.3f %% worst %.3f %%\n",
                100 * kept.mean(), 100 * kept.worst, 100 * plain.mean(), 100 * plain.worst);
    EXPECT_LE(kept.mean(), 0.01);
    EXPECT_LE(kept.worst, 0.03);
}

} // namespace
