// IDirect3DVolume8 of the software device: one level of a volume texture.
//
// Implements: GetDevice, GetContainer, GetDesc, LockBox/UnlockBox with sub-boxes and the
// flags READONLY, NOSYSLOCK, DISCARD; references count on the volume texture.
// Does not implement: private data (E_NOTIMPL).
#pragma once

#include "d3d8/level_store.h"

namespace d3d8 {

class Device;

class Volume final : public IDirect3DVolume8 {
public:
    struct Params {
        D3DFORMAT format;
        UINT width;
        UINT height;
        UINT depth;
        DWORD usage;
        D3DPOOL pool;
    };

    static HRESULT create(Device* device, IUnknown* container, const Params& params, Volume** out);
    ~Volume();

    HRESULT QueryInterface(REFIID riid, void** ppvObj) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice8** ppDevice) override;
    HRESULT SetPrivateData(REFGUID refguid, const void* pData, DWORD SizeOfData,
                           DWORD Flags) override;
    HRESULT GetPrivateData(REFGUID refguid, void* pData, DWORD* pSizeOfData) override;
    HRESULT FreePrivateData(REFGUID refguid) override;
    HRESULT GetContainer(REFIID riid, void** ppContainer) override;
    HRESULT GetDesc(D3DVOLUME_DESC* pDesc) override;
    HRESULT LockBox(D3DLOCKED_BOX* pLockedVolume, const D3DBOX* pBox, DWORD Flags) override;
    HRESULT UnlockBox() override;

    LevelStore& store() { return store_; }

private:
    Volume(Device* device, IUnknown* container, const Params& params);

    Device* device_;
    IUnknown* container_;
    DWORD usage_;
    D3DPOOL pool_;
    LevelStore store_;
};

} // namespace d3d8
