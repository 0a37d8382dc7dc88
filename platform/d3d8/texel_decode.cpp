// Texel decoding for the rasteriser. Channels of n bits widen to 8 bits by rounding
// v * 255 / (2^n - 1); a missing alpha reads as opaque, a missing colour channel as the
// row's fill (black for D3DFMT_A8, full for the blue of D3DFMT_G16R16). Blocks of
// "DXT1".."DXT5" interpolate in single precision before rounding.
#include "d3d8/texel_decode.h"

#include "d3d8/pixel_math.h"

#include <algorithm>
#include <cstring>

namespace d3d8 {

namespace {

struct Field {
    uint8_t shift;
    uint8_t bits; // 0: the format lacks the channel
};

struct PackedTexelLayout {
    D3DFORMAT format;
    uint8_t bytes;
    Field alpha, red, green, blue;
    bool luminance;     // red holds a luminance that fills red, green and blue
    uint8_t colourFill; // the value of a missing colour channel
};

constexpr PackedTexelLayout PackedTexelTable[] = {
    // format              bytes alpha    red       green     blue      lum    fill
    {D3DFMT_A8R8G8B8, 4, {24, 8}, {16, 8}, {8, 8}, {0, 8}, false, 0},
    {D3DFMT_X8R8G8B8, 4, {0, 0}, {16, 8}, {8, 8}, {0, 8}, false, 0},
    {D3DFMT_R5G6B5, 2, {0, 0}, {11, 5}, {5, 6}, {0, 5}, false, 0},
    {D3DFMT_X1R5G5B5, 2, {0, 0}, {10, 5}, {5, 5}, {0, 5}, false, 0},
    {D3DFMT_A1R5G5B5, 2, {15, 1}, {10, 5}, {5, 5}, {0, 5}, false, 0},
    {D3DFMT_A4R4G4B4, 2, {12, 4}, {8, 4}, {4, 4}, {0, 4}, false, 0},
    {D3DFMT_R3G3B2, 1, {0, 0}, {5, 3}, {2, 3}, {0, 2}, false, 0},
    {D3DFMT_A8, 1, {0, 8}, {0, 0}, {0, 0}, {0, 0}, false, 0},
    {D3DFMT_A8R3G3B2, 2, {8, 8}, {5, 3}, {2, 3}, {0, 2}, false, 0},
    {D3DFMT_X4R4G4B4, 2, {0, 0}, {8, 4}, {4, 4}, {0, 4}, false, 0},
    {D3DFMT_A2B10G10R10, 4, {30, 2}, {0, 10}, {10, 10}, {20, 10}, false, 0},
    {D3DFMT_G16R16, 4, {0, 0}, {0, 16}, {16, 16}, {0, 0}, false, 255},
    {D3DFMT_L8, 1, {0, 0}, {0, 8}, {0, 0}, {0, 0}, true, 0},
    {D3DFMT_A8L8, 2, {8, 8}, {0, 8}, {0, 0}, {0, 0}, true, 0},
    {D3DFMT_A4L4, 1, {4, 4}, {0, 4}, {0, 0}, {0, 0}, true, 0},
};
static_assert(sizeof(PackedTexelTable) / sizeof(PackedTexelTable[0]) == 15);

const PackedTexelLayout* findPacked(D3DFORMAT format) {
    for (const PackedTexelLayout& row : PackedTexelTable)
        if (row.format == format)
            return &row;
    return nullptr;
}

uint32_t readLittleEndian(const BYTE* p, unsigned bytes) {
    uint32_t value = 0;
    for (unsigned i = 0; i < bytes; ++i)
        value |= uint32_t(p[i]) << (8 * i);
    return value;
}

uint32_t channel(uint32_t word, Field field, uint32_t fill) {
    if (field.bits == 0)
        return fill;
    const uint32_t raw = (word >> field.shift) & ((1u << field.bits) - 1);
    return widenChannel(raw, field.bits);
}

void decodePacked(const LevelStore& level, const PackedTexelLayout& row, uint32_t* out,
                  size_t outPitch) {
    const UINT pitch = level.geometry().rowPitch;
    for (UINT y = 0; y < level.height(); ++y) {
        const BYTE* from = level.bits() + size_t(y) * pitch;
        uint32_t* to = out + y * outPitch;
        for (UINT x = 0; x < level.width(); ++x) {
            const uint32_t word = readLittleEndian(from + x * row.bytes, row.bytes);
            const uint32_t a = channel(word, row.alpha, 255);
            const uint32_t r = channel(word, row.red, row.colourFill);
            const uint32_t g = row.luminance ? r : channel(word, row.green, row.colourFill);
            const uint32_t b = row.luminance ? r : channel(word, row.blue, row.colourFill);
            to[x] = a << 24 | r << 16 | g << 8 | b;
        }
    }
}

uint32_t unitByte(float value) {
    const float clamped = std::min(1.0f, std::max(0.0f, value));
    return uint32_t(clamped * 255.0f + 0.5f);
}

uint32_t yuvToArgb(int luma, int u, int v) {
    const float y = float(luma - 16), cb = float(u - 128), cr = float(v - 128);
    const uint32_t r = unitByte(y * 0.00456621f + cr * 0.00625893f);
    const uint32_t g = unitByte(y * 0.00456621f - cb * 0.00153632f - cr * 0.00318811f);
    const uint32_t b = unitByte(y * 0.00456621f + cb * 0.00791071f);
    return 0xFF000000u | r << 16 | g << 8 | b;
}

// Two pixels per four bytes: "UYVY" stores U Y0 V Y1, "YUY2" stores Y0 U Y1 V.
void decodeYuv(const LevelStore& level, uint32_t* out, size_t outPitch) {
    const bool uyvy = level.format() == D3DFMT_UYVY;
    const UINT pitch = level.geometry().rowPitch;
    for (UINT y = 0; y < level.height(); ++y) {
        const BYTE* from = level.bits() + size_t(y) * pitch;
        uint32_t* to = out + y * outPitch;
        for (UINT x = 0; x < level.width(); ++x) {
            const BYTE* pair = from + (x / 2) * 4;
            const int luma = uyvy ? pair[1 + 2 * (x & 1)] : pair[2 * (x & 1)];
            const int u = uyvy ? pair[0] : pair[1];
            const int v = uyvy ? pair[2] : pair[3];
            to[x] = yuvToArgb(luma, u, v);
        }
    }
}

// Block colours and alphas are interpolated in single precision with the toolkit's constants
// (reciprocals of 31, 63, 255 and the thirds and sevenths), then rounded to bytes, so a drawn
// block shows exactly what the toolkit's own decoder reads from it.
constexpr float Scale5 = 0.032258064f;
constexpr float Scale6 = 0.015873017f;
constexpr float Scale8 = 0.003921569f;

uint32_t unitToByte(float v) {
    return uint32_t(double(v) * 255.0 + 0.5);
}

struct BlockColour {
    float r, g, b;
};

BlockColour expand565(uint32_t packed) {
    return {float((packed >> 11) & 0x1F) * Scale5, float((packed >> 5) & 0x3F) * Scale6,
            float(packed & 0x1F) * Scale5};
}

uint32_t argbOf(const BlockColour& c) {
    return 0xFF000000u | unitToByte(c.r) << 16 | unitToByte(c.g) << 8 | unitToByte(c.b);
}

uint32_t mixed(const BlockColour& c0, const BlockColour& c1, float t) {
    return argbOf({c0.r + (c1.r - c0.r) * t, c0.g + (c1.g - c0.g) * t, c0.b + (c1.b - c0.b) * t});
}

// The 16 colours of a colour block; alpha 255, or 0 for DXT1's transparent entry.
void decodeColourBlock(const BYTE* block, bool dxt1, uint32_t colours[16]) {
    const uint32_t c0 = readLittleEndian(block, 2), c1 = readLittleEndian(block + 2, 2);
    const BlockColour e0 = expand565(c0), e1 = expand565(c1);
    uint32_t palette[4] = {argbOf(e0), argbOf(e1), 0, 0};
    if (!dxt1 || c0 > c1) {
        palette[2] = mixed(e0, e1, 0.33333334f);
        palette[3] = mixed(e0, e1, 0.6666667f);
    } else {
        palette[2] = mixed(e0, e1, 0.5f);
        palette[3] = 0;
    }
    const uint32_t indices = readLittleEndian(block + 4, 4);
    for (int i = 0; i < 16; ++i)
        colours[i] = palette[(indices >> (2 * i)) & 3];
}

void applyExplicitAlpha(const BYTE* block, uint32_t colours[16]) {
    for (int i = 0; i < 16; ++i) {
        const uint32_t nibble = (block[i / 2] >> (4 * (i & 1))) & 0xF;
        colours[i] = (colours[i] & 0x00FFFFFFu) | (nibble * 17) << 24;
    }
}

void applyInterpolatedAlpha(const BYTE* block, uint32_t colours[16]) {
    const uint32_t alpha0 = block[0], alpha1 = block[1];
    const float a0 = float(alpha0) * Scale8, a1 = float(alpha1) * Scale8;
    uint32_t alphas[8] = {alpha0, alpha1};
    if (alpha0 > alpha1) {
        for (int j = 2; j < 8; ++j)
            alphas[j] = unitToByte((float(8 - j) * a0 + float(j - 1) * a1) * 0.14285715f);
    } else {
        for (int j = 2; j < 6; ++j)
            alphas[j] = unitToByte((float(6 - j) * a0 + float(j - 1) * a1) * 0.2f);
        alphas[6] = 0;
        alphas[7] = 255;
    }
    uint64_t indices = 0;
    for (int i = 0; i < 6; ++i)
        indices |= uint64_t(block[2 + i]) << (8 * i);
    for (int i = 0; i < 16; ++i)
        colours[i] = (colours[i] & 0x00FFFFFFu) | alphas[(indices >> (3 * i)) & 7] << 24;
}

void decodeBlocks(const LevelStore& level, uint32_t* out, size_t outPitch) {
    const D3DFORMAT format = level.format();
    const bool dxt1 = format == D3DFMT_DXT1;
    const UINT blockBytes = level.layout().unitBytes;
    const UINT pitch = level.geometry().rowPitch;
    for (UINT by = 0; by * 4 < level.height(); ++by)
        for (UINT bx = 0; bx * 4 < level.width(); ++bx) {
            const BYTE* block = level.bits() + size_t(by) * pitch + bx * blockBytes;
            uint32_t colours[16];
            decodeColourBlock(dxt1 ? block : block + 8, dxt1, colours);
            if (format == D3DFMT_DXT2 || format == D3DFMT_DXT3)
                applyExplicitAlpha(block, colours);
            else if (format == D3DFMT_DXT4 || format == D3DFMT_DXT5)
                applyInterpolatedAlpha(block, colours);
            for (UINT row = 0; row < 4 && by * 4 + row < level.height(); ++row)
                for (UINT column = 0; column < 4 && bx * 4 + column < level.width(); ++column)
                    out[(by * 4 + row) * outPitch + bx * 4 + column] = colours[row * 4 + column];
        }
}

} // namespace

bool canDecodeTexels(D3DFORMAT format) {
    return findPacked(format) != nullptr || format == D3DFMT_UYVY || format == D3DFMT_YUY2 ||
           format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 ||
           format == D3DFMT_DXT4 || format == D3DFMT_DXT5;
}

void decodeLevelToArgb(const LevelStore& level, uint32_t* out, size_t outPitch) {
    if (const PackedTexelLayout* row = findPacked(level.format()))
        decodePacked(level, *row, out, outPitch);
    else if (level.layout().storage == Storage::Pair)
        decodeYuv(level, out, outPitch);
    else if (level.layout().storage == Storage::Block)
        decodeBlocks(level, out, outPitch);
}

} // namespace d3d8
