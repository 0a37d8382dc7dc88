// What a texture load reports about its file: the container codes, the ImageInfo record, and
// the result code for bytes that no decoder recognises.
#pragma once

#include "blit/pixel_format.h"
#include "d3d8.h"

#include <cstdint>

// The file could not be read, or none of the decoders accepted its bytes.
inline constexpr HRESULT InvalidData = MAKE_D3DHRESULT(2905);
static_assert(InvalidData == HRESULT(0x88760B59));

// The container that accepted the data. Dib is a bitmap without its 14-byte file header.
enum ImageFileFormat : uint32_t {
    Bmp = 0,
    Jpg = 1,
    Tga = 2,
    Png = 3,
    Dds = 4,
    Ppm = 5,
    Dib = 6,
};

// What the file held; a load zeroes all seven fields before filling them.
struct ImageInfo {
    UINT width; // of the first level of the first face
    UINT height;
    UINT depth;         // slices; 1 except for a volume file
    UINT mipLevels;     // levels stored in the file
    PixelFormat format; // as the outside sees it: private codes become their public stand-ins
    D3DRESOURCETYPE resourceType;
    ImageFileFormat imageFileFormat;
};
static_assert(sizeof(ImageInfo) == 28);
