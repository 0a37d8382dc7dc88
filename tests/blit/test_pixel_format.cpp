// The format table, the distance between descriptions and the closest-format search without
// a device.
#include "blit/pixel_format.h"

#include <gtest/gtest.h>

namespace {

PixelFormatInfo wantedLike(PixelFormat format) {
    PixelFormatInfo wanted = getFormatInfo(format);
    wanted.format = D3DFMT_UNKNOWN; // never matches a row exactly
    return wanted;
}

TEST(PixelFormatTable, RowsAreUniqueAndFoundByTheirCode) {
    ASSERT_EQ(formatRows().size(), 48u);
    for (const PixelFormatInfo& row : formatRows()) {
        EXPECT_EQ(&getFormatInfo(row.format), &row) << row.format;
        EXPECT_NE(row.format, 0u);
    }
}

TEST(PixelFormatTable, UnknownCodesGetTheUnknownRecord) {
    for (PixelFormat code :
         {0u, 1u, 19u, 100u, 0xFFFFFFFFu, uint32_t(MAKEFOURCC('D', 'X', 'T', '6'))}) {
        const PixelFormatInfo& info = getFormatInfo(code);
        EXPECT_EQ(&info, &unknownFormatInfo);
        EXPECT_EQ(info.format, 0u);
        EXPECT_EQ(info.category, Rgb);
        EXPECT_EQ(info.bitsPerPixel, 32u);
        EXPECT_EQ(info.otherBits, 0u);
        EXPECT_EQ(info.alphaBits, 8u);
        EXPECT_EQ(info.redBits, 8u);
        EXPECT_EQ(info.greenBits, 8u);
        EXPECT_EQ(info.blueBits, 8u);
        EXPECT_EQ(info.substitutable, 0u);
    }
}

TEST(PixelFormatTable, PrivateCodesAreFourCharactersWithTheirLeadingSpace) {
    EXPECT_EQ(PixelFormatL16, 0x36314C20u);
    EXPECT_EQ(PixelFormatAL16, 0x36314C41u);
    EXPECT_EQ(PixelFormatR16, 0x36315220u);
    EXPECT_EQ(PixelFormatAR16, 0x36315241u);
    EXPECT_EQ(getFormatInfo(PixelFormatAR16).bitsPerPixel, 64u);
    EXPECT_EQ(getFormatInfo(PixelFormatL16).category, Luminance);
}

TEST(PixelFormatTable, ExternalFormatsOfThePrivateCodes) {
    EXPECT_EQ(findClosestExternalFormat(PixelFormatL16), PixelFormat(D3DFMT_L8));
    EXPECT_EQ(findClosestExternalFormat(PixelFormatAL16), PixelFormat(D3DFMT_A8L8));
    EXPECT_EQ(findClosestExternalFormat(PixelFormatR16), PixelFormat(D3DFMT_R8G8B8));
    EXPECT_EQ(findClosestExternalFormat(PixelFormatAR16), PixelFormat(D3DFMT_A8R8G8B8));
    EXPECT_EQ(findClosestExternalFormat(D3DFMT_A8R8G8B8), PixelFormat(D3DFMT_A8R8G8B8));
    EXPECT_EQ(findClosestExternalFormat(D3DFMT_DXT1), PixelFormat(D3DFMT_DXT1));
    EXPECT_EQ(findClosestExternalFormat(0), 0u);
}

TEST(FormatDistance, ScoresLostPrecisionAboveAddedChannels) {
    uint32_t score = 0;
    // A8R8G8B8 to A2B10G10R10: alpha loses 6 bits, three channels gain 2 each.
    ASSERT_TRUE(
        formatDistance(getFormatInfo(D3DFMT_A8R8G8B8), getFormatInfo(D3DFMT_A2B10G10R10), &score));
    EXPECT_EQ(score, 6u * 65536u + 6u);
    ASSERT_TRUE(
        formatDistance(getFormatInfo(D3DFMT_A8R8G8B8), getFormatInfo(D3DFMT_A1R5G5B5), &score));
    EXPECT_EQ(score, 16u * 65536u);
    // An added channel costs 256, a dropped one 2^24.
    ASSERT_TRUE(
        formatDistance(getFormatInfo(D3DFMT_X8R8G8B8), getFormatInfo(D3DFMT_A8R8G8B8), &score));
    EXPECT_EQ(score, 256u);
    ASSERT_TRUE(
        formatDistance(getFormatInfo(D3DFMT_A8R8G8B8), getFormatInfo(D3DFMT_X8R8G8B8), &score));
    EXPECT_EQ(score, 16777216u);
}

TEST(FormatDistance, RejectsCandidatesThatDropEveryWantedChannelOrCategory) {
    uint32_t score = 0;
    EXPECT_FALSE(formatDistance(getFormatInfo(D3DFMT_A8), getFormatInfo(D3DFMT_X8R8G8B8), &score));
    EXPECT_FALSE(formatDistance(getFormatInfo(D3DFMT_A8), getFormatInfo(D3DFMT_R5G6B5), &score));
    PixelFormatInfo empty = {};
    EXPECT_FALSE(formatDistance(empty, getFormatInfo(D3DFMT_A8R8G8B8), &score));
    EXPECT_FALSE(
        formatDistance(getFormatInfo(D3DFMT_V8U8), getFormatInfo(D3DFMT_X8R8G8B8), &score));
    EXPECT_FALSE(formatDistance(getFormatInfo(D3DFMT_D16), getFormatInfo(D3DFMT_L8), &score));
    EXPECT_FALSE(formatDistance(getFormatInfo(D3DFMT_X8R8G8B8), getFormatInfo(D3DFMT_L8), &score));
    EXPECT_TRUE(formatDistance(getFormatInfo(D3DFMT_L8), getFormatInfo(D3DFMT_X8R8G8B8), &score));
    EXPECT_TRUE(formatDistance(getFormatInfo(D3DFMT_P8), getFormatInfo(D3DFMT_A8R8G8B8), &score));
}

TEST(ClosestFormatWithoutDevice, ExactRowsAreReturnedEvenWhenNotSubstitutable) {
    for (const PixelFormatInfo& row : formatRows())
        EXPECT_EQ(findClosestDeviceFormat(nullptr, 0, D3DRTYPE_TEXTURE, row), row.format);
}

TEST(ClosestFormatWithoutDevice, DescriptionsWithoutCodeGoThroughScoring) {
    EXPECT_EQ(findClosestDeviceFormat(nullptr, 0, D3DRTYPE_TEXTURE, wantedLike(D3DFMT_A8)),
              PixelFormat(D3DFMT_A8));
    EXPECT_EQ(findClosestDeviceFormat(nullptr, 0, D3DRTYPE_TEXTURE, wantedLike(D3DFMT_R8G8B8)),
              PixelFormat(D3DFMT_X8R8G8B8));
    // DXT3 (4-bit alpha, 5:6:5): A8R8G8B8 only adds precision (4 + 3 + 2 + 3), while
    // A4R4G4B4 would lose four bits of colour.
    EXPECT_EQ(findClosestDeviceFormat(nullptr, 0, D3DRTYPE_TEXTURE, wantedLike(D3DFMT_DXT3)),
              PixelFormat(D3DFMT_A8R8G8B8));
    // The loader's "nearest format with alpha" request for a 32-bit picture.
    PixelFormatInfo withAlpha = getFormatInfo(D3DFMT_X8R8G8B8);
    withAlpha.format = D3DFMT_UNKNOWN;
    withAlpha.alphaBits = 1;
    EXPECT_EQ(findClosestDeviceFormat(nullptr, 0, D3DRTYPE_TEXTURE, withAlpha),
              PixelFormat(D3DFMT_A8R8G8B8));
    PixelFormatInfo nothing = {};
    EXPECT_EQ(findClosestDeviceFormat(nullptr, 0, D3DRTYPE_TEXTURE, nothing), 0u);
}

TEST(ClosestFormatWithoutDevice, EqualScoresKeepTheEarlierRow) {
    // 1-bit alpha and 4-bit colour: A1R5G5B5 adds 3 x 1 bit of colour, A4R4G4B4 adds 3 bits
    // of alpha; both score 3 with 16 bits, so the earlier row stays.
    const PixelFormatInfo wanted = {0, Rgb, 16, 0, 1, 4, 4, 4, 1};
    uint32_t a1 = 0, a4 = 0;
    ASSERT_TRUE(formatDistance(wanted, getFormatInfo(D3DFMT_A1R5G5B5), &a1));
    ASSERT_TRUE(formatDistance(wanted, getFormatInfo(D3DFMT_A4R4G4B4), &a4));
    ASSERT_EQ(a1, a4);
    EXPECT_EQ(findClosestDeviceFormat(nullptr, 0, D3DRTYPE_TEXTURE, wanted),
              PixelFormat(D3DFMT_A1R5G5B5));
}

TEST(ClosestFormatWithoutDevice, CategoriesOnlyFallBackAlongTheMatrix) {
    EXPECT_EQ(getFormatInfo(
                  findClosestDeviceFormat(nullptr, 0, D3DRTYPE_TEXTURE, wantedLike(D3DFMT_V16U16)))
                  .category,
              Bump);
    EXPECT_EQ(getFormatInfo(
                  findClosestDeviceFormat(nullptr, 0, D3DRTYPE_TEXTURE, wantedLike(D3DFMT_D24S8)))
                  .category,
              DepthStencil);
    PixelFormatInfo luminance16 = wantedLike(PixelFormatAL16);
    EXPECT_EQ(findClosestDeviceFormat(nullptr, 0, D3DRTYPE_TEXTURE, luminance16),
              PixelFormat(D3DFMT_A8L8));
}

} // namespace
