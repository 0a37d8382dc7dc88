// SurfaceLock and VolumeLock: direct locks, staging copies, widened rectangles and the
// discard rule.
#include "blit/surface_lock.h"

#include "blit/debug_mute.h"
#include "platform_ext.h"

#include <algorithm>

namespace {

// Whether a default-pool surface belongs to a texture; asked with the debug output muted.
bool belongsToTexture(IDirect3DSurface8* surface) {
    DebugMute mute;
    void* container = nullptr;
    if (FAILED(surface->GetContainer(IID_IDirect3DBaseTexture8, &container)) || !container)
        return false;
    static_cast<IUnknown*>(container)->Release();
    return true;
}

// A whole-resource write into the only level of a dynamic texture may discard its contents.
template <typename Resource> bool mayDiscard(Resource* resource, REFIID textureInterface) {
    void* container = nullptr;
    DebugMute mute;
    if (FAILED(resource->GetContainer(textureInterface, &container)) || !container)
        return false;
    auto* texture = static_cast<IDirect3DBaseTexture8*>(container);
    const bool singleLevel = texture->GetLevelCount() == 1;
    texture->Release();
    return singleLevel;
}

bool rectInside(LONG left, LONG top, LONG right, LONG bottom, UINT width, UINT height) {
    return 0 <= left && left <= right && right <= LONG(width) && 0 <= top && top <= bottom &&
           bottom <= LONG(height);
}

bool sameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

LONG roundDown(LONG v, LONG unit) {
    return v / unit * unit;
}
LONG roundUp(LONG v, LONG unit) {
    return (v + unit - 1) / unit * unit;
}

} // namespace

RECT widenedLockRect(PixelFormat format, const RECT& rect, UINT width, UINT height, bool clip) {
    RECT r = rect;
    if (isBlockCompressed(format)) {
        r = {roundDown(r.left, 4), roundDown(r.top, 4), roundUp(r.right, 4), roundUp(r.bottom, 4)};
        if (clip) {
            r.right = std::min<LONG>(r.right, LONG(width));
            r.bottom = std::min<LONG>(r.bottom, LONG(height));
        }
    } else if (isPackedYuv(format)) {
        r.left = roundDown(r.left, 2);
        r.right = std::min<LONG>(roundUp(r.right, 2), LONG(width));
    }
    return r;
}

HRESULT SurfaceLock::lock(IDirect3DSurface8* surface, const PALETTEENTRY* palette, const RECT* rect,
                          D3DCOLOR colorKey, DWORD flags) {
    unlock(false);
    if (surface == nullptr)
        return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC desc = {};
    HRESULT hr = surface->GetDesc(&desc);
    if (FAILED(hr))
        return hr;
    const RECT whole = {0, 0, LONG(desc.Width), LONG(desc.Height)};
    const RECT wanted = rect != nullptr ? *rect : whole;
    if (!rectInside(wanted.left, wanted.top, wanted.right, wanted.bottom, desc.Width, desc.Height))
        return D3DERR_INVALIDCALL;
    const bool partial = !sameRect(wanted, whole);
    readOnly_ = (flags & LockReadOnly) != 0;
    const bool overwritesAll = !readOnly_ && !partial;

    surface_ = surface;
    surface_->AddRef();
    bool staging = (flags & LockMustCopy) != 0;
    const bool dynamic = (desc.Usage & D3DUSAGE_DYNAMIC) != 0;
    if (!staging && desc.Pool == D3DPOOL_DEFAULT && !dynamic)
        staging = belongsToTexture(surface);

    DWORD lockFlags = D3DLOCK_NOSYSLOCK | (readOnly_ ? D3DLOCK_READONLY : 0);
    if (!staging && overwritesAll && dynamic && mayDiscard(surface, IID_IDirect3DTexture8))
        lockFlags |= D3DLOCK_DISCARD;
    // The software device then hands a level nothing has reached yet without clearing it.
    if (!staging && overwritesAll && (flags & LockWritesAll) != 0)
        lockFlags |= platform_ext::LockOverwritesLevel;

    lockRect_ = widenedLockRect(desc.Format, wanted, desc.Width, desc.Height, !staging);
    D3DLOCKED_RECT locked = {};
    if (!staging) {
        const bool wholeLock = sameRect(lockRect_, whole);
        hr = surface_->LockRect(&locked, wholeLock ? nullptr : &lockRect_, lockFlags);
        // Some default-pool surfaces cannot be locked by the runtime: go through a copy.
        if (FAILED(hr) && desc.Pool == D3DPOOL_DEFAULT && !dynamic)
            staging = true;
        else if (FAILED(hr)) {
            release();
            return hr;
        }
    }
    if (staging) {
        lockRect_ = widenedLockRect(desc.Format, wanted, desc.Width, desc.Height, false);
        hr = lockStaging(desc, overwritesAll);
        if (FAILED(hr)) {
            release();
            return hr;
        }
        const bool wholeLock = sameRect(lockRect_, whole);
        hr = staging_->LockRect(&locked, wholeLock ? nullptr : &lockRect_,
                                D3DLOCK_NOSYSLOCK | (readOnly_ ? D3DLOCK_READONLY : 0));
        if (FAILED(hr)) {
            release();
            return hr;
        }
    }
    locked_ = true;

    side_ = BlitSurface{};
    side_.bits = static_cast<uint8_t*>(locked.pBits);
    side_.format = desc.Format;
    side_.rowPitch = uint32_t(locked.Pitch);
    side_.slicePitch = 0;
    // The whole surface in the coordinates of rect, so that codecs that store pixels together
    // (pairs, blocks) know where the surface ends from the locked corner.
    side_.extent = {-lockRect_.left,
                    -lockRect_.top,
                    int32_t(desc.Width) - lockRect_.left,
                    int32_t(desc.Height) - lockRect_.top,
                    0,
                    1};
    side_.rect = {wanted.left - lockRect_.left,
                  wanted.top - lockRect_.top,
                  wanted.right - lockRect_.left,
                  wanted.bottom - lockRect_.top,
                  0,
                  1};
    side_.colorKey = colorKey;
    side_.palette = palette;
    return D3D_OK;
}

HRESULT SurfaceLock::lockStaging(const D3DSURFACE_DESC& desc, bool overwritesAll) {
    HRESULT hr = surface_->GetDevice(&device_);
    if (FAILED(hr))
        return hr;
    UINT width = desc.Width, height = desc.Height;
    if (isBlockCompressed(desc.Format)) {
        width = (width + 3) & ~3u;
        height = (height + 3) & ~3u;
    }
    hr = device_->CreateImageSurface(width, height, desc.Format, &staging_);
    if (FAILED(hr))
        return hr;
    if (overwritesAll)
        return D3D_OK;
    const RECT whole = {0, 0, LONG(desc.Width), LONG(desc.Height)};
    const POINT origin = {0, 0};
    return device_->CopyRects(surface_, &whole, 1, staging_, &origin);
}

HRESULT SurfaceLock::unlock(bool commit) {
    if (surface_ == nullptr)
        return D3D_OK;
    HRESULT hr = D3D_OK;
    if (locked_) {
        IDirect3DSurface8* lockedSurface = staging_ != nullptr ? staging_ : surface_;
        lockedSurface->UnlockRect();
        locked_ = false;
    }
    if (staging_ != nullptr && !readOnly_ && commit) {
        D3DSURFACE_DESC desc = {};
        hr = surface_->GetDesc(&desc);
        if (SUCCEEDED(hr)) {
            const RECT whole = {0, 0, LONG(desc.Width), LONG(desc.Height)};
            const POINT origin = {0, 0};
            hr = device_->CopyRects(staging_, &whole, 1, surface_, &origin);
        }
    }
    release();
    return hr;
}

void SurfaceLock::release() {
    if (staging_ != nullptr)
        staging_->Release();
    if (device_ != nullptr)
        device_->Release();
    if (surface_ != nullptr)
        surface_->Release();
    staging_ = nullptr;
    device_ = nullptr;
    surface_ = nullptr;
    locked_ = false;
}

HRESULT VolumeLock::lock(IDirect3DVolume8* volume, const PALETTEENTRY* palette, const D3DBOX* box,
                         D3DCOLOR colorKey, DWORD flags) {
    unlock();
    if (volume == nullptr)
        return D3DERR_INVALIDCALL;
    D3DVOLUME_DESC desc = {};
    HRESULT hr = volume->GetDesc(&desc);
    if (FAILED(hr))
        return hr;
    const D3DBOX whole = {0, 0, desc.Width, desc.Height, 0, desc.Depth};
    const D3DBOX wanted = box != nullptr ? *box : whole;
    if (wanted.Left > wanted.Right || wanted.Right > desc.Width || wanted.Top > wanted.Bottom ||
        wanted.Bottom > desc.Height || wanted.Front > wanted.Back || wanted.Back > desc.Depth)
        return D3DERR_INVALIDCALL;
    const bool dynamic = (desc.Usage & D3DUSAGE_DYNAMIC) != 0;
    if (desc.Pool == D3DPOOL_DEFAULT && !dynamic)
        return D3DERR_INVALIDCALL;
    const bool readOnly = (flags & LockReadOnly) != 0;
    const bool partial = wanted.Left != 0 || wanted.Top != 0 || wanted.Front != 0 ||
                         wanted.Right != desc.Width || wanted.Bottom != desc.Height ||
                         wanted.Back != desc.Depth;

    DWORD lockFlags = D3DLOCK_NOSYSLOCK | (readOnly ? D3DLOCK_READONLY : 0);
    if (!readOnly && !partial && dynamic && mayDiscard(volume, IID_IDirect3DVolumeTexture8))
        lockFlags |= D3DLOCK_DISCARD;

    const RECT face = {LONG(wanted.Left), LONG(wanted.Top), LONG(wanted.Right),
                       LONG(wanted.Bottom)};
    const RECT widened = widenedLockRect(desc.Format, face, desc.Width, desc.Height, true);
    const D3DBOX lockBox = {UINT(widened.left),   UINT(widened.top), UINT(widened.right),
                            UINT(widened.bottom), wanted.Front,      wanted.Back};
    const bool wholeLock = lockBox.Left == 0 && lockBox.Top == 0 && lockBox.Front == 0 &&
                           lockBox.Right == desc.Width && lockBox.Bottom == desc.Height &&
                           lockBox.Back == desc.Depth;
    D3DLOCKED_BOX locked = {};
    hr = volume->LockBox(&locked, wholeLock ? nullptr : &lockBox, lockFlags);
    if (FAILED(hr))
        return hr;
    volume_ = volume;
    volume_->AddRef();

    side_ = BlitSurface{};
    side_.bits = static_cast<uint8_t*>(locked.pBits);
    side_.format = desc.Format;
    side_.rowPitch = uint32_t(locked.RowPitch);
    side_.slicePitch = uint32_t(locked.SlicePitch);
    side_.extent = {-int32_t(lockBox.Left),
                    -int32_t(lockBox.Top),
                    int32_t(desc.Width - lockBox.Left),
                    int32_t(desc.Height - lockBox.Top),
                    -int32_t(wanted.Front),
                    int32_t(desc.Depth - wanted.Front)};
    side_.rect = {int32_t(wanted.Left - lockBox.Left),
                  int32_t(wanted.Top - lockBox.Top),
                  int32_t(wanted.Right - lockBox.Left),
                  int32_t(wanted.Bottom - lockBox.Top),
                  0,
                  int32_t(wanted.Back - wanted.Front)};
    side_.colorKey = colorKey;
    side_.palette = palette;
    return D3D_OK;
}

HRESULT VolumeLock::unlock() {
    if (volume_ == nullptr)
        return D3D_OK;
    const HRESULT hr = volume_->UnlockBox();
    volume_->Release();
    volume_ = nullptr;
    return hr;
}
