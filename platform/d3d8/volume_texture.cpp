// Volume textures: level creation and the per-level operations, which forward to the level's
// volume.
#include "d3d8/volume_texture.h"
#include "d3d8/refusal.h"

#include <new>

namespace d3d8 {

HRESULT VolumeTexture::create(Device* device, UINT width, UINT height, UINT depth, UINT levels,
                              DWORD usage, D3DFORMAT format, D3DPOOL pool, VolumeTexture** out) {
    VolumeTexture* texture = new (std::nothrow) VolumeTexture(device, pool, usage, format, levels);
    if (texture == nullptr)
        return refuse(E_OUTOFMEMORY, "no memory for a volume texture");
    for (UINT i = 0; i < levels; ++i) {
        const Volume::Params params = {
            format, levelExtent(width, i), levelExtent(height, i), levelExtent(depth, i), usage,
            pool};
        const HRESULT hr = Volume::create(device, texture, params, &texture->volumes_[i]);
        if (FAILED(hr)) {
            texture->Release();
            return hr;
        }
    }
    *out = texture;
    return D3D_OK;
}

VolumeTexture::~VolumeTexture() {
    for (Volume* volume : volumes_)
        delete volume;
}

HRESULT VolumeTexture::QueryInterface(REFIID riid, void** ppvObj) {
    return answerQuery(isBaseIdentifier(riid) || riid == IID_IDirect3DVolumeTexture8, ppvObj);
}

HRESULT VolumeTexture::GetLevelDesc(UINT Level, D3DVOLUME_DESC* pDesc) {
    if (Level >= levelCount())
        return refuse(D3DERR_INVALIDCALL, "level %u of a volume texture of %u levels", Level,
                      levelCount());
    return volumes_[Level]->GetDesc(pDesc);
}

HRESULT VolumeTexture::GetVolumeLevel(UINT Level, IDirect3DVolume8** ppVolumeLevel) {
    if (ppVolumeLevel == nullptr)
        return refuse(D3DERR_INVALIDCALL, "GetVolumeLevel without an output");
    if (Level >= levelCount())
        return refuse(D3DERR_INVALIDCALL, "level %u of a volume texture of %u levels", Level,
                      levelCount());
    volumes_[Level]->AddRef();
    *ppVolumeLevel = volumes_[Level];
    return D3D_OK;
}

HRESULT VolumeTexture::LockBox(UINT Level, D3DLOCKED_BOX* pLockedVolume, const D3DBOX* pBox,
                               DWORD Flags) {
    if (Level >= levelCount())
        return refuse(D3DERR_INVALIDCALL, "lock of level %u of a volume texture of %u levels",
                      Level, levelCount());
    return volumes_[Level]->LockBox(pLockedVolume, pBox, Flags);
}

HRESULT VolumeTexture::UnlockBox(UINT Level) {
    if (Level >= levelCount())
        return refuse(D3DERR_INVALIDCALL, "unlock of level %u of a volume texture of %u levels",
                      Level, levelCount());
    return volumes_[Level]->UnlockBox();
}

HRESULT VolumeTexture::AddDirtyBox(const D3DBOX* pDirtyBox) {
    if (pDirtyBox != nullptr) {
        const LevelStore& top = volumes_[0]->store();
        if (pDirtyBox->Left > pDirtyBox->Right || pDirtyBox->Right > top.width() ||
            pDirtyBox->Top > pDirtyBox->Bottom || pDirtyBox->Bottom > top.height() ||
            pDirtyBox->Front > pDirtyBox->Back || pDirtyBox->Back > top.depth())
            return refuse(D3DERR_INVALIDCALL, "dirty box outside the volume texture");
    }
    return D3D_OK;
}

LevelStore& VolumeTexture::level(UINT, UINT level) {
    return volumes_[level]->store();
}

} // namespace d3d8
