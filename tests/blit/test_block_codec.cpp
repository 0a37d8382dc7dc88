// The block-compressed codec in the blit paths: small surfaces and edge blocks filled by
// repetition, partly covered block rows keeping their stored pixels, the quantized colour key,
// decoding into other formats, partial locks and mip chains of DXT textures; and the flag that
// hands the blocks of loads, converting copies and mip chains to the high-quality encoder.
#include "blit/filter_texture.h"
#include "blit/pixel_format.h"
#include "blit/surface_blitter.h"
#include "blit/surface_load.h"
#include "blit_device_fixture.h"
#include "blocks/dxt_block.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t red = 0xFFFF0000, blue = 0xFF0000FF;
// Blocks of one 5:6:5 colour, and of red and blue whose rows or columns follow a pattern.
const Bytes redBlock = {0x00, 0xF8, 0x00, 0xF8, 0, 0, 0, 0};
const Bytes blueBlock = {0x1F, 0x00, 0x1F, 0x00, 0, 0, 0, 0};
Bytes redBlueBlock(uint8_t row0, uint8_t row1, uint8_t row2, uint8_t row3) {
    return {0x00, 0xF8, 0x1F, 0x00, row0, row1, row2, row3};
}

// DXT1 blocks in caller memory, for a surface of any size (the blocks cover it whole).
struct Dxt1Image {
    uint32_t blocksAcross, blocksDown;
    Bytes bytes;
    BlitSurface side;

    Dxt1Image(uint32_t width, uint32_t height, uint8_t fill = 0xCC)
        : blocksAcross((width + 3) / 4), blocksDown((height + 3) / 4),
          bytes(size_t(blocksAcross) * blocksDown * 8, fill) {
        side.bits = bytes.data();
        side.format = D3DFMT_DXT1;
        side.rowPitch = blocksAcross * 8;
        side.extent = side.rect = {0, 0, int32_t(width), int32_t(height), 0, 1};
    }
    Bytes block(uint32_t bx, uint32_t by) const {
        const uint8_t* at = bytes.data() + (size_t(by) * blocksAcross + bx) * 8;
        return Bytes(at, at + 8);
    }
    void setBlock(uint32_t bx, uint32_t by, const Bytes& block) {
        std::memcpy(bytes.data() + (size_t(by) * blocksAcross + bx) * 8, block.data(), 8);
    }
};

struct ArgbImage {
    uint32_t width, height;
    std::vector<uint32_t> pixels;

    ArgbImage(uint32_t w, uint32_t h, uint32_t fill = 0)
        : width(w), height(h), pixels(w * h, fill) {}
    uint32_t& at(uint32_t x, uint32_t y) { return pixels[y * width + x]; }
    BlitSurface side(uint32_t colorKey = 0) {
        BlitSurface s;
        s.bits = reinterpret_cast<uint8_t*>(pixels.data());
        s.format = D3DFMT_A8R8G8B8;
        s.rowPitch = width * 4;
        s.extent = s.rect = {0, 0, int32_t(width), int32_t(height), 0, 1};
        s.colorKey = colorKey;
        return s;
    }
};

// A 16 x 16 picture of gradients and ripples that the two encoders write differently.
ArgbImage ripples() {
    ArgbImage image(16, 16);
    for (uint32_t y = 0; y < 16; ++y) {
        for (uint32_t x = 0; x < 16; ++x) {
            const uint32_t r = (x * 37 + y * 11) % 256, g = (x * y * 7 + 40) % 256;
            const uint32_t b = (200 + x * 5 - y * 9) % 256, a = (x * 29 + y * 53) % 256;
            image.at(x, y) = a << 24 | r << 16 | g << 8 | b;
        }
    }
    return image;
}

// The blocks that a batch encoder writes for an A8R8G8B8 picture (width and height multiples
// of 4), from the values the engine decodes.
Bytes encodedBlocks(const ArgbImage& image, PixelFormat format, bool highQuality) {
    const BlockFormat& row = *findBlockFormat(format);
    const uint32_t across = image.width / 4, count = across * (image.height / 4);
    std::vector<FloatColor> values(size_t(count) * 16);
    for (uint32_t y = 0; y < image.height; ++y) {
        for (uint32_t x = 0; x < image.width; ++x) {
            const uint32_t p = image.pixels[y * image.width + x];
            const float scale = 0.003921569f;
            values[(size_t(y / 4) * across + x / 4) * 16 + (y % 4) * 4 + x % 4] = {
                float((p >> 16) & 0xFF) * scale, float((p >> 8) & 0xFF) * scale,
                float(p & 0xFF) * scale, float(p >> 24) * scale};
        }
    }
    Bytes out(size_t(count) * row.blockBytes);
    (highQuality ? blockHqBatchEncoder(row) : blockBatchEncoder(row))(values.data(), count, out.data());
    return out;
}

} // namespace

TEST(BlockCodecTest, TheHighQualityFlagChoosesTheEncoderOfEveryBlock) {
    ArgbImage image = ripples();
    for (PixelFormat format : {D3DFMT_DXT1, D3DFMT_DXT2, D3DFMT_DXT3, D3DFMT_DXT4, D3DFMT_DXT5}) {
        const uint32_t blockBytes = findBlockFormat(format)->blockBytes;
        const Bytes exact = encodedBlocks(image, format, false);
        const Bytes high = encodedBlocks(image, format, true);
        EXPECT_NE(exact, high) << format;
        for (bool flag : {false, true}) {
            Bytes blocks(16 * blockBytes, 0xCC);
            BlitSurface side;
            side.bits = blocks.data();
            side.format = format;
            side.rowPitch = 4 * blockBytes;
            side.extent = side.rect = {0, 0, 16, 16, 0, 1};
            ASSERT_EQ(blitSurface(side, image.side(),
                                  FilterNone | (flag ? ImageFilter(FilterHighQualityBlocks) : 0u)),
                      D3D_OK);
            EXPECT_EQ(blocks, flag ? high : exact) << format << (flag ? " with" : " without");
        }
    }
    // The flag is a valid part of every filter word, and other destinations ignore it.
    ArgbImage copy(16, 16);
    EXPECT_EQ(blitSurface(copy.side(), image.side(), FilterBox | FilterHighQualityBlocks), D3D_OK);
    EXPECT_EQ(copy.pixels, image.pixels);
}

TEST(BlockCodecTest, SmallSurfacesRepeatTheirPixelsAcrossTheBlock) {
    // A 2 x 2 level: its two rows fill all four rows, its two columns all four columns.
    ArgbImage source(2, 2, red);
    source.at(0, 1) = source.at(1, 1) = blue;
    Dxt1Image level(2, 2);
    ASSERT_EQ(blitSurface(level.side, source.side(), FilterNone), D3D_OK);
    EXPECT_EQ(level.block(0, 0), redBlueBlock(0x00, 0x55, 0x00, 0x55));
    // A single pixel fills its block.
    ArgbImage one(1, 1, blue);
    Dxt1Image dot(1, 1);
    ASSERT_EQ(blitSurface(dot.side, one.side(), FilterNone), D3D_OK);
    EXPECT_EQ(dot.block(0, 0), blueBlock);
}

TEST(BlockCodecTest, EdgeBlocksOfOddLevelsAreStoredAndFilledFromTheirPixels) {
    // 5 x 8: the right block column holds one column of pixels, repeated.
    ArgbImage tall(5, 8, blue);
    for (uint32_t y = 0; y < 8; ++y)
        tall.at(4, y) = red;
    Dxt1Image tallLevel(5, 8);
    ASSERT_EQ(blitSurface(tallLevel.side, tall.side(), FilterNone), D3D_OK);
    for (uint32_t by = 0; by < 2; ++by) {
        EXPECT_EQ(tallLevel.block(0, by), blueBlock);
        EXPECT_EQ(tallLevel.block(1, by), redBlock);
    }
    // 8 x 5: the bottom block row has one row of pixels; its other rows are never written.
    ArgbImage wide(8, 5, blue);
    wide.at(0, 4) = wide.at(1, 4) = red;
    Dxt1Image wideLevel(8, 5);
    ASSERT_EQ(blitSurface(wideLevel.side, wide.side(), FilterNone), D3D_OK);
    EXPECT_EQ(wideLevel.block(0, 0), blueBlock);
    EXPECT_EQ(wideLevel.block(0, 1), redBlueBlock(0x50, 0x50, 0x50, 0x50));
    EXPECT_EQ(wideLevel.block(1, 1), blueBlock);
}

TEST(BlockCodecTest, PartlyCoveredBlockRowsKeepTheirOtherPixels) {
    // Rows 2 and 3 written into blue blocks: rows 0 and 1 stay blue, block row 1 is untouched.
    Dxt1Image surface(8, 8);
    for (uint32_t b = 0; b < 4; ++b)
        surface.setBlock(b % 2, b / 2, blueBlock);
    ArgbImage band(8, 2, red);
    BlitSurface rows = surface.side;
    rows.rect = {0, 2, 8, 4, 0, 1};
    ASSERT_EQ(blitSurface(rows, band.side(), FilterNone), D3D_OK);
    EXPECT_EQ(surface.block(0, 0), redBlueBlock(0x55, 0x55, 0x00, 0x00));
    EXPECT_EQ(surface.block(1, 0), redBlueBlock(0x55, 0x55, 0x00, 0x00));
    EXPECT_EQ(surface.block(0, 1), blueBlock);
    // Columns 2 to 5 of the top block row: each block keeps its two outer columns.
    surface.setBlock(0, 0, blueBlock);
    surface.setBlock(1, 0, blueBlock);
    ArgbImage strip(4, 4, red);
    BlitSurface columns = surface.side;
    columns.rect = {2, 0, 6, 4, 0, 1};
    ASSERT_EQ(blitSurface(columns, strip.side(), FilterNone), D3D_OK);
    EXPECT_EQ(surface.block(0, 0), redBlueBlock(0x05, 0x05, 0x05, 0x05));
    EXPECT_EQ(surface.block(1, 0), redBlueBlock(0x50, 0x50, 0x50, 0x50));
}

TEST(BlockCodecTest, DecodesIntoOtherFormats) {
    Dxt1Image surface(4, 4);
    surface.setBlock(0, 0, {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0x00, 0x00, 0x00});
    ArgbImage out(4, 4);
    ASSERT_EQ(blitSurface(out.side(), surface.side, FilterNone), D3D_OK);
    EXPECT_EQ(out.at(0, 0), red);
    EXPECT_EQ(out.at(1, 0), blue);
    EXPECT_EQ(out.at(2, 0), 0xFFAA0055u);
    EXPECT_EQ(out.at(3, 0), 0xFF5500AAu);
    EXPECT_EQ(out.at(3, 3), red);
    // Three-colour mode: the transparent entry.
    surface.setBlock(0, 0, {0x1F, 0x00, 0x00, 0xF8, 0xE4, 0x00, 0x00, 0x00});
    ASSERT_EQ(blitSurface(out.side(), surface.side, FilterNone), D3D_OK);
    EXPECT_EQ(out.at(2, 0), 0xFF800080u);
    EXPECT_EQ(out.at(3, 0), 0x00000000u);
}

TEST(BlockCodecTest, TheColourKeyIsComparedAtBlockPrecision) {
    Dxt1Image surface(4, 4);
    surface.setBlock(0, 0, redBlueBlock(0x44, 0x44, 0x44, 0x44)); // columns 1 and 3 blue
    struct Case {
        uint32_t key;
        bool keysRed;
    };
    // 0xFC rounds to red 31 of 31, 0xF8 to 30.
    for (const Case& c : {Case{0xFFFF0000, true}, Case{0xFFFC0000, true}, Case{0xFFF80000, false},
                          Case{0x80FF0000, false}}) {
        ArgbImage out(4, 4);
        BlitSurface keyed = surface.side;
        keyed.colorKey = c.key;
        ASSERT_EQ(blitSurface(out.side(), keyed, FilterNone), D3D_OK);
        EXPECT_EQ(out.at(0, 0), c.keysRed ? 0u : red) << std::hex << c.key;
        EXPECT_EQ(out.at(1, 0), blue);
    }
}

TEST(BlockCodecTest, CopiesBetweenDxtSurfacesOfOtherSizesGoThroughTheFilters) {
    Dxt1Image from(8, 8);
    for (uint32_t b = 0; b < 4; ++b)
        from.setBlock(b % 2, b / 2, redBlock);
    Dxt1Image to(4, 4);
    ASSERT_EQ(blitSurface(to.side, from.side, FilterBox), D3D_OK);
    EXPECT_EQ(to.block(0, 0), redBlock);
}

class BlockCodecDeviceTest : public BlitDeviceTest {
protected:
    Bytes levelBlocks(IDirect3DTexture8* texture, UINT level) {
        D3DSURFACE_DESC desc = {};
        texture->GetLevelDesc(level, &desc);
        const UINT rowBytes = (desc.Width + 3) / 4 * blockSize(desc.Format);
        D3DLOCKED_RECT locked = {};
        EXPECT_EQ(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        EXPECT_EQ(UINT(locked.Pitch), rowBytes);
        Bytes out;
        for (UINT by = 0; by < (desc.Height + 3) / 4; ++by) {
            const uint8_t* row = static_cast<uint8_t*>(locked.pBits) + size_t(by) * locked.Pitch;
            out.insert(out.end(), row, row + rowBytes);
        }
        texture->UnlockRect(level);
        return out;
    }
    static UINT blockSize(D3DFORMAT format) { return format == D3DFMT_DXT1 ? 8 : 16; }
};

TEST_F(BlockCodecDeviceTest, PartialLocksKnowWhereTheSurfaceEnds) {
    // Level 2 of a 24 x 24 texture is 6 x 6; its bottom-right block holds 2 x 2 pixels.
    ComRef<IDirect3DTexture8> texture;
    ASSERT_EQ(device->CreateTexture(24, 24, 3, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, texture.out()),
              D3D_OK);
    ComRef<IDirect3DSurface8> level;
    ASSERT_EQ(texture->GetSurfaceLevel(2, level.out()), D3D_OK);
    const uint32_t blues[36] = {blue, blue, blue, blue, blue, blue, blue, blue, blue,
                                blue, blue, blue, blue, blue, blue, blue, blue, blue,
                                blue, blue, blue, blue, blue, blue, blue, blue, blue,
                                blue, blue, blue, blue, blue, blue, blue, blue, blue};
    const RECT whole = {0, 0, 6, 6};
    ASSERT_EQ(loadSurfaceFromMemory(level.get(), nullptr, nullptr, blues, D3DFMT_A8R8G8B8, 24,
                                    nullptr, &whole, FilterNone, 0),
              D3D_OK);
    const uint32_t reds[4] = {red, red, red, red};
    const RECT source = {0, 0, 2, 2}, corner = {4, 4, 6, 6};
    ASSERT_EQ(loadSurfaceFromMemory(level.get(), nullptr, &corner, reds, D3DFMT_A8R8G8B8, 8,
                                    nullptr, &source, FilterNone, 0),
              D3D_OK);
    const Bytes blocks = levelBlocks(texture.get(), 2);
    EXPECT_EQ(Bytes(blocks.begin(), blocks.begin() + 8), blueBlock);
    EXPECT_EQ(Bytes(blocks.begin() + 24, blocks.end()), redBlock);
}

TEST_F(BlockCodecDeviceTest, MipChainsOfDxtTexturesKeepAUniformColour) {
    // 32 x 20 has levels 16 x 10, 8 x 5, 4 x 2, 2 x 1 and 1 x 1, most with edge blocks.
    for (D3DFORMAT format : {D3DFMT_DXT1, D3DFMT_DXT3, D3DFMT_DXT5}) {
        ComRef<IDirect3DTexture8> texture;
        ASSERT_EQ(device->CreateTexture(32, 20, 0, 0, format, D3DPOOL_MANAGED, texture.out()),
                  D3D_OK);
        ASSERT_EQ(texture->GetLevelCount(), 6u);
        ComRef<IDirect3DSurface8> top;
        ASSERT_EQ(texture->GetSurfaceLevel(0, top.out()), D3D_OK);
        const std::vector<uint32_t> green(32 * 20, 0xFF00FF00);
        const RECT whole = {0, 0, 32, 20};
        ASSERT_EQ(loadSurfaceFromMemory(top.get(), nullptr, nullptr, green.data(), D3DFMT_A8R8G8B8,
                                        128, nullptr, &whole, FilterNone, 0),
                  D3D_OK);
        ASSERT_EQ(filterTexture(texture.get(), nullptr, 0, FilterBox), D3D_OK);
        Bytes expected = {0xE0, 0x07, 0xE0, 0x07, 0, 0, 0, 0};
        if (format != D3DFMT_DXT1)
            expected.insert(expected.begin(), {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
        if (format == D3DFMT_DXT5)
            std::fill(expected.begin() + 2, expected.begin() + 8, 0);
        for (UINT index = 0; index < 6; ++index) {
            const Bytes blocks = levelBlocks(texture.get(), index);
            for (size_t at = 0; at < blocks.size(); at += expected.size())
                ASSERT_EQ(Bytes(blocks.begin() + at, blocks.begin() + at + expected.size()),
                          expected)
                    << "format " << format << " level " << index << " byte " << at;
        }
    }
}

TEST_F(BlockCodecDeviceTest, LoadsAndConvertingCopiesHonourTheHighQualityFlag) {
    ArgbImage image = ripples();
    const RECT whole = {0, 0, 16, 16};
    ComRef<IDirect3DSurface8> source = imageSurface(16, 16, D3DFMT_A8R8G8B8);
    ASSERT_EQ(loadSurfaceFromMemory(source.get(), nullptr, nullptr, image.pixels.data(),
                                    D3DFMT_A8R8G8B8, 64, nullptr, &whole, FilterNone, 0),
              D3D_OK);
    for (D3DFORMAT format : {D3DFMT_DXT1, D3DFMT_DXT5}) {
        for (bool flag : {false, true}) {
            const ImageFilter filter =
                FilterNone | (flag ? ImageFilter(FilterHighQualityBlocks) : 0u);
            const Bytes expected = encodedBlocks(image, format, flag);
            ComRef<IDirect3DTexture8> loaded, copied;
            ASSERT_EQ(device->CreateTexture(16, 16, 1, 0, format, D3DPOOL_MANAGED, loaded.out()),
                      D3D_OK);
            ASSERT_EQ(device->CreateTexture(16, 16, 1, 0, format, D3DPOOL_MANAGED, copied.out()),
                      D3D_OK);
            ComRef<IDirect3DSurface8> loadedLevel, copiedLevel;
            ASSERT_EQ(loaded->GetSurfaceLevel(0, loadedLevel.out()), D3D_OK);
            ASSERT_EQ(copied->GetSurfaceLevel(0, copiedLevel.out()), D3D_OK);
            ASSERT_EQ(loadSurfaceFromMemory(loadedLevel.get(), nullptr, nullptr,
                                            image.pixels.data(), D3DFMT_A8R8G8B8, 64, nullptr,
                                            &whole, filter, 0),
                      D3D_OK);
            ASSERT_EQ(loadSurfaceFromSurface(copiedLevel.get(), nullptr, nullptr, source.get(),
                                             nullptr, nullptr, filter, 0),
                      D3D_OK);
            EXPECT_EQ(levelBlocks(loaded.get(), 0), expected) << format << " load " << flag;
            EXPECT_EQ(levelBlocks(copied.get(), 0), expected) << format << " copy " << flag;
        }
    }
}

TEST_F(BlockCodecDeviceTest, MipChainsHonourTheHighQualityFlag) {
    // Each level of the chain equals the blit of the level above with the same filter word,
    // which the flag changes.
    ArgbImage image = ripples();
    const RECT whole = {0, 0, 16, 16};
    ComRef<IDirect3DTexture8> texture;
    ASSERT_EQ(device->CreateTexture(16, 16, 3, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, texture.out()),
              D3D_OK);
    ComRef<IDirect3DSurface8> top;
    ASSERT_EQ(texture->GetSurfaceLevel(0, top.out()), D3D_OK);
    ASSERT_EQ(loadSurfaceFromMemory(top.get(), nullptr, nullptr, image.pixels.data(),
                                    D3DFMT_A8R8G8B8, 64, nullptr, &whole, FilterNone, 0),
              D3D_OK);
    Dxt1Image level0(16, 16);
    const Bytes top0 = levelBlocks(texture.get(), 0);
    std::memcpy(level0.bytes.data(), top0.data(), top0.size());
    Bytes levels[2];
    for (bool flag : {false, true}) {
        const ImageFilter filter = FilterBox | (flag ? ImageFilter(FilterHighQualityBlocks) : 0u);
        ASSERT_EQ(filterTexture(texture.get(), nullptr, 0, filter), D3D_OK);
        Dxt1Image level1(8, 8), level2(4, 4);
        ASSERT_EQ(blitSurface(level1.side, level0.side, filter), D3D_OK);
        ASSERT_EQ(blitSurface(level2.side, level1.side, filter), D3D_OK);
        EXPECT_EQ(levelBlocks(texture.get(), 1), level1.bytes) << flag;
        EXPECT_EQ(levelBlocks(texture.get(), 2), level2.bytes) << flag;
        levels[flag] = level1.bytes;
    }
    EXPECT_NE(levels[0], levels[1]);
}

namespace {

// A surface of 4 x 4 blocks of any block format in caller memory, one block across.
struct BlockColumn {
    Bytes bytes;
    BlitSurface side;

    BlockColumn(PixelFormat format, const Bytes& blocks) : bytes(blocks) {
        side.bits = bytes.data();
        side.format = format;
        side.rowPitch = blockBytes(format);
        const int32_t height = int32_t(bytes.size() / blockBytes(format)) * 4;
        side.extent = side.rect = {0, 0, 4, height, 0, 1};
    }
};

// An 8-byte interpolated block: endpoints, then pixel 0 on index 0, pixel 1 on index 1, the
// others on index 0.
Bytes twoValueBlock(uint8_t e0, uint8_t e1) {
    return {e0, e1, 0x08, 0, 0, 0, 0, 0};
}

} // namespace

TEST(BlockCodecTest, OneAndTwoChannelBlocksDecodeIntoGreyAndIntoBumpChannels) {
    BlockColumn grey(BlockFormatBc4, twoValueBlock(200, 100));
    Bytes luminance(16, 0xCC);
    BlitSurface l8 = grey.side;
    l8.bits = luminance.data();
    l8.format = D3DFMT_L8;
    l8.rowPitch = 4;
    ASSERT_EQ(blitSurface(l8, grey.side, FilterNone), D3D_OK);
    EXPECT_EQ(luminance[0], 200);
    EXPECT_EQ(luminance[1], 100);
    EXPECT_EQ(luminance[15], 200);
    ArgbImage argb(4, 4);
    ASSERT_EQ(blitSurface(argb.side(), grey.side, FilterNone), D3D_OK);
    EXPECT_EQ(argb.at(1, 0), 0xFF646464u);

    // Signed red 64/127 and -64/127, green -64/127 and 64/127: V8U8 takes U from red and V
    // from green, each trunc(v x 128 + 0.5).
    Bytes twoChannels = twoValueBlock(0x40, 0xC0);
    const Bytes green = twoValueBlock(0xC0, 0x40);
    twoChannels.insert(twoChannels.end(), green.begin(), green.end());
    BlockColumn normals(BlockFormatBc5Signed, twoChannels);
    Bytes bump(32, 0xCC);
    BlitSurface v8u8 = normals.side;
    v8u8.bits = bump.data();
    v8u8.format = D3DFMT_V8U8;
    v8u8.rowPitch = 8;
    ASSERT_EQ(blitSurface(v8u8, normals.side, FilterNone), D3D_OK);
    // Pixel 0: red 64/127 (eight steps, 64 > -64), green -64/127 (six steps, -64 < 64).
    EXPECT_EQ(bump[0], 0x41);
    EXPECT_EQ(bump[1], 0xC0);
    EXPECT_EQ(bump[2], 0xC0);
    EXPECT_EQ(bump[3], 0x41);
    // Unsigned, the same bytes are red 64/255 and 192/255 with blue 0.
    BlockColumn unsignedPair(BlockFormatBc5, twoChannels);
    ASSERT_EQ(blitSurface(argb.side(), unsignedPair.side, FilterNone), D3D_OK);
    EXPECT_EQ(argb.at(0, 0), 0xFF40C000u);
    EXPECT_EQ(argb.at(1, 0), 0xFFC04000u);
}

TEST(BlockCodecTest, OneAndTwoChannelFormatsKeepASmoothPictureThroughTheEngine) {
    ArgbImage picture(8, 8);
    for (uint32_t y = 0; y < 8; ++y) {
        for (uint32_t x = 0; x < 8; ++x)
            picture.at(x, y) = 0xFF000000u | (100 + x * 2 + y) << 16 | (180 - x - y * 2) << 8 | 0x33;
    }
    for (PixelFormat format : {BlockFormatBc5, BlockFormatBc5Signed, BlockFormatBc4}) {
        Bytes blocks(size_t(4) * blockBytes(format), 0xCC);
        BlitSurface encoded;
        encoded.bits = blocks.data();
        encoded.format = format;
        encoded.rowPitch = 2 * blockBytes(format);
        encoded.extent = encoded.rect = {0, 0, 8, 8, 0, 1};
        ASSERT_EQ(blitSurface(encoded, picture.side(), FilterNone), D3D_OK);
        ArgbImage back(8, 8);
        ASSERT_EQ(blitSurface(back.side(), encoded, FilterNone), D3D_OK);
        for (uint32_t i = 0; i < 64; ++i) {
            const uint32_t in = picture.pixels[i], out = back.pixels[i];
            auto channel = [](uint32_t p, int shift) { return int((p >> shift) & 0xFF); };
            if (format == BlockFormatBc4) {
                // The grey of the picture, as L8 would hold it.
                const double luma = 0.2125 * channel(in, 16) + 0.7154 * channel(in, 8) +
                                    0.0721 * channel(in, 0);
                EXPECT_NEAR(channel(out, 16), luma, 2.0) << i;
                EXPECT_EQ(channel(out, 8), channel(out, 16));
                EXPECT_EQ(channel(out, 0), channel(out, 16));
                continue;
            }
            // Signed values travel as v x 2 - 1 and back, a little coarser.
            const int tolerance = format == BlockFormatBc5 ? 2 : 3;
            EXPECT_NEAR(channel(out, 16), channel(in, 16), tolerance) << i;
            EXPECT_NEAR(channel(out, 8), channel(in, 8), tolerance) << i;
            EXPECT_EQ(channel(out, 0), format == BlockFormatBc5 ? 0 : 0x80) << i;
            EXPECT_EQ(out >> 24, 0xFFu);
        }
    }
}

TEST(BlockCodecTest, ABlockFormatWithoutItsCodecIsRefusedNotOutOfMemory) {
    BlockColumn colour(BlockFormatBc7, Bytes(16, 0));
    ArgbImage argb(4, 4);
    const HRESULT expected = findBlockFormat(BlockFormatBc7) != nullptr ? D3D_OK : E_FAIL;
    EXPECT_EQ(blitSurface(argb.side(), colour.side, FilterNone), expected);
    EXPECT_EQ(blitSurface(colour.side, argb.side(), FilterNone), expected);
}
