// filterTexture: the default filter, the cascade rule and the walk over faces and levels.
#include "blit/filter_texture.h"

#include "blit/com_ref.h"
#include "blit/surface_load.h"

#include <utility>

namespace {

bool isPowerOfTwo(UINT v) {
    return v != 0 && (v & (v - 1)) == 0;
}

HRESULT defaultFilter(IDirect3DBaseTexture8* texture, D3DRESOURCETYPE type, ImageFilter* filter) {
    UINT width = 1, height = 1, depth = 1;
    HRESULT hr;
    if (type == D3DRTYPE_VOLUMETEXTURE) {
        D3DVOLUME_DESC desc = {};
        hr = static_cast<IDirect3DVolumeTexture8*>(texture)->GetLevelDesc(0, &desc);
        width = desc.Width;
        height = desc.Height;
        depth = desc.Depth;
    } else {
        D3DSURFACE_DESC desc = {};
        hr = type == D3DRTYPE_TEXTURE
                 ? static_cast<IDirect3DTexture8*>(texture)->GetLevelDesc(0, &desc)
                 : static_cast<IDirect3DCubeTexture8*>(texture)->GetLevelDesc(0, &desc);
        width = desc.Width;
        height = desc.Height;
    }
    if (FAILED(hr))
        return hr;
    *filter = isPowerOfTwo(width) && isPowerOfTwo(height) && isPowerOfTwo(depth)
                  ? ImageFilter(FilterBox)
                  : FilterTriangle | FilterDither;
    return D3D_OK;
}

// One face of a texture or cube texture: its levels from `first` down, as surfaces.
class SurfaceChain {
public:
    SurfaceChain(IDirect3DBaseTexture8* texture, D3DRESOURCETYPE type, D3DCUBEMAP_FACES face)
        : texture_(texture), type_(type), face_(face) {}

    HRESULT level(UINT index, ComRef<IDirect3DSurface8>* out) const {
        if (type_ == D3DRTYPE_TEXTURE)
            return static_cast<IDirect3DTexture8*>(texture_)->GetSurfaceLevel(index, out->out());
        return static_cast<IDirect3DCubeTexture8*>(texture_)->GetCubeMapSurface(face_, index,
                                                                                out->out());
    }
    static HRESULT copy(IDirect3DSurface8* to, IDirect3DSurface8* from, const PALETTEENTRY* palette,
                        ImageFilter filter) {
        return loadSurfaceFromSurface(to, palette, nullptr, from, palette, nullptr, filter, 0);
    }

private:
    IDirect3DBaseTexture8* texture_;
    D3DRESOURCETYPE type_;
    D3DCUBEMAP_FACES face_;
};

class VolumeChain {
public:
    explicit VolumeChain(IDirect3DBaseTexture8* texture)
        : texture_(static_cast<IDirect3DVolumeTexture8*>(texture)) {}

    HRESULT level(UINT index, ComRef<IDirect3DVolume8>* out) const {
        return texture_->GetVolumeLevel(index, out->out());
    }
    static HRESULT copy(IDirect3DVolume8* to, IDirect3DVolume8* from, const PALETTEENTRY* palette,
                        ImageFilter filter) {
        return loadVolumeFromVolume(to, palette, nullptr, from, palette, nullptr, filter, 0);
    }

private:
    IDirect3DVolumeTexture8* texture_;
};

// Each level below `sourceLevel` from the level above it (cascade) or from the source.
template <typename Resource, typename Chain>
HRESULT filterChain(const Chain& chain, UINT sourceLevel, UINT levelCount,
                    const PALETTEENTRY* palette, ImageFilter filter, bool cascade) {
    ComRef<Resource> source;
    HRESULT hr = chain.level(sourceLevel, &source);
    if (FAILED(hr))
        return hr;
    for (UINT level = sourceLevel + 1; level < levelCount; ++level) {
        ComRef<Resource> destination;
        hr = chain.level(level, &destination);
        if (FAILED(hr))
            return hr;
        hr = Chain::copy(destination.get(), source.get(), palette, filter);
        if (FAILED(hr))
            return hr;
        if (cascade)
            source = std::move(destination);
    }
    return D3D_OK;
}

} // namespace

HRESULT filterTexture(IDirect3DBaseTexture8* texture, const PALETTEENTRY* palette, UINT sourceLevel,
                      ImageFilter filter) {
    if (texture == nullptr)
        return D3DERR_INVALIDCALL;
    const D3DRESOURCETYPE type = texture->GetType();
    if (type != D3DRTYPE_TEXTURE && type != D3DRTYPE_VOLUMETEXTURE && type != D3DRTYPE_CUBETEXTURE)
        return D3DERR_INVALIDCALL;
    if (filter == FilterDefault) {
        const HRESULT hr = defaultFilter(texture, type, &filter);
        if (FAILED(hr))
            return hr;
    }
    if (type == D3DRTYPE_CUBETEXTURE)
        filter |= FilterMirror;
    if (sourceLevel == 0xFFFFFFFF)
        sourceLevel = 0;
    const UINT levelCount = texture->GetLevelCount();
    if (sourceLevel >= levelCount)
        return D3DERR_INVALIDCALL;
    const bool cascade = filterKind(filter) == FilterPoint || filterKind(filter) == FilterBox;

    if (type == D3DRTYPE_VOLUMETEXTURE) {
        return filterChain<IDirect3DVolume8>(VolumeChain(texture), sourceLevel, levelCount, palette,
                                             filter, cascade);
    }
    const UINT faces = type == D3DRTYPE_CUBETEXTURE ? 6 : 1;
    for (UINT face = 0; face < faces; ++face) {
        const HRESULT hr =
            filterChain<IDirect3DSurface8>(SurfaceChain(texture, type, D3DCUBEMAP_FACES(face)),
                                           sourceLevel, levelCount, palette, filter, cascade);
        if (FAILED(hr))
            return hr;
    }
    return D3D_OK;
}
