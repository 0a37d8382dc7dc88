// The closest-format search against a device whose format checks refuse some rows.
#include "blit/pixel_format.h"
#include "blit_device_fixture.h"

namespace {

class ClosestDeviceFormatTest : public BlitDeviceTest {
protected:
    void SetUp() override {}

    PixelFormat closest(PixelFormat wanted, DWORD usage = 0) {
        return findClosestDeviceFormat(device.get(), usage, D3DRTYPE_TEXTURE,
                                       getFormatInfo(wanted));
    }
};

TEST_F(ClosestDeviceFormatTest, OfferedRowsMatchExactly) {
    createDevice(0);
    EXPECT_EQ(closest(D3DFMT_A8R8G8B8), PixelFormat(D3DFMT_A8R8G8B8));
    EXPECT_EQ(closest(D3DFMT_DXT3), PixelFormat(D3DFMT_DXT3));
    // Textures cannot be R8G8B8 here: the 32-bit row without alpha scores 0.
    EXPECT_EQ(closest(D3DFMT_R8G8B8), PixelFormat(D3DFMT_X8R8G8B8));
    // Palettes fall back to colour, bump maps to nothing on this device.
    EXPECT_EQ(closest(D3DFMT_P8), PixelFormat(D3DFMT_A8R8G8B8));
    EXPECT_EQ(closest(D3DFMT_V8U8), 0u);
    EXPECT_EQ(closest(D3DFMT_D16), 0u);
    // A usage the device does not offer leaves no candidate.
    EXPECT_EQ(closest(D3DFMT_A8R8G8B8, D3DUSAGE_RENDERTARGET), 0u);
}

TEST_F(ClosestDeviceFormatTest, MissingA8R8G8B8FallsToTheEarlierOfTwoEqualRows) {
    createDevice(platform_ext::ProfileFewFormats);
    // A1R5G5B5 and A4R4G4B4 both lose 16 bits and are both 16 bits wide.
    EXPECT_EQ(closest(D3DFMT_A8R8G8B8), PixelFormat(D3DFMT_A1R5G5B5));
    EXPECT_EQ(closest(D3DFMT_A8L8), PixelFormat(D3DFMT_A1R5G5B5));
    EXPECT_EQ(closest(D3DFMT_L8), PixelFormat(D3DFMT_L8));
    EXPECT_EQ(closest(D3DFMT_X1R5G5B5), PixelFormat(D3DFMT_X1R5G5B5));
    EXPECT_EQ(closest(PixelFormatAR16), PixelFormat(D3DFMT_A1R5G5B5));
    // An alpha-only request keeps its alpha rather than taking a colour-only row.
    EXPECT_EQ(closest(D3DFMT_A8), PixelFormat(D3DFMT_A4R4G4B4));
}

TEST_F(ClosestDeviceFormatTest, EqualScoresGoToFewerBitsBeforeTableOrder) {
    createDevice(0);
    // Eight bits of luminance: X8R8G8B8 (row 3) and L8 (row 16) both score 0.
    PixelFormatInfo wanted = getFormatInfo(D3DFMT_L8);
    wanted.format = D3DFMT_UNKNOWN;
    EXPECT_EQ(findClosestDeviceFormat(device.get(), 0, D3DRTYPE_TEXTURE, wanted),
              PixelFormat(D3DFMT_L8));
    EXPECT_EQ(findClosestDeviceFormat(nullptr, 0, D3DRTYPE_TEXTURE, wanted),
              PixelFormat(D3DFMT_L8));
}

} // namespace
