// IDirect3DVolumeTexture8 of the software device: a chain of volume levels.
//
// Implements: QueryInterface (volume texture, base texture, resource, unknown),
// GetLevelDesc, GetVolumeLevel, LockBox/UnlockBox per level, AddDirtyBox (accepted).
// The rasteriser samples 2D textures only; a volume texture is stored, locked and copied.
#pragma once

#include "d3d8/texture_base.h"
#include "d3d8/volume.h"

namespace d3d8 {

class VolumeTexture final : public BaseTextureImpl<IDirect3DVolumeTexture8> {
public:
    static HRESULT create(Device* device, UINT width, UINT height, UINT depth, UINT levels,
                          DWORD usage, D3DFORMAT format, D3DPOOL pool, VolumeTexture** out);

    HRESULT QueryInterface(REFIID riid, void** ppvObj) override;
    HRESULT GetLevelDesc(UINT Level, D3DVOLUME_DESC* pDesc) override;
    HRESULT GetVolumeLevel(UINT Level, IDirect3DVolume8** ppVolumeLevel) override;
    HRESULT LockBox(UINT Level, D3DLOCKED_BOX* pLockedVolume, const D3DBOX* pBox,
                    DWORD Flags) override;
    HRESULT UnlockBox(UINT Level) override;
    HRESULT AddDirtyBox(const D3DBOX* pDirtyBox) override;

    D3DRESOURCETYPE type() const override { return D3DRTYPE_VOLUMETEXTURE; }
    LevelStore& level(UINT face, UINT level) override;

private:
    using BaseTextureImpl::BaseTextureImpl;
    ~VolumeTexture() override;

    Volume* volumes_[MaxLevels] = {};
};

} // namespace d3d8
