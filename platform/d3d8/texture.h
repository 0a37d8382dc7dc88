// IDirect3DTexture8 of the software device: a chain of 2D levels, each a Surface whose
// references count on the texture.
//
// Implements: QueryInterface (texture, base texture, resource, unknown), GetLevelDesc,
// GetSurfaceLevel, LockRect/UnlockRect per level, AddDirtyRect (accepted; UpdateTexture
// copies every level whole).
#pragma once

#include "d3d8/surface.h"
#include "d3d8/texture_base.h"

namespace d3d8 {

class Texture final : public BaseTextureImpl<IDirect3DTexture8> {
public:
    // Creates the levels of an already validated request (levels >= 1).
    static HRESULT create(Device* device, UINT width, UINT height, UINT levels, DWORD usage,
                          D3DFORMAT format, D3DPOOL pool, Texture** out);

    HRESULT QueryInterface(REFIID riid, void** ppvObj) override;
    HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
    HRESULT GetSurfaceLevel(UINT Level, IDirect3DSurface8** ppSurfaceLevel) override;
    HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                     DWORD Flags) override;
    HRESULT UnlockRect(UINT Level) override;
    HRESULT AddDirtyRect(const RECT* pDirtyRect) override;

    D3DRESOURCETYPE type() const override { return D3DRTYPE_TEXTURE; }
    LevelStore& level(UINT face, UINT level) override;
    Surface* sampledSurface() override { return surfaces_[lod()]; }

private:
    using BaseTextureImpl::BaseTextureImpl;
    ~Texture() override;

    Surface* surfaces_[MaxLevels] = {};
};

} // namespace d3d8
