// DDS files of the later formats: the four-character codes of BC4 and BC5, the DX10 header
// with its DXGI formats (rewritten byte orders, sRGB twins, premultiplied alpha), arrays, cube
// maps and volumes, headers and levels cut short; and such files loaded into a device that
// cannot sample them, which gets the decoder's pixels in a format it offers.
#include "blocks/bc45_block.h"
#include "texture/dds_format_table.h"
#include "texture/image_decoder.h"
#include "texture/texture_loader.h"

#include "tests/texture/dds_maker.h"
#include "tests/texture/texture_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t Dx10 = MAKEFOURCC('D', 'X', '1', '0');

// A file with a DX10 header naming `dxgi`, `arraySize` elements of dimension `dimension` with
// the cube flag when asked, then `data`.
Bytes dx10File(uint32_t dxgi, uint32_t width, uint32_t height, uint32_t levels, const Bytes& data,
               uint32_t arraySize = 1, bool cube = false, uint32_t dimension = 3,
               uint32_t alphaMode = 0) {
    DdsRecipe r;
    r.width = width;
    r.height = height;
    r.mipCount = levels;
    r.pixel.flags = 0x4;
    r.pixel.code = Dx10;
    Bytes file = makeDds(r);
    Bytes header(20, 0);
    writeWord(header, 0, dxgi);
    writeWord(header, 4, dimension);
    writeWord(header, 8, cube ? 0x4 : 0);
    writeWord(header, 12, arraySize);
    writeWord(header, 16, alphaMode);
    file.insert(file.end(), header.begin(), header.end());
    file.insert(file.end(), data.begin(), data.end());
    return file;
}

HRESULT decode(const Bytes& file, ImageDecoder* image) {
    return image->decodeDds(file.data(), UINT(file.size()));
}

HRESULT decodeOnly(const Bytes& file) {
    ImageDecoder image;
    return decode(file, &image);
}

} // namespace

TEST(DdsLaterFormats, FourCharacterCodesOfBc4AndBc5) {
    struct Case {
        const char* code;
        PixelFormat format;
        uint32_t blockBytes;
    };
    const Case cases[] = {{"ATI1", BlockFormatBc4, 8},        {"BC4U", BlockFormatBc4, 8},
                          {"BC4S", BlockFormatBc4Signed, 8},  {"ATI2", BlockFormatBc5, 16},
                          {"BC5U", BlockFormatBc5, 16},       {"BC5S", BlockFormatBc5Signed, 16}};
    for (const Case& c : cases) {
        // 12 x 8, 6 x 4 and 3 x 2 texels: 3 x 2, 2 x 1 and 1 x 1 blocks.
        DdsRecipe r;
        r.width = 12;
        r.height = 8;
        r.mipCount = 3;
        r.pixel.flags = 0x4;
        r.pixel.code = MAKEFOURCC(c.code[0], c.code[1], c.code[2], c.code[3]);
        r.data = patternBytes((6 + 2 + 1) * c.blockBytes);
        const Bytes file = makeDds(r);
        ImageDecoder image;
        ASSERT_EQ(decode(file, &image), D3D_OK) << c.code;
        EXPECT_EQ(image.format, c.format) << c.code;
        EXPECT_EQ(image.rowPitch, 3 * c.blockBytes) << c.code;
        ASSERT_NE(image.nextLevel, nullptr);
        EXPECT_EQ(image.nextLevel->bits, file.data() + 128 + 6 * c.blockBytes) << c.code;
        EXPECT_EQ(image.nextLevel->nextLevel->bits, file.data() + 128 + 8 * c.blockBytes);
        // One byte short of the last block is refused.
        Bytes cut = file;
        cut.pop_back();
        ImageDecoder shorter;
        EXPECT_EQ(decode(cut, &shorter), E_FAIL) << c.code;
    }
}

TEST(DdsLaterFormats, EveryDxgiFormatLoadsAsItsTableFormatWithItsLevelSizes) {
    struct Case {
        uint32_t dxgi;
        PixelFormat format;
        uint32_t storedBytes; // of a 4 x 4 level
        bool readInPlace;
    };
    const Case cases[] = {
        {28, D3DFMT_A8R8G8B8, 64, false},  {29, D3DFMT_A8R8G8B8, 64, false},
        {87, D3DFMT_A8R8G8B8, 64, true},   {91, D3DFMT_A8R8G8B8, 64, true},
        {88, D3DFMT_X8R8G8B8, 64, true},   {93, D3DFMT_X8R8G8B8, 64, true},
        {61, D3DFMT_L8, 16, true},         {49, D3DFMT_X8R8G8B8, 32, false},
        {71, D3DFMT_DXT1, 8, true},        {72, D3DFMT_DXT1, 8, true},
        {74, D3DFMT_DXT3, 16, true},       {75, D3DFMT_DXT3, 16, true},
        {77, D3DFMT_DXT5, 16, true},       {78, D3DFMT_DXT5, 16, true},
        {80, BlockFormatBc4, 8, true},     {81, BlockFormatBc4Signed, 8, true},
        {83, BlockFormatBc5, 16, true},    {84, BlockFormatBc5Signed, 16, true},
        {98, BlockFormatBc7, 16, true},    {99, BlockFormatBc7, 16, true}};
    for (const Case& c : cases) {
        const Bytes file = dx10File(c.dxgi, 4, 4, 1, patternBytes(c.storedBytes));
        ImageDecoder image;
        ASSERT_EQ(decode(file, &image), D3D_OK) << c.dxgi;
        EXPECT_EQ(image.format, c.format) << c.dxgi;
        EXPECT_EQ(image.ownsBits, !c.readInPlace) << c.dxgi;
        if (c.readInPlace) {
            EXPECT_EQ(image.bits, file.data() + 148) << c.dxgi;
        }
        Bytes cut = file;
        cut.pop_back();
        ImageDecoder shorter;
        EXPECT_EQ(decode(cut, &shorter), E_FAIL) << c.dxgi;
    }
}

TEST(DdsLaterFormats, ByteOrdersNoTableFormatHasAreRewritten) {
    // R8G8B8A8: bytes 1, 2, 3, 4 are red 1, green 2, blue 3, alpha 4.
    ImageDecoder rgba;
    const Bytes rgbaFile = dx10File(28, 2, 1, 1, {1, 2, 3, 4, 5, 6, 7, 8});
    ASSERT_EQ(decode(rgbaFile, &rgba), D3D_OK);
    EXPECT_EQ(rgba.rowPitch, 8u);
    EXPECT_EQ(Bytes(rgba.bits, rgba.bits + 8), (Bytes{3, 2, 1, 4, 7, 6, 5, 8}));
    // R8G8: red, green; blue 0 and opaque.
    ImageDecoder rg;
    const Bytes rgFile = dx10File(49, 2, 2, 2, {10, 20, 30, 40, 50, 60, 70, 80, 90, 100});
    ASSERT_EQ(decode(rgFile, &rg), D3D_OK);
    EXPECT_EQ(Bytes(rg.bits, rg.bits + 16),
              (Bytes{0, 20, 10, 255, 0, 40, 30, 255, 0, 60, 50, 255, 0, 80, 70, 255}));
    ASSERT_NE(rg.nextLevel, nullptr);
    EXPECT_EQ(Bytes(rg.nextLevel->bits, rg.nextLevel->bits + 4), (Bytes{0, 100, 90, 255}));
}

TEST(DdsLaterFormats, PremultipliedAlphaModeMakesDxt2AndDxt4) {
    ImageDecoder bc2, bc3, straight;
    ASSERT_EQ(decode(dx10File(74, 4, 4, 1, patternBytes(16), 1, false, 3, 2), &bc2), D3D_OK);
    ASSERT_EQ(decode(dx10File(78, 4, 4, 1, patternBytes(16), 1, false, 3, 2), &bc3), D3D_OK);
    ASSERT_EQ(decode(dx10File(77, 4, 4, 1, patternBytes(16), 1, false, 3, 1), &straight), D3D_OK);
    EXPECT_EQ(bc2.format, PixelFormat(D3DFMT_DXT2));
    EXPECT_EQ(bc3.format, PixelFormat(D3DFMT_DXT4));
    EXPECT_EQ(straight.format, PixelFormat(D3DFMT_DXT5));
}

TEST(DdsLaterFormats, ArraysCubesAndVolumes) {
    // Three elements of two levels (4 x 4 and 2 x 2 BC4: one block each) are three faces.
    const Bytes array = dx10File(80, 4, 4, 2, patternBytes(3 * 2 * 8), 3);
    ImageDecoder image;
    ASSERT_EQ(decode(array, &image), D3D_OK);
    EXPECT_EQ(image.faceCount(), 3u);
    EXPECT_EQ(image.levelCount(), 2u);
    EXPECT_EQ(image.resourceType, D3DRTYPE_TEXTURE);
    EXPECT_EQ(image.nextFace->nextFace->bits, array.data() + 148 + 4 * 8);
    // Two cubes: twelve faces, in file order.
    const Bytes cubes = dx10File(61, 2, 2, 1, patternBytes(12 * 4), 2, true);
    ImageDecoder cubeImage;
    ASSERT_EQ(decode(cubes, &cubeImage), D3D_OK);
    EXPECT_EQ(cubeImage.faceCount(), 12u);
    EXPECT_EQ(cubeImage.resourceType, D3DRTYPE_CUBETEXTURE);
    // A volume of depth 4, without the description's depth flag: levels of depth 4, 2, 1.
    Bytes volume = dx10File(61, 2, 2, 2, patternBytes(16 + 2), 1, false, 4);
    writeWord(volume, 24, 4);
    ImageDecoder volumeImage;
    ASSERT_EQ(decode(volume, &volumeImage), D3D_OK);
    EXPECT_EQ(volumeImage.resourceType, D3DRTYPE_VOLUMETEXTURE);
    EXPECT_EQ(volumeImage.depth, 4u);
    EXPECT_EQ(volumeImage.nextLevel->depth, 2u);
}

TEST(DdsLaterFormats, HeadersItCannotReadAreRefused) {
    const Bytes block = patternBytes(64);
    // An unknown or unreadable DXGI format (BC6H, R32G32B32A32_FLOAT, a typeless BC1).
    for (uint32_t dxgi : {95u, 2u, 70u, 0u, 0xFFFFFFFFu})
        EXPECT_EQ(decodeOnly(dx10File(dxgi, 4, 4, 1, block)), E_FAIL) << dxgi;
    // No elements, an unknown dimension, a cube or an array of volumes.
    EXPECT_EQ(decodeOnly(dx10File(80, 4, 4, 1, block, 0)), E_FAIL);
    EXPECT_EQ(decodeOnly(dx10File(80, 4, 4, 1, block, 1, false, 5)), E_FAIL);
    EXPECT_EQ(decodeOnly(dx10File(80, 4, 4, 1, block, 1, true, 4)), E_FAIL);
    EXPECT_EQ(decodeOnly(dx10File(80, 4, 4, 1, block, 2, false, 4)), E_FAIL);
    // More elements than the file holds, up to the count that would wrap.
    EXPECT_EQ(decodeOnly(dx10File(80, 4, 4, 1, block, 9)), E_FAIL);
    EXPECT_EQ(decodeOnly(dx10File(80, 4, 4, 1, block, 0x2AAAAAABu, true)), E_FAIL);
    EXPECT_EQ(decodeOnly(dx10File(80, 4, 4, 1, block, 0xFFFFFFFFu)), E_FAIL);
    // A size whose levels could never fit.
    EXPECT_EQ(decodeOnly(dx10File(98, 0xFFFFFFFFu, 0xFFFFFFFFu, 32, block)), E_FAIL);
}

TEST(DdsLaterFormats, CutAnywhereIsRefusedWithoutReadingPastTheEnd) {
    const Bytes file = dx10File(83, 8, 4, 2, patternBytes(2 * 16 + 16), 1);
    ASSERT_EQ(decodeOnly(file), D3D_OK);
    // Each shorter copy lies in its own allocation, so a read past its end is caught.
    for (size_t size = 0; size < file.size(); ++size) {
        const Bytes cut(file.begin(), file.begin() + ptrdiff_t(size));
        EXPECT_EQ(decodeOnly(cut), E_FAIL) << size;
    }
    EXPECT_EQ(ddsDxgiFormat(file.data(), file.size()), 83u);
    EXPECT_EQ(ddsDxgiFormat(file.data(), 131), 0u);
}

class DdsLaterFormatLoad : public d3d8_test::DeviceTest {
protected:
    HRESULT load(const Bytes& file, ImageInfo* info = nullptr,
                 D3DFORMAT format = D3DFMT_UNKNOWN) {
        return createTextureFromMemory(device.get(), file.data(), UINT(file.size()), 0xFFFFFFFFu,
                                       0xFFFFFFFFu, 1, 0, format, D3DPOOL_MANAGED,
                                       FilterNone, FilterDefault, 0, info, nullptr, texture.out());
    }
    d3d8_test::Ref<IDirect3DTexture8> texture;
};

TEST_F(DdsLaterFormatLoad, FormatsTheDeviceCannotSampleLoadAsTheDecoderGivesThem) {
    // BC4 grey into L8, BC5 red and green into X8R8G8B8: the decoder's values at 8 bits.
    const Bytes grey = {200, 100, 0x08, 0, 0, 0, 0, 0};
    Bytes pair = grey;
    pair.insert(pair.end(), {30, 230, 0x08, 0, 0, 0, 0, 0});
    ImageInfo info = {};
    ASSERT_EQ(load(dx10File(80, 4, 4, 1, grey), &info), D3D_OK);
    EXPECT_EQ(info.format, BlockFormatBc4);
    texture_test::LevelPixels level = texture_test::readLevel(texture.get(), 0, 1);
    EXPECT_EQ(level.format, D3DFMT_L8);
    EXPECT_EQ(level.at(0, 0), 200u);
    EXPECT_EQ(level.at(1, 0), 100u);
    ASSERT_EQ(load(dx10File(83, 4, 4, 1, pair)), D3D_OK);
    level = texture_test::readLevel(texture.get(), 0, 4);
    EXPECT_EQ(level.format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(level.at(0, 0) & 0xFFFFFF, 0xC81E00u);
    EXPECT_EQ(level.at(1, 0) & 0xFFFFFF, 0x64E600u);
    // An sRGB twin loads the same bytes.
    ASSERT_EQ(load(dx10File(72, 4, 4, 1, {0x00, 0xF8, 0x1F, 0x00, 0x04, 0, 0, 0}), nullptr,
                   D3DFMT_A8R8G8B8),
              D3D_OK);
    level = texture_test::readLevel(texture.get(), 0, 4);
    EXPECT_EQ(level.at(0, 0), 0xFFFF0000u);
    EXPECT_EQ(level.at(1, 0), 0xFF0000FFu);
    // Signed formats need a signed format the device samples, and it has none.
    EXPECT_EQ(load(dx10File(84, 4, 4, 1, pair)), D3DERR_NOTAVAILABLE);
    // BC7 loads as A8R8G8B8 once its codec is built in, and is refused until then.
    const HRESULT bc7 = load(dx10File(98, 4, 4, 1, patternBytes(16)));
    if (findBlockFormat(BlockFormatBc7) != nullptr)
        EXPECT_EQ(bc7, D3D_OK);
    else
        EXPECT_TRUE(FAILED(bc7)) << bc7;
}
