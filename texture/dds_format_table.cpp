// The DDS pixel-format table, one row per format in search order, its lookups, and the bytes
// of a level per format.
#include "texture/dds_format_table.h"

#include "texture/byte_reader.h"

#include <algorithm>
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
    // Later block formats by the codes their writers use; a writer takes the first of each.
    {BlockFormatBc4, {CodeFlags, MAKEFOURCC('A', 'T', 'I', '1'), 0, 0, 0, 0, 0}},
    {BlockFormatBc4, {CodeFlags, MAKEFOURCC('B', 'C', '4', 'U'), 0, 0, 0, 0, 0}},
    {BlockFormatBc4Signed, {CodeFlags, MAKEFOURCC('B', 'C', '4', 'S'), 0, 0, 0, 0, 0}},
    {BlockFormatBc5, {CodeFlags, MAKEFOURCC('A', 'T', 'I', '2'), 0, 0, 0, 0, 0}},
    {BlockFormatBc5, {CodeFlags, MAKEFOURCC('B', 'C', '5', 'U'), 0, 0, 0, 0, 0}},
    {BlockFormatBc5Signed, {CodeFlags, MAKEFOURCC('B', 'C', '5', 'S'), 0, 0, 0, 0, 0}},
};
static_assert(std::size(ddsFormatTable) == 39);

constexpr DxgiConversion Direct = DxgiConversion::None;

// The DXGI formats the decoder reads, UNORM before its sRGB twin (a writer takes the first).
constexpr DxgiFormatRow dxgiFormatTable[] = {
    {28, "R8G8B8A8_UNORM", D3DFMT_A8R8G8B8, D3DFMT_A8R8G8B8, DxgiConversion::RgbaToArgb, false},
    {29, "R8G8B8A8_UNORM_SRGB", D3DFMT_A8R8G8B8, D3DFMT_A8R8G8B8, DxgiConversion::RgbaToArgb,
     true},
    {87, "B8G8R8A8_UNORM", D3DFMT_A8R8G8B8, D3DFMT_A8R8G8B8, Direct, false},
    {91, "B8G8R8A8_UNORM_SRGB", D3DFMT_A8R8G8B8, D3DFMT_A8R8G8B8, Direct, true},
    {88, "B8G8R8X8_UNORM", D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, Direct, false},
    {93, "B8G8R8X8_UNORM_SRGB", D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, Direct, true},
    // One channel reads as grey, as BC4 does; two as red and green.
    {61, "R8_UNORM", D3DFMT_L8, D3DFMT_L8, Direct, false},
    {49, "R8G8_UNORM", D3DFMT_X8R8G8B8, D3DFMT_A8L8, DxgiConversion::RgToXrgb, false},
    {71, "BC1_UNORM", D3DFMT_DXT1, D3DFMT_DXT1, Direct, false},
    {72, "BC1_UNORM_SRGB", D3DFMT_DXT1, D3DFMT_DXT1, Direct, true},
    {74, "BC2_UNORM", D3DFMT_DXT3, D3DFMT_DXT3, Direct, false},
    {75, "BC2_UNORM_SRGB", D3DFMT_DXT3, D3DFMT_DXT3, Direct, true},
    {77, "BC3_UNORM", D3DFMT_DXT5, D3DFMT_DXT5, Direct, false},
    {78, "BC3_UNORM_SRGB", D3DFMT_DXT5, D3DFMT_DXT5, Direct, true},
    {80, "BC4_UNORM", BlockFormatBc4, BlockFormatBc4, Direct, false},
    {81, "BC4_SNORM", BlockFormatBc4Signed, BlockFormatBc4Signed, Direct, false},
    {83, "BC5_UNORM", BlockFormatBc5, BlockFormatBc5, Direct, false},
    {84, "BC5_SNORM", BlockFormatBc5Signed, BlockFormatBc5Signed, Direct, false},
    {98, "BC7_UNORM", BlockFormatBc7, BlockFormatBc7, Direct, false},
    {99, "BC7_UNORM_SRGB", BlockFormatBc7, BlockFormatBc7, Direct, true},
};
static_assert(std::size(dxgiFormatTable) == 20);

// The premultiplied forms of BC2 and BC3 (alpha mode 2).
constexpr DxgiFormatRow premultipliedTable[] = {
    {74, "BC2_UNORM", D3DFMT_DXT2, D3DFMT_DXT2, Direct, false},
    {75, "BC2_UNORM_SRGB", D3DFMT_DXT2, D3DFMT_DXT2, Direct, true},
    {77, "BC3_UNORM", D3DFMT_DXT4, D3DFMT_DXT4, Direct, false},
    {78, "BC3_UNORM_SRGB", D3DFMT_DXT4, D3DFMT_DXT4, Direct, true},
};

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

const DxgiFormatRow* findDxgiFormat(uint32_t dxgiFormat, uint32_t alphaMode) {
    if (alphaMode == DdsAlphaModePremultiplied) {
        for (const DxgiFormatRow& row : premultipliedTable) {
            if (row.dxgiFormat == dxgiFormat)
                return &row;
        }
    }
    for (const DxgiFormatRow& row : dxgiFormatTable) {
        if (row.dxgiFormat == dxgiFormat)
            return &row;
    }
    return nullptr;
}

uint32_t dxgiFormatOf(PixelFormat format, uint32_t* alphaMode) {
    *alphaMode = 0;
    for (const DxgiFormatRow& row : premultipliedTable) {
        if (row.format == format) {
            *alphaMode = DdsAlphaModePremultiplied;
            return row.dxgiFormat;
        }
    }
    for (const DxgiFormatRow& row : dxgiFormatTable) {
        if (row.format == format && row.conversion == Direct)
            return row.dxgiFormat;
    }
    return 0;
}

uint32_t ddsDxgiFormat(const uint8_t* data, uint64_t size) {
    const ByteReader file(data, UINT(std::min<uint64_t>(size, UINT32_MAX)));
    uint32_t magic = 0, flags = 0, code = 0, dxgi = 0;
    if (!file.u32(0, &magic) || magic != DdsMagic || !file.u32(DdsPixelFormatOffset + 4, &flags) ||
        !file.u32(DdsPixelFormatOffset + 8, &code) || flags != DdsPixelFourCC ||
        code != DdsFourCCDx10 || !file.u32(DdsDx10Offset, &dxgi))
        return 0;
    return dxgi;
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
