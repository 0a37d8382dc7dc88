// Pixel codecs: round trips of every format with a codec, the rounding and dither offsets,
// fills of absent channels, signed fields, palettes, packed YUV and the key preparation.
#include "blit/pixel_codec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

struct Image {
    std::vector<uint8_t> bytes;
    BlitSurface side;
};

Image imageOf(PixelFormat format, uint32_t bytesPerPixel, uint32_t width, uint32_t height = 1) {
    Image image;
    image.bytes.assign(size_t(width) * height * bytesPerPixel + 8, 0);
    image.side.bits = image.bytes.data();
    image.side.format = format;
    image.side.rowPitch = width * bytesPerPixel;
    image.side.extent = {0, 0, int32_t(width), int32_t(height), 0, 1};
    image.side.rect = image.side.extent;
    return image;
}

uint64_t wordAt(const Image& image, uint32_t index, uint32_t bytes) {
    uint64_t word = 0;
    std::memcpy(&word, image.bytes.data() + size_t(index) * bytes, bytes);
    return word;
}

void putWord(Image& image, uint32_t index, uint32_t bytes, uint64_t word) {
    std::memcpy(image.bytes.data() + size_t(index) * bytes, &word, bytes);
}

// Stored pixels decoded and encoded again come back with their significant bits, unused bits
// cleared. Signed fields truncate toward zero after the 0.5 offset, so a negative value comes
// back one step nearer zero; the samples keep signed fields non-negative.
struct RoundTripCase {
    PixelFormat format;
    uint32_t bytes;
    uint64_t significant;
    uint64_t signBits;
};

const RoundTripCase roundTripTable[] = {
    {D3DFMT_R8G8B8, 3, 0xFFFFFF, 0},
    {D3DFMT_A8R8G8B8, 4, 0xFFFFFFFF, 0},
    {D3DFMT_X8R8G8B8, 4, 0x00FFFFFF, 0},
    {D3DFMT_R5G6B5, 2, 0xFFFF, 0},
    {D3DFMT_X1R5G5B5, 2, 0x7FFF, 0},
    {D3DFMT_A1R5G5B5, 2, 0xFFFF, 0},
    {D3DFMT_A4R4G4B4, 2, 0xFFFF, 0},
    {D3DFMT_X4R4G4B4, 2, 0x0FFF, 0},
    {D3DFMT_R3G3B2, 1, 0xFF, 0},
    {D3DFMT_A8R3G3B2, 2, 0xFFFF, 0},
    {D3DFMT_A8, 1, 0xFF, 0},
    {D3DFMT_A2B10G10R10, 4, 0xFFFFFFFF, 0},
    {D3DFMT_G16R16, 4, 0xFFFFFFFF, 0},
    {D3DFMT_L8, 1, 0xFF, 0},
    {D3DFMT_A8L8, 2, 0xFFFF, 0},
    {D3DFMT_A4L4, 1, 0xFF, 0},
    {D3DFMT_V8U8, 2, 0xFFFF, 0x8080},
    {D3DFMT_L6V5U5, 2, 0xFFFF, 0x0210},
    {D3DFMT_X8L8V8U8, 4, 0x00FFFFFF, 0x8080},
    {D3DFMT_Q8W8V8U8, 4, 0xFFFFFFFF, 0x80808080},
    {D3DFMT_V16U16, 4, 0xFFFFFFFF, 0x80008000},
    {D3DFMT_W11V11U10, 4, 0xFFFFFFFF, 0x80100200},
    {D3DFMT_A2W10V10U10, 4, 0xFFFFFFFF, 0x20080200},
    {D3DFMT_D16_LOCKABLE, 2, 0xFFFF, 0},
    {PixelFormatL16, 2, 0xFFFF, 0},
    {PixelFormatAL16, 4, 0xFFFFFFFF, 0},
    {PixelFormatR16, 6, 0xFFFFFFFFFFFF, 0},
    {PixelFormatAR16, 8, 0xFFFFFFFFFFFFFFFF, 0},
};

class CodecRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(CodecRoundTrip, StoredPixelsSurviveDecodeAndEncode) {
    const RoundTripCase& c = GetParam();
    constexpr uint32_t count = 4096;
    Image source = imageOf(c.format, c.bytes, count);
    Image copy = imageOf(c.format, c.bytes, count);
    std::mt19937_64 random(c.format);
    for (uint32_t i = 0; i < count; ++i) {
        // Small formats are covered whole, wider ones by random words.
        uint64_t word = c.bytes <= 1 ? i % 256 : c.bytes == 2 ? i * 16 + i % 16 : random();
        putWord(source, i, c.bytes, word & ~c.signBits);
    }
    auto decoder = createPixelCodec(source.side);
    auto encoder = createPixelCodec(copy.side);
    ASSERT_TRUE(decoder && encoder);
    EXPECT_EQ(decoder->bytesPerPixel, c.bytes);
    std::vector<FloatColor> row(count);
    decoder->decodeRow(0, 0, row.data());
    encoder->encodeRow(0, 0, row.data());
    for (uint32_t i = 0; i < count; ++i) {
        ASSERT_EQ(wordAt(copy, i, c.bytes), wordAt(source, i, c.bytes) & c.significant)
            << "pixel " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryFieldFormat, CodecRoundTrip, testing::ValuesIn(roundTripTable));

FloatColor decodeOne(PixelFormat format, uint32_t bytes, uint64_t word) {
    Image image = imageOf(format, bytes, 1);
    putWord(image, 0, bytes, word);
    FloatColor out = {};
    createPixelCodec(image.side)->decodeRow(0, 0, &out);
    return out;
}

uint64_t encodeOne(PixelFormat format, uint32_t bytes, FloatColor value) {
    Image image = imageOf(format, bytes, 1);
    createPixelCodec(image.side)->encodeRow(0, 0, &value);
    return wordAt(image, 0, bytes);
}

TEST(PixelCodec, EightBitChannelsRoundTripEveryValue) {
    Image source = imageOf(D3DFMT_A8R8G8B8, 4, 256);
    Image copy = imageOf(D3DFMT_A8R8G8B8, 4, 256);
    for (uint32_t v = 0; v < 256; ++v)
        putWord(source, v, 4, v << 24 | (255 - v) << 16 | v << 8 | (v ^ 0x5A));
    std::vector<FloatColor> row(256);
    createPixelCodec(source.side)->decodeRow(0, 0, row.data());
    EXPECT_EQ(row[255].a, 1.0f);
    EXPECT_EQ(row[1].a, 0.003921569f);
    createPixelCodec(copy.side)->encodeRow(0, 0, row.data());
    EXPECT_EQ(copy.bytes, source.bytes);
}

TEST(PixelCodec, DitherSpreadsHalfOverTheOrderedPattern) {
    for (bool dither : {false, true}) {
        Image image = imageOf(D3DFMT_A8R8G8B8, 4, 4, 4);
        image.side.dither = dither;
        auto codec = createPixelCodec(image.side);
        std::vector<FloatColor> row(4, FloatColor{0.5f, 0.0f, 0.0f, 1.0f});
        for (uint32_t y = 0; y < 4; ++y)
            codec->encodeRow(y, 0, row.data());
        int low = 0;
        for (uint32_t i = 0; i < 16; ++i) {
            const uint32_t red = (wordAt(image, i, 4) >> 16) & 0xFF;
            const float offset = orderedDitherTable.offset[i / 4][i % 4];
            if (dither)
                EXPECT_EQ(red, offset < 0.5f ? 127u : 128u) << i;
            else
                EXPECT_EQ(red, 128u) << i;
            low += red == 127;
        }
        EXPECT_EQ(low, dither ? 8 : 0);
    }
}

TEST(PixelCodec, DitherPatternIsAnchoredAtTheRectangleAndShiftedBySlice) {
    // The pattern starts at the rectangle's corner, not at the surface origin.
    Image image = imageOf(D3DFMT_L8, 1, 8, 8);
    image.side.rect = {3, 2, 7, 3, 0, 1};
    image.side.dither = 1;
    std::vector<FloatColor> row(4, FloatColor{0.5f, 0.5f, 0.5f, 1.0f});
    createPixelCodec(image.side)->encodeRow(0, 0, row.data());
    // Row 0 offsets 0.96875, 0.46875, 0.84375, 0.34375: 128, 127, 128, 127.
    EXPECT_EQ(image.bytes[2 * 8 + 3], 128);
    EXPECT_EQ(image.bytes[2 * 8 + 4], 127);
    EXPECT_EQ(image.bytes[2 * 8 + 5], 128);
    EXPECT_EQ(image.bytes[2 * 8 + 6], 127);
    EXPECT_EQ(orderedDitherTable.row(0, 1)[0], 0.46875f);
    EXPECT_EQ(orderedDitherTable.row(3, 3)[1], 0.03125f);
}

TEST(PixelCodec, HalfInR5G6B5RoundsHalfUp) {
    const uint64_t word = encodeOne(D3DFMT_R5G6B5, 2, {0.5f, 0.5f, 0.5f, 1.0f});
    EXPECT_EQ(word >> 11, 16u);
    EXPECT_EQ((word >> 5) & 63, 32u);
    EXPECT_EQ(word & 31, 16u);
}

TEST(PixelCodec, UnusedBitsAreWrittenZeroAndDecodeAsOpaque) {
    const FloatColor white = {1, 1, 1, 0};
    EXPECT_EQ(encodeOne(D3DFMT_X8R8G8B8, 4, white), 0x00FFFFFFu);
    EXPECT_EQ(encodeOne(D3DFMT_X1R5G5B5, 2, white), 0x7FFFu);
    EXPECT_EQ(encodeOne(D3DFMT_X4R4G4B4, 2, white), 0x0FFFu);
    EXPECT_EQ(encodeOne(D3DFMT_X8L8V8U8, 4, {0, 0, 0, 1}), 0x00FF0000u);
    EXPECT_EQ(decodeOne(D3DFMT_X8R8G8B8, 4, 0x12000000).a, 1.0f);
    EXPECT_EQ(decodeOne(D3DFMT_X1R5G5B5, 2, 0x8000).a, 1.0f);
    EXPECT_EQ(decodeOne(D3DFMT_X4R4G4B4, 2, 0x7000).a, 1.0f);
}

TEST(PixelCodec, AbsentChannelsDecodeToTheirFills) {
    EXPECT_EQ(encodeOne(D3DFMT_A8, 1, {1, 1, 1, 0.5f}), 128u);
    EXPECT_EQ(decodeOne(D3DFMT_A8, 1, 255), (FloatColor{0, 0, 0, 1}));
    EXPECT_EQ(decodeOne(D3DFMT_G16R16, 4, 0).b, 1.0f);
    EXPECT_EQ(decodeOne(D3DFMT_V16U16, 4, 0).b, 0.0f);
    EXPECT_EQ(decodeOne(D3DFMT_V8U8, 2, 0), (FloatColor{0, 0, 0, 1}));
    EXPECT_EQ(decodeOne(D3DFMT_R8G8B8, 3, 0).a, 1.0f);
    EXPECT_EQ(decodeOne(D3DFMT_A1R5G5B5, 2, 0x8000).a, 1.0f);
    EXPECT_EQ(decodeOne(D3DFMT_A1R5G5B5, 2, 0x7FFF).a, 0.0f);
}

TEST(PixelCodec, SignedFieldsTruncateTowardZero) {
    // -1 encodes as trunc(-128 + 0.5) = -127, which decodes as -0.9921875.
    const uint64_t word = encodeOne(D3DFMT_V8U8, 2, {-1.0f, 0.5f, 0, 1});
    EXPECT_EQ(word & 0xFF, 0x81u);
    EXPECT_EQ(word >> 8, 64u);
    EXPECT_EQ(decodeOne(D3DFMT_V8U8, 2, word).r, -0.9921875f);
    EXPECT_EQ(decodeOne(D3DFMT_V8U8, 2, 0x0080).r, -1.0f);
    EXPECT_EQ(decodeOne(D3DFMT_W11V11U10, 4, 0x80000000u).b, -1.0f);
    EXPECT_EQ(decodeOne(D3DFMT_L6V5U5, 2, 0xFC10).r, -1.0f);
    EXPECT_EQ(decodeOne(D3DFMT_L6V5U5, 2, 0xFC10).a, 1.0f);
    // Beyond the largest value a field can hold, the field saturates instead of wrapping.
    EXPECT_EQ(encodeOne(D3DFMT_V8U8, 2, {1.0f, 1.0f, 0, 1}), 0x7F7Fu);
    EXPECT_EQ(encodeOne(D3DFMT_R5G6B5, 2, {2.0f, -1.0f, 0, 1}), 0xF800u);
}

TEST(PixelCodec, LuminanceWeightsTheColourChannels) {
    EXPECT_EQ(encodeOne(D3DFMT_L8, 1, {1, 0, 0, 1}), 54u);  // 0.2125 x 255 + 0.5
    EXPECT_EQ(encodeOne(D3DFMT_L8, 1, {0, 1, 0, 1}), 182u); // 0.7154 x 255 + 0.5
    EXPECT_EQ(encodeOne(D3DFMT_L8, 1, {0, 0, 1, 1}), 18u);  // 0.0721 x 255 + 0.5
    EXPECT_EQ(encodeOne(D3DFMT_A4L4, 1, {1, 1, 1, 0.5f}), 0x8Fu);
    const FloatColor grey = decodeOne(D3DFMT_A8L8, 2, 0x8040);
    EXPECT_EQ(grey.r, 64 * 0.003921569f);
    EXPECT_EQ(grey.g, grey.r);
    EXPECT_EQ(grey.b, grey.r);
    EXPECT_EQ(grey.a, 128 * 0.003921569f);
}

TEST(PixelCodec, PaletteEncodingTakesTheNearestEntryAndTheLowerIndexOnTies) {
    PALETTEENTRY palette[256] = {};
    palette[3] = {255, 0, 0, 255};
    palette[7] = {255, 0, 0, 255}; // same as 3: the lower index wins
    palette[9] = {0, 0, 255, 0};
    palette[12] = {0, 0, 255, 255};
    Image p8 = imageOf(D3DFMT_P8, 1, 3);
    p8.side.palette = palette;
    const FloatColor row[3] = {{0.9f, 0.1f, 0, 1}, {0, 0, 1, 0.1f}, {0, 0, 0.9f, 0.8f}};
    createPixelCodec(p8.side)->encodeRow(0, 0, row);
    EXPECT_EQ(p8.bytes[0], 3);
    EXPECT_EQ(p8.bytes[1], 9);
    EXPECT_EQ(p8.bytes[2], 12);
    // A8P8 matches colour only and keeps its own alpha.
    Image a8p8 = imageOf(D3DFMT_A8P8, 2, 1);
    a8p8.side.palette = palette;
    createPixelCodec(a8p8.side)->encodeRow(0, 0, &row[1]);
    EXPECT_EQ(a8p8.bytes[0], 9);
    EXPECT_EQ(a8p8.bytes[1], 26);
    FloatColor decoded;
    createPixelCodec(a8p8.side)->decodeRow(0, 0, &decoded);
    EXPECT_EQ(decoded, (FloatColor{0, 0, 1, 26 * 0.003921569f}));
    // Without a palette every entry is opaque white.
    Image bare = imageOf(D3DFMT_P8, 1, 1);
    bare.bytes[0] = 200;
    createPixelCodec(bare.side)->decodeRow(0, 0, &decoded);
    EXPECT_EQ(decoded, (FloatColor{1, 1, 1, 1}));
}

TEST(PixelCodec, RangeConversionFollowsBothRanges) {
    const FloatColor unit = {1.0f, 0.5f, 0.0f, 0.25f};
    FloatColor out;
    convertRange(UnitRange, SignedColor, &unit, &out, 1);
    EXPECT_EQ(out, (FloatColor{1.0f, 0.0f, -1.0f, 0.25f}));
    convertRange(UnitRange, SignedAll, &unit, &out, 1);
    EXPECT_EQ(out, (FloatColor{1.0f, 0.0f, -1.0f, -0.5f}));
    const FloatColor signedAll = {-1.0f, 0.0f, 1.0f, -0.5f};
    convertRange(SignedAll, UnitRange, &signedAll, &out, 1);
    EXPECT_EQ(out, (FloatColor{0.0f, 0.5f, 1.0f, 0.25f}));
    convertRange(SignedAll, SignedColor, &signedAll, &out, 1);
    EXPECT_EQ(out, (FloatColor{-1.0f, 0.0f, 1.0f, 0.25f}));
    convertRange(SignedColor, SignedAll, &signedAll, &out, 1);
    EXPECT_EQ(out, (FloatColor{-1.0f, 0.0f, 1.0f, -2.0f}));
    convertRange(SignedColor, UnitRange, &signedAll, &out, 1);
    EXPECT_EQ(out, (FloatColor{0.0f, 0.5f, 1.0f, -0.5f}));
}

TEST(PixelCodec, KeyIsQuantizedToTheSourceFormat) {
    Image image = imageOf(D3DFMT_R5G6B5, 2, 1);
    image.side.colorKey = 0xFFFC00FC;
    const FloatColor magenta565 = createPixelCodec(image.side)->keyColor;
    EXPECT_EQ(magenta565, (FloatColor{1, 0, 1, 1}));
    image.side.colorKey = 0xFFFF00FF;
    EXPECT_EQ(createPixelCodec(image.side)->keyColor, magenta565);
    image.side.colorKey = 0x00FF00FF; // no alpha in the format: the key's alpha is filled
    EXPECT_EQ(createPixelCodec(image.side)->keyColor, magenta565);
    image.side.colorKey = 0xFFF800F8;
    EXPECT_EQ(createPixelCodec(image.side)->keyColor,
              (FloatColor{30 * 0.032258064f, 0, 30 * 0.032258064f, 1}));
    // Signed formats quantize the key after converting it to their range.
    Image bump = imageOf(D3DFMT_V8U8, 2, 1);
    bump.side.colorKey = 0xFFFF0000;
    EXPECT_EQ(createPixelCodec(bump.side)->keyColor,
              (FloatColor{127 * 0.0078125f, -127 * 0.0078125f, 0, 1}));
}

TEST(PixelCodec, FormatsWithoutCodecGiveNull) {
    for (PixelFormat format :
         {PixelFormat(D3DFMT_D16), PixelFormat(D3DFMT_D24S8), PixelFormat(D3DFMT_D32),
          PixelFormat(D3DFMT_D15S1), PixelFormat(D3DFMT_D24X8), PixelFormat(D3DFMT_D24X4S4), 0u,
          12345u}) {
        Image image = imageOf(format, 4, 1);
        EXPECT_EQ(createPixelCodec(image.side), nullptr) << format;
    }
}

} // namespace
