// Writing a texture as a DDS file: the magic, the description with the flags, pitch or linear
// size, mip count and capability words that readers look for, the pixel-format words of the
// format table, the palette of a paletted format, then every level's stored rows.
#include "tools/texkit/dds_writer.h"

#include "texture/dds_format_table.h"
#include "tools/texkit/level_copy.h"

#include <cstdio>
#include <iterator>
#include <vector>

namespace {

void putWord(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = uint8_t(value >> (8 * i));
}

// Readers size a compressed file by its top level's bytes and any other by its row pitch, and
// some take the mip count only with its flag and the complex and mip-map capabilities.
std::vector<uint8_t> ddsHeader(const D3DSURFACE_DESC& top, UINT levels,
                               const DdsPixelFormat& pixel) {
    std::vector<uint8_t> header(DdsHeaderBytes, 0);
    const bool compressed = isBlockCompressed(top.Format);
    const DdsLevelBytes bytes = ddsLevelBytes(top.Format, top.Width, top.Height, 1);
    putWord(header, 0, DdsMagic);
    putWord(header, DdsSizeOffset, DdsDescriptionBytes);
    putWord(header, DdsFlagsOffset,
            DdsFlagCaps | DdsFlagHeight | DdsFlagWidth | DdsFlagPixelFormat | DdsFlagMipCount |
                (compressed ? DdsFlagLinearSize : DdsFlagPitch));
    putWord(header, DdsHeightOffset, top.Height);
    putWord(header, DdsWidthOffset, top.Width);
    putWord(header, DdsPitchOffset, uint32_t(compressed ? bytes.slice : bytes.rowPitch));
    putWord(header, DdsMipCountOffset, levels);
    const uint32_t pixelWords[] = {DdsPixelFormatBytes, pixel.flags,     pixel.fourCC,
                                   pixel.bitCount,      pixel.firstMask, pixel.secondMask,
                                   pixel.thirdMask,     pixel.alphaMask};
    for (size_t i = 0; i < std::size(pixelWords); ++i)
        putWord(header, DdsPixelFormatOffset + 4 * i, pixelWords[i]);
    putWord(header, DdsCapsOffset,
            DdsCapsTexture | (levels > 1 ? DdsCapsComplex | DdsCapsMipMap : 0));
    return header;
}

bool writeAll(FILE* file, const void* bytes, size_t count) {
    return std::fwrite(bytes, 1, count, file) == count;
}

// The level's rows as the file stores them: no padding between rows.
HRESULT writeLevel(FILE* file, IDirect3DTexture8* texture, UINT level) {
    LevelCopy copy;
    const HRESULT hr = copy.make(texture, level, D3DFMT_UNKNOWN);
    if (FAILED(hr))
        return hr;
    const D3DSURFACE_DESC& desc = copy.desc();
    const DdsLevelBytes bytes = ddsLevelBytes(desc.Format, desc.Width, desc.Height, 1);
    const uint64_t rows = bytes.slice / bytes.rowPitch;
    for (uint64_t y = 0; y < rows; ++y) {
        if (!writeAll(file, copy.row(UINT(y)), size_t(bytes.rowPitch)))
            return E_FAIL;
    }
    return D3D_OK;
}

HRESULT writeContents(FILE* file, IDirect3DTexture8* texture, const PALETTEENTRY* palette) {
    D3DSURFACE_DESC top = {};
    HRESULT hr = texture->GetLevelDesc(0, &top);
    if (FAILED(hr))
        return hr;
    const DdsPixelFormat* pixel = findDdsDescription(top.Format);
    if (pixel == nullptr)
        return D3DERR_NOTAVAILABLE;
    const bool paletted = getFormatInfo(top.Format).category == Palette;
    if (paletted && palette == nullptr)
        return D3DERR_INVALIDCALL;
    const UINT levels = texture->GetLevelCount();
    const std::vector<uint8_t> header = ddsHeader(top, levels, *pixel);
    if (!writeAll(file, header.data(), header.size()))
        return E_FAIL;
    if (paletted) {
        std::vector<uint8_t> entries;
        for (int i = 0; i < 256; ++i)
            entries.insert(entries.end(), {palette[i].peRed, palette[i].peGreen, palette[i].peBlue,
                                           palette[i].peFlags});
        if (!writeAll(file, entries.data(), entries.size()))
            return E_FAIL;
    }
    for (UINT level = 0; level < levels; ++level) {
        hr = writeLevel(file, texture, level);
        if (FAILED(hr))
            return hr;
    }
    return D3D_OK;
}

} // namespace

HRESULT writeDdsFile(IDirect3DTexture8* texture, const PALETTEENTRY* palette,
                     const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return E_FAIL;
    HRESULT hr = writeContents(file, texture, palette);
    if (std::fclose(file) != 0 && SUCCEEDED(hr))
        hr = E_FAIL;
    if (FAILED(hr))
        std::remove(path.c_str());
    return hr;
}
