// IDirect3DSurface8 of the software device: a level of a texture, a face of a cube texture,
// a standalone image surface or the back buffer.
//
// Implements: GetDevice, GetContainer, GetDesc, LockRect/UnlockRect with sub-rectangles and
// the flags READONLY, NOSYSLOCK, DISCARD, reference counting on the container as Direct3D 8
// does it (a level counts on its texture, the back buffer on the device).
// Does not implement: private data (E_NOTIMPL).
#pragma once

#include "d3d8/level_store.h"

#include <memory>

namespace d3d8 {

class Device;

class Surface final : public IDirect3DSurface8 {
public:
    struct Params {
        D3DFORMAT format;
        UINT width;
        UINT height;
        DWORD usage;
        D3DPOOL pool;
        bool lockable; // may be locked at all (the pool rules, or a lockable back buffer)
    };

    // A surface that counts its references on `container` (a texture, a cube texture or the
    // device) and is destroyed by it; with a null container a standalone surface that holds
    // the device and is destroyed by its last Release.
    static HRESULT create(Device* device, IUnknown* container, const Params& params, Surface** out);
    ~Surface();

    HRESULT QueryInterface(REFIID riid, void** ppvObj) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice8** ppDevice) override;
    HRESULT SetPrivateData(REFGUID refguid, const void* pData, DWORD SizeOfData,
                           DWORD Flags) override;
    HRESULT GetPrivateData(REFGUID refguid, void* pData, DWORD* pSizeOfData) override;
    HRESULT FreePrivateData(REFGUID refguid) override;
    HRESULT GetContainer(REFIID riid, void** ppContainer) override;
    HRESULT GetDesc(D3DSURFACE_DESC* pDesc) override;
    HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
    HRESULT UnlockRect() override;

    Device* device() const { return device_; }
    LevelStore& store() { return store_; }
    const LevelStore& store() const { return store_; }
    DWORD usage() const { return usage_; }
    D3DPOOL pool() const { return pool_; }

    // The rasteriser's 32-bit ARGB copy of a level whose format is not A8R8G8B8, renewed
    // when the level's version moves on.
    struct SampleCopy {
        std::unique_ptr<uint32_t[]> pixels;
        uint64_t version = ~uint64_t(0);
    };
    SampleCopy& sampleCopy() { return sampleCopy_; }

private:
    Surface(Device* device, IUnknown* container, const Params& params);

    Device* device_;
    IUnknown* container_;
    ULONG ownRefs_ = 1; // used only without a container
    DWORD usage_;
    D3DPOOL pool_;
    bool lockable_;
    LevelStore store_;
    SampleCopy sampleCopy_;
};

} // namespace d3d8
