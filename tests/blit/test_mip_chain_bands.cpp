// The mip chain builder with blit workers: the levels cut into bands of rows give the bytes of
// the chain made whole on one thread, for every kind of level (the picture's rows converted in
// each band, planes filtered from planes, light passed on across band edges, alpha-tested
// coverage, normal maps, resizing).
#include "blit/blit_workers.h"
#include "blit/mip_chain.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Runs the bands last first on the calling thread, so that a band that depended on the one
// before it having run, or on the order, would show.
class BackwardsWorkers final : public BlitWorkers {
public:
    void run(uint32_t count, void (*job)(void*, uint32_t), void* context) override {
        ++runs;
        largest = std::max(largest, count);
        for (uint32_t i = count; i-- > 0;)
            job(context, i);
    }
    int runs = 0;
    uint32_t largest = 0;
};

// Sets the workers for the scope, and clears them whatever the test's outcome.
struct WorkersInUse {
    explicit WorkersInUse(BlitWorkers* workers) { setBlitWorkers(workers); }
    ~WorkersInUse() { setBlitWorkers(nullptr); }
};

// Noise over hard-edged blocks of colour and alpha: a kernel's negative lobes ring at every
// edge, so many texels of every level are out of range and pass their light on, across the
// band edges too.
ArgbImage ringingPicture(uint32_t width, uint32_t height) {
    std::mt19937 random(2024);
    ArgbImage image;
    image.width = width;
    image.height = height;
    image.texels.resize(size_t(width) * height);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const bool bright = ((x / 5) + (y / 3)) % 2 == 0;
            const uint32_t alpha = (x / 37 + y / 29) % 3 == 0 ? random() & 0xFF : 0xFF;
            uint32_t word = alpha << 24 | ((bright ? 0xF0F0F0 : 0x080808) ^ (random() & 0x0F0F0F));
            if ((x * 7 + y * 3) % 97 == 0)
                word = 0xFFFF00FF;
            image.texels[size_t(y) * width + x] = word;
        }
    }
    return image;
}

void expectSameLevels(const std::vector<ArgbImage>& whole, const std::vector<ArgbImage>& banded,
                      const char* what) {
    ASSERT_EQ(banded.size(), whole.size()) << what;
    for (size_t level = 0; level < whole.size(); ++level) {
        ASSERT_EQ(banded[level].width, whole[level].width) << what << " level " << level + 1;
        ASSERT_EQ(banded[level].height, whole[level].height) << what << " level " << level + 1;
        EXPECT_TRUE(banded[level].texels == whole[level].texels) << what << " level " << level + 1;
    }
}

TEST(MipChainBands, EveryOptionGivesTheBytesOfTheWholeChain) {
    // Level 1 is 512 x 300 texels: cut into bands.
    const ArgbImage picture = ringingPicture(1024, 600);
    struct Case {
        const char* what;
        MipChainOptions options;
    };
    MipChainOptions srgbKaiser;
    MipChainOptions linearLanczos;
    linearLanczos.kernel = MipKernel::Lanczos;
    linearLanczos.srgb = false;
    linearLanczos.edge = EdgeMode::Repeat;
    linearLanczos.colorKey = 0xFFFF00FF;
    MipChainOptions alphaTested;
    alphaTested.kernel = MipKernel::Mitchell;
    alphaTested.edge = EdgeMode::Mirror;
    alphaTested.alphaTest = 128;
    MipChainOptions normals;
    normals.kernel = MipKernel::Triangle;
    normals.normalMap = true;
    normals.srgb = false;
    const Case cases[] = {{"kaiser srgb", srgbKaiser},
                          {"lanczos linear repeat keyed", linearLanczos},
                          {"mitchell mirror alpha-tested", alphaTested},
                          {"triangle normal map", normals}};
    for (const Case& c : cases) {
        std::vector<ArgbImage> whole, banded;
        ASSERT_TRUE(buildMipChain(picture, 32, c.options, &whole)) << c.what;
        BackwardsWorkers workers;
        {
            const WorkersInUse inUse(&workers);
            ASSERT_TRUE(buildMipChain(picture, 32, c.options, &banded)) << c.what;
        }
        EXPECT_GE(workers.largest, 2u) << c.what << ": level 1 was not cut into bands";
        expectSameLevels(whole, banded, c.what);
    }
}

TEST(MipChainBands, ResizingInBandsGivesTheBytesOfOneResize) {
    const ArgbImage picture = ringingPicture(700, 500);
    MipChainOptions options;
    options.kernel = MipKernel::Lanczos;
    ArgbImage whole, banded;
    ASSERT_TRUE(resampleImage(picture, 900, 333, options, &whole));
    BackwardsWorkers workers;
    {
        const WorkersInUse inUse(&workers);
        ASSERT_TRUE(resampleImage(picture, 900, 333, options, &banded));
    }
    EXPECT_GE(workers.largest, 2u);
    expectSameLevels({whole}, {banded}, "resize");
}

} // namespace
