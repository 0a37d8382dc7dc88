// Writing one texture level out of the device. Every level is first copied to a system-memory
// surface, so textures of any pool can be read.
#include "tools/texinfo/level_output.h"

#include "blit/com_ref.h"
#include "blit/pixel_format.h"
#include "blit/surface_load.h"
#include "tools/png_writer.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// A locked system-memory copy of a level, in `format` (the level's own when D3DFMT_UNKNOWN).
class LevelCopy {
public:
    HRESULT make(IDirect3DTexture8* texture, UINT level, D3DFORMAT format) {
        ComRef<IDirect3DSurface8> surface;
        HRESULT hr = texture->GetSurfaceLevel(level, surface.out());
        if (FAILED(hr))
            return hr;
        hr = surface->GetDesc(&desc_);
        if (FAILED(hr))
            return hr;
        ComRef<IDirect3DDevice8> device;
        hr = texture->GetDevice(device.out());
        if (FAILED(hr))
            return hr;
        const bool converted = format != D3DFMT_UNKNOWN && format != desc_.Format;
        if (converted)
            desc_.Format = format;
        hr = device->CreateImageSurface(desc_.Width, desc_.Height, desc_.Format, copy_.out());
        if (FAILED(hr))
            return hr;
        hr = converted ? loadSurfaceFromSurface(copy_.get(), nullptr, nullptr, surface.get(),
                                                nullptr, nullptr, FilterNone, 0)
                       : device->CopyRects(surface.get(), nullptr, 0, copy_.get(), nullptr);
        if (FAILED(hr))
            return hr;
        return copy_->LockRect(&locked_, nullptr, D3DLOCK_READONLY);
    }
    ~LevelCopy() {
        if (locked_.pBits != nullptr)
            copy_->UnlockRect();
    }

    const D3DSURFACE_DESC& desc() const { return desc_; }
    const uint8_t* row(UINT index) const {
        return static_cast<const uint8_t*>(locked_.pBits) + size_t(index) * locked_.Pitch;
    }

private:
    ComRef<IDirect3DSurface8> copy_;
    D3DSURFACE_DESC desc_ = {};
    D3DLOCKED_RECT locked_ = {};
};

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

} // namespace

HRESULT writeLevelPng(IDirect3DTexture8* texture, UINT level, const std::string& path) {
    LevelCopy copy;
    const HRESULT hr = copy.make(texture, level, D3DFMT_A8R8G8B8);
    if (FAILED(hr))
        return hr;
    // A8R8G8B8 texels are the 0xAARRGGBB words the writer takes.
    const UINT width = copy.desc().Width, height = copy.desc().Height;
    std::vector<uint32_t> words(size_t(width) * height);
    for (UINT y = 0; y < height; ++y)
        std::memcpy(&words[size_t(y) * width], copy.row(y), size_t(width) * 4);
    std::string error;
    const bool written = tools::writePng(path, words.data(), width, height, width, true, &error);
    if (!written)
        std::fprintf(stderr, "texinfo: %s\n", error.c_str());
    return written ? D3D_OK : E_FAIL;
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
