// What the shared rasteriser holds and how it grows: the split of a drawn area into tiles and
// the turn of the eight managed tile textures, the DIB's growth by halves, and a DIB too large
// to make, which leaves the old one in use.
#include "tests/text/text_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using text_test::Background;
using text_test::fontOfHeight;
using text_test::GreyImage;
using text_test::PresentedFrame;

constexpr uint32_t Sentinel = 0x12345678;
constexpr const char* LongLine = "The quick brown fox jumps over the lazy dog";

std::string lines(int count) {
    std::string text = "a";
    for (int i = 1; i < count; ++i)
        text += "\na";
    return text;
}

class TextTilesTest : public text_test::TextFixture {
protected:
    void fillTile(UINT index, uint32_t value) {
        IDirect3DTexture8* texture = rasterizer()->tileTexture(index);
        ASSERT_NE(texture, nullptr);
        D3DSURFACE_DESC desc;
        texture->GetLevelDesc(0, &desc);
        D3DLOCKED_RECT locked;
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        for (UINT y = 0; y < desc.Height; ++y)
            for (UINT x = 0; x < desc.Width; ++x)
                std::memcpy(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch + 4 * x, &value, 4);
        texture->UnlockRect(0);
    }

    // The size of the written corner of a tile texture: texels outside it must still hold the
    // sentinel, texels inside it must be white with some alpha.
    void expectWrittenCorner(UINT index, UINT width, UINT height) {
        IDirect3DTexture8* texture = rasterizer()->tileTexture(index);
        D3DSURFACE_DESC desc;
        texture->GetLevelDesc(0, &desc);
        D3DLOCKED_RECT locked;
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        int wrong = 0;
        for (UINT y = 0; y < desc.Height; ++y)
            for (UINT x = 0; x < desc.Width; ++x) {
                uint32_t texel;
                std::memcpy(&texel, static_cast<BYTE*>(locked.pBits) + y * locked.Pitch + 4 * x, 4);
                const bool inside = x < width && y < height;
                if (inside ? (texel & 0xFFFFFF) != 0xFFFFFF : texel != Sentinel)
                    ++wrong;
            }
        texture->UnlockRect(0);
        EXPECT_EQ(wrong, 0) << "tile texture " << index << ", expected a " << width << " x "
                            << height << " corner";
    }

    int drawAlone(TextRenderer* r, const char* text, RECT rect, UINT format = 0) {
        EXPECT_EQ(device->BeginScene(), D3D_OK);
        const int result = r->drawText(text, -1, &rect, format, 0xFFFFFFFF);
        EXPECT_EQ(device->EndScene(), D3D_OK);
        return result;
    }
};

TEST_F(TextTilesTest, A200By20AreaIsEightTilesInTurnOverTheManagedTextures) {
    createDevice(platform_ext::ProfileNoDynamic);
    TextRenderer* r = renderer(fontOfHeight(24));
    ASSERT_EQ(rasterizer()->tileWidth(), 64u);
    ASSERT_EQ(rasterizer()->tileHeight(), 16u);
    for (UINT i = 0; i < TextRasterizer::TileTextureCount; ++i)
        fillTile(i, Sentinel);
    EXPECT_GT(drawAlone(r, LongLine, {0, 0, 200, 20}), 0);

    // Four tiles per row, the last 8 wide; a second row 4 high.
    const UINT widths[4] = {64, 64, 64, 8};
    for (UINT i = 0; i < 8; ++i)
        expectWrittenCorner(i, widths[i % 4], i < 4 ? 16 : 4);
    EXPECT_EQ(rasterizer()->currentTile(), 0u);

    // The next tile goes into the next texture in turn.
    for (UINT i = 0; i < TextRasterizer::TileTextureCount; ++i)
        fillTile(i, Sentinel);
    EXPECT_GT(drawAlone(r, "Hi", {0, 0, 200, 16}), 0);
    EXPECT_EQ(rasterizer()->currentTile(), 1u);
    expectWrittenCorner(1, 0, 0);
}

TEST_F(TextTilesTest, ADynamicDeviceRewritesItsOneTileTextureForEveryTile) {
    createDevice(0);
    TextRenderer* r = renderer(fontOfHeight(24));
    ASSERT_TRUE(rasterizer()->dynamic());
    EXPECT_EQ(rasterizer()->tileTexture(1), nullptr);
    clear(Background);
    EXPECT_GT(drawAlone(r, LongLine, {0, 0, 200, 20}), 0);
    EXPECT_EQ(rasterizer()->currentTile(), 0u);
    const GreyImage expected(fontOfHeight(24), LongLine, 200, 20, 0);
    EXPECT_EQ(compareWithText(present(), expected, 0, 0, 0xFFFFFFFF), 0);
}

TEST_F(TextTilesTest, TheDibGrowsByHalvesInEachDimensionOnItsOwn) {
    createDevice(0);
    TextRenderer* r = renderer(fontOfHeight(16));
    EXPECT_EQ(rasterizer()->dibWidth(), 256u);
    EXPECT_EQ(rasterizer()->dibHeight(), 256u);

    drawAlone(r, lines(25).c_str(), {0, 0, 100, 300}); // cut to 300 high
    EXPECT_EQ(rasterizer()->dibWidth(), 256u);
    EXPECT_EQ(rasterizer()->dibHeight(), 384u);
    drawAlone(r, lines(50).c_str(), {0, 0, 100, 600}); // 384 -> 576 -> 864
    EXPECT_EQ(rasterizer()->dibHeight(), 864u);
    drawAlone(r, lines(5).c_str(), {0, 0, 100, 80}); // never shrinks
    EXPECT_EQ(rasterizer()->dibHeight(), 864u);

    // A wider DIB has a longer row: the text must still come out right.
    const HBITMAP before = rasterizer()->dib();
    clear(Background);
    drawAlone(r, LongLine, {3, 4, 303, 40});
    EXPECT_EQ(rasterizer()->dibWidth(), 384u);
    EXPECT_EQ(rasterizer()->dibHeight(), 864u);
    EXPECT_NE(rasterizer()->dib(), before);
    const GreyImage expected(fontOfHeight(16), LongLine, 300, 16, 0);
    EXPECT_EQ(compareWithText(present(), expected, 3, 4, 0xFFFFFFFF), 0);
}

TEST_F(TextTilesTest, AFreshDibGrowsThroughEveryStepTo864For600) {
    createDevice(0);
    TextRenderer* r = renderer(fontOfHeight(16));
    drawAlone(r, lines(50).c_str(), {0, 0, 100, 600});
    EXPECT_EQ(rasterizer()->dibWidth(), 256u);
    EXPECT_EQ(rasterizer()->dibHeight(), 864u);
}

TEST_F(TextTilesTest, ADibThatCannotGrowLeavesTheOldOneInUse) {
    createDevice(0);
    TextRenderer* huge = renderer(fontOfHeight(2048));
    TextRenderer* small = renderer(fontOfHeight(16));
    const HBITMAP dib = rasterizer()->dib();
    clear(Background);
    // Over a gigabyte of DIB: GDI refuses to make it.
    EXPECT_EQ(drawAlone(huge, std::string(100, 'W').c_str(), {0, 0, 640, 480}, DT_NOCLIP), 0);
    EXPECT_EQ(rasterizer()->dib(), dib);
    EXPECT_EQ(rasterizer()->dibWidth(), 256u);
    EXPECT_EQ(rasterizer()->dibHeight(), 256u);
    RECT size = {0, 0, 640, 480};
    small->drawText("ok", -1, &size, DT_CALCRECT, 0xFFFFFFFF);
    drawAlone(small, "ok", {10, 10, 640, 480});
    const GreyImage expected(fontOfHeight(16), "ok", size.right, size.bottom, 0);
    EXPECT_EQ(compareWithText(present(), expected, 10, 10, 0xFFFFFFFF), 0);
}

} // namespace
