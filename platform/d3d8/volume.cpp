// Volumes: description, container queries and box locks.
#include "d3d8/volume.h"

#include "d3d8/device.h"
#include "d3d8/refusal.h"

#include <new>

namespace d3d8 {

Volume::Volume(Device* device, IUnknown* container, const Params& params)
    : device_(device), container_(container), usage_(params.usage), pool_(params.pool) {}

Volume::~Volume() = default;

HRESULT Volume::create(Device* device, IUnknown* container, const Params& params, Volume** out) {
    const FormatLayout* layout = findFormatLayout(params.format);
    if (layout == nullptr)
        return refuse(D3DERR_INVALIDCALL, "format %u cannot be stored", unsigned(params.format));
    Volume* volume = new (std::nothrow) Volume(device, container, params);
    if (volume == nullptr)
        return refuse(E_OUTOFMEMORY, "no memory for a volume");
    const HRESULT hr = volume->store_.allocate(*layout, params.width, params.height, params.depth);
    if (FAILED(hr)) {
        delete volume;
        return hr;
    }
    *out = volume;
    return D3D_OK;
}

HRESULT Volume::QueryInterface(REFIID riid, void** ppvObj) {
    if (ppvObj == nullptr)
        return refuse(E_POINTER, "QueryInterface without an output");
    if (riid == IID_IUnknown || riid == IID_IDirect3DVolume8) {
        *ppvObj = static_cast<IDirect3DVolume8*>(this);
        AddRef();
        return S_OK;
    }
    *ppvObj = nullptr;
    return E_NOINTERFACE;
}

ULONG Volume::AddRef() {
    return container_->AddRef();
}

ULONG Volume::Release() {
    return container_->Release();
}

HRESULT Volume::GetDevice(IDirect3DDevice8** ppDevice) {
    if (ppDevice == nullptr)
        return refuse(D3DERR_INVALIDCALL, "GetDevice without an output");
    device_->AddRef();
    *ppDevice = device_;
    return D3D_OK;
}

HRESULT Volume::SetPrivateData(REFGUID, const void*, DWORD, DWORD) {
    return refuse(E_NOTIMPL, "private data is not supported");
}

HRESULT Volume::GetPrivateData(REFGUID, void*, DWORD*) {
    return refuse(E_NOTIMPL, "private data is not supported");
}

HRESULT Volume::FreePrivateData(REFGUID) {
    return refuse(E_NOTIMPL, "private data is not supported");
}

HRESULT Volume::GetContainer(REFIID riid, void** ppContainer) {
    if (ppContainer == nullptr)
        return refuse(D3DERR_INVALIDCALL, "GetContainer without an output");
    return container_->QueryInterface(riid, ppContainer);
}

HRESULT Volume::GetDesc(D3DVOLUME_DESC* pDesc) {
    if (pDesc == nullptr)
        return refuse(D3DERR_INVALIDCALL, "GetDesc without an output");
    pDesc->Format = store_.format();
    pDesc->Type = D3DRTYPE_VOLUME;
    pDesc->Usage = usage_;
    pDesc->Pool = pool_;
    pDesc->Size = UINT(store_.geometry().size);
    pDesc->Width = store_.width();
    pDesc->Height = store_.height();
    pDesc->Depth = store_.depth();
    return D3D_OK;
}

HRESULT Volume::LockBox(D3DLOCKED_BOX* pLockedVolume, const D3DBOX* pBox, DWORD Flags) {
    if (pLockedVolume == nullptr)
        return refuse(D3DERR_INVALIDCALL, "LockBox without an output");
    D3DBOX box = {0, 0, store_.width(), store_.height(), 0, store_.depth()};
    if (pBox != nullptr) {
        if (!boxFitsLevel(store_, *pBox))
            return refuse(D3DERR_INVALIDCALL,
                          "lock box (%u,%u,%u)-(%u,%u,%u) is outside the %ux%ux%u volume or off "
                          "its block grid",
                          pBox->Left, pBox->Top, pBox->Front, pBox->Right, pBox->Bottom, pBox->Back,
                          store_.width(), store_.height(), store_.depth());
        box = *pBox;
    }
    const bool lockable = pool_ != D3DPOOL_DEFAULT || (usage_ & D3DUSAGE_DYNAMIC) != 0;
    const bool whole = box.Left == 0 && box.Top == 0 && box.Front == 0 &&
                       box.Right == store_.width() && box.Bottom == store_.height() &&
                       box.Back == store_.depth();
    const HRESULT hr = store_.beginLock(Flags, usage_, lockable, whole);
    if (FAILED(hr))
        return hr;
    pLockedVolume->RowPitch = INT(store_.geometry().rowPitch);
    pLockedVolume->SlicePitch = INT(store_.geometry().slicePitch);
    pLockedVolume->pBits = store_.lockedBits() + unitOffset(store_.layout(), store_.geometry(), box.Left,
                                                      box.Top, box.Front);
    return D3D_OK;
}

HRESULT Volume::UnlockBox() {
    return store_.endLock();
}

} // namespace d3d8
