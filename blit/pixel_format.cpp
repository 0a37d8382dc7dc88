// The format table, one row per format in search order, and the lookups over it.
#include "blit/pixel_format.h"

#include "blocks/block_format.h"

#include <array>
#include <span>

namespace {

constexpr uint32_t Yes = 1;
constexpr uint32_t No = 0;

// format, category, bits per pixel, other, alpha, red, green, blue, substitutable
constexpr std::array<PixelFormatInfo, 48> formatTable = {{
    {D3DFMT_R8G8B8, Rgb, 24, 0, 0, 8, 8, 8, No},
    {D3DFMT_A8R8G8B8, Rgb, 32, 0, 8, 8, 8, 8, Yes},
    {D3DFMT_X8R8G8B8, Rgb, 32, 0, 0, 8, 8, 8, Yes},
    {D3DFMT_R5G6B5, Rgb, 16, 0, 0, 5, 6, 5, Yes},
    {D3DFMT_X1R5G5B5, Rgb, 16, 0, 0, 5, 5, 5, Yes},
    {D3DFMT_A8P8, Palette, 16, 0, 8, 8, 8, 8, Yes},
    {D3DFMT_P8, Palette, 8, 0, 8, 8, 8, 8, Yes},
    {D3DFMT_A1R5G5B5, Rgb, 16, 0, 1, 5, 5, 5, Yes},
    {D3DFMT_A4R4G4B4, Rgb, 16, 0, 4, 4, 4, 4, Yes},
    {D3DFMT_R3G3B2, Rgb, 8, 0, 0, 3, 3, 2, Yes},
    {D3DFMT_A8, Rgb, 8, 0, 8, 0, 0, 0, Yes},
    {D3DFMT_A8R3G3B2, Rgb, 16, 0, 8, 3, 3, 2, Yes},
    {D3DFMT_X4R4G4B4, Rgb, 16, 0, 0, 4, 4, 4, Yes},
    {D3DFMT_A2B10G10R10, Rgb, 32, 0, 2, 10, 10, 10, Yes},
    {D3DFMT_G16R16, Rgb, 32, 0, 0, 16, 16, 0, Yes},
    {D3DFMT_L8, Luminance, 8, 0, 0, 8, 8, 8, Yes},
    {D3DFMT_A8L8, Luminance, 16, 0, 8, 8, 8, 8, Yes},
    {D3DFMT_A4L4, Luminance, 8, 0, 4, 4, 4, 4, Yes},
    {D3DFMT_V8U8, Bump, 16, 0, 0, 0, 8, 8, Yes},
    {D3DFMT_L6V5U5, Bump, 16, 6, 0, 0, 5, 5, Yes},
    {D3DFMT_X8L8V8U8, Bump, 32, 8, 0, 0, 8, 8, Yes},
    {D3DFMT_Q8W8V8U8, Bump, 32, 0, 8, 8, 8, 8, Yes},
    {D3DFMT_V16U16, Bump, 32, 0, 0, 0, 16, 16, Yes},
    {D3DFMT_W11V11U10, Bump, 32, 0, 0, 11, 11, 10, Yes},
    {D3DFMT_A2W10V10U10, Bump, 32, 2, 0, 10, 10, 10, Yes},
    {D3DFMT_UYVY, Rgb, 16, 0, 0, 8, 8, 8, No},
    {D3DFMT_YUY2, Rgb, 16, 0, 0, 8, 8, 8, No},
    {D3DFMT_DXT1, Rgb, 16, 0, 1, 5, 6, 5, No},
    {D3DFMT_DXT2, Rgb, 16, 0, 4, 5, 6, 5, No},
    {D3DFMT_DXT3, Rgb, 16, 0, 4, 5, 6, 5, No},
    {D3DFMT_DXT4, Rgb, 16, 0, 8, 5, 6, 5, No},
    {D3DFMT_DXT5, Rgb, 16, 0, 8, 5, 6, 5, No},
    {D3DFMT_D16_LOCKABLE, DepthStencil, 16, 1, 0, 0, 0, 16, Yes},
    {D3DFMT_D32, DepthStencil, 32, 0, 0, 0, 0, 32, Yes},
    {D3DFMT_D15S1, DepthStencil, 16, 0, 0, 0, 1, 15, Yes},
    {D3DFMT_D24S8, DepthStencil, 32, 0, 0, 0, 8, 24, Yes},
    {D3DFMT_D16, DepthStencil, 16, 0, 0, 0, 0, 16, Yes},
    {D3DFMT_D24X8, DepthStencil, 32, 0, 0, 0, 0, 24, Yes},
    {D3DFMT_D24X4S4, DepthStencil, 32, 0, 0, 0, 4, 24, Yes},
    {PixelFormatL16, Luminance, 16, 0, 0, 16, 16, 16, No},
    {PixelFormatAL16, Luminance, 32, 0, 16, 16, 16, 16, No},
    {PixelFormatR16, Rgb, 48, 0, 0, 16, 16, 16, No},
    {PixelFormatAR16, Rgb, 64, 0, 16, 16, 16, 16, No},
    // Block formats of later hardware, after every older row so that no search among those
    // changes, and found only by their own code. The columns describe the pixels their decoders
    // give: BC4 a grey (a device's nearest is L8); BC5 red and green with blue 0, counted as a
    // channel since a format without blue (G16R16) would read it back as 1; the signed ones U
    // (and V) as the bump formats keep them.
    {BlockFormatBc4, Luminance, 16, 0, 0, 8, 8, 8, No},
    {BlockFormatBc4Signed, Bump, 16, 0, 0, 0, 0, 8, No},
    {BlockFormatBc5, Rgb, 16, 0, 0, 8, 8, 8, No},
    {BlockFormatBc5Signed, Bump, 16, 0, 0, 0, 8, 8, No},
    {BlockFormatBc7, Rgb, 16, 0, 8, 8, 8, 8, No},
}};
static_assert(formatTable.size() == 48);

} // namespace

const PixelFormatInfo unknownFormatInfo = {D3DFMT_UNKNOWN, Rgb, 32, 0, 8, 8, 8, 8, No};

std::span<const PixelFormatInfo> formatRows() {
    return formatTable;
}

const PixelFormatInfo& getFormatInfo(PixelFormat format) {
    for (const PixelFormatInfo& row : formatTable) {
        if (row.format == format)
            return row;
    }
    return unknownFormatInfo;
}

PixelFormat findClosestExternalFormat(PixelFormat format) {
    switch (format) {
    case PixelFormatL16:
        return D3DFMT_L8;
    case PixelFormatAL16:
        return D3DFMT_A8L8;
    case PixelFormatR16:
        return D3DFMT_R8G8B8;
    case PixelFormatAR16:
        return D3DFMT_A8R8G8B8;
    default:
        return format;
    }
}

namespace {

// Bytes of one 4 x 4 block of each block-compressed format. Kept here rather than asked of the
// block codecs: a file of a format whose codec this build lacks still has a known size.
struct BlockSize {
    PixelFormat format;
    uint32_t bytes;
};
constexpr BlockSize blockSizeTable[] = {
    {D3DFMT_DXT1, 8},    {D3DFMT_DXT2, 16},          {D3DFMT_DXT3, 16},
    {D3DFMT_DXT4, 16},   {D3DFMT_DXT5, 16},          {BlockFormatBc4, 8},
    {BlockFormatBc4Signed, 8}, {BlockFormatBc5, 16}, {BlockFormatBc5Signed, 16},
    {BlockFormatBc7, 16},
};

} // namespace

bool isBlockCompressed(PixelFormat format) {
    return blockBytes(format) != 0;
}

uint32_t blockBytes(PixelFormat format) {
    for (const BlockSize& row : blockSizeTable) {
        if (row.format == format)
            return row.bytes;
    }
    return 0;
}

bool isPackedYuv(PixelFormat format) {
    return format == D3DFMT_UYVY || format == D3DFMT_YUY2;
}
