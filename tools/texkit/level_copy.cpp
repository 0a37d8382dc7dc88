// A locked system-memory copy of one texture level.
#include "tools/texkit/level_copy.h"

#include "blit/pixel_format.h"
#include "blit/surface_load.h"

namespace {

// Image surfaces of a block-compressed format are whole 4 x 4 blocks, while the small levels
// of a texture are not: such a level is copied into the first blocks of a larger surface.
UINT storedExtent(UINT size, D3DFORMAT format) {
    return isBlockCompressed(format) ? (size + 3) / 4 * 4 : size;
}

} // namespace

HRESULT LevelCopy::make(IDirect3DTexture8* texture, UINT level, D3DFORMAT format) {
    ComRef<IDirect3DSurface8> surface;
    const HRESULT hr = texture->GetSurfaceLevel(level, surface.out());
    return FAILED(hr) ? hr : make(surface.get(), format);
}

HRESULT LevelCopy::make(IDirect3DSurface8* surface, D3DFORMAT format) {
    HRESULT hr = surface->GetDesc(&desc_);
    if (FAILED(hr))
        return hr;
    ComRef<IDirect3DDevice8> device;
    hr = surface->GetDevice(device.out());
    if (FAILED(hr))
        return hr;
    const bool converted = format != D3DFMT_UNKNOWN && format != desc_.Format;
    if (converted)
        desc_.Format = format;
    hr = device->CreateImageSurface(storedExtent(desc_.Width, desc_.Format),
                                    storedExtent(desc_.Height, desc_.Format), desc_.Format,
                                    copy_.out());
    if (FAILED(hr))
        return hr;
    const RECT whole = {0, 0, LONG(desc_.Width), LONG(desc_.Height)};
    const POINT origin = {0, 0};
    hr = converted ? loadSurfaceFromSurface(copy_.get(), nullptr, &whole, surface, nullptr, nullptr,
                                            FilterNone, 0)
                   : device->CopyRects(surface, &whole, 1, copy_.get(), &origin);
    if (FAILED(hr))
        return hr;
    return copy_->LockRect(&locked_, nullptr, D3DLOCK_READONLY);
}

LevelCopy::~LevelCopy() {
    if (locked_.pBits != nullptr)
        copy_->UnlockRect();
}

const uint8_t* LevelCopy::row(UINT index) const {
    return static_cast<const uint8_t*>(locked_.pBits) + size_t(index) * locked_.Pitch;
}
