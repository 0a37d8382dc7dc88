// Writing one texture level out of the device, through a system-memory copy of the level.
#include "tools/texkit/level_output.h"

#include "blit/com_ref.h"
#include "blit/pixel_format.h"
#include "tools/png_writer.h"
#include "tools/texkit/level_copy.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Bytes of one stored row and the number of stored rows of a level.
void storedRows(const D3DSURFACE_DESC& desc, size_t* rowBytes, UINT* rows) {
    const PixelFormat format = desc.Format;
    if (isBlockCompressed(format)) {
        *rowBytes = size_t((desc.Width + 3) / 4) * blockBytes(format);
        *rows = (desc.Height + 3) / 4;
    } else if (isPackedYuv(format)) {
        *rowBytes = size_t((desc.Width + 1) / 2) * 4;
        *rows = desc.Height;
    } else {
        *rowBytes = size_t(desc.Width) * getFormatInfo(format).bitsPerPixel / 8;
        *rows = desc.Height;
    }
}

// The top-left texels of a surface as 0xAARRGGBB words, written to `target` (a path or an
// open stream).
template <class Target>
HRESULT surfacePng(IDirect3DSurface8* surface, UINT width, UINT height, Target target,
                   std::string* error) {
    LevelCopy copy;
    const HRESULT hr = copy.make(surface, D3DFMT_A8R8G8B8);
    if (FAILED(hr))
        return hr;
    // A8R8G8B8 texels are the 0xAARRGGBB words the writer takes.
    width = std::min(width, copy.desc().Width);
    height = std::min(height, copy.desc().Height);
    std::vector<uint32_t> words(size_t(width) * height);
    for (UINT y = 0; y < height; ++y)
        std::memcpy(&words[size_t(y) * width], copy.row(y), size_t(width) * 4);
    return tools::writePng(target, words.data(), width, height, width, true, error) ? D3D_OK
                                                                                     : E_FAIL;
}

template <class Target>
HRESULT levelPng(IDirect3DTexture8* texture, UINT level, Target target, std::string* error) {
    ComRef<IDirect3DSurface8> surface;
    const HRESULT hr = texture->GetSurfaceLevel(level, surface.out());
    if (FAILED(hr))
        return hr;
    D3DSURFACE_DESC desc = {};
    surface->GetDesc(&desc);
    return surfacePng(surface.get(), desc.Width, desc.Height, target, error);
}

} // namespace

HRESULT writeLevelPng(IDirect3DTexture8* texture, UINT level, const std::string& path,
                      std::string* error) {
    return levelPng(texture, level, path, error);
}

HRESULT writeLevelPng(IDirect3DTexture8* texture, UINT level, FILE* file, std::string* error) {
    return levelPng(texture, level, file, error);
}

HRESULT writeSurfacePng(IDirect3DSurface8* surface, UINT width, UINT height,
                        const std::string& path, std::string* error) {
    return surfacePng(surface, width, height, path, error);
}

HRESULT writeSurfacePng(IDirect3DSurface8* surface, UINT width, UINT height, FILE* file,
                        std::string* error) {
    return surfacePng(surface, width, height, file, error);
}

HRESULT writeLevelRaw(IDirect3DTexture8* texture, UINT level, const std::string& path) {
    LevelCopy copy;
    const HRESULT hr = copy.make(texture, level, D3DFMT_UNKNOWN);
    if (FAILED(hr))
        return hr;
    size_t rowBytes = 0;
    UINT rows = 0;
    storedRows(copy.desc(), &rowBytes, &rows);
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return E_FAIL;
    bool written = true;
    for (UINT y = 0; y < rows && written; ++y)
        written = std::fwrite(copy.row(y), 1, rowBytes, file) == rowBytes;
    written = std::fclose(file) == 0 && written;
    return written ? D3D_OK : E_FAIL;
}
