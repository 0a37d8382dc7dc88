// ImageDecoder::load: what it reports, what it leaves in the node, the decoder order's
// rejections, and the node's chains.
#include "texture/image_decoder.h"

#include "tests/support/container_files.h"
#include "tests/texture/dds_maker.h"
#include "tests/texture/jpeg_maker.h"
#include "tests/texture/png_maker.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstring>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes rgbPng(uint32_t width, uint32_t height, int bitDepth) {
    PngRecipe r;
    r.width = width;
    r.height = height;
    r.colorType = PNG_COLOR_TYPE_RGB;
    r.bitDepth = bitDepth;
    r.rows.assign(size_t(width) * height * 3 * bitDepth / 8, 0x42);
    return makePng(r);
}

ImageInfo filledInfo() {
    ImageInfo info;
    std::memset(&info, 0xCD, sizeof(info));
    return info;
}

TEST(ImageDecoderLoad, ReportsThePngAndSetsWholeBoxes) {
    const Bytes file = rgbPng(5, 3, 16);
    ImageDecoder image;
    ImageInfo info = filledInfo();
    ASSERT_EQ(image.load(file.data(), UINT(file.size()), &info), D3D_OK);
    EXPECT_EQ(info.width, 5u);
    EXPECT_EQ(info.height, 3u);
    EXPECT_EQ(info.depth, 1u);
    EXPECT_EQ(info.mipLevels, 1u);
    // The decoder's private 16-bit code is reported as its public stand-in.
    EXPECT_EQ(image.format, PixelFormatR16);
    EXPECT_EQ(info.format, PixelFormat(D3DFMT_R8G8B8));
    EXPECT_EQ(info.resourceType, D3DRTYPE_TEXTURE);
    EXPECT_EQ(info.imageFileFormat, Png);
    EXPECT_EQ(image.fileFormat, Png);
    EXPECT_EQ(image.box.left, 0u);
    EXPECT_EQ(image.box.top, 0u);
    EXPECT_EQ(image.box.right, 5u);
    EXPECT_EQ(image.box.bottom, 3u);
    EXPECT_EQ(image.box.front, 0u);
    EXPECT_EQ(image.box.back, 1u);
}

TEST(ImageDecoderLoad, UnrecognisedDataIsInvalidDataAndLeavesNothing) {
    const Bytes bitmapLike = {'B', 'M', 0x46, 0, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0, 0x28, 0, 0, 0};
    const Bytes text(300, 'x');
    const Bytes truncated = [] {
        Bytes file = rgbPng(8, 8, 8);
        file.resize(file.size() / 2);
        return file;
    }();
    for (const Bytes& data : {bitmapLike, text, truncated}) {
        ImageDecoder image;
        ImageInfo info = filledInfo();
        EXPECT_EQ(image.load(data.data(), UINT(data.size()), &info), InvalidData);
        EXPECT_EQ(image.bits, nullptr);
        EXPECT_FALSE(image.ownsBits);
        EXPECT_EQ(image.palette, nullptr);
        // Every slot was tried, the last one being the header-less bitmap.
        EXPECT_EQ(image.fileFormat, Dib);
        EXPECT_EQ(info.width, 0xCDCDCDCDu) << "info is written only on success";
    }
    ImageDecoder empty;
    EXPECT_EQ(empty.load(nullptr, 0, nullptr), InvalidData);
    EXPECT_EQ(empty.load(nullptr, 4, nullptr), D3DERR_INVALIDCALL);
}

TEST(ImageDecoderLoad, PaletteImageOwnsItsPalette) {
    PngRecipe r;
    r.colorType = PNG_COLOR_TYPE_PALETTE;
    r.rows = {1};
    r.palette = {1, 2, 3, 4, 5, 6};
    const Bytes file = makePng(r);
    ImageDecoder image;
    ImageInfo info = filledInfo();
    ASSERT_EQ(image.load(file.data(), UINT(file.size()), &info), D3D_OK);
    EXPECT_EQ(info.format, PixelFormat(D3DFMT_P8));
    ASSERT_TRUE(image.ownsPalette);
    EXPECT_EQ(image.palette[1].peRed, 4);
    EXPECT_EQ(image.palette[1].peBlue, 6);
}

// A node with a pixel buffer of its own, as a decoder leaves it.
std::unique_ptr<ImageDecoder> ownedLevel(UINT width, UINT height) {
    auto node = std::make_unique<ImageDecoder>();
    node->width = width;
    node->height = height;
    node->depth = 1;
    node->format = D3DFMT_L8;
    node->rowPitch = width;
    node->bits = new uint8_t[size_t(width) * height]();
    node->ownsBits = true;
    return node;
}

TEST(ImageDecoderChains, CountsLevelsAndFacesAndFreesThemOnDiscard) {
    std::unique_ptr<ImageDecoder> image = ownedLevel(8, 8);
    image->nextLevel = ownedLevel(4, 4);
    image->nextLevel->nextLevel = ownedLevel(2, 2);
    image->nextFace = ownedLevel(8, 8);
    image->nextFace->nextLevel = ownedLevel(4, 4);
    EXPECT_EQ(image->levelCount(), 3u);
    EXPECT_EQ(image->faceCount(), 2u);
    EXPECT_EQ(image->nextFace->levelCount(), 2u);

    image->discard();
    EXPECT_EQ(image->levelCount(), 1u);
    EXPECT_EQ(image->faceCount(), 1u);
    EXPECT_EQ(image->bits, nullptr);
    EXPECT_FALSE(image->ownsBits);
}

TEST(ImageDecoderChains, BorrowedBitsAreNotFreed) {
    static const uint8_t fileBytes[4] = {1, 2, 3, 4};
    {
        ImageDecoder image;
        image.bits = fileBytes;
        image.ownsBits = false;
        image.nextLevel = ownedLevel(1, 1);
    }
    EXPECT_EQ(fileBytes[0], 1); // still readable; the sanitizer build would catch a bad free
}

// One 40 x 24 picture in every container.
std::vector<std::pair<const char*, Bytes>> pictureInEveryContainer() {
    constexpr uint32_t w = 40, h = 24;
    test_support::BitmapRecipe bitmap;
    bitmap.width = w;
    bitmap.height = h;
    bitmap.bitCount = 24;
    bitmap.pixels.assign(size_t(w) * h * 3, 0x33);
    test_support::TargaRecipe targa;
    targa.width = w;
    targa.height = h;
    targa.pixels.assign(size_t(w) * h * 3, 0x44);
    std::string pixmap = "P6\n40 24\n255\n" + std::string(size_t(w) * h * 3, 'x');
    DdsRecipe dds;
    dds.width = w;
    dds.height = h;
    dds.pixel = ddsPixelWords(D3DFMT_A8R8G8B8);
    dds.data.assign(size_t(w) * h * 4, 0x55);
    JpegRecipe jpeg;
    jpeg.width = w;
    jpeg.height = h;
    jpeg.samples = photoLikeSamples(w, h, 3);
    return {{"bitmap", test_support::makeBmp(bitmap)},
            {"header-less bitmap", test_support::makeDib(bitmap)},
            {"Targa", test_support::makeTga(targa)},
            {"pixmap", Bytes(pixmap.begin(), pixmap.end())},
            {"DDS", makeDds(dds)},
            {"PNG", rgbPng(w, h, 8)},
            {"JPEG", makeJpeg(jpeg)}};
}

TEST(ImageDecoderPixelLimit, EachContainerRefusesAPictureOverTheLimitFromItsHeader) {
    for (const auto& [name, file] : pictureInEveryContainer()) {
        ImageDecoder within;
        within.pixelLimit = 40 * 24;
        EXPECT_EQ(within.load(file.data(), UINT(file.size()), nullptr), D3D_OK) << name;
        EXPECT_EQ(within.declaredWidth, 0u) << name;

        ImageDecoder over;
        over.pixelLimit = 40 * 24 - 1;
        EXPECT_EQ(over.load(file.data(), UINT(file.size()), nullptr), InvalidData) << name;
        EXPECT_EQ(over.declaredWidth, 40u) << name;
        EXPECT_EQ(over.declaredHeight, 24u) << name;
        EXPECT_EQ(over.declaredDepth, 1u) << name;
        EXPECT_EQ(over.bits, nullptr) << name;
    }
}

// A container that recognised its file and found it too large has the last word: the decoders
// after it never see the bytes (the header-less bitmap would otherwise try any file).
TEST(ImageDecoderPixelLimit, TheRefusalEndsTheLoad) {
    const Bytes file = rgbPng(40, 24, 8);
    ImageDecoder image;
    image.pixelLimit = 100;
    EXPECT_EQ(image.load(file.data(), UINT(file.size()), nullptr), InvalidData);
    EXPECT_EQ(image.fileFormat, Png);
}

TEST(ImageDecoderPixelLimit, AVolumeCountsItsSlices) {
    DdsRecipe volume;
    volume.flags = 0x801007; // with the depth flag
    volume.width = 16;
    volume.height = 16;
    volume.depth = 8;
    volume.caps2 = 0x200000;
    volume.pixel = ddsPixelWords(D3DFMT_A8R8G8B8);
    volume.data.assign(16 * 16 * 8 * 4, 0x66);
    const Bytes file = makeDds(volume);
    ImageDecoder image;
    image.pixelLimit = 16 * 16 * 8 - 1;
    EXPECT_EQ(image.load(file.data(), UINT(file.size()), nullptr), InvalidData);
    EXPECT_EQ(image.declaredDepth, 8u);
    ImageDecoder allowed;
    allowed.pixelLimit = 16 * 16 * 8;
    EXPECT_EQ(allowed.load(file.data(), UINT(file.size()), nullptr), D3D_OK);
}

} // namespace
