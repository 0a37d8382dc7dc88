// IDirect3DCubeTexture8 of the software device: six faces of square 2D levels.
//
// Implements: QueryInterface (cube texture, base texture, resource, unknown), GetLevelDesc,
// GetCubeMapSurface, LockRect/UnlockRect per face and level, AddDirtyRect (accepted).
// The rasteriser samples 2D textures only; a cube texture is stored, locked and copied.
#pragma once

#include "d3d8/surface.h"
#include "d3d8/texture_base.h"

namespace d3d8 {

constexpr UINT CubeFaceCount = 6;

class CubeTexture final : public BaseTextureImpl<IDirect3DCubeTexture8> {
public:
    static HRESULT create(Device* device, UINT edge, UINT levels, DWORD usage, D3DFORMAT format,
                          D3DPOOL pool, CubeTexture** out);

    HRESULT QueryInterface(REFIID riid, void** ppvObj) override;
    HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
    HRESULT GetCubeMapSurface(D3DCUBEMAP_FACES FaceType, UINT Level,
                              IDirect3DSurface8** ppCubeMapSurface) override;
    HRESULT LockRect(D3DCUBEMAP_FACES FaceType, UINT Level, D3DLOCKED_RECT* pLockedRect,
                     const RECT* pRect, DWORD Flags) override;
    HRESULT UnlockRect(D3DCUBEMAP_FACES FaceType, UINT Level) override;
    HRESULT AddDirtyRect(D3DCUBEMAP_FACES FaceType, const RECT* pDirtyRect) override;

    D3DRESOURCETYPE type() const override { return D3DRTYPE_CUBETEXTURE; }
    UINT faceCount() const override { return CubeFaceCount; }
    LevelStore& level(UINT face, UINT level) override;

private:
    using BaseTextureImpl::BaseTextureImpl;
    ~CubeTexture() override;
    Surface* find(D3DCUBEMAP_FACES face, UINT level) const;

    Surface* surfaces_[CubeFaceCount][MaxLevels] = {};
};

} // namespace d3d8
