// DDS files through createTextureFromMemory: every level of every table row copied as stored
// (the partial blocks of small compressed levels too), compressed blocks decoded, palettes
// with the colour key, cube maps whose faces all go into the same levels, and volumes whose
// first slice reaches the texture.
#include "texture/texture_loader.h"

#include "tests/texture/dds_maker.h"
#include "tests/texture/texture_test_support.h"

#include <gtest/gtest.h>

namespace {

using namespace texture_test;
using d3d8_test::DeviceTest;
using Bytes = std::vector<uint8_t>;

constexpr UINT Choose = 0xFFFFFFFFu;

class DdsTexture : public DeviceTest {
protected:
    HRESULT load(const Bytes& file, D3DFORMAT format, D3DPOOL pool, D3DCOLOR key,
                 ImageInfo* info = nullptr, PALETTEENTRY* palette = nullptr) {
        return createTextureFromMemory(device.get(), file.data(), UINT(file.size()), Choose, Choose,
                                       0, 0, format, pool, FilterNone, FilterDefault, key, info,
                                       palette, texture.out());
    }

    Ref<IDirect3DTexture8> texture;
};

// A file of little-endian 32-bit texels.
Bytes texelBytes(std::initializer_list<uint32_t> texels) {
    Bytes bytes;
    for (uint32_t texel : texels)
        bytes.insert(bytes.end(), {uint8_t(texel), uint8_t(texel >> 8), uint8_t(texel >> 16),
                                   uint8_t(texel >> 24)});
    return bytes;
}

TEST_F(DdsTexture, EveryLevelOfEveryPlainRowIsCopiedAsStored) {
    // 5 x 3, 2 x 1 and 1 x 1 texels; packed YUV always goes through colour and the
    // block-compressed rows have tests of their own.
    for (uint32_t format : ddsFormats()) {
        const DdsPixelWords words = ddsPixelWords(format);
        if (words.flags == 0x4)
            continue;
        const UINT bytesPerTexel = words.bits / 8;
        DdsRecipe r;
        r.width = 5;
        r.height = 3;
        r.mipCount = 3;
        r.pixel = words;
        r.data = patternBytes((15 + 2 + 1) * bytesPerTexel);
        const bool paletted = format == D3DFMT_P8 || format == D3DFMT_A8P8;
        if (paletted)
            r.palette = patternBytes(1024, 100);
        PALETTEENTRY palette[256] = {};
        ImageInfo info = {};
        ASSERT_EQ(load(makeDds(r), D3DFORMAT(format), D3DPOOL_SCRATCH, 0, &info, palette), D3D_OK)
            << format;
        EXPECT_EQ(info.format, format);
        EXPECT_EQ(info.mipLevels, 3u);
        EXPECT_EQ(info.imageFileFormat, Dds);
        ASSERT_EQ(texture->GetLevelCount(), 3u) << format;
        size_t offset = 0;
        for (UINT level = 0; level < 3; ++level) {
            const LevelPixels pixels = readLevel(texture.get(), level, bytesPerTexel);
            EXPECT_EQ(pixels.format, D3DFORMAT(format));
            const Bytes stored(r.data.begin() + offset,
                               r.data.begin() + offset + pixels.bytes.size());
            EXPECT_EQ(pixels.bytes, stored) << format << " level " << level;
            offset += pixels.bytes.size();
        }
        EXPECT_EQ(offset, r.data.size());
        if (paletted) {
            EXPECT_EQ(Bytes(&palette[0].peRed, &palette[0].peRed + 1024), r.palette);
        }
    }
}

// The stored rows of a level, read through a lock of the level itself: image surfaces of the
// block formats cannot be smaller than a block, while the small levels of a texture are.
Bytes storedLevel(IDirect3DTexture8* texture, UINT level, size_t rowBytes, UINT rows) {
    D3DLOCKED_RECT locked = {};
    EXPECT_EQ(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    Bytes bytes;
    for (UINT row = 0; row < rows; ++row) {
        const auto* start = static_cast<const uint8_t*>(locked.pBits) + size_t(row) * locked.Pitch;
        bytes.insert(bytes.end(), start, start + rowBytes);
    }
    texture->UnlockRect(level);
    return bytes;
}

TEST_F(DdsTexture, CompressedLevelsKeepTheirBlocksDownToOneTexel) {
    // 8 x 4, 4 x 2, 2 x 1 and 1 x 1: two blocks, then one block a level.
    const uint32_t formats[] = {D3DFMT_DXT1, D3DFMT_DXT2, D3DFMT_DXT3, D3DFMT_DXT4, D3DFMT_DXT5};
    for (uint32_t format : formats) {
        const size_t block = format == D3DFMT_DXT1 ? 8 : 16;
        DdsRecipe r;
        r.width = 8;
        r.height = 4;
        r.mipCount = 4;
        r.pixel = ddsPixelWords(format);
        r.data = patternBytes(5 * block);
        ASSERT_EQ(load(makeDds(r), D3DFORMAT(format), D3DPOOL_MANAGED, 0), D3D_OK) << format;
        ASSERT_EQ(texture->GetLevelCount(), 4u);
        EXPECT_EQ(storedLevel(texture.get(), 0, 2 * block, 1),
                  Bytes(r.data.begin(), r.data.begin() + 2 * block))
            << format;
        for (UINT level = 1; level < 4; ++level) {
            const size_t start = (level + 1) * block;
            EXPECT_EQ(storedLevel(texture.get(), level, block, 1),
                      Bytes(r.data.begin() + start, r.data.begin() + start + block))
                << format << " level " << level;
        }
    }
}

TEST_F(DdsTexture, CompressedBlocksAreDecodedIntoColourTextures) {
    // Red to blue in four steps along each row of the first block; the second all green.
    DdsRecipe r;
    r.width = 8;
    r.height = 4;
    r.pixel = ddsPixelWords(D3DFMT_DXT1);
    r.data = {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0xE4, 0xE4, 0xE4,
              0xE0, 0x07, 0xE0, 0x07, 0x00, 0x00, 0x00, 0x00};
    ASSERT_EQ(load(makeDds(r), D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 0), D3D_OK);
    const LevelPixels pixels = readLevel(texture.get(), 0, 4);
    const uint32_t steps[] = {0xFFFF0000, 0xFF0000FF, 0xFFAA0055, 0xFF5500AA};
    for (UINT y = 0; y < 4; ++y) {
        for (UINT x = 0; x < 8; ++x)
            EXPECT_EQ(pixels.at(x, y), x < 4 ? steps[x] : 0xFF00FF00u) << x << ", " << y;
    }
}

TEST_F(DdsTexture, PaletteEntriesEqualToTheKeyBecomeTransparent) {
    DdsRecipe r;
    r.width = 4;
    r.height = 1;
    r.pixel = ddsPixelWords(D3DFMT_P8);
    r.palette.assign(1024, 0);
    const Bytes entries = {0xFF, 0x00, 0xFF, 0xFF, 0x10, 0x20, 0x30, 0xFF, 0x40, 0x50, 0x60, 0x80};
    std::copy(entries.begin(), entries.end(), r.palette.begin());
    r.data = {1, 0, 2, 1};
    ASSERT_EQ(load(makeDds(r), D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 0xFFFF00FF), D3D_OK);
    const LevelPixels pixels = readLevel(texture.get(), 0, 4);
    EXPECT_EQ(pixels.at(0, 0), 0xFF102030u);
    EXPECT_EQ(pixels.at(1, 0), 0x00000000u);
    EXPECT_EQ(pixels.at(2, 0), 0x80405060u);
    EXPECT_EQ(pixels.at(3, 0), 0xFF102030u);
}

TEST_F(DdsTexture, CubeFacesFillTheSameLevelsSoTheLastFaceRemains) {
    // Six 2 x 2 faces of one level each, face f in grey f * 0x11 with its own top-left texel.
    DdsRecipe r;
    r.width = 2;
    r.height = 2;
    r.pixel = ddsPixelWords(D3DFMT_A8R8G8B8);
    r.caps2 = 0xFE00;
    for (uint32_t face = 0; face < 6; ++face) {
        const uint32_t grey = 0xFF000000u | face * 0x111111u;
        const Bytes texels = texelBytes({0xFF0000FFu + face, grey, grey, grey});
        r.data.insert(r.data.end(), texels.begin(), texels.end());
    }
    ImageInfo info = {};
    ASSERT_EQ(load(makeDds(r), D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 0, &info), D3D_OK);
    EXPECT_EQ(info.resourceType, D3DRTYPE_CUBETEXTURE);
    EXPECT_EQ(info.mipLevels, 1u);
    const LevelPixels top = readLevel(texture.get(), 0, 4);
    EXPECT_EQ(top.at(0, 0), 0xFF000104u);
    EXPECT_EQ(top.at(1, 0), 0xFF555555u);
    EXPECT_EQ(top.at(1, 1), 0xFF555555u);
}

TEST_F(DdsTexture, AVolumeGivesTheFirstSliceOfEachLevel) {
    // 2 x 2 x 2, then 1 x 1 x 1: slice 0 red, slice 1 green, the small level blue.
    DdsRecipe r;
    r.flags |= 0x800000;
    r.width = 2;
    r.height = 2;
    r.depth = 2;
    r.mipCount = 2;
    r.pixel = ddsPixelWords(D3DFMT_A8R8G8B8);
    const uint32_t red = 0xFFFF0000, green = 0xFF00FF00, blue = 0xFF0000FF;
    r.data = texelBytes({red, red, red, red, green, green, green, green, blue});
    ImageInfo info = {};
    ASSERT_EQ(load(makeDds(r), D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 0, &info), D3D_OK);
    EXPECT_EQ(info.resourceType, D3DRTYPE_VOLUMETEXTURE);
    EXPECT_EQ(info.depth, 2u);
    EXPECT_EQ(info.mipLevels, 2u);
    ASSERT_EQ(texture->GetLevelCount(), 2u);
    const LevelPixels top = readLevel(texture.get(), 0, 4);
    EXPECT_EQ(top.bytes, texelBytes({red, red, red, red}));
    EXPECT_EQ(readLevel(texture.get(), 1, 4).at(0, 0), blue);
}

} // namespace
