// The layout of a DDS file and the table of the pixel formats it can hold, with a lookup each
// way and the bytes of a level per format: the decoder and the writer both read them here.
#pragma once

#include "blit/pixel_format.h"
#include "blocks/block_format.h"

#include <cstdint>

// "DDS " at the start of the file, then the 124-byte surface description, then for paletted
// formats 256 palette entries, then every level of every face.
inline constexpr uint32_t DdsMagic = MAKEFOURCC('D', 'D', 'S', ' ');
inline constexpr uint32_t DdsDescriptionBytes = 124;
inline constexpr uint32_t DdsHeaderBytes = 4 + DdsDescriptionBytes;
inline constexpr uint32_t DdsPaletteBytes = 256 * 4;

// Offsets of the fields within the file (the description starts at byte 4).
inline constexpr uint32_t DdsSizeOffset = 4;
inline constexpr uint32_t DdsFlagsOffset = 8;
inline constexpr uint32_t DdsHeightOffset = 12;
inline constexpr uint32_t DdsWidthOffset = 16;
inline constexpr uint32_t DdsPitchOffset = 20;
inline constexpr uint32_t DdsDepthOffset = 24;
inline constexpr uint32_t DdsMipCountOffset = 28;
inline constexpr uint32_t DdsPixelFormatOffset = 76; // 32 bytes: size, flags, code, bits, masks
inline constexpr uint32_t DdsCapsOffset = 108;
inline constexpr uint32_t DdsCaps2Offset = 112;

// Description flags.
inline constexpr uint32_t DdsFlagCaps = 0x1;
inline constexpr uint32_t DdsFlagHeight = 0x2;
inline constexpr uint32_t DdsFlagWidth = 0x4;
inline constexpr uint32_t DdsFlagPitch = 0x8;
inline constexpr uint32_t DdsFlagPixelFormat = 0x1000;
inline constexpr uint32_t DdsFlagMipCount = 0x20000;
inline constexpr uint32_t DdsFlagLinearSize = 0x80000;
inline constexpr uint32_t DdsFlagDepth = 0x800000;

// Capability words: the first says what the surface is, the second which cube faces it has.
inline constexpr uint32_t DdsCapsComplex = 0x8;
inline constexpr uint32_t DdsCapsTexture = 0x1000;
inline constexpr uint32_t DdsCapsMipMap = 0x400000;
inline constexpr uint32_t DdsCaps2CubeFaces = 0xFC00; // +X, -X, +Y, -Y, +Z, -Z
// Not read by the decoder (the face bits and the depth flag say it), but other readers look
// for them.
inline constexpr uint32_t DdsCaps2CubeMap = 0x200;
inline constexpr uint32_t DdsCaps2Volume = 0x200000;

// Pixel-format flags, and which of the description's fields each group of them selects.
inline constexpr uint32_t DdsPixelFourCC = 0x4;
inline constexpr uint32_t DdsSelectsBitCount = 0xC4462;
inline constexpr uint32_t DdsSelectsFirstMask = 0xE4040;
inline constexpr uint32_t DdsSelectsSecondMask = 0xC4440;
inline constexpr uint32_t DdsSelectsThirdMask = 0xC4040;
inline constexpr uint32_t DdsSelectsAlphaMask = 0x80003;
inline constexpr uint32_t DdsPixelFormatBytes = 32;

// A pixel-format description as the file stores it (after its size field). The first mask is
// red, luminance or U; the second green or V; the third blue or W.
struct DdsPixelFormat {
    uint32_t flags;
    uint32_t fourCC;
    uint32_t bitCount;
    uint32_t firstMask;
    uint32_t secondMask;
    uint32_t thirdMask;
    uint32_t alphaMask;
};

// The DX10 header: a pixel format of four-character code "DX10" says that 20 more bytes follow
// the description (the DXGI format, the dimension, the cube flag, the array size and the alpha
// mode), and the surface data after them.
inline constexpr uint32_t DdsFourCCDx10 = MAKEFOURCC('D', 'X', '1', '0');
inline constexpr uint32_t DdsDx10Bytes = 20;
inline constexpr uint32_t DdsDx10Offset = DdsHeaderBytes;
inline constexpr uint32_t DdsDimensionTexture1D = 2;
inline constexpr uint32_t DdsDimensionTexture2D = 3;
inline constexpr uint32_t DdsDimensionTexture3D = 4;
inline constexpr uint32_t DdsMiscTextureCube = 0x4;
inline constexpr uint32_t DdsAlphaModeMask = 0x7;
inline constexpr uint32_t DdsAlphaModePremultiplied = 2;

// How the DDS decoder turns a DXGI format's stored pixels into its node's format: most are read
// where they lie; the two whose byte order no table format has are rewritten.
enum class DxgiConversion {
    None,
    RgbaToArgb, // bytes R, G, B, A into A8R8G8B8
    RgToXrgb,   // bytes R, G into X8R8G8B8 with blue 0
};

// One DXGI format a DX10 header may name: the table format its pixels load as, the format whose
// level sizes its stored levels have, and whether its colours are sRGB-encoded (loaded as the
// same bytes).
struct DxgiFormatRow {
    uint32_t dxgiFormat;
    const char* name;
    PixelFormat format;
    PixelFormat storedAs;
    DxgiConversion conversion;
    bool srgb;
};

// The row of a DXGI format, or null for one the decoder cannot read. A premultiplied alpha
// mode turns BC2 and BC3 into DXT2 and DXT4.
const DxgiFormatRow* findDxgiFormat(uint32_t dxgiFormat, uint32_t alphaMode);
// The DXGI format a DX10 header gives a table format (its UNORM form), 0 for none; `alphaMode`
// receives the alpha mode to write with it.
uint32_t dxgiFormatOf(PixelFormat format, uint32_t* alphaMode);
// The DXGI format of a DDS file with a DX10 header, 0 for any other data.
uint32_t ddsDxgiFormat(const uint8_t* data, uint64_t size);

// The first table row whose flags equal the description's and whose fields selected by those
// flags are equal to it; D3DFMT_UNKNOWN when no row matches.
PixelFormat findDdsFormat(const DdsPixelFormat& description);

// The description a file uses for the format; null for a format no DDS file holds.
const DdsPixelFormat* findDdsDescription(PixelFormat format);

// Bytes of one stored row (a row of 4 x 4 blocks for the block-compressed formats), of one
// slice and of the whole level of a table format, in 64 bits; a product too large for 64 bits
// stays at UINT64_MAX instead of wrapping.
struct DdsLevelBytes {
    uint64_t rowPitch;
    uint64_t slice;
    uint64_t level; // depth x slice
};
DdsLevelBytes ddsLevelBytes(PixelFormat format, uint32_t width, uint32_t height, uint32_t depth);
