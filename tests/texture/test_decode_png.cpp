// The PNG decoder: the pixel format and exact bytes for every colour type, bit depth and
// transparency, the palette, gamma, and clean failure on anything libpng or the size refuses.
#include "texture/image_decoder.h"

#include "tests/texture/png_maker.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cmath>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes decodedBytes(const ImageDecoder& image) {
    return Bytes(image.bits, image.bits + size_t(image.rowPitch) * image.height);
}

// Entry i is (16i, 16i + 1, 16i + 2).
Bytes sixteenEntryPalette(int count = 16) {
    Bytes palette;
    for (int i = 0; i < count; ++i)
        palette.insert(palette.end(), {uint8_t(16 * i), uint8_t(16 * i + 1), uint8_t(16 * i + 2)});
    return palette;
}

struct FormatCase {
    const char* name;
    PngRecipe recipe;
    PixelFormat format;
    UINT rowPitch;
    Bytes pixels; // the decoded rows
};

PngRecipe recipe(uint32_t width, int colorType, int bitDepth, Bytes row) {
    PngRecipe r;
    r.width = width;
    r.colorType = colorType;
    r.bitDepth = bitDepth;
    r.rows = std::move(row);
    if (colorType == PNG_COLOR_TYPE_PALETTE)
        r.palette = sixteenEntryPalette(std::min(16, 1 << bitDepth));
    return r;
}

PngRecipe withGrey(PngRecipe r, uint16_t grey) {
    r.transparentGrey = grey;
    return r;
}

PngRecipe withColour(PngRecipe r, uint16_t red, uint16_t green, uint16_t blue) {
    r.transparentRed = red;
    r.transparentGreen = green;
    r.transparentBlue = blue;
    return r;
}

PngRecipe withPaletteAlpha(PngRecipe r, Bytes alpha) {
    r.paletteAlpha = std::move(alpha);
    return r;
}

const PixelFormat L8 = D3DFMT_L8, A8L8 = D3DFMT_A8L8, X8 = D3DFMT_X8R8G8B8, A8 = D3DFMT_A8R8G8B8,
                  P8 = D3DFMT_P8;

std::vector<FormatCase> formatCases() {
    using namespace std;
    const int grey = PNG_COLOR_TYPE_GRAY, rgb = PNG_COLOR_TYPE_RGB,
              indexed = PNG_COLOR_TYPE_PALETTE, greyAlpha = PNG_COLOR_TYPE_GRAY_ALPHA,
              rgba = PNG_COLOR_TYPE_RGB_ALPHA;
    return {
        {"Grey1", recipe(4, grey, 1, {0xB0}), L8, 4, {0xFF, 0x00, 0xFF, 0xFF}},
        {"Grey2", recipe(4, grey, 2, {0x1B}), L8, 4, {0x00, 0x55, 0xAA, 0xFF}},
        {"Grey4", recipe(2, grey, 4, {0x3C}), L8, 2, {0x33, 0xCC}},
        {"Grey1Key", withGrey(recipe(2, grey, 1, {0x80}), 0), A8L8, 4, {0xFF, 0xFF, 0x00, 0x00}},
        {"Grey4Key", withGrey(recipe(2, grey, 4, {0x3C}), 0xC), A8L8, 4, {0x33, 0xFF, 0xCC, 0x00}},
        {"Grey8", recipe(2, grey, 8, {0x12, 0x80}), L8, 2, {0x12, 0x80}},
        {"Grey8Key",
         withGrey(recipe(2, grey, 8, {0x12, 0x80}), 0x80),
         A8L8,
         4,
         {0x12, 0xFF, 0x80, 0x00}},
        {"Grey16",
         recipe(2, grey, 16, {0x12, 0x34, 0xAB, 0xCD}),
         PixelFormatL16,
         4,
         {0x34, 0x12, 0xCD, 0xAB}},
        {"Grey16Key",
         withGrey(recipe(2, grey, 16, {0x12, 0x34, 0xAB, 0xCD}), 0xABCD),
         PixelFormatAL16,
         8,
         {0x34, 0x12, 0xFF, 0xFF, 0xCD, 0xAB, 0x00, 0x00}},
        {"Rgb8",
         recipe(2, rgb, 8, {10, 20, 30, 40, 50, 60}),
         X8,
         8,
         {30, 20, 10, 0xFF, 60, 50, 40, 0xFF}},
        {"Rgb8Key",
         withColour(recipe(2, rgb, 8, {10, 20, 30, 40, 50, 60}), 40, 50, 60),
         A8,
         8,
         {30, 20, 10, 0xFF, 60, 50, 40, 0x00}},
        {"Rgb16", recipe(1, rgb, 16, {1, 2, 3, 4, 5, 6}), PixelFormatR16, 6, {6, 5, 4, 3, 2, 1}},
        {"Rgb16Key",
         withColour(recipe(2, rgb, 16, {1, 2, 3, 4, 5, 6, 1, 2, 3, 4, 5, 7}), 0x0102, 0x0304,
                    0x0506),
         PixelFormatAR16,
         16,
         {6, 5, 4, 3, 2, 1, 0, 0, 7, 5, 4, 3, 2, 1, 0xFF, 0xFF}},
        {"Palette1", recipe(4, indexed, 1, {0xB0}), P8, 4, {1, 0, 1, 1}},
        {"Palette2", recipe(4, indexed, 2, {0x1B}), P8, 4, {0, 1, 2, 3}},
        {"Palette4", recipe(2, indexed, 4, {0x3C}), P8, 2, {3, 12}},
        {"Palette4Alpha",
         withPaletteAlpha(recipe(2, indexed, 4, {0x3C}), {0, 0x80}),
         P8,
         2,
         {3, 12}},
        {"Palette8", recipe(2, indexed, 8, {7, 15}), P8, 2, {7, 15}},
        {"GreyAlpha8", recipe(1, greyAlpha, 8, {0x40, 0x80}), A8L8, 2, {0x40, 0x80}},
        {"GreyAlpha16",
         recipe(1, greyAlpha, 16, {0x12, 0x34, 0x56, 0x78}),
         PixelFormatAL16,
         4,
         {0x34, 0x12, 0x78, 0x56}},
        {"Rgba8", recipe(1, rgba, 8, {1, 2, 3, 4}), A8, 4, {3, 2, 1, 4}},
        {"Rgba16",
         recipe(1, rgba, 16, {1, 2, 3, 4, 5, 6, 7, 8}),
         PixelFormatAR16,
         8,
         {6, 5, 4, 3, 2, 1, 8, 7}},
    };
}

void PrintTo(const FormatCase& c, std::ostream* os) {
    *os << c.name;
}

class PngFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(PngFormat, DecodesToItsFormatWithExactBytes) {
    const FormatCase& c = GetParam();
    const Bytes file = makePng(c.recipe);
    ImageDecoder image;
    ASSERT_EQ(image.decodePng(file.data(), UINT(file.size())), D3D_OK);
    EXPECT_EQ(image.format, c.format);
    EXPECT_EQ(image.width, c.recipe.width);
    EXPECT_EQ(image.height, 1u);
    EXPECT_EQ(image.depth, 1u);
    EXPECT_EQ(image.rowPitch, c.rowPitch);
    EXPECT_EQ(image.slicePitch, 0u);
    EXPECT_TRUE(image.ownsBits);
    EXPECT_EQ(decodedBytes(image), c.pixels);
    EXPECT_EQ(image.palette != nullptr, c.format == D3DFMT_P8);
    EXPECT_EQ(image.ownsPalette, c.format == D3DFMT_P8);
}

INSTANTIATE_TEST_SUITE_P(EveryColourTypeAndDepth, PngFormat, ::testing::ValuesIn(formatCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PngDecode, InterlacedRowsComeOutInOrder) {
    PngRecipe r = recipe(5, PNG_COLOR_TYPE_GRAY, 8, {});
    r.height = 5;
    r.interlaced = true;
    for (int i = 0; i < 25; ++i)
        r.rows.push_back(uint8_t(i * 10));
    const Bytes file = makePng(r);
    ImageDecoder image;
    ASSERT_EQ(image.decodePng(file.data(), UINT(file.size())), D3D_OK);
    EXPECT_EQ(decodedBytes(image), r.rows);
}

TEST(PngPalette, CarriesTransparencyThenOpacityThenWhite) {
    PngRecipe r = withPaletteAlpha(recipe(2, PNG_COLOR_TYPE_PALETTE, 4, {0x01}), {0, 0x40, 0x80});
    const Bytes file = makePng(r);
    ImageDecoder image;
    ASSERT_EQ(image.decodePng(file.data(), UINT(file.size())), D3D_OK);
    ASSERT_NE(image.palette, nullptr);
    for (int i = 0; i < 256; ++i) {
        const PALETTEENTRY& e = image.palette[i];
        SCOPED_TRACE(i);
        if (i < 16) {
            EXPECT_EQ(e.peRed, 16 * i);
            EXPECT_EQ(e.peGreen, 16 * i + 1);
            EXPECT_EQ(e.peBlue, 16 * i + 2);
            EXPECT_EQ(e.peFlags, i < 3 ? 0x40 * i : 0xFF);
        } else {
            EXPECT_EQ((std::array<int, 4>{e.peRed, e.peGreen, e.peBlue, e.peFlags}),
                      (std::array<int, 4>{0xFF, 0xFF, 0xFF, 0xFF}));
        }
    }
}

// The correction for a linear file (gAMA 1.0) on a 2.2 screen.
uint8_t linearOnScreen(int value) {
    return uint8_t(std::pow(value * 0.00392156862745098, 1.0 / 2.2) * 255.0 + 0.5);
}

uint8_t decodedGrey(const Bytes& file) {
    ImageDecoder image;
    EXPECT_EQ(image.decodePng(file.data(), UINT(file.size())), D3D_OK);
    return image.bits != nullptr ? image.bits[0] : 0;
}

TEST(PngGamma, GammaChunkIsCorrectedForTheScreen) {
    PngRecipe r = recipe(1, PNG_COLOR_TYPE_GRAY, 8, {64});
    r.gamma = 1.0;
    EXPECT_NEAR(decodedGrey(makePng(r)), linearOnScreen(64), 1);
    EXPECT_NE(linearOnScreen(64), 64);
}

TEST(PngGamma, StandardColourSpaceIsNotCorrected) {
    PngRecipe r = recipe(1, PNG_COLOR_TYPE_GRAY, 8, {64});
    r.srgbIntent = PNG_sRGB_INTENT_PERCEPTUAL;
    EXPECT_EQ(decodedGrey(makePng(r)), 64);
    // Even beside a gamma chunk that asks for a correction.
    r.srgbIntent = -1;
    const Bytes both =
        withChunkAfterHeader(withChunkAfterHeader(makePng(r), "sRGB", {PNG_sRGB_INTENT_PERCEPTUAL}),
                             "gAMA", bigEndian32(100000));
    EXPECT_EQ(decodedGrey(both), 64);
}

// libpng corrects the palette it returns itself when other transformations run (the packing
// of a 4-bit file), and not otherwise: both depths must come out corrected exactly once.
TEST(PngGamma, PaletteIsCorrectedOnceLikeTheSameColourInRgb) {
    PngRecipe direct = recipe(1, PNG_COLOR_TYPE_RGB, 8, {64, 65, 66});
    direct.gamma = 1.0;
    ImageDecoder rgb;
    const Bytes rgbFile = makePng(direct);
    ASSERT_EQ(rgb.decodePng(rgbFile.data(), UINT(rgbFile.size())), D3D_OK);

    for (int bitDepth : {4, 8}) {
        SCOPED_TRACE(bitDepth);
        PngRecipe indexed = recipe(2, PNG_COLOR_TYPE_PALETTE, bitDepth, {});
        indexed.rows = bitDepth == 4 ? Bytes{0x45} : Bytes{4, 5};
        indexed.gamma = 1.0;
        ImageDecoder image;
        const Bytes file = makePng(indexed);
        ASSERT_EQ(image.decodePng(file.data(), UINT(file.size())), D3D_OK);
        const PALETTEENTRY& e = image.palette[4];
        EXPECT_EQ(e.peRed, linearOnScreen(64));
        EXPECT_EQ(e.peGreen, linearOnScreen(65));
        EXPECT_EQ(e.peBlue, linearOnScreen(66));
        EXPECT_EQ(e.peFlags, 0xFF);
        EXPECT_EQ(image.palette[200].peRed, 0xFF); // entries beyond PLTE are left white
        EXPECT_NEAR(rgb.bits[2], e.peRed, 1);
        EXPECT_NEAR(rgb.bits[1], e.peGreen, 1);
        EXPECT_NEAR(rgb.bits[0], e.peBlue, 1);
    }
}

Bytes smallRgbFile() {
    PngRecipe r = recipe(16, PNG_COLOR_TYPE_RGB, 8, {});
    r.height = 16;
    for (int i = 0; i < 16 * 16 * 3; ++i)
        r.rows.push_back(uint8_t(i * 7));
    return makePng(r);
}

TEST(PngFailure, NotAPngIsRefusedBeforeAnythingIsAllocated) {
    const Bytes bitmap = {'B', 'M', 0x3A, 0, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0};
    ImageDecoder image;
    EXPECT_EQ(image.decodePng(bitmap.data(), UINT(bitmap.size())), E_FAIL);
    EXPECT_EQ(image.bits, nullptr);
    EXPECT_EQ(image.decodePng(nullptr, 0), E_FAIL);
}

TEST(PngFailure, DataShorterThanTheSignatureIsComparedOverItsOwnLength) {
    const Bytes file = smallRgbFile();
    ImageDecoder image;
    // Five bytes that agree with the signature pass it and then run out: a read error.
    EXPECT_EQ(image.decodePng(file.data(), 5), E_FAIL);
    const Bytes wrong = {0x89, 'P', 'N', 'X', '\r'};
    EXPECT_EQ(image.decodePng(wrong.data(), UINT(wrong.size())), E_FAIL);
}

TEST(PngFailure, TruncatedOrCorruptFilesFail) {
    const Bytes file = smallRgbFile();
    for (size_t length : {size_t(8), size_t(20), size_t(33), file.size() / 2, file.size() - 13}) {
        ImageDecoder image;
        EXPECT_EQ(image.decodePng(file.data(), UINT(length)), E_FAIL) << length;
    }
    Bytes badCrc = file;
    badCrc[20] ^= 0x01; // a byte of the IHDR width
    ImageDecoder image;
    EXPECT_EQ(image.decodePng(badCrc.data(), UINT(badCrc.size())), E_FAIL);
}

// A valid stream whose first rows decode, then the data ends: libpng has written rows into
// the buffer before the read error.
Bytes headerWithStartOfImage(uint32_t width, uint32_t height, int bitDepth, int colorType,
                             size_t rowBytes, int rows) {
    Bytes raw;
    for (int y = 0; y < rows; ++y) {
        raw.push_back(0); // filter byte
        raw.insert(raw.end(), rowBytes, 0x5A);
    }
    uLongf packedSize = compressBound(uLong(raw.size()));
    Bytes packed(packedSize);
    compress(packed.data(), &packedSize, raw.data(), uLong(raw.size()));
    packed.resize(packedSize / 2); // a stream that stops in the middle
    Bytes file = pngHeaderOnly(width, height, bitDepth, colorType);
    appendChunk(file, "IDAT", packed);
    return file;
}

TEST(PngFailure, ImageLargerThanFourGigabytesIsRefused) {
    // 1,000,000 pixels of 8 bytes by 537 rows: 4,296,000,000 bytes. A product wrapped to 32 bits
    // would give a buffer of about 1 MB, smaller than one row. The file is padded with a private
    // chunk so that it is long enough to hold such an image.
    Bytes file = headerWithStartOfImage(1000000, 537, 16, PNG_COLOR_TYPE_RGB_ALPHA, 8000000, 2);
    file = withChunkAfterHeader(file, "prVt", Bytes(4300000, 0));
    ImageDecoder image;
    EXPECT_EQ(image.load(file.data(), UINT(file.size()), nullptr), InvalidData);
    EXPECT_EQ(image.bits, nullptr);
    EXPECT_EQ(image.decodePng(file.data(), UINT(file.size())), E_FAIL);
    EXPECT_EQ(image.bits, nullptr) << "refused before allocating";
}

TEST(PngFailure, FileTooShortForItsImageIsRefusedBeforeAllocating) {
    // 20000 x 20000 grey pixels need 400 MB; deflate cannot fit them in a few kilobytes.
    const Bytes file = headerWithStartOfImage(20000, 20000, 8, PNG_COLOR_TYPE_GRAY, 20000, 8);
    ImageDecoder image;
    EXPECT_EQ(image.decodePng(file.data(), UINT(file.size())), E_FAIL);
    EXPECT_EQ(image.bits, nullptr);
    // A picture that holds all its rows decodes, even compressed more than 500 to 1.
    PngRecipe flat = recipe(20000, PNG_COLOR_TYPE_GRAY, 8, Bytes(20000 * 40, 0x5A));
    flat.height = 40;
    const Bytes whole = makePng(flat);
    ASSERT_GT(20001u * 40u / whole.size(), 500u);
    EXPECT_EQ(image.decodePng(whole.data(), UINT(whole.size())), D3D_OK);
}

TEST(PngFailure, HeaderLibpngRefusesFails) {
    for (const Bytes& file :
         {pngHeaderOnly(0, 4, 8, 0), pngHeaderOnly(4, 4, 3, 0),
          pngHeaderOnly(4, 4, 16, PNG_COLOR_TYPE_PALETTE), pngHeaderOnly(0x80000000u, 1, 8, 0)}) {
        Bytes withData = file;
        appendChunk(withData, "IDAT", {0x78, 0x9C});
        ImageDecoder image;
        EXPECT_EQ(image.decodePng(withData.data(), UINT(withData.size())), E_FAIL);
    }
}

} // namespace
