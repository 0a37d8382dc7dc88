// The DDS pixel-format table, one row per format in search order, its lookups, and the bytes
// of a level per format.
#include "texture/dds_format_table.h"

#include <iterator>

namespace {

struct DdsFormatRow {
    PixelFormat format;
    DdsPixelFormat description;
};

// The pixel-format flag words of the rows: colour, palette index, alpha alone, luminance,
// signed bump pairs, bump with luminance, a four-character code, depth.
constexpr uint32_t ColourFlags = 0x40;
constexpr uint32_t ColourAlphaFlags = 0x41;
constexpr uint32_t IndexFlags = 0x20;
constexpr uint32_t IndexAlphaFlags = 0x21;
constexpr uint32_t AlphaFlags = 0x2;
constexpr uint32_t LuminanceFlags = 0x20000;
constexpr uint32_t LuminanceAlphaFlags = 0x20001;
constexpr uint32_t BumpFlags = 0x80000;
constexpr uint32_t BumpAlphaFlags = 0x80001;
constexpr uint32_t BumpLuminanceFlags = 0x40000;
constexpr uint32_t CodeFlags = DdsPixelFourCC;
constexpr uint32_t DepthFlags = 0x400;

// Searched in this order, so a description that two rows would accept takes the earlier one.
// format, {flags, four-character code, bits, first, second, third and alpha masks}
constexpr DdsFormatRow ddsFormatTable[] = {
    {D3DFMT_R8G8B8, {ColourFlags, 0, 24, 0xFF0000, 0xFF00, 0xFF, 0}},
    {D3DFMT_A8R8G8B8, {ColourAlphaFlags, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000}},
    {D3DFMT_X8R8G8B8, {ColourFlags, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0}},
    {D3DFMT_R5G6B5, {ColourFlags, 0, 16, 0xF800, 0x7E0, 0x1F, 0}},
    {D3DFMT_X1R5G5B5, {ColourFlags, 0, 16, 0x7C00, 0x3E0, 0x1F, 0}},
    {D3DFMT_A8P8, {IndexAlphaFlags, 0, 16, 0, 0, 0, 0xFF00}},
    {D3DFMT_P8, {IndexFlags, 0, 8, 0, 0, 0, 0}},
    {D3DFMT_A1R5G5B5, {ColourAlphaFlags, 0, 16, 0x7C00, 0x3E0, 0x1F, 0x8000}},
    {D3DFMT_A4R4G4B4, {ColourAlphaFlags, 0, 16, 0xF00, 0xF0, 0xF, 0xF000}},
    {D3DFMT_R3G3B2, {ColourFlags, 0, 8, 0xE0, 0x1C, 0x3, 0}},
    {D3DFMT_A8, {AlphaFlags, 0, 8, 0, 0, 0, 0xFF}},
    {D3DFMT_A8R3G3B2, {ColourAlphaFlags, 0, 16, 0xE0, 0x1C, 0x3, 0xFF00}},
    {D3DFMT_X4R4G4B4, {ColourFlags, 0, 16, 0xF00, 0xF0, 0xF, 0}},
    {D3DFMT_A2B10G10R10, {ColourAlphaFlags, 0, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}},
    {D3DFMT_G16R16, {ColourFlags, 0, 32, 0xFFFF, 0xFFFF0000, 0, 0}},
    {D3DFMT_L8, {LuminanceFlags, 0, 8, 0xFF, 0, 0, 0}},
    {D3DFMT_A8L8, {LuminanceAlphaFlags, 0, 16, 0xFF, 0, 0, 0xFF00}},
    {D3DFMT_A4L4, {LuminanceAlphaFlags, 0, 8, 0xF, 0, 0, 0xF0}},
    {D3DFMT_V8U8, {BumpFlags, 0, 16, 0xFF, 0xFF00, 0, 0}},
    {D3DFMT_L6V5U5, {BumpLuminanceFlags, 0, 16, 0x1F, 0x3E0, 0xFC00, 0}},
    {D3DFMT_X8L8V8U8, {BumpLuminanceFlags, 0, 32, 0xFF, 0xFF00, 0xFF0000, 0}},
    {D3DFMT_Q8W8V8U8, {BumpFlags, 0, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000}},
    {D3DFMT_V16U16, {BumpFlags, 0, 32, 0xFFFF, 0xFFFF0000, 0, 0}},
    {D3DFMT_W11V11U10, {BumpFlags, 0, 32, 0x3FF, 0x1FFC00, 0xFFE00000, 0}},
    {D3DFMT_A2W10V10U10, {BumpAlphaFlags, 0, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}},
    {D3DFMT_UYVY, {CodeFlags, D3DFMT_UYVY, 0, 0, 0, 0, 0}},
    {D3DFMT_YUY2, {CodeFlags, D3DFMT_YUY2, 0, 0, 0, 0, 0}},
    {D3DFMT_DXT1, {CodeFlags, D3DFMT_DXT1, 0, 0, 0, 0, 0}},
    {D3DFMT_DXT2, {CodeFlags, D3DFMT_DXT2, 0, 0, 0, 0, 0}},
    {D3DFMT_DXT3, {CodeFlags, D3DFMT_DXT3, 0, 0, 0, 0, 0}},
    {D3DFMT_DXT4, {CodeFlags, D3DFMT_DXT4, 0, 0, 0, 0, 0}},
    {D3DFMT_DXT5, {CodeFlags, D3DFMT_DXT5, 0, 0, 0, 0, 0}},
    {D3DFMT_D16_LOCKABLE, {DepthFlags, 0, 16, 0, 0xFFFF, 0, 0}},
};
static_assert(std::size(ddsFormatTable) == 33);

bool selectedFieldsMatch(const DdsPixelFormat& file, const DdsPixelFormat& row) {
    const uint32_t flags = row.flags;
    const auto differs = [flags](uint32_t selectors, uint32_t a, uint32_t b) {
        return (flags & selectors) != 0 && a != b;
    };
    return !differs(DdsPixelFourCC, file.fourCC, row.fourCC) &&
           !differs(DdsSelectsBitCount, file.bitCount, row.bitCount) &&
           !differs(DdsSelectsFirstMask, file.firstMask, row.firstMask) &&
           !differs(DdsSelectsSecondMask, file.secondMask, row.secondMask) &&
           !differs(DdsSelectsThirdMask, file.thirdMask, row.thirdMask) &&
           !differs(DdsSelectsAlphaMask, file.alphaMask, row.alphaMask);
}

// Pitch times rows can pass 64 bits for the largest sizes a header names; such a level is
// larger than any file, so stopping at the largest value keeps every comparison right.
uint64_t saturatingProduct(uint64_t a, uint64_t b) {
    return a != 0 && b > UINT64_MAX / a ? UINT64_MAX : a * b;
}

} // namespace

PixelFormat findDdsFormat(const DdsPixelFormat& description) {
    for (const DdsFormatRow& row : ddsFormatTable) {
        if (row.description.flags == description.flags &&
            selectedFieldsMatch(description, row.description))
            return row.format;
    }
    return D3DFMT_UNKNOWN;
}

const DdsPixelFormat* findDdsDescription(PixelFormat format) {
    for (const DdsFormatRow& row : ddsFormatTable) {
        if (row.format == format)
            return &row.description;
    }
    return nullptr;
}

DdsLevelBytes ddsLevelBytes(PixelFormat format, uint32_t width, uint32_t height, uint32_t depth) {
    uint64_t pitch = 0, rows = height;
    if (isBlockCompressed(format)) {
        pitch = (uint64_t(width) + 3) / 4 * blockBytes(format);
        rows = (uint64_t(height) + 3) / 4;
    } else if (isPackedYuv(format)) {
        pitch = (uint64_t(width) + 1) / 2 * 4;
    } else {
        pitch = uint64_t(getFormatInfo(format).bitsPerPixel) / 8 * width;
    }
    const uint64_t slice = saturatingProduct(pitch, rows);
    return {pitch, slice, saturatingProduct(slice, depth)};
}
