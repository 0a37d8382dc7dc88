// UpdateTexture: copies a system-memory texture into a default-pool texture of the same type
// and format, from the source level whose size matches the destination's top level down.
#include "d3d8/device.h"
#include "d3d8/refusal.h"
#include "d3d8/texture_base.h"

namespace d3d8 {

namespace {

bool sameSize(const LevelStore& a, const LevelStore& b) {
    return a.width() == b.width() && a.height() == b.height() && a.depth() == b.depth();
}

bool anyLevelLocked(TextureBase& texture) {
    for (UINT face = 0; face < texture.faceCount(); ++face)
        for (UINT level = 0; level < texture.levelCount(); ++level)
            if (texture.level(face, level).locked())
                return true;
    return false;
}

} // namespace

HRESULT Device::UpdateTexture(IDirect3DBaseTexture8* pSourceTexture,
                              IDirect3DBaseTexture8* pDestinationTexture) {
    TextureBase* source = ownTexture(pSourceTexture);
    TextureBase* dest = ownTexture(pDestinationTexture);
    if (source == nullptr || dest == nullptr)
        return refuse(D3DERR_INVALIDCALL, "UpdateTexture needs two textures of this device");
    if (source->pool() != D3DPOOL_SYSTEMMEM || dest->pool() != D3DPOOL_DEFAULT)
        return refuse(D3DERR_INVALIDCALL,
                      "UpdateTexture copies from the system-memory pool to the default pool");
    if (source->type() != dest->type() || source->format() != dest->format())
        return refuse(D3DERR_INVALIDCALL, "UpdateTexture between different types or formats");
    UINT first = 0;
    while (first < source->levelCount() && !sameSize(source->level(0, first), dest->level(0, 0)))
        ++first;
    if (first == source->levelCount() || source->levelCount() - first < dest->levelCount())
        return refuse(D3DERR_INVALIDCALL,
                      "the source has no chain of levels matching the destination's");
    if (anyLevelLocked(*source) || anyLevelLocked(*dest))
        return refuse(D3DERR_INVALIDCALL, "UpdateTexture with a locked level");
    for (UINT face = 0; face < dest->faceCount(); ++face)
        for (UINT level = 0; level < dest->levelCount(); ++level)
            finishDrawsBefore(dest->level(face, level), true);
    for (UINT face = 0; face < dest->faceCount(); ++face)
        for (UINT level = 0; level < dest->levelCount(); ++level) {
            const LevelStore& from = source->level(face, first + level);
            const RECT whole = {0, 0, LONG(from.width()), LONG(from.height())};
            copyLevelRect(from, whole, dest->level(face, level), 0, 0);
        }
    return D3D_OK;
}

} // namespace d3d8
