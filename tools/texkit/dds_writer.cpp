// Writing a texture as a DDS file: the magic, the description with the flags, pitch or linear
// size, depth, mip count and capability words that readers look for, the pixel-format words of
// the format table, the palette of a paletted format, then every level's stored rows.
#include "tools/texkit/dds_writer.h"

#include "blit/com_ref.h"
#include "texture/dds_format_table.h"
#include "tools/texkit/level_copy.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iterator>
#include <vector>

namespace {

enum class Shape { Flat, Cube, Volume };

// What the description says: the top level's size and format, and the kind of texture.
struct DdsSurface {
    Shape shape = Shape::Flat;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    UINT width = 0;
    UINT height = 0;
    UINT depth = 1;
    UINT levels = 1;
};

void putWord(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = uint8_t(value >> (8 * i));
}

// Readers size a compressed file by its top level's bytes (one slice of a volume) and any other
// by its row pitch, and some take the mip count only with its flag and the complex and mip-map
// capabilities, a cube map only with its cube bit and a volume only with its volume bit.
std::vector<uint8_t> ddsHeader(const DdsSurface& top, const DdsPixelFormat& pixel) {
    std::vector<uint8_t> header(DdsHeaderBytes, 0);
    const bool compressed = isBlockCompressed(top.format);
    const bool volume = top.shape == Shape::Volume;
    const DdsLevelBytes bytes = ddsLevelBytes(top.format, top.width, top.height, 1);
    putWord(header, 0, DdsMagic);
    putWord(header, DdsSizeOffset, DdsDescriptionBytes);
    putWord(header, DdsFlagsOffset,
            DdsFlagCaps | DdsFlagHeight | DdsFlagWidth | DdsFlagPixelFormat | DdsFlagMipCount |
                (compressed ? DdsFlagLinearSize : DdsFlagPitch) | (volume ? DdsFlagDepth : 0));
    putWord(header, DdsHeightOffset, top.height);
    putWord(header, DdsWidthOffset, top.width);
    putWord(header, DdsPitchOffset, uint32_t(compressed ? bytes.slice : bytes.rowPitch));
    if (volume)
        putWord(header, DdsDepthOffset, top.depth);
    putWord(header, DdsMipCountOffset, top.levels);
    const uint32_t pixelWords[] = {DdsPixelFormatBytes, pixel.flags,     pixel.fourCC,
                                   pixel.bitCount,      pixel.firstMask, pixel.secondMask,
                                   pixel.thirdMask,     pixel.alphaMask};
    for (size_t i = 0; i < std::size(pixelWords); ++i)
        putWord(header, DdsPixelFormatOffset + 4 * i, pixelWords[i]);
    const bool complex = top.levels > 1 || top.shape != Shape::Flat;
    putWord(header, DdsCapsOffset,
            DdsCapsTexture | (complex ? DdsCapsComplex : 0) | (top.levels > 1 ? DdsCapsMipMap : 0));
    if (top.shape == Shape::Cube)
        putWord(header, DdsCaps2Offset, DdsCaps2CubeMap | DdsCaps2CubeFaces);
    if (volume)
        putWord(header, DdsCaps2Offset, DdsCaps2Volume);
    return header;
}

bool writeAll(FILE* file, const void* bytes, size_t count) {
    return std::fwrite(bytes, 1, count, file) == count;
}

// The surface's rows as the file stores them: no padding between rows.
HRESULT writeSurface(FILE* file, IDirect3DSurface8* surface) {
    LevelCopy copy;
    const HRESULT hr = copy.make(surface, D3DFMT_UNKNOWN);
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

// A volume level, slice after slice. Volumes are only made in pools that can be locked.
HRESULT writeVolume(FILE* file, IDirect3DVolume8* volume) {
    D3DVOLUME_DESC desc = {};
    HRESULT hr = volume->GetDesc(&desc);
    if (FAILED(hr))
        return hr;
    D3DLOCKED_BOX locked = {};
    hr = volume->LockBox(&locked, nullptr, D3DLOCK_READONLY);
    if (FAILED(hr))
        return hr;
    const DdsLevelBytes bytes = ddsLevelBytes(desc.Format, desc.Width, desc.Height, 1);
    const uint64_t rows = bytes.slice / bytes.rowPitch;
    const auto* bits = static_cast<const uint8_t*>(locked.pBits);
    for (UINT z = 0; z < desc.Depth && SUCCEEDED(hr); ++z) {
        for (uint64_t y = 0; y < rows && SUCCEEDED(hr); ++y) {
            const uint8_t* row = bits + size_t(z) * locked.SlicePitch + size_t(y) * locked.RowPitch;
            if (!writeAll(file, row, size_t(bytes.rowPitch)))
                hr = E_FAIL;
        }
    }
    volume->UnlockBox();
    return hr;
}

// The pixel-format words of a file with a DX10 header, and that header: the DXGI format, the
// dimension, the cube flag, one element, and the alpha mode of a premultiplied format.
constexpr DdsPixelFormat dx10PixelFormat = {DdsPixelFourCC, DdsFourCCDx10, 0, 0, 0, 0, 0};

std::vector<uint8_t> dx10Header(const DdsSurface& top, uint32_t dxgiFormat, uint32_t alphaMode) {
    std::vector<uint8_t> words(DdsDx10Bytes, 0);
    putWord(words, 0, dxgiFormat);
    putWord(words, 4,
            top.shape == Shape::Volume ? DdsDimensionTexture3D : DdsDimensionTexture2D);
    putWord(words, 8, top.shape == Shape::Cube ? DdsMiscTextureCube : 0);
    putWord(words, 12, 1);
    putWord(words, 16, alphaMode);
    return words;
}

// The header and the palette: what precedes the levels. A format with a DXGI code gets the
// DX10 header when asked, or when it has no other.
HRESULT headerBytes(const DdsSurface& top, const PALETTEENTRY* palette, DdsHeaderKind kind,
                    std::vector<uint8_t>* header) {
    uint32_t alphaMode = 0;
    const uint32_t dxgiFormat = dxgiFormatOf(top.format, &alphaMode);
    const DdsPixelFormat* legacy = findDdsDescription(top.format);
    const bool dx10 = dxgiFormat != 0 && (kind == DdsHeaderKind::Dx10 || legacy == nullptr);
    const DdsPixelFormat* pixel = dx10 ? &dx10PixelFormat : legacy;
    if (pixel == nullptr)
        return D3DERR_NOTAVAILABLE;
    const bool paletted = getFormatInfo(top.format).category == Palette;
    if (paletted && palette == nullptr)
        return D3DERR_INVALIDCALL;
    *header = ddsHeader(top, *pixel);
    if (dx10) {
        const std::vector<uint8_t> extension = dx10Header(top, dxgiFormat, alphaMode);
        header->insert(header->end(), extension.begin(), extension.end());
    }
    if (paletted)
        for (int i = 0; i < 256; ++i)
            header->insert(header->end(), {palette[i].peRed, palette[i].peGreen,
                                           palette[i].peBlue, palette[i].peFlags});
    return D3D_OK;
}

// The header, then `writeLevels`, to an open stream, flushed.
HRESULT writeStream(FILE* file, const std::vector<uint8_t>& header,
                    const std::function<HRESULT(FILE*)>& writeLevels) {
    HRESULT hr = writeAll(file, header.data(), header.size()) ? D3D_OK : E_FAIL;
    if (SUCCEEDED(hr))
        hr = writeLevels(file);
    if (SUCCEEDED(hr) && (std::fflush(file) != 0 || std::ferror(file) != 0))
        hr = E_FAIL;
    return hr;
}

// The file at `path`, or the open stream `stream` when it is not null; a file made here is
// removed when anything fails.
HRESULT writeFile(const std::string& path, FILE* stream, const DdsSurface& top,
                  const PALETTEENTRY* palette, DdsHeaderKind kind,
                  const std::function<HRESULT(FILE*)>& writeLevels) {
    std::vector<uint8_t> header;
    HRESULT hr = headerBytes(top, palette, kind, &header);
    if (FAILED(hr))
        return hr;
    if (stream != nullptr)
        return writeStream(stream, header, writeLevels);
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return E_FAIL;
    hr = writeStream(file, header, writeLevels);
    if (std::fclose(file) != 0 && SUCCEEDED(hr))
        hr = E_FAIL;
    if (FAILED(hr))
        std::remove(path.c_str());
    return hr;
}

HRESULT writeFile(const std::string& path, const DdsSurface& top, const PALETTEENTRY* palette,
                  DdsHeaderKind kind, const std::function<HRESULT(FILE*)>& writeLevels) {
    return writeFile(path, nullptr, top, palette, kind, writeLevels);
}

HRESULT writeFlat(IDirect3DTexture8* texture, const PALETTEENTRY* palette,
                  const std::string& path, FILE* stream, DdsHeaderKind kind) {
    D3DSURFACE_DESC desc = {};
    const HRESULT hr = texture->GetLevelDesc(0, &desc);
    if (FAILED(hr))
        return hr;
    const DdsSurface top = {Shape::Flat, desc.Format, desc.Width,
                            desc.Height, 1,           UINT(texture->GetLevelCount())};
    return writeFile(path, stream, top, palette, kind, [&](FILE* file) {
        for (UINT level = 0; level < top.levels; ++level) {
            ComRef<IDirect3DSurface8> surface;
            HRESULT written = texture->GetSurfaceLevel(level, surface.out());
            if (SUCCEEDED(written))
                written = writeSurface(file, surface.get());
            if (FAILED(written))
                return written;
        }
        return HRESULT(D3D_OK);
    });
}

// Surfaces one after the other: six chains of `levelCount` for a cube, one for a flat
// texture, and for a volume each level's max(1, depth >> level) slices.
HRESULT writeLevels(Shape shape, IDirect3DSurface8* const* levels, UINT levelCount, UINT width,
                    UINT height, UINT depth, const std::string& path, FILE* stream,
                    DdsHeaderKind kind) {
    D3DSURFACE_DESC desc = {};
    const HRESULT hr = levelCount == 0 ? D3DERR_INVALIDCALL : levels[0]->GetDesc(&desc);
    if (FAILED(hr))
        return hr;
    UINT count = shape == Shape::Cube ? 6 * levelCount : levelCount;
    if (shape == Shape::Volume) {
        count = 0;
        for (UINT level = 0; level < levelCount; ++level)
            count += std::max(1u, depth >> level);
    }
    const DdsSurface top = {shape, desc.Format, width, height, depth, levelCount};
    return writeFile(path, stream, top, nullptr, kind, [&](FILE* file) {
        HRESULT written = D3D_OK;
        for (UINT surface = 0; surface < count && SUCCEEDED(written); ++surface)
            written = writeSurface(file, levels[surface]);
        return written;
    });
}

} // namespace

HRESULT writeDdsFile(IDirect3DTexture8* texture, const PALETTEENTRY* palette,
                     const std::string& path, DdsHeaderKind kind) {
    return writeFlat(texture, palette, path, nullptr, kind);
}

HRESULT writeDdsFile(IDirect3DTexture8* texture, const PALETTEENTRY* palette, FILE* file,
                     DdsHeaderKind kind) {
    return writeFlat(texture, palette, std::string(), file, kind);
}

HRESULT writeDdsFile(IDirect3DCubeTexture8* texture, const std::string& path,
                     DdsHeaderKind kind) {
    D3DSURFACE_DESC desc = {};
    const HRESULT hr = texture->GetLevelDesc(0, &desc);
    if (FAILED(hr))
        return hr;
    const DdsSurface top = {Shape::Cube, desc.Format, desc.Width,
                            desc.Height, 1,           UINT(texture->GetLevelCount())};
    return writeFile(path, top, nullptr, kind, [&](FILE* file) {
        for (DWORD face = D3DCUBEMAP_FACE_POSITIVE_X; face <= D3DCUBEMAP_FACE_NEGATIVE_Z; ++face) {
            for (UINT level = 0; level < top.levels; ++level) {
                ComRef<IDirect3DSurface8> surface;
                HRESULT written =
                    texture->GetCubeMapSurface(D3DCUBEMAP_FACES(face), level, surface.out());
                if (SUCCEEDED(written))
                    written = writeSurface(file, surface.get());
                if (FAILED(written))
                    return written;
            }
        }
        return HRESULT(D3D_OK);
    });
}

HRESULT writeDdsFile(IDirect3DVolumeTexture8* texture, const std::string& path,
                     DdsHeaderKind kind) {
    D3DVOLUME_DESC desc = {};
    const HRESULT hr = texture->GetLevelDesc(0, &desc);
    if (FAILED(hr))
        return hr;
    const DdsSurface top = {Shape::Volume, desc.Format, desc.Width,
                            desc.Height,   desc.Depth,  UINT(texture->GetLevelCount())};
    return writeFile(path, top, nullptr, kind, [&](FILE* file) {
        for (UINT level = 0; level < top.levels; ++level) {
            ComRef<IDirect3DVolume8> volume;
            HRESULT written = texture->GetVolumeLevel(level, volume.out());
            if (SUCCEEDED(written))
                written = writeVolume(file, volume.get());
            if (FAILED(written))
                return written;
        }
        return HRESULT(D3D_OK);
    });
}

HRESULT writeDdsLevels(IDirect3DSurface8* const* levels, UINT levelCount, UINT width, UINT height,
                       const std::string& path, DdsHeaderKind kind) {
    return writeLevels(Shape::Flat, levels, levelCount, width, height, 1, path, nullptr, kind);
}

HRESULT writeDdsLevels(IDirect3DSurface8* const* levels, UINT levelCount, UINT width, UINT height,
                       FILE* file, DdsHeaderKind kind) {
    return writeLevels(Shape::Flat, levels, levelCount, width, height, 1, std::string(), file,
                       kind);
}

HRESULT writeDdsCubeLevels(IDirect3DSurface8* const* levels, UINT levelCount, UINT edge,
                           const std::string& path, DdsHeaderKind kind) {
    return writeLevels(Shape::Cube, levels, levelCount, edge, edge, 1, path, nullptr, kind);
}

HRESULT writeDdsVolumeLevels(IDirect3DSurface8* const* slices, UINT levelCount, UINT width,
                             UINT height, UINT depth, const std::string& path,
                             DdsHeaderKind kind) {
    return writeLevels(Shape::Volume, slices, levelCount, width, height, depth, path, nullptr,
                       kind);
}
