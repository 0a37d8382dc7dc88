// The vector batch encoders against the plain routine: the same bytes for many random blocks
// of every kind (both colour modes, uniform, nearly uniform, transparent, out of range) and
// for every block of the benchmark photographs; the same for the high-quality encoder's
// variants, on the real photographs and on the greys as alpha.
#include "blit/pixel_format.h"
#include "blocks/bc7.h"
#include "blocks/dxt_batch.h"
#include "blocks/dxt_block.h"
#include "blocks/dxt_hq.h"
#include "platform_ext.h"
#include "tests/support/photos.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

constexpr PixelFormat blockFormats[] = {D3DFMT_DXT1, D3DFMT_DXT2, D3DFMT_DXT3, D3DFMT_DXT4,
                                        D3DFMT_DXT5};

// Blocks of the kinds that take the encoder's different branches, in a mixed order so that
// the lanes of one vector follow different paths.
std::vector<FloatColor> randomBlocks(uint32_t count, uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<FloatColor> blocks(size_t(count) * 16);
    for (uint32_t n = 0; n < count; ++n) {
        FloatColor* block = &blocks[size_t(n) * 16];
        const FloatColor a = {unit(random), unit(random), unit(random), unit(random)};
        const FloatColor b = {unit(random), unit(random), unit(random), unit(random)};
        const uint32_t kind = random() % 8;
        for (int i = 0; i < 16; ++i) {
            FloatColor& c = block[i];
            const float t = unit(random);
            switch (kind) {
            case 0: // anything
                c = {unit(random), unit(random), unit(random), unit(random)};
                break;
            case 1: // along a line, opaque
                c = {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, 1.0f};
                break;
            case 2: // uniform
                c = a;
                break;
            case 3: // within a fraction of a step of one colour
                c = {a.r + t * 0.004f, a.g + t * 0.002f, a.b, a.a};
                break;
            case 4: // some pixels transparent
                c = {unit(random), unit(random), unit(random), i % 5 == 0 ? 0.2f : 0.9f};
                break;
            case 5: // alpha only at the ends, or half way
                c = {a.r, unit(random), a.b, float(random() % 3) * 0.5f};
                break;
            case 6: // slightly outside the unit range
                c = {a.r * 1.1f - 0.05f, a.g * 1.1f - 0.05f, a.b * 1.1f - 0.05f,
                     a.a * 1.1f - 0.05f};
                break;
            default: // two colours
                c = t < 0.5f ? a : b;
                break;
            }
        }
    }
    return blocks;
}

void expectSameBytes(const std::vector<FloatColor>& blocks, const char* what) {
    const uint32_t count = uint32_t(blocks.size() / 16);
    for (PixelFormat format : blockFormats) {
        const BlockFormat& row = *findBlockFormat(format);
        std::vector<uint8_t> plain(size_t(count) * row.blockBytes);
        std::vector<uint8_t> vector(plain.size(), 0xCC);
        row.encodePlainBatch(blocks.data(), count, plain.data());
        row.encodeAvx2Batch(blocks.data(), count, vector.data());
        for (uint32_t n = 0; n < count; ++n) {
            const size_t at = size_t(n) * row.blockBytes;
            ASSERT_TRUE(std::equal(plain.begin() + at, plain.begin() + at + row.blockBytes,
                                   vector.begin() + at))
                << what << " " << reinterpret_cast<const char*>(&format)[3] << " block " << n;
        }
    }
}

// The high-quality encoder's vector variants that this processor runs.
std::vector<std::pair<const char*, BlockBatchEncoder>> hqVectorVariants(const BlockFormat& row) {
    std::vector<std::pair<const char*, BlockBatchEncoder>> variants = {{"SSE2", row.encodeHqSse2Batch}};
    if (dxtHqAvx2Supported())
        variants.push_back({"AVX2", row.encodeHqAvx2Batch});
    if (__builtin_cpu_supports("avx512f"))
        variants.push_back({"AVX-512", row.encodeHqAvx512Batch});
    return variants;
}

void expectHqSameBytes(const std::vector<FloatColor>& blocks,
                       std::initializer_list<PixelFormat> formats, const char* what) {
    const uint32_t count = uint32_t(blocks.size() / 16);
    for (PixelFormat format : formats) {
        const BlockFormat& row = *findBlockFormat(format);
        // A block's worth of bytes past the end, which no variant may touch.
        auto untouchedTail = [&](const std::vector<uint8_t>& out) {
            return std::all_of(out.end() - row.blockBytes, out.end(),
                               [](uint8_t b) { return b == 0xCC; });
        };
        std::vector<uint8_t> plain((size_t(count) + 1) * row.blockBytes, 0xCC);
        row.encodeHqPlainBatch(blocks.data(), count, plain.data());
        ASSERT_TRUE(untouchedTail(plain)) << what << " plain";
        for (const auto& [name, encode] : hqVectorVariants(row)) {
            std::vector<uint8_t> vector(plain.size(), 0xCC);
            encode(blocks.data(), count, vector.data());
            ASSERT_TRUE(untouchedTail(vector)) << what << " " << name;
            for (uint32_t n = 0; n < count; ++n) {
                const size_t at = size_t(n) * row.blockBytes;
                ASSERT_TRUE(std::equal(plain.begin() + at, plain.begin() + at + row.blockBytes,
                                       vector.begin() + at))
                    << what << " " << name << " " << reinterpret_cast<const char*>(&format)[3]
                    << " block " << n;
            }
        }
    }
}

} // namespace

TEST(DxtBatchTest, VectorBytesEqualPlainBytesOnRandomBlocks) {
    if (!dxtAvx2Supported())
        GTEST_SKIP() << "no AVX2 on this processor";
    // 20003 blocks: the last three go through the plain routine inside the batch.
    expectSameBytes(randomBlocks(20003, 1), "random");
}

TEST(DxtBatchTest, VectorBytesEqualPlainBytesOnPhotoBlocks) {
    if (!dxtAvx2Supported())
        GTEST_SKIP() << "no AVX2 on this processor";
    test_support::Photo photo;
    ASSERT_TRUE(test_support::loadPhoto("photo-1024-rgba.png", &photo));
    const uint32_t across = photo.width / 4, down = photo.height / 4;
    std::vector<FloatColor> blocks(size_t(across) * down * 16);
    for (uint32_t y = 0; y < down * 4; ++y) {
        for (uint32_t x = 0; x < across * 4; ++x) {
            const uint32_t argb = photo.argb[size_t(y) * photo.width + x];
            const float scale = 0.003921569f;
            blocks[(size_t(y / 4) * across + x / 4) * 16 + (y % 4) * 4 + x % 4] = {
                float((argb >> 16) & 0xFF) * scale, float((argb >> 8) & 0xFF) * scale,
                float(argb & 0xFF) * scale, float(argb >> 24) * scale};
        }
    }
    expectSameBytes(blocks, "photo");
}

TEST(DxtBatchTest, HighQualityVariantsWriteThePlainBytesOnRandomBlocks) {
    // 4003 blocks: every lane count leaves a partial batch at the end.
    expectHqSameBytes(randomBlocks(4003, 2),
                      {D3DFMT_DXT1, D3DFMT_DXT2, D3DFMT_DXT3, D3DFMT_DXT4, D3DFMT_DXT5,
                       BlockFormatBc4, BlockFormatBc4Signed, BlockFormatBc5, BlockFormatBc5Signed},
                      "random");
}

TEST(DxtBatchTest, HighQualityVariantsWriteThePlainBytesOnValuesFarOutOfRange) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float extremes[] = {nan, inf, -inf, 1e30f, -1e30f, 2.0f, -0.5f, 0.49999997f, 0.5f, 1.0f};
    std::vector<FloatColor> blocks(40 * 16);
    for (size_t i = 0; i < blocks.size(); ++i) {
        blocks[i] = {extremes[i % 10], extremes[(i / 3) % 10], extremes[(i / 7) % 10],
                     extremes[(i / 11) % 10]};
    }
    expectHqSameBytes(blocks, {D3DFMT_DXT1, D3DFMT_DXT2, D3DFMT_DXT3, D3DFMT_DXT4, D3DFMT_DXT5},
                      "extreme");
}

TEST(DxtBatchTest, HighQualityVariantsWriteThePlainBytesOnEveryRealPictureBlock) {
    std::vector<test_support::Photo> pictures;
    std::vector<FloatColor> photos, greys;
    ASSERT_TRUE(test_support::loadRealPhotos(&pictures));
    for (const test_support::Photo& photo : pictures)
        test_support::appendBlocks(photo, false, &photos);
    ASSERT_TRUE(test_support::loadRealGreys(&pictures));
    for (const test_support::Photo& photo : pictures)
        test_support::appendBlocks(photo, true, &greys);
    // The colour search of both modes (the other formats run its four-colour half, as the
    // random blocks show), and the alpha search.
    expectHqSameBytes(photos, {D3DFMT_DXT1, BlockFormatBc5}, "photo");
    expectHqSameBytes(greys, {D3DFMT_DXT5}, "grey");
    // Every third block of the photographs as signed values (-1 for 0, 1 for 255).
    std::vector<FloatColor> signedBlocks;
    for (size_t n = 0; n < photos.size() / 16; n += 3) {
        for (int i = 0; i < 16; ++i) {
            const FloatColor& c = photos[n * 16 + i];
            signedBlocks.push_back({c.r * 2.0f - 1.0f, c.g * 2.0f - 1.0f, c.b, c.a});
        }
    }
    expectHqSameBytes(signedBlocks, {BlockFormatBc5Signed}, "signed photo");
}

// The colour search's bytes on the photographs, pinned: a rewrite of its arithmetic (how the
// per-step sums are formed, which operations fuse) must leave every choice as it was. A hash
// of them, to be renewed whenever the search changes its choices on purpose.
TEST(DxtBatchTest, HighQualityDxt1BytesOfThePhotographsAreTheKnownOnes) {
    std::vector<test_support::Photo> pictures;
    std::vector<FloatColor> photos;
    ASSERT_TRUE(test_support::loadRealPhotos(&pictures));
    for (const test_support::Photo& photo : pictures)
        test_support::appendBlocks(photo, false, &photos);
    const uint32_t count = uint32_t(photos.size() / 16);
    ASSERT_EQ(count, 235148u);
    std::vector<uint8_t> blocks(size_t(count) * 8);
    // The widest variant, taken from the row rather than the dispatch, whose first answer the
    // "DisableMMX" test needs to give itself.
    const BlockFormat& row = *findBlockFormat(D3DFMT_DXT1);
    hqVectorVariants(row).back().second(photos.data(), count, blocks.data());
    uint64_t hash = 14695981039346656037ull;
    for (const uint8_t byte : blocks)
        hash = (hash ^ byte) * 1099511628211ull;
    EXPECT_EQ(hash, 0xf93fc0062c482072ull) << std::hex << "0x" << hash;
}

// Blocks of one value, or two, are settled without the search when a whole batch holds only
// such blocks: the plain encoder (a batch of one) always takes that path for them, the vector
// ones only when their neighbours do too. Mixing them with searched blocks therefore holds the
// shortcut to the bytes the search gives.
TEST(DxtBatchTest, BlocksOfOneOrTwoValuesGetTheSearchedBytesWithoutTheSearch) {
    std::vector<FloatColor> blocks = randomBlocks(2000, 5);
    std::mt19937 random(6);
    for (size_t n = 0; n < 2000; ++n) {
        if (random() % 3 == 0)
            continue; // a searched block between the settled ones
        const float first = float(random() % 256) / 255.0f;
        const float second = random() % 2 == 0 ? first : float(random() % 256) / 255.0f;
        for (int i = 0; i < 16; ++i) {
            const float v = random() % 2 == 0 ? first : second;
            FloatColor& c = blocks[n * 16 + i];
            c = {v, 1.0f - v, c.b, v};
        }
        // Near misses: a third value in one pixel, the first or the last, must be searched.
        if (random() % 4 == 0) {
            const float v = float(random() % 256) / 255.0f;
            blocks[n * 16 + (random() % 2 == 0 ? 0 : 15)] = {v, 1.0f - v, 0.5f, v};
        }
    }
    // A run of settled blocks long enough to fill whole batches of every width.
    for (size_t n = 1000; n < 1040; ++n) {
        for (int i = 0; i < 16; ++i)
            blocks[n * 16 + i] = {0.5f, 0.25f, 0.75f, i % 2 == 0 ? 1.0f : 0.2f};
    }
    expectHqSameBytes(blocks, {D3DFMT_DXT4, D3DFMT_DXT5, BlockFormatBc4, BlockFormatBc5},
                      "one or two values");
    for (FloatColor& c : blocks)
        c = {c.r * 2.0f - 1.0f, c.g * 2.0f - 1.0f, c.b, c.a};
    expectHqSameBytes(blocks, {BlockFormatBc4Signed, BlockFormatBc5Signed}, "signed values");
}

// The run-time choices are made once, at their first use: no other case of this program makes
// them (DXT's or BC7's), so this one sees them made with "DisableMMX" set, as a process started
// with the switch would.
TEST(DxtBatchTest, DisableMmxChoosesThePlainHighQualityEncoder) {
    const std::filesystem::path settings =
        std::filesystem::temp_directory_path() /
        ("bosq-dxt-" + std::to_string(::getpid()) + ".reg");
    std::ofstream(settings, std::ios::binary)
        << "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Direct3D]\r\n"
           "\"DisableMMX\"=dword:00000001\r\n";
    platform_ext::setRegistryFile(settings.c_str());
    EXPECT_EQ(dxtHqVariant(), DxtHqVariant::Plain);
    // BC7's encoder chooses its kernels the same way.
    EXPECT_EQ(bc7Variant(), Bc7Variant::Plain);
    for (PixelFormat format : blockFormats) {
        const BlockFormat& row = *findBlockFormat(format);
        EXPECT_EQ(blockHqBatchEncoder(row), row.encodeHqPlainBatch);
    }
    platform_ext::setRegistryFile(nullptr);
    std::filesystem::remove(settings);
}
