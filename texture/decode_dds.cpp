// The DDS decoder: reads the surface description, matches its pixel format against the format
// table and chains one node per level of every face (or of a volume), each pointing into the
// file's bytes; nothing is decoded or copied.
#include "texture/image_decoder.h"

#include "texture/byte_reader.h"
#include "texture/dds_format_table.h"

#include <new>

namespace {

struct DdsDescription {
    uint32_t width;
    uint32_t height;
    uint32_t depth; // slices of the top level; 1 unless the file is a volume
    uint32_t levels;
    uint32_t faces; // of every element of an array, one after the other
    bool volume;
    bool cube; // six faces (each element of an array)
    PixelFormat format;
    // As the levels are stored: the same as `format` but for DXGI formats that are rewritten.
    PixelFormat storedAs;
    DxgiConversion conversion;
    uint64_t dataOffset; // where the first level starts
};

// The DX10 header: the DXGI format and what the dimension, cube flag and array size make of
// the description's faces and volume flag. False for a format, dimension or size it cannot be.
bool readDx10Header(const ByteReader& file, DdsDescription* out) {
    uint32_t dxgi = 0, dimension = 0, misc = 0, arraySize = 0, misc2 = 0;
    if (!file.u32(DdsDx10Offset, &dxgi) || !file.u32(DdsDx10Offset + 4, &dimension) ||
        !file.u32(DdsDx10Offset + 8, &misc) || !file.u32(DdsDx10Offset + 12, &arraySize) ||
        !file.u32(DdsDx10Offset + 16, &misc2))
        return false;
    const DxgiFormatRow* row = findDxgiFormat(dxgi, misc2 & DdsAlphaModeMask);
    if (row == nullptr || arraySize == 0)
        return false;
    const bool cube = (misc & DdsMiscTextureCube) != 0;
    if (dimension == DdsDimensionTexture3D) {
        // A volume has one element and no faces; its depth is the description's.
        uint32_t depth = 0;
        if (arraySize != 1 || cube || !file.u32(DdsDepthOffset, &depth))
            return false;
        out->volume = true;
        out->depth = depth != 0 ? depth : 1;
    } else if (dimension == DdsDimensionTexture2D || dimension == DdsDimensionTexture1D) {
        out->volume = false;
        out->depth = 1;
    } else {
        return false;
    }
    // Every element's faces are nodes of the face chain; the count stays below 2^32 / 6 so
    // that it cannot wrap, and each needs its own bytes, which the file must hold.
    if (arraySize > UINT32_MAX / 6)
        return false;
    out->faces = arraySize * (cube ? 6 : 1);
    out->cube = cube;
    out->format = row->format;
    out->storedAs = row->storedAs;
    out->conversion = row->conversion;
    out->dataOffset = DdsHeaderBytes + DdsDx10Bytes;
    return true;
}

bool readPixelFormat(const ByteReader& file, DdsPixelFormat* out) {
    uint32_t size = 0;
    const uint32_t at = DdsPixelFormatOffset;
    return file.u32(at, &size) && size == DdsPixelFormatBytes && file.u32(at + 4, &out->flags) &&
           file.u32(at + 8, &out->fourCC) && file.u32(at + 12, &out->bitCount) &&
           file.u32(at + 16, &out->firstMask) && file.u32(at + 20, &out->secondMask) &&
           file.u32(at + 24, &out->thirdMask) && file.u32(at + 28, &out->alphaMask);
}

// False for anything that is not a DDS file this decoder can describe. The pitch, the first
// capability word and the flag of the mip count are not read: writers disagree about them.
bool readDescription(const ByteReader& file, DdsDescription* out) {
    uint32_t magic = 0, flags = 0, depth = 0, levels = 0, caps2 = 0;
    if (!file.u32(0, &magic) || magic != DdsMagic || !file.contains(0, DdsHeaderBytes))
        return false;
    file.u32(DdsFlagsOffset, &flags);
    file.u32(DdsHeightOffset, &out->height);
    file.u32(DdsWidthOffset, &out->width);
    file.u32(DdsDepthOffset, &depth);
    file.u32(DdsMipCountOffset, &levels);
    file.u32(DdsCaps2Offset, &caps2);
    // A level without pixels describes no picture, whatever its format.
    if (out->width == 0 || out->height == 0)
        return false;
    out->volume = (flags & DdsFlagDepth) != 0;
    out->depth = out->volume && depth != 0 ? depth : 1;
    out->levels = levels != 0 ? levels : 1;
    const uint32_t cubeFaces = caps2 & DdsCaps2CubeFaces;
    if (cubeFaces != 0 && cubeFaces != DdsCaps2CubeFaces)
        return false;
    out->faces = cubeFaces != 0 ? 6 : 1;
    out->cube = cubeFaces != 0;
    DdsPixelFormat pixelFormat = {};
    if (!readPixelFormat(file, &pixelFormat))
        return false;
    if ((pixelFormat.flags & DdsPixelFourCC) != 0 && pixelFormat.fourCC == DdsFourCCDx10)
        return readDx10Header(file, out);
    out->format = findDdsFormat(pixelFormat);
    out->storedAs = out->format;
    out->conversion = DxgiConversion::None;
    out->dataOffset = DdsHeaderBytes;
    return out->format != D3DFMT_UNKNOWN;
}

// Rewrites a level stored in a byte order no table format has into the node's own buffer.
HRESULT convertLevel(const uint8_t* stored, const DdsLevelBytes& bytes, DxgiConversion conversion,
                     ImageDecoder* node) {
    const uint64_t rowPitch = uint64_t(node->width) * 4;
    const uint64_t slice = rowPitch * node->height;
    uint8_t* out = node->allocateBits(slice * node->depth);
    if (out == nullptr)
        return E_OUTOFMEMORY;
    const uint64_t rows = uint64_t(node->height) * node->depth;
    for (uint64_t y = 0; y < rows; ++y) {
        const uint8_t* from = stored + y * bytes.rowPitch;
        uint8_t* to = out + y * rowPitch;
        for (UINT x = 0; x < node->width; ++x, to += 4) {
            if (conversion == DxgiConversion::RgbaToArgb) {
                const uint8_t* p = from + size_t(x) * 4;
                to[0] = p[2];
                to[1] = p[1];
                to[2] = p[0];
                to[3] = p[3];
            } else {
                const uint8_t* p = from + size_t(x) * 2;
                to[0] = 0;
                to[1] = p[1];
                to[2] = p[0];
                to[3] = 0xFF;
            }
        }
    }
    node->rowPitch = UINT(rowPitch);
    node->slicePitch = UINT(slice);
    return D3D_OK;
}

D3DRESOURCETYPE resourceTypeOf(const DdsDescription& description) {
    if (description.volume)
        return D3DRTYPE_VOLUMETEXTURE;
    return description.cube ? D3DRTYPE_CUBETEXTURE : D3DRTYPE_TEXTURE;
}

UINT halved(UINT size) {
    return size > 1 ? size / 2 : 1;
}

// Reads the levels of one face from *offset on, the first into `first`, the others into new
// nodes chained behind it.
HRESULT describeFace(const ByteReader& file, const DdsDescription& description,
                     const PALETTEENTRY* palette, uint64_t* offset, ImageDecoder* first) {
    UINT width = description.width, height = description.height, depth = description.depth;
    ImageDecoder* node = first;
    for (uint32_t level = 0; level < description.levels; ++level) {
        if (level > 0) {
            node->nextLevel.reset(new (std::nothrow) ImageDecoder);
            if (node->nextLevel == nullptr)
                return E_OUTOFMEMORY;
            node = node->nextLevel.get();
        }
        const DdsLevelBytes bytes = ddsLevelBytes(description.storedAs, width, height, depth);
        if (!file.contains(*offset, bytes.level))
            return E_FAIL;
        // The level lies inside a file of fewer than 2^32 bytes, so its pitches fit in 32 bits.
        node->format = description.format;
        node->width = width;
        node->height = height;
        node->depth = depth;
        node->rowPitch = UINT(bytes.rowPitch);
        node->slicePitch = UINT(bytes.slice);
        node->bits = file.at(*offset);
        node->palette = palette;
        node->ownsBits = false;
        node->ownsPalette = false;
        if (description.conversion != DxgiConversion::None) {
            const HRESULT hr =
                convertLevel(file.at(*offset), bytes, description.conversion, node);
            if (FAILED(hr))
                return hr;
        }
        *offset += bytes.level;
        width = halved(width);
        height = halved(height);
        depth = halved(depth);
    }
    return D3D_OK;
}

} // namespace

HRESULT ImageDecoder::decodeDds(const uint8_t* data, UINT size) {
    const ByteReader file(data, size);
    DdsDescription description = {};
    if (!readDescription(file, &description) ||
        !admitsPixels(description.width, description.height, description.depth))
        return E_FAIL;
    resourceType = resourceTypeOf(description);

    uint64_t offset = description.dataOffset;
    const PALETTEENTRY* palette = nullptr;
    if (getFormatInfo(description.format).category == Palette) {
        if (!file.contains(offset, DdsPaletteBytes))
            return E_FAIL;
        // Palette entries are four single bytes in the file's order, so the bytes are the entries.
        palette = reinterpret_cast<const PALETTEENTRY*>(file.at(offset));
        offset += DdsPaletteBytes;
    }
    ImageDecoder* face = this;
    for (uint32_t index = 0; index < description.faces; ++index) {
        if (index > 0) {
            face->nextFace.reset(new (std::nothrow) ImageDecoder);
            if (face->nextFace == nullptr)
                return E_OUTOFMEMORY;
            face = face->nextFace.get();
        }
        const HRESULT hr = describeFace(file, description, palette, &offset, face);
        if (FAILED(hr))
            return hr;
    }
    return D3D_OK;
}
