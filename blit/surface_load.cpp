// The four load operations: lock the device side, describe both sides and run one blit.
#include "blit/surface_load.h"

#include "blit/debug_mute.h"
#include "blit/surface_blitter.h"
#include "blit/surface_lock.h"

#include <cstring>

namespace {

ImageFilter resolvedFilter(ImageFilter filter) {
    return filter == FilterDefault ? FilterLoadDefault : filter;
}

bool samePalettes(const PALETTEENTRY* a, const PALETTEENTRY* b) {
    if (a == b)
        return true;
    return a != nullptr && b != nullptr && std::memcmp(a, b, 256 * sizeof(PALETTEENTRY)) == 0;
}

HRESULT wholeRect(IDirect3DSurface8* surface, const RECT* given, RECT* out) {
    if (given != nullptr) {
        *out = *given;
        return D3D_OK;
    }
    D3DSURFACE_DESC desc = {};
    const HRESULT hr = surface->GetDesc(&desc);
    if (SUCCEEDED(hr))
        *out = {0, 0, LONG(desc.Width), LONG(desc.Height)};
    return hr;
}

// An equal-size copy by the device, muted because refusing it is part of normal work.
bool copiedByDevice(IDirect3DSurface8* destination, const RECT* destinationRect,
                    IDirect3DSurface8* source, const RECT* sourceRect) {
    RECT from, to;
    if (FAILED(wholeRect(source, sourceRect, &from)) ||
        FAILED(wholeRect(destination, destinationRect, &to)))
        return false;
    if (from.right - from.left != to.right - to.left ||
        from.bottom - from.top != to.bottom - to.top)
        return false;
    IDirect3DDevice8* device = nullptr;
    if (FAILED(source->GetDevice(&device)))
        return false;
    const POINT corner = {to.left, to.top};
    HRESULT hr;
    {
        DebugMute mute;
        hr = device->CopyRects(source, &from, 1, destination, &corner);
    }
    device->Release();
    return SUCCEEDED(hr);
}

// The blit result, or the unlock's failure when the blit itself went well.
HRESULT finish(HRESULT blitResult, HRESULT unlockResult) {
    return FAILED(blitResult) ? blitResult : unlockResult;
}

} // namespace

HRESULT loadSurfaceFromMemory(IDirect3DSurface8* destination,
                              const PALETTEENTRY* destinationPalette, const RECT* destinationRect,
                              const void* sourceBits, PixelFormat sourceFormat, UINT sourcePitch,
                              const PALETTEENTRY* sourcePalette, const RECT* sourceRect,
                              ImageFilter filter, D3DCOLOR colorKey) {
    if (destination == nullptr || sourceBits == nullptr || sourceRect == nullptr)
        return D3DERR_INVALIDCALL;
    filter = resolvedFilter(filter);
    if (!isValidFilter(filter))
        return D3DERR_INVALIDCALL;
    SurfaceLock lock;
    HRESULT hr = lock.lock(destination, destinationPalette, destinationRect, 0, 0);
    if (FAILED(hr))
        return hr;
    BlitSurface source;
    source.bits = static_cast<uint8_t*>(const_cast<void*>(sourceBits));
    source.format = sourceFormat;
    source.rowPitch = sourcePitch;
    source.extent = {
        sourceRect->left, sourceRect->top, sourceRect->right, sourceRect->bottom, 0, 1};
    source.rect = source.extent;
    source.colorKey = colorKey;
    source.palette = sourcePalette;
    hr = blitSurface(lock.side(), source, filter);
    return finish(hr, lock.unlock(SUCCEEDED(hr)));
}

HRESULT loadSurfaceFromSurface(IDirect3DSurface8* destination,
                               const PALETTEENTRY* destinationPalette, const RECT* destinationRect,
                               IDirect3DSurface8* source, const PALETTEENTRY* sourcePalette,
                               const RECT* sourceRect, ImageFilter filter, D3DCOLOR colorKey) {
    if (destination == nullptr || source == nullptr)
        return D3DERR_INVALIDCALL;
    if ((filter & 0xFFFF) != FilterBox && colorKey == 0 &&
        samePalettes(destinationPalette, sourcePalette) &&
        copiedByDevice(destination, destinationRect, source, sourceRect))
        return D3D_OK;
    SurfaceLock lock;
    const DWORD flags = LockReadOnly | (source == destination ? DWORD(LockMustCopy) : 0);
    HRESULT hr = lock.lock(source, sourcePalette, sourceRect, 0, flags);
    if (FAILED(hr))
        return hr;
    const BlitSurface& side = lock.side();
    const RECT lockedRect = {side.rect.left, side.rect.top, side.rect.right, side.rect.bottom};
    hr = loadSurfaceFromMemory(destination, destinationPalette, destinationRect, side.bits,
                               side.format, side.rowPitch, sourcePalette, &lockedRect, filter,
                               colorKey);
    lock.unlock();
    return hr;
}

HRESULT loadVolumeFromMemory(IDirect3DVolume8* destination, const PALETTEENTRY* destinationPalette,
                             const D3DBOX* destinationBox, const void* sourceBits,
                             PixelFormat sourceFormat, UINT sourceRowPitch, UINT sourceSlicePitch,
                             const PALETTEENTRY* sourcePalette, const D3DBOX* sourceBox,
                             ImageFilter filter, D3DCOLOR colorKey) {
    if (destination == nullptr || sourceBits == nullptr || sourceBox == nullptr)
        return D3DERR_INVALIDCALL;
    filter = resolvedFilter(filter);
    if (!isValidFilter(filter))
        return D3DERR_INVALIDCALL;
    // Box edges are unsigned; beyond INT32_MAX they cannot describe caller memory.
    for (UINT edge : {sourceBox->Left, sourceBox->Top, sourceBox->Right, sourceBox->Bottom,
                      sourceBox->Front, sourceBox->Back}) {
        if (edge > UINT(INT32_MAX))
            return D3DERR_INVALIDCALL;
    }
    VolumeLock lock;
    HRESULT hr = lock.lock(destination, destinationPalette, destinationBox, 0, 0);
    if (FAILED(hr))
        return hr;
    BlitSurface source;
    source.bits = static_cast<uint8_t*>(const_cast<void*>(sourceBits));
    source.format = sourceFormat;
    source.rowPitch = sourceRowPitch;
    source.slicePitch = sourceSlicePitch;
    source.extent = {int32_t(sourceBox->Left),  int32_t(sourceBox->Top),
                     int32_t(sourceBox->Right), int32_t(sourceBox->Bottom),
                     int32_t(sourceBox->Front), int32_t(sourceBox->Back)};
    source.rect = source.extent;
    source.colorKey = colorKey;
    source.palette = sourcePalette;
    hr = blitSurface(lock.side(), source, filter);
    return finish(hr, lock.unlock());
}

HRESULT loadVolumeFromVolume(IDirect3DVolume8* destination, const PALETTEENTRY* destinationPalette,
                             const D3DBOX* destinationBox, IDirect3DVolume8* source,
                             const PALETTEENTRY* sourcePalette, const D3DBOX* sourceBox,
                             ImageFilter filter, D3DCOLOR colorKey) {
    if (destination == nullptr || source == nullptr)
        return D3DERR_INVALIDCALL;
    VolumeLock lock;
    HRESULT hr = lock.lock(source, sourcePalette, sourceBox, 0, LockReadOnly);
    if (FAILED(hr))
        return hr;
    const BlitSurface& side = lock.side();
    const D3DBOX lockedBox = {UINT(side.rect.left),   UINT(side.rect.top),   UINT(side.rect.right),
                              UINT(side.rect.bottom), UINT(side.rect.front), UINT(side.rect.back)};
    hr = loadVolumeFromMemory(destination, destinationPalette, destinationBox, side.bits,
                              side.format, side.rowPitch, side.slicePitch, sourcePalette,
                              &lockedBox, filter, colorKey);
    lock.unlock();
    return hr;
}
