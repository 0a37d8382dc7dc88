// The rasteriser's texel decoding, format by format, against hand-computed ARGB words.
#include "d3d8/texel_decode.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace d3d8;

namespace {

// Decodes a level of the format filled with `bytes`, row by row at the level's pitch.
std::vector<uint32_t> decode(D3DFORMAT format, UINT width, UINT height,
                             const std::vector<uint8_t>& bytes, UINT bytesPerRow) {
    LevelStore level;
    EXPECT_EQ(level.allocate(*findFormatLayout(format), width, height, 1), D3D_OK);
    const UINT rows = UINT(bytes.size() / bytesPerRow);
    for (UINT row = 0; row < rows; ++row)
        std::memcpy(level.bits() + row * level.geometry().rowPitch, &bytes[row * bytesPerRow],
                    bytesPerRow);
    std::vector<uint32_t> out(width * height, 0xDEADBEEF);
    decodeLevelToArgb(level, out.data(), width);
    return out;
}

std::vector<uint32_t> decodeWords(D3DFORMAT format, const std::vector<uint32_t>& words,
                                  unsigned bytes) {
    std::vector<uint8_t> raw;
    for (uint32_t w : words)
        for (unsigned i = 0; i < bytes; ++i)
            raw.push_back(uint8_t(w >> (8 * i)));
    return decode(format, UINT(words.size()), 1, raw, UINT(raw.size()));
}

} // namespace

TEST(TexelDecodeTest, PackedFormats) {
    struct Case {
        D3DFORMAT format;
        unsigned bytes;
        std::vector<uint32_t> stored, expected;
    };
    const Case cases[] = {
        {D3DFMT_X8R8G8B8, 4, {0x00123456}, {0xFF123456}},
        {D3DFMT_R5G6B5,
         2,
         {0xF800, 0x07E0, 0x001F, 0x8410},
         {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF848284}},
        {D3DFMT_X1R5G5B5, 2, {0xFC00, 0x0421}, {0xFFFF0000, 0xFF080808}},
        {D3DFMT_A1R5G5B5, 2, {0x7FFF, 0x8000}, {0x00FFFFFF, 0xFF000000}},
        {D3DFMT_A4R4G4B4, 2, {0x8F00, 0x0123}, {0x88FF0000, 0x00112233}},
        {D3DFMT_X4R4G4B4, 2, {0xF123}, {0xFF112233}},
        {D3DFMT_R3G3B2,
         1,
         {0xE0, 0x1C, 0x03, 0x49},
         {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF494955}},
        {D3DFMT_A8R3G3B2, 2, {0x80E3}, {0x80FF00FF}},
        {D3DFMT_A8, 1, {0x40}, {0x40000000}},
        {D3DFMT_A2B10G10R10, 4, {0xC00003FF, 0x3FF00000}, {0xFFFF0000, 0x000000FF}},
        {D3DFMT_G16R16, 4, {0x8000FFFF}, {0xFFFF80FF}},
        {D3DFMT_L8, 1, {0x80}, {0xFF808080}},
        {D3DFMT_A8L8, 2, {0x4080}, {0x40808080}},
        {D3DFMT_A4L4, 1, {0x3C}, {0x33CCCCCC}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(decodeWords(c.format, c.stored, c.bytes), c.expected) << "format " << c.format;
}

TEST(TexelDecodeTest, PackedYuvSharesChromaAcrossAPair) {
    // Y0 = 16 (black), Y1 = 235 (white), neutral chroma; then the studio-range red pair, whose
    // red comes to 0.9978 and so to 254.
    const std::vector<uint8_t> yuy2 = {16, 128, 235, 128, 81, 90, 81, 240};
    EXPECT_EQ(decode(D3DFMT_YUY2, 4, 1, yuy2, 8),
              (std::vector<uint32_t>{0xFF000000, 0xFFFFFFFF, 0xFFFE0000, 0xFFFE0000}));
    const std::vector<uint8_t> uyvy = {128, 16, 128, 235};
    EXPECT_EQ(decode(D3DFMT_UYVY, 2, 1, uyvy, 4), (std::vector<uint32_t>{0xFF000000, 0xFFFFFFFF}));
}

TEST(TexelDecodeTest, Dxt1ColourModes) {
    // Red and blue endpoints; texels 0..3 take indices 0..3.
    const std::vector<uint8_t> fourColours = {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0x00, 0x00, 0x00};
    std::vector<uint32_t> out = decode(D3DFMT_DXT1, 4, 4, fourColours, 8);
    EXPECT_EQ(out[0], 0xFFFF0000u);
    EXPECT_EQ(out[1], 0xFF0000FFu);
    EXPECT_EQ(out[2], 0xFFAA0055u);
    EXPECT_EQ(out[3], 0xFF5500AAu);
    EXPECT_EQ(out[15], 0xFFFF0000u);
    // Endpoints in the other order: three colours and transparent black.
    const std::vector<uint8_t> threeColours = {0x1F, 0x00, 0x00, 0xF8, 0xE4, 0x00, 0x00, 0x00};
    out = decode(D3DFMT_DXT1, 4, 4, threeColours, 8);
    EXPECT_EQ(out[2], 0xFF800080u);
    EXPECT_EQ(out[3], 0x00000000u);
    // Interpolated in single precision as the toolkit decodes: blue 9 and 6 of 31 give
    // 57.58 at two thirds, so 58, where widening to bytes first would give 57.
    const std::vector<uint8_t> thirds = {0x89, 0x89, 0x46, 0x70, 0x03, 0x00, 0x00, 0x00};
    EXPECT_EQ(decode(D3DFMT_DXT1, 4, 4, thirds, 8)[0], 0xFF7B163Au);
    // A 2x1 level holds the top-left texels of its block.
    out = decode(D3DFMT_DXT1, 2, 1, fourColours, 8);
    EXPECT_EQ(out, (std::vector<uint32_t>{0xFFFF0000, 0xFF0000FF}));
}

TEST(TexelDecodeTest, Dxt3AndDxt5Alpha) {
    std::vector<uint8_t> dxt3 = {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE,
                                 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00};
    std::vector<uint32_t> out = decode(D3DFMT_DXT3, 4, 4, dxt3, 16);
    for (uint32_t i = 0; i < 16; ++i)
        EXPECT_EQ(out[i], (i * 17) << 24 | 0xFFFFFFu) << i;
    // a0 = 255 > a1 = 0: eight alphas; texels take indices 0, 1, 2, 7 and then 0.
    std::vector<uint8_t> dxt5 = {255,  0,    0x88, 0x0E, 0x00, 0x00, 0x00, 0x00,
                                 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00};
    out = decode(D3DFMT_DXT5, 4, 4, dxt5, 16);
    EXPECT_EQ(out[0] >> 24, 255u);
    EXPECT_EQ(out[1] >> 24, 0u);
    EXPECT_EQ(out[2] >> 24, 219u);
    EXPECT_EQ(out[3] >> 24, 36u);
    EXPECT_EQ(out[4] >> 24, 255u);
    // a0 <= a1: six alphas, then 0 and 255.
    dxt5[0] = 0;
    dxt5[1] = 255;
    out = decode(D3DFMT_DXT5, 4, 4, dxt5, 16);
    EXPECT_EQ(out[2] >> 24, 51u);
    EXPECT_EQ(out[3] >> 24, 255u);
}
