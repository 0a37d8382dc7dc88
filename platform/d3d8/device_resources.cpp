// Creation of textures, cube and volume textures and image surfaces, with the Direct3D 8
// rules for pools, usages, formats, sizes and level counts under the device's profile.
#include "d3d8/cube_texture.h"
#include "d3d8/device.h"
#include "d3d8/device_caps.h"
#include "d3d8/refusal.h"
#include "d3d8/texture.h"
#include "d3d8/volume_texture.h"

namespace d3d8 {

namespace {

struct TextureRequest {
    D3DRESOURCETYPE type;
    UINT width, height, depth;
    UINT levels; // 0 asks for the full chain
    DWORD usage;
    D3DFORMAT format;
    D3DPOOL pool;
};

HRESULT checkUsageAndPool(const TextureRequest& r, const D3DCAPS8& caps) {
    if (r.pool > D3DPOOL_SCRATCH)
        return refuse(D3DERR_INVALIDCALL, "pool %u is not a pool", unsigned(r.pool));
    const DWORD known = D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL | D3DUSAGE_DYNAMIC;
    if ((r.usage & ~known) != 0)
        return refuse(D3DERR_INVALIDCALL, "usage 0x%x is not a texture usage", r.usage);
    if (r.usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL))
        return refuse(D3DERR_NOTAVAILABLE, "no render-target or depth textures");
    if (r.usage & D3DUSAGE_DYNAMIC) {
        if (!(caps.Caps2 & D3DCAPS2_DYNAMICTEXTURES))
            return refuse(D3DERR_INVALIDCALL, "the device has no dynamic textures");
        if (r.pool == D3DPOOL_MANAGED || r.pool == D3DPOOL_SCRATCH)
            return refuse(D3DERR_INVALIDCALL, "a dynamic texture cannot be managed or scratch");
    }
    return D3D_OK;
}

HRESULT checkFormat(const TextureRequest& r, uint32_t profile) {
    const FormatLayout* layout = findFormatLayout(r.format);
    if (layout == nullptr)
        return refuse(D3DERR_NOTAVAILABLE, "format %u cannot be stored", unsigned(r.format));
    if (r.pool != D3DPOOL_SCRATCH &&
        FAILED(checkResourceFormat(profile, r.usage & D3DUSAGE_DYNAMIC, r.type, r.format)))
        return refuse(D3DERR_NOTAVAILABLE, "format %u is not offered for this texture",
                      unsigned(r.format));
    if (layout->storage == Storage::Block && (r.width % 4 != 0 || r.height % 4 != 0))
        return refuse(D3DERR_INVALIDCALL,
                      "a block-compressed texture is a whole number of 4x4 blocks, not %ux%u",
                      r.width, r.height);
    return D3D_OK;
}

HRESULT checkSize(const TextureRequest& r, const D3DCAPS8& caps) {
    if (r.width == 0 || r.height == 0 || r.depth == 0)
        return refuse(D3DERR_INVALIDCALL, "a texture of %ux%ux%u is empty", r.width, r.height,
                      r.depth);
    if (r.pool == D3DPOOL_SCRATCH) {
        if (r.width > MaxSurfaceExtent || r.height > MaxSurfaceExtent || r.depth > MaxSurfaceExtent)
            return refuse(D3DERR_INVALIDCALL, "a scratch texture of %ux%ux%u is too large", r.width,
                          r.height, r.depth);
        return D3D_OK;
    }
    if (r.type == D3DRTYPE_VOLUMETEXTURE) {
        if (r.width > caps.MaxVolumeExtent || r.height > caps.MaxVolumeExtent ||
            r.depth > caps.MaxVolumeExtent)
            return refuse(D3DERR_INVALIDCALL, "a volume of %ux%ux%u exceeds the extent %u", r.width,
                          r.height, r.depth, caps.MaxVolumeExtent);
        return D3D_OK;
    }
    if (r.width > caps.MaxTextureWidth || r.height > caps.MaxTextureHeight)
        return refuse(D3DERR_INVALIDCALL, "a texture of %ux%u exceeds the maximum %ux%u", r.width,
                      r.height, caps.MaxTextureWidth, caps.MaxTextureHeight);
    if (r.type != D3DRTYPE_TEXTURE)
        return D3D_OK;
    const DWORD textureCaps = caps.TextureCaps;
    if ((textureCaps & D3DPTEXTURECAPS_SQUAREONLY) && r.width != r.height)
        return refuse(D3DERR_INVALIDCALL, "the device takes square textures only, not %ux%u",
                      r.width, r.height);
    const uint64_t ratio = caps.MaxTextureAspectRatio;
    if (ratio != 0 && (r.width > ratio * r.height || r.height > ratio * r.width))
        return refuse(D3DERR_INVALIDCALL, "a %ux%u texture exceeds the aspect ratio %u", r.width,
                      r.height, caps.MaxTextureAspectRatio);
    const bool powers = isPowerOfTwo(r.width) && isPowerOfTwo(r.height);
    if ((textureCaps & D3DPTEXTURECAPS_POW2) && !powers &&
        !(textureCaps & D3DPTEXTURECAPS_NONPOW2CONDITIONAL))
        return refuse(D3DERR_INVALIDCALL, "the device takes powers of two only, not %ux%u", r.width,
                      r.height);
    return D3D_OK;
}

// Resolves the level count: 0 is the full chain where mip maps are possible, else 1.
HRESULT resolveLevels(const TextureRequest& r, const D3DCAPS8& caps, UINT* levels) {
    const UINT full =
        fullChainLength(r.width, r.height, r.type == D3DRTYPE_VOLUMETEXTURE ? r.depth : 1);
    if (r.levels > full)
        return refuse(D3DERR_INVALIDCALL, "%u levels for a %ux%ux%u texture; at most %u", r.levels,
                      r.width, r.height, r.depth, full);
    bool mipmaps = true;
    if (r.pool != D3DPOOL_SCRATCH && r.type == D3DRTYPE_TEXTURE) {
        const bool powers = isPowerOfTwo(r.width) && isPowerOfTwo(r.height);
        if (!(caps.TextureCaps & D3DPTEXTURECAPS_MIPMAP))
            mipmaps = false;
        if ((caps.TextureCaps & D3DPTEXTURECAPS_NONPOW2CONDITIONAL) && !powers)
            mipmaps = false;
    }
    if (!mipmaps && r.levels > 1)
        return refuse(D3DERR_INVALIDCALL, "a %ux%u texture cannot have mip levels here", r.width,
                      r.height);
    *levels = r.levels != 0 ? r.levels : mipmaps ? full : 1;
    return D3D_OK;
}

HRESULT checkTextureRequest(const TextureRequest& r, uint32_t profile, const D3DCAPS8& caps,
                            UINT* levels) {
    HRESULT hr = checkUsageAndPool(r, caps);
    if (SUCCEEDED(hr))
        hr = checkSize(r, caps);
    if (SUCCEEDED(hr))
        hr = checkFormat(r, profile);
    if (SUCCEEDED(hr))
        hr = resolveLevels(r, caps, levels);
    return hr;
}

} // namespace

HRESULT Device::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format,
                              D3DPOOL Pool, IDirect3DTexture8** ppTexture) {
    if (ppTexture == nullptr)
        return refuse(D3DERR_INVALIDCALL, "CreateTexture without an output");
    const TextureRequest request = {D3DRTYPE_TEXTURE, Width, Height, 1,
                                    Levels,           Usage, Format, Pool};
    UINT levels = 0;
    HRESULT hr = checkTextureRequest(request, profile_, caps_, &levels);
    if (FAILED(hr))
        return hr;
    Texture* texture = nullptr;
    hr = Texture::create(this, Width, Height, levels, Usage, Format, Pool, &texture);
    if (FAILED(hr))
        return hr;
    *ppTexture = texture;
    return D3D_OK;
}

HRESULT Device::CreateVolumeTexture(UINT Width, UINT Height, UINT Depth, UINT Levels, DWORD Usage,
                                    D3DFORMAT Format, D3DPOOL Pool,
                                    IDirect3DVolumeTexture8** ppVolumeTexture) {
    if (ppVolumeTexture == nullptr)
        return refuse(D3DERR_INVALIDCALL, "CreateVolumeTexture without an output");
    const TextureRequest request = {
        D3DRTYPE_VOLUMETEXTURE, Width, Height, Depth, Levels, Usage, Format, Pool};
    UINT levels = 0;
    HRESULT hr = checkTextureRequest(request, profile_, caps_, &levels);
    if (FAILED(hr))
        return hr;
    VolumeTexture* texture = nullptr;
    hr = VolumeTexture::create(this, Width, Height, Depth, levels, Usage, Format, Pool, &texture);
    if (FAILED(hr))
        return hr;
    *ppVolumeTexture = texture;
    return D3D_OK;
}

HRESULT Device::CreateCubeTexture(UINT EdgeLength, UINT Levels, DWORD Usage, D3DFORMAT Format,
                                  D3DPOOL Pool, IDirect3DCubeTexture8** ppCubeTexture) {
    if (ppCubeTexture == nullptr)
        return refuse(D3DERR_INVALIDCALL, "CreateCubeTexture without an output");
    const TextureRequest request = {
        D3DRTYPE_CUBETEXTURE, EdgeLength, EdgeLength, 1, Levels, Usage, Format, Pool};
    UINT levels = 0;
    HRESULT hr = checkTextureRequest(request, profile_, caps_, &levels);
    if (FAILED(hr))
        return hr;
    CubeTexture* texture = nullptr;
    hr = CubeTexture::create(this, EdgeLength, levels, Usage, Format, Pool, &texture);
    if (FAILED(hr))
        return hr;
    *ppCubeTexture = texture;
    return D3D_OK;
}

HRESULT Device::CreateImageSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                   IDirect3DSurface8** ppSurface) {
    if (ppSurface == nullptr)
        return refuse(D3DERR_INVALIDCALL, "CreateImageSurface without an output");
    if (Width == 0 || Height == 0 || Width > MaxSurfaceExtent || Height > MaxSurfaceExtent)
        return refuse(D3DERR_INVALIDCALL, "an image surface of %ux%u is not possible", Width,
                      Height);
    const FormatLayout* layout = findFormatLayout(Format);
    if (layout == nullptr)
        return refuse(D3DERR_NOTAVAILABLE, "format %u cannot be stored", unsigned(Format));
    if (layout->storage == Storage::Block && (Width % 4 != 0 || Height % 4 != 0))
        return refuse(D3DERR_INVALIDCALL,
                      "a block-compressed surface is a whole number of 4x4 blocks, not %ux%u",
                      Width, Height);
    const Surface::Params params = {Format, Width, Height, 0, D3DPOOL_SYSTEMMEM, true};
    Surface* surface = nullptr;
    const HRESULT hr = Surface::create(this, nullptr, params, &surface);
    if (FAILED(hr))
        return hr;
    *ppSurface = surface;
    return D3D_OK;
}

} // namespace d3d8
