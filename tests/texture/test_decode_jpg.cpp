// The JPEG decoder: pixels equal to libjpeg's own decode for every kind of file libjpeg's
// compressor makes, the formats and pitches, files cut short or followed by garbage, the files
// it refuses and hands on to the later decoders, and the game's request on a photograph.
#include "texture/image_decoder.h"
#include "texture/texture_loader.h"

#include "tests/texture/jpeg_maker.h"
#include "tests/texture/texture_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes decodedBytes(const ImageDecoder& image) {
    return Bytes(image.bits, image.bits + size_t(image.rowPitch) * image.height);
}

JpegRecipe colour(uint32_t width, uint32_t height, int lumaH = 2, int lumaV = 2) {
    JpegRecipe r;
    r.width = width;
    r.height = height;
    r.samples = photoLikeSamples(width, height, 3);
    r.lumaH = lumaH;
    r.lumaV = lumaV;
    return r;
}

JpegRecipe grey(uint32_t width, uint32_t height) {
    JpegRecipe r;
    r.width = width;
    r.height = height;
    r.components = 1;
    r.samples = photoLikeSamples(width, height, 1);
    return r;
}

JpegRecipe progressive(JpegRecipe r) {
    r.progressive = true;
    return r;
}

JpegRecipe withRestarts(JpegRecipe r) {
    r.restartRows = 1;
    return r;
}

bool containsMarker(const Bytes& file, uint8_t marker) {
    for (size_t i = 0; i + 1 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == marker)
            return true;
    return false;
}

// The decoder's answers do not depend on a registry the machine may have.
class DecodeJpg : public ::testing::Test {
protected:
    void SetUp() override { platform_ext::setRegistryFile("/nonexistent/settings.reg"); }
    void TearDown() override { platform_ext::setRegistryFile(nullptr); }
};

struct KindCase {
    const char* name;
    JpegRecipe recipe;
};

TEST_F(DecodeJpg, PixelsEqualLibjpegsOwnDecodeForEveryKindOfFile) {
    const KindCase cases[] = {
        {"Baseline420", colour(64, 48, 2, 2)},
        {"Baseline422", colour(64, 48, 2, 1)},
        {"Baseline444", colour(64, 48, 1, 1)},
        {"Progressive", progressive(colour(64, 48))},
        {"RestartMarkers", withRestarts(colour(64, 48))},
        {"Grey", grey(40, 24)},
        {"GreyWidth3", grey(3, 5)}, // rows of 3 bytes, not rounded to 4
        {"GreyProgressive17x3", progressive(grey(17, 3))},
        {"OneByOne", colour(1, 1)},
        {"SeventeenByThree", colour(17, 3)},
        {"OneRowOf1023", colour(1023, 1)},
    };
    for (const KindCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes file = makeJpeg(c.recipe);
        ASSERT_EQ(containsMarker(file, 0xC2), c.recipe.progressive);
        ASSERT_EQ(containsMarker(file, 0xD0), c.recipe.restartRows != 0);
        const LibjpegPicture reference = decodeWithLibjpeg(file);
        ASSERT_TRUE(reference.decoded);

        ImageDecoder image;
        ASSERT_EQ(image.decodeJpg(file.data(), UINT(file.size())), D3D_OK);
        const bool isGrey = c.recipe.components == 1;
        EXPECT_EQ(image.format, PixelFormat(isGrey ? D3DFMT_L8 : D3DFMT_X8R8G8B8));
        EXPECT_EQ(image.width, c.recipe.width);
        EXPECT_EQ(image.height, c.recipe.height);
        EXPECT_EQ(image.depth, 1u);
        EXPECT_EQ(image.rowPitch, (isGrey ? 1 : 4) * c.recipe.width);
        EXPECT_EQ(image.slicePitch, 0u);
        EXPECT_TRUE(image.ownsBits);
        // Colour pixels are blue, green, red and a fourth byte of 0, not 0xFF.
        EXPECT_EQ(decodedBytes(image), asDecodedPixels(reference));
    }
}

TEST_F(DecodeJpg, EveryPrefixOfAFileDecodesAsLibjpegsMemorySourceDecodesIt) {
    // libjpeg's own memory source ends a short file with an end-of-image marker, as ours does:
    // what is there decodes and the rest is padded, or the decode fails cleanly.
    for (const JpegRecipe& recipe : {colour(24, 16), progressive(colour(24, 16))}) {
        const Bytes file = makeJpeg(recipe);
        int decodedPrefixes = 0;
        for (size_t length = 0; length < file.size(); ++length) {
            SCOPED_TRACE(length);
            const Bytes prefix(file.begin(), file.begin() + ptrdiff_t(length));
            const LibjpegPicture reference = decodeWithLibjpeg(prefix);
            ImageDecoder image;
            const HRESULT result = image.decodeJpg(prefix.data(), UINT(length));
            if (!reference.decoded) {
                EXPECT_EQ(result, E_FAIL);
                continue;
            }
            ++decodedPrefixes;
            ASSERT_EQ(result, D3D_OK);
            EXPECT_EQ(decodedBytes(image), asDecodedPixels(reference));
        }
        EXPECT_GT(decodedPrefixes, 0);
    }
}

TEST_F(DecodeJpg, HalfAFileKeepsTheRowsItHolds) {
    const Bytes file = makeJpeg(colour(64, 96));
    const Bytes half(file.begin(), file.begin() + ptrdiff_t(file.size() / 2));
    ImageDecoder whole, cut;
    ASSERT_EQ(whole.decodeJpg(file.data(), UINT(file.size())), D3D_OK);
    ASSERT_EQ(cut.decodeJpg(half.data(), UINT(half.size())), D3D_OK);
    ASSERT_EQ(cut.height, 96u);
    const size_t firstRows = size_t(whole.rowPitch) * 16;
    const size_t allRows = size_t(whole.rowPitch) * 96;
    EXPECT_TRUE(std::equal(whole.bits, whole.bits + firstRows, cut.bits));
    EXPECT_FALSE(std::equal(whole.bits, whole.bits + allRows, cut.bits));
}

TEST_F(DecodeJpg, GarbageAfterTheEndOfImageIsNeverRead) {
    const Bytes file = makeJpeg(colour(32, 16));
    Bytes followed = file;
    std::mt19937 random(5);
    for (int i = 0; i < 700; ++i)
        followed.push_back(i % 3 == 0 ? 0xFF : uint8_t(random()));
    ImageDecoder clean, trailed;
    ASSERT_EQ(clean.decodeJpg(file.data(), UINT(file.size())), D3D_OK);
    ASSERT_EQ(trailed.decodeJpg(followed.data(), UINT(followed.size())), D3D_OK);
    EXPECT_EQ(decodedBytes(trailed), decodedBytes(clean));
}

TEST_F(DecodeJpg, FilesWithoutAPictureFail) {
    const Bytes startMarkerOnly = {0xFF, 0xD8};
    const Bytes startAndEnd = {0xFF, 0xD8, 0xFF, 0xD9};
    for (const Bytes& file : {startMarkerOnly, startAndEnd, Bytes{}}) {
        ImageDecoder image;
        EXPECT_EQ(image.decodeJpg(file.data(), UINT(file.size())), E_FAIL);
        EXPECT_EQ(image.bits, nullptr);
    }
}

// The file with its frame header claiming 65500 x 65500 pixels; empty without a baseline frame.
Bytes claimingHugeSize(Bytes file) {
    const uint8_t startOfFrame[] = {0xFF, 0xC0};
    const auto frame =
        std::search(file.begin(), file.end(), std::begin(startOfFrame), std::end(startOfFrame));
    if (frame == file.end())
        return {};
    const size_t height = size_t(frame - file.begin()) + 5;
    file[height] = file[height + 2] = 0xFF;
    file[height + 1] = file[height + 3] = 0xDC;
    return file;
}

TEST_F(DecodeJpg, APictureLargerThan32BitsIsRefusedBeforeAllocating) {
    // 65500 x 65500 pixels of 4 bytes: 17 GB, though each row fits.
    const Bytes file = claimingHugeSize(makeJpeg(colour(16, 16)));
    ASSERT_FALSE(file.empty());
    ImageDecoder image;
    EXPECT_EQ(image.decodeJpg(file.data(), UINT(file.size())), E_FAIL);
    EXPECT_EQ(image.bits, nullptr);
}

// A grey picture of 65500 x 65500 pixels fits in 32 bits (4.29 GB), but its blocks need more
// bits than a file of a few hundred bytes has: refused before the buffer exists.
TEST_F(DecodeJpg, AHeaderAnnouncingMoreBlocksThanTheFileHasBitsIsRefused) {
    const Bytes file = claimingHugeSize(makeJpeg(grey(16, 16)));
    ASSERT_FALSE(file.empty());
    ASSERT_LT(file.size(), 1000u);
    ImageDecoder image;
    EXPECT_EQ(image.decodeJpg(file.data(), UINT(file.size())), E_FAIL);
    EXPECT_EQ(image.bits, nullptr);

    // 16 x 16 blocks (128 x 128 pixels) need 256 bits: 32 bytes of file are too few, but a
    // real picture of that size with its tables and data is far above that.
    const Bytes real = makeJpeg(grey(128, 128));
    ImageDecoder decoded;
    EXPECT_EQ(decoded.decodeJpg(real.data(), UINT(real.size())), D3D_OK);
}

TEST_F(DecodeJpg, CmykIsRefusedAndHandedToTheLaterDecoders) {
    JpegRecipe cmyk = grey(16, 8);
    cmyk.components = 4;
    cmyk.samples = photoLikeSamples(16, 8, 4);
    const Bytes file = makeJpeg(cmyk);
    ASSERT_TRUE(decodeWithLibjpeg(file).decoded);
    ImageDecoder image;
    EXPECT_EQ(image.decodeJpg(file.data(), UINT(file.size())), E_FAIL);
    ImageDecoder loaded;
    EXPECT_EQ(loaded.load(file.data(), UINT(file.size()), nullptr), InvalidData);
    EXPECT_EQ(loaded.fileFormat, Dib); // every decoder after this one had its try
}

TEST_F(DecodeJpg, PngDataIsRefusedHereAndDecodedAsPng) {
    PngRecipe png;
    png.colorType = PNG_COLOR_TYPE_RGB;
    png.rows = {1, 2, 3};
    const Bytes file = makePng(png);
    ImageDecoder image;
    EXPECT_EQ(image.decodeJpg(file.data(), UINT(file.size())), E_FAIL);
    ImageDecoder loaded;
    ASSERT_EQ(loaded.load(file.data(), UINT(file.size()), nullptr), D3D_OK);
    EXPECT_EQ(loaded.fileFormat, Png);
}

class JpegTexture : public d3d8_test::DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        platform_ext::setRegistryFile("/nonexistent/settings.reg");
    }
    void TearDown() override {
        platform_ext::setRegistryFile(nullptr);
        DeviceTest::TearDown();
    }
};

TEST_F(JpegTexture, ThePhotographLoadsWithTheGamesRequestAsOpaquePixels) {
    const Bytes file = makeJpeg(colour(40, 24));
    const LibjpegPicture reference = decodeWithLibjpeg(file);
    d3d8_test::Ref<IDirect3DTexture8> texture;
    ImageInfo info = {};
    ASSERT_EQ(createTextureFromMemory(device.get(), file.data(), UINT(file.size()), 0xFFFFFFFFu,
                                      0xFFFFFFFFu, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                      FilterNone, FilterDefault, 0xFFFF00FF, &info, nullptr,
                                      texture.out()),
              D3D_OK);
    EXPECT_EQ(info.width, 40u);
    EXPECT_EQ(info.height, 24u);
    EXPECT_EQ(info.format, PixelFormat(D3DFMT_X8R8G8B8));
    EXPECT_EQ(info.imageFileFormat, Jpg);
    EXPECT_EQ(texture->GetLevelCount(), 6u);
    const texture_test::LevelPixels level = texture_test::readLevel(texture.get(), 0, 4);
    ASSERT_EQ(level.width, 40u);
    ASSERT_EQ(level.height, 24u);
    int wrong = 0;
    for (UINT y = 0; y < 24; ++y) {
        for (UINT x = 0; x < 40; ++x) {
            const uint8_t* rgb = &reference.samples[(size_t(y) * 40 + x) * 3];
            const uint32_t want = 0xFF000000u | uint32_t(rgb[0]) << 16 | rgb[1] << 8 | rgb[2];
            if (level.at(x, y) != want && ++wrong <= 3)
                ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << level.at(x, y)
                              << " instead of " << want;
        }
    }
}

} // namespace
