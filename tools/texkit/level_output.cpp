// Writing one texture level out of the device, through a system-memory copy of the level.
#include "tools/texkit/level_output.h"

#include "blit/pixel_format.h"
#include "tools/png_writer.h"
#include "tools/texkit/level_copy.h"

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

// The level as 0xAARRGGBB words, handed to `write` with its size.
template <class Write> HRESULT withArgbWords(IDirect3DTexture8* texture, UINT level, Write write) {
    LevelCopy copy;
    const HRESULT hr = copy.make(texture, level, D3DFMT_A8R8G8B8);
    if (FAILED(hr))
        return hr;
    // A8R8G8B8 texels are the 0xAARRGGBB words the writer takes.
    const UINT width = copy.desc().Width, height = copy.desc().Height;
    std::vector<uint32_t> words(size_t(width) * height);
    for (UINT y = 0; y < height; ++y)
        std::memcpy(&words[size_t(y) * width], copy.row(y), size_t(width) * 4);
    return write(words.data(), width, height) ? D3D_OK : E_FAIL;
}

} // namespace

HRESULT writeLevelPng(IDirect3DTexture8* texture, UINT level, const std::string& path,
                      std::string* error) {
    return withArgbWords(texture, level, [&](const uint32_t* words, UINT width, UINT height) {
        return tools::writePng(path, words, width, height, width, true, error);
    });
}

HRESULT writeLevelPng(IDirect3DTexture8* texture, UINT level, FILE* file, std::string* error) {
    return withArgbWords(texture, level, [&](const uint32_t* words, UINT width, UINT height) {
        return tools::writePng(file, words, width, height, width, true, error);
    });
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
