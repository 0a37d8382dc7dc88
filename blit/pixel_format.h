// Pixel formats: the codes, the table that describes each of them, and the searches for the
// closest format a device offers and for the public stand-in of a private format.
#pragma once

#include "d3d8.h"

#include <cstdint>
#include <span>

// A Direct3D format code, or one of the toolkit's four private 16-bit-per-channel codes.
using PixelFormat = uint32_t;

// The private codes are four-character codes whose first character is part of the name.
inline constexpr PixelFormat PixelFormatL16 = MAKEFOURCC(' ', 'L', '1', '6');
inline constexpr PixelFormat PixelFormatAL16 = MAKEFOURCC('A', 'L', '1', '6');
inline constexpr PixelFormat PixelFormatR16 = MAKEFOURCC(' ', 'R', '1', '6');
inline constexpr PixelFormat PixelFormatAR16 = MAKEFOURCC('A', 'R', '1', '6');

enum PixelFormatCategory : uint32_t {
    Rgb = 0,
    Palette = 1,
    Luminance = 2,
    Bump = 3,
    DepthStencil = 4,
};

// One row of the format table. Channels without a column of their own are described in
// otherBits; bump formats keep W, V, U in the red, green and blue columns and Q in alpha;
// depth formats keep stencil in green and depth in blue.
struct PixelFormatInfo {
    PixelFormat format;
    PixelFormatCategory category;
    uint32_t bitsPerPixel;
    uint32_t otherBits;
    uint32_t alphaBits;
    uint32_t redBits;
    uint32_t greenBits;
    uint32_t blueBits;
    uint32_t substitutable;
};

// The rows in search order (the 43 of Direct3D 8's era, then the later block formats), and the
// record that describes any other code.
std::span<const PixelFormatInfo> formatRows();
extern const PixelFormatInfo unknownFormatInfo;

// The row describing the format; any code the table lacks (0 included) gets the
// unknown-format record (32 bits, channels 0/8/8/8/8).
const PixelFormatInfo& getFormatInfo(PixelFormat format);

// The format the device offers that comes closest to the wanted description, or
// D3DFMT_UNKNOWN. Without a device every row of the table counts as offered.
PixelFormat findClosestDeviceFormat(IDirect3DDevice8* device, DWORD usage,
                                    D3DRESOURCETYPE resourceType, const PixelFormatInfo& wanted);

// The public format that stands for a private one; every other code is returned unchanged.
PixelFormat findClosestExternalFormat(PixelFormat format);

// Distance of a candidate row from a wanted description, lower is better; false when the
// candidate is not acceptable at all.
bool formatDistance(const PixelFormatInfo& wanted, const PixelFormatInfo& candidate,
                    uint32_t* score);

// "DXT1".."DXT5", BC4, BC5 (both kinds) and BC7: stored in 4 x 4 blocks.
bool isBlockCompressed(PixelFormat format);
// Bytes of one 4 x 4 block of a block-compressed format; 0 for any other format.
uint32_t blockBytes(PixelFormat format);
// "UYVY", "YUY2": two pixels share their chroma.
bool isPackedYuv(PixelFormat format);
