// What every texture of the software device shares: its lifetime (public references and the
// device's bindings), its description, and the IDirect3DResource8 and IDirect3DBaseTexture8
// operations, written once for the 2D, cube and volume textures.
//
// Implements: GetDevice, SetPriority/GetPriority and SetLOD/GetLOD (managed pool only, as in
// Direct3D 8), PreLoad (nothing to upload), GetType, GetLevelCount.
// Does not implement: private data (E_NOTIMPL).
#pragma once

#include "d3d8/level_store.h"
#include "d3d8/refusal.h"

namespace d3d8 {

class Device;
class Surface;

constexpr UINT MaxLevels = 16;

// A texture's life: every public reference keeps the device alive; bindings (a stage texture,
// a state block) keep the texture alive without holding the device, so that releasing the
// device with textures bound frees everything.
class DeviceChild {
public:
    Device* device() const { return device_; }
    void addBinding() { ++bindings_; }
    void releaseBinding();
    HRESULT getDevice(IDirect3DDevice8** out) const;

protected:
    explicit DeviceChild(Device* device); // one public reference, which holds the device
    virtual ~DeviceChild() = default;
    ULONG addPublicRef();
    ULONG releasePublicRef();

private:
    Device* device_;
    ULONG publicRefs_ = 1;
    ULONG bindings_ = 0;
};

class TextureBase : public DeviceChild {
public:
    virtual IDirect3DBaseTexture8* asBaseTexture() = 0;
    virtual D3DRESOURCETYPE type() const = 0;
    virtual UINT faceCount() const { return 1; }
    virtual LevelStore& level(UINT face, UINT level) = 0;
    // The 2D level the rasteriser samples; null for cube and volume textures.
    virtual Surface* sampledSurface() { return nullptr; }

    D3DPOOL pool() const { return pool_; }
    DWORD usage() const { return usage_; }
    D3DFORMAT format() const { return format_; }
    UINT levelCount() const { return levels_; }
    DWORD lod() const { return lod_; }

protected:
    TextureBase(Device* device, D3DPOOL pool, DWORD usage, D3DFORMAT format, UINT levels)
        : DeviceChild(device), pool_(pool), usage_(usage), format_(format), levels_(levels) {}

    DWORD setPriority(DWORD priority);
    DWORD setLod(DWORD lod);
    DWORD priority() const { return priority_; }

private:
    D3DPOOL pool_;
    DWORD usage_;
    D3DFORMAT format_;
    UINT levels_;
    DWORD lod_ = 0;
    DWORD priority_ = 0;
};

template <class Interface> class BaseTextureImpl : public Interface, public TextureBase {
public:
    ULONG AddRef() override { return addPublicRef(); }
    ULONG Release() override { return releasePublicRef(); }

    HRESULT GetDevice(IDirect3DDevice8** ppDevice) override { return getDevice(ppDevice); }
    HRESULT SetPrivateData(REFGUID, const void*, DWORD, DWORD) override {
        return refuse(E_NOTIMPL, "private data is not supported");
    }
    HRESULT GetPrivateData(REFGUID, void*, DWORD*) override {
        return refuse(E_NOTIMPL, "private data is not supported");
    }
    HRESULT FreePrivateData(REFGUID) override {
        return refuse(E_NOTIMPL, "private data is not supported");
    }
    DWORD SetPriority(DWORD PriorityNew) override { return setPriority(PriorityNew); }
    DWORD GetPriority() override { return priority(); }
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return type(); }

    DWORD SetLOD(DWORD LODNew) override { return setLod(LODNew); }
    DWORD GetLOD() override { return lod(); }
    DWORD GetLevelCount() override { return levelCount(); }

    IDirect3DBaseTexture8* asBaseTexture() override { return this; }

protected:
    using TextureBase::TextureBase;

    // The identifiers every texture answers besides its own.
    static bool isBaseIdentifier(REFIID riid) {
        return riid == IID_IUnknown || riid == IID_IDirect3DResource8 ||
               riid == IID_IDirect3DBaseTexture8;
    }
    HRESULT answerQuery(bool matches, void** ppvObj) {
        if (ppvObj == nullptr)
            return refuse(E_POINTER, "QueryInterface without an output");
        if (!matches) {
            *ppvObj = nullptr;
            return E_NOINTERFACE;
        }
        *ppvObj = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }
};

} // namespace d3d8
