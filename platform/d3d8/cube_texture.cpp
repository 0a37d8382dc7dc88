// Cube textures: six chains of square levels with per-face operations.
#include "d3d8/cube_texture.h"
#include "d3d8/refusal.h"

#include <new>

namespace d3d8 {

HRESULT CubeTexture::create(Device* device, UINT edge, UINT levels, DWORD usage, D3DFORMAT format,
                            D3DPOOL pool, CubeTexture** out) {
    CubeTexture* cube = new (std::nothrow) CubeTexture(device, pool, usage, format, levels);
    if (cube == nullptr)
        return refuse(E_OUTOFMEMORY, "no memory for a cube texture");
    const bool lockable = pool != D3DPOOL_DEFAULT || (usage & D3DUSAGE_DYNAMIC) != 0;
    for (UINT face = 0; face < CubeFaceCount; ++face)
        for (UINT i = 0; i < levels; ++i) {
            const UINT size = levelExtent(edge, i);
            const Surface::Params params = {format, size, size, usage, pool, lockable};
            const HRESULT hr = Surface::create(device, cube, params, &cube->surfaces_[face][i]);
            if (FAILED(hr)) {
                cube->Release();
                return hr;
            }
        }
    *out = cube;
    return D3D_OK;
}

CubeTexture::~CubeTexture() {
    for (auto& face : surfaces_)
        for (Surface* surface : face)
            delete surface;
}

Surface* CubeTexture::find(D3DCUBEMAP_FACES face, UINT level) const {
    if (DWORD(face) >= CubeFaceCount || level >= levelCount())
        return nullptr;
    return surfaces_[face][level];
}

HRESULT CubeTexture::QueryInterface(REFIID riid, void** ppvObj) {
    return answerQuery(isBaseIdentifier(riid) || riid == IID_IDirect3DCubeTexture8, ppvObj);
}

HRESULT CubeTexture::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) {
    Surface* surface = find(D3DCUBEMAP_FACE_POSITIVE_X, Level);
    if (surface == nullptr)
        return refuse(D3DERR_INVALIDCALL, "level %u of a cube texture of %u levels", Level,
                      levelCount());
    return surface->GetDesc(pDesc);
}

HRESULT CubeTexture::GetCubeMapSurface(D3DCUBEMAP_FACES FaceType, UINT Level,
                                       IDirect3DSurface8** ppCubeMapSurface) {
    if (ppCubeMapSurface == nullptr)
        return refuse(D3DERR_INVALIDCALL, "GetCubeMapSurface without an output");
    Surface* surface = find(FaceType, Level);
    if (surface == nullptr)
        return refuse(D3DERR_INVALIDCALL, "face %u level %u of a cube texture of %u levels",
                      unsigned(FaceType), Level, levelCount());
    surface->AddRef();
    *ppCubeMapSurface = surface;
    return D3D_OK;
}

HRESULT CubeTexture::LockRect(D3DCUBEMAP_FACES FaceType, UINT Level, D3DLOCKED_RECT* pLockedRect,
                              const RECT* pRect, DWORD Flags) {
    Surface* surface = find(FaceType, Level);
    if (surface == nullptr)
        return refuse(D3DERR_INVALIDCALL, "lock of face %u level %u of a cube texture",
                      unsigned(FaceType), Level);
    return surface->LockRect(pLockedRect, pRect, Flags);
}

HRESULT CubeTexture::UnlockRect(D3DCUBEMAP_FACES FaceType, UINT Level) {
    Surface* surface = find(FaceType, Level);
    if (surface == nullptr)
        return refuse(D3DERR_INVALIDCALL, "unlock of face %u level %u of a cube texture",
                      unsigned(FaceType), Level);
    return surface->UnlockRect();
}

HRESULT CubeTexture::AddDirtyRect(D3DCUBEMAP_FACES FaceType, const RECT* pDirtyRect) {
    Surface* surface = find(FaceType, 0);
    if (surface == nullptr)
        return refuse(D3DERR_INVALIDCALL, "dirty rectangle on face %u", unsigned(FaceType));
    if (pDirtyRect != nullptr &&
        !rectInside(surface->store().width(), surface->store().height(), *pDirtyRect))
        return refuse(D3DERR_INVALIDCALL, "dirty rectangle outside the cube face");
    return D3D_OK;
}

LevelStore& CubeTexture::level(UINT face, UINT level) {
    return surfaces_[face][level]->store();
}

} // namespace d3d8
