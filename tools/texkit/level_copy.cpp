// A locked system-memory copy of one texture level, or the level itself where it can be locked.
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
    // A level the program may lock is read where it lies; only the default pool's must be
    // copied out first.
    if (!converted && desc_.Pool != D3DPOOL_DEFAULT) {
        surface->AddRef();
        *readable_.out() = surface;
        return lockReadable();
    }
    if (converted)
        desc_.Format = format;
    hr = device->CreateImageSurface(storedExtent(desc_.Width, desc_.Format),
                                    storedExtent(desc_.Height, desc_.Format), desc_.Format,
                                    readable_.out());
    if (FAILED(hr))
        return hr;
    const RECT whole = {0, 0, LONG(desc_.Width), LONG(desc_.Height)};
    const POINT origin = {0, 0};
    hr = converted ? loadSurfaceFromSurface(readable_.get(), nullptr, &whole, surface, nullptr,
                                            nullptr, FilterNone, 0)
                   : device->CopyRects(surface, &whole, 1, readable_.get(), &origin);
    return FAILED(hr) ? hr : lockReadable();
}

HRESULT LevelCopy::lockReadable() {
    const HRESULT hr = readable_->LockRect(&locked_, nullptr, D3DLOCK_READONLY);
    if (FAILED(hr))
        locked_ = {};
    return hr;
}

LevelCopy::~LevelCopy() {
    if (locked_.pBits != nullptr)
        readable_->UnlockRect();
}

const uint8_t* LevelCopy::row(UINT index) const {
    return static_cast<const uint8_t*>(locked_.pBits) + size_t(index) * locked_.Pitch;
}
