// Surfaces: description, container queries, locks and reference counting.
#include "d3d8/surface.h"

#include "d3d8/device.h"
#include "d3d8/refusal.h"
#include "internal/frame_breakdown.h"

#include <new>

namespace d3d8 {

Surface::Surface(Device* device, IUnknown* container, const Params& params)
    : device_(device), container_(container), usage_(params.usage), pool_(params.pool),
      lockable_(params.lockable) {}

Surface::~Surface() = default;

HRESULT Surface::create(Device* device, IUnknown* container, const Params& params, Surface** out) {
    const FormatLayout* layout = findFormatLayout(params.format);
    if (layout == nullptr)
        return refuse(D3DERR_INVALIDCALL, "format %u cannot be stored", unsigned(params.format));
    Surface* surface = new (std::nothrow) Surface(device, container, params);
    if (surface == nullptr)
        return refuse(E_OUTOFMEMORY, "no memory for a surface");
    const HRESULT hr = surface->store_.allocate(*layout, params.width, params.height, 1);
    if (FAILED(hr)) {
        delete surface;
        return hr;
    }
    if (container == nullptr)
        device->AddRef();
    *out = surface;
    return D3D_OK;
}

HRESULT Surface::QueryInterface(REFIID riid, void** ppvObj) {
    if (ppvObj == nullptr)
        return refuse(E_POINTER, "QueryInterface without an output");
    if (riid == IID_IUnknown || riid == IID_IDirect3DSurface8) {
        *ppvObj = static_cast<IDirect3DSurface8*>(this);
        AddRef();
        return S_OK;
    }
    *ppvObj = nullptr;
    return E_NOINTERFACE;
}

ULONG Surface::AddRef() {
    if (container_ != nullptr)
        return container_->AddRef();
    return ++ownRefs_;
}

ULONG Surface::Release() {
    if (container_ != nullptr)
        return container_->Release();
    if (ownRefs_ == 0)
        return 0;
    const ULONG left = --ownRefs_;
    if (left == 0) {
        Device* device = device_;
        delete this;
        device->Release();
    }
    return left;
}

HRESULT Surface::GetDevice(IDirect3DDevice8** ppDevice) {
    if (ppDevice == nullptr)
        return refuse(D3DERR_INVALIDCALL, "GetDevice without an output");
    device_->AddRef();
    *ppDevice = device_;
    return D3D_OK;
}

HRESULT Surface::SetPrivateData(REFGUID, const void*, DWORD, DWORD) {
    return refuse(E_NOTIMPL, "private data is not supported");
}

HRESULT Surface::GetPrivateData(REFGUID, void*, DWORD*) {
    return refuse(E_NOTIMPL, "private data is not supported");
}

HRESULT Surface::FreePrivateData(REFGUID) {
    return refuse(E_NOTIMPL, "private data is not supported");
}

HRESULT Surface::GetContainer(REFIID riid, void** ppContainer) {
    if (ppContainer == nullptr)
        return refuse(D3DERR_INVALIDCALL, "GetContainer without an output");
    if (container_ != nullptr)
        return container_->QueryInterface(riid, ppContainer);
    // A standalone surface belongs to the device alone.
    if (riid == IID_IDirect3DDevice8)
        return device_->QueryInterface(riid, ppContainer);
    *ppContainer = nullptr;
    return refuse(E_NOINTERFACE, "an image surface has no container but the device");
}

HRESULT Surface::GetDesc(D3DSURFACE_DESC* pDesc) {
    if (pDesc == nullptr)
        return refuse(D3DERR_INVALIDCALL, "GetDesc without an output");
    pDesc->Format = store_.format();
    pDesc->Type = D3DRTYPE_SURFACE;
    pDesc->Usage = usage_;
    pDesc->Pool = pool_;
    pDesc->Size = UINT(store_.geometry().size);
    pDesc->MultiSampleType = D3DMULTISAMPLE_NONE;
    pDesc->Width = store_.width();
    pDesc->Height = store_.height();
    return D3D_OK;
}

HRESULT Surface::LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) {
    if (pLockedRect == nullptr)
        return refuse(D3DERR_INVALIDCALL, "LockRect without an output");
    RECT rect = {0, 0, LONG(store_.width()), LONG(store_.height())};
    if (pRect != nullptr) {
        if (!rectFitsLevel(store_.layout(), store_.width(), store_.height(), *pRect))
            return refuse(D3DERR_INVALIDCALL,
                          "lock rectangle (%d,%d)-(%d,%d) is outside the %ux%u surface or off "
                          "its block grid",
                          pRect->left, pRect->top, pRect->right, pRect->bottom, store_.width(),
                          store_.height());
        rect = *pRect;
    }
    device_->finishDrawsBefore(store_, (Flags & D3DLOCK_READONLY) == 0);
    const bool whole = rect.left == 0 && rect.top == 0 && UINT(rect.right) == store_.width() &&
                       UINT(rect.bottom) == store_.height();
    const HRESULT hr = store_.beginLock(Flags, usage_, lockable_, whole);
    if (FAILED(hr))
        return hr;
    pLockedRect->Pitch = INT(store_.geometry().rowPitch);
    pLockedRect->pBits = store_.lockedBits() + unitOffset(store_.layout(), store_.geometry(),
                                                    UINT(rect.left), UINT(rect.top), 0);
    if (platform_internal::frameBreakdownEnabled())
        platform_internal::enterFramePart(platform_ext::PartLock);
    return D3D_OK;
}

HRESULT Surface::UnlockRect() {
    const HRESULT hr = store_.endLock();
    if (SUCCEEDED(hr) && platform_internal::frameBreakdownEnabled())
        platform_internal::leaveFramePart(platform_ext::PartLock);
    return hr;
}

} // namespace d3d8
