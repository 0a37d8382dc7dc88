// 2D textures: level creation and the per-level operations, which forward to the level's
// surface.
#include "d3d8/texture.h"
#include "d3d8/refusal.h"

#include <new>

namespace d3d8 {

HRESULT Texture::create(Device* device, UINT width, UINT height, UINT levels, DWORD usage,
                        D3DFORMAT format, D3DPOOL pool, Texture** out) {
    Texture* texture = new (std::nothrow) Texture(device, pool, usage, format, levels);
    if (texture == nullptr)
        return refuse(E_OUTOFMEMORY, "no memory for a texture");
    const bool lockable = pool != D3DPOOL_DEFAULT || (usage & D3DUSAGE_DYNAMIC) != 0;
    for (UINT i = 0; i < levels; ++i) {
        const Surface::Params params = {
            format, levelExtent(width, i), levelExtent(height, i), usage, pool, lockable};
        const HRESULT hr = Surface::create(device, texture, params, &texture->surfaces_[i]);
        if (FAILED(hr)) {
            texture->Release();
            return hr;
        }
    }
    *out = texture;
    return D3D_OK;
}

Texture::~Texture() {
    for (Surface* surface : surfaces_)
        delete surface;
}

HRESULT Texture::QueryInterface(REFIID riid, void** ppvObj) {
    return answerQuery(isBaseIdentifier(riid) || riid == IID_IDirect3DTexture8, ppvObj);
}

HRESULT Texture::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) {
    if (Level >= levelCount())
        return refuse(D3DERR_INVALIDCALL, "level %u of a texture of %u levels", Level,
                      levelCount());
    return surfaces_[Level]->GetDesc(pDesc);
}

HRESULT Texture::GetSurfaceLevel(UINT Level, IDirect3DSurface8** ppSurfaceLevel) {
    if (ppSurfaceLevel == nullptr)
        return refuse(D3DERR_INVALIDCALL, "GetSurfaceLevel without an output");
    if (Level >= levelCount())
        return refuse(D3DERR_INVALIDCALL, "level %u of a texture of %u levels", Level,
                      levelCount());
    surfaces_[Level]->AddRef();
    *ppSurfaceLevel = surfaces_[Level];
    return D3D_OK;
}

HRESULT Texture::LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) {
    if (Level >= levelCount())
        return refuse(D3DERR_INVALIDCALL, "lock of level %u of a texture of %u levels", Level,
                      levelCount());
    return surfaces_[Level]->LockRect(pLockedRect, pRect, Flags);
}

HRESULT Texture::UnlockRect(UINT Level) {
    if (Level >= levelCount())
        return refuse(D3DERR_INVALIDCALL, "unlock of level %u of a texture of %u levels", Level,
                      levelCount());
    return surfaces_[Level]->UnlockRect();
}

HRESULT Texture::AddDirtyRect(const RECT* pDirtyRect) {
    if (pDirtyRect != nullptr) {
        const LevelStore& top = surfaces_[0]->store();
        if (!rectInside(top.width(), top.height(), *pDirtyRect))
            return refuse(D3DERR_INVALIDCALL, "dirty rectangle outside the texture");
    }
    return D3D_OK;
}

LevelStore& Texture::level(UINT, UINT level) {
    return surfaces_[level]->store();
}

} // namespace d3d8
