// The texture of a chain request: level 0 through the loader, the rest through the builder.
#include "tools/texkit/chain_texture.h"

#include "blit/com_ref.h"
#include "blit/pixel_format.h"
#include "blit/surface_load.h"
#include "texture/texture_loader.h"

#include <cstring>

namespace {

ImageFilter blockFlag(const ChainRequest& request) {
    return request.highQualityBlocks ? ImageFilter(FilterHighQualityBlocks) : ImageFilter(0);
}

// The picture in A8R8G8B8 at width x height (the loader's scaling and colour key applied).
HRESULT loadArgb(IDirect3DDevice8* device, const ImageDecoder& image, UINT width, UINT height,
                 ImageFilter filter, D3DCOLOR colorKey, ArgbImage* argb) {
    ComRef<IDirect3DTexture8> texture;
    HRESULT hr = createTextureFromImage(device, image, width, height, 1, 0, D3DFMT_A8R8G8B8,
                                        D3DPOOL_SYSTEMMEM, filter, FilterNone, colorKey, nullptr,
                                        texture.out());
    ComRef<IDirect3DSurface8> surface;
    if (SUCCEEDED(hr))
        hr = texture->GetSurfaceLevel(0, surface.out());
    return SUCCEEDED(hr) ? readArgbSurface(surface.get(), argb) : hr;
}

bool holdsVectors(D3DFORMAT format) {
    const PixelFormatInfo& info = getFormatInfo(format);
    return info.category != Luminance && info.redBits != 0 && info.greenBits != 0 &&
           info.blueBits != 0;
}

} // namespace

HRESULT readArgbSurface(IDirect3DSurface8* surface, ArgbImage* image) {
    D3DSURFACE_DESC desc = {};
    HRESULT hr = surface->GetDesc(&desc);
    if (FAILED(hr))
        return hr;
    if (desc.Format != D3DFMT_A8R8G8B8)
        return D3DERR_INVALIDCALL;
    D3DLOCKED_RECT locked = {};
    hr = surface->LockRect(&locked, nullptr, D3DLOCK_READONLY);
    if (FAILED(hr))
        return hr;
    image->width = desc.Width;
    image->height = desc.Height;
    image->texels.resize(size_t(desc.Width) * desc.Height);
    for (UINT y = 0; y < desc.Height; ++y)
        std::memcpy(&image->texels[size_t(y) * desc.Width],
                    static_cast<const uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch,
                    size_t(desc.Width) * 4);
    surface->UnlockRect();
    return D3D_OK;
}

HRESULT writeArgbLevel(IDirect3DSurface8* surface, const ArgbImage& level, ImageFilter filterWord) {
    const RECT whole = {0, 0, LONG(level.width), LONG(level.height)};
    return loadSurfaceFromMemory(surface, nullptr, nullptr, level.texels.data(), D3DFMT_A8R8G8B8,
                                 level.width * 4, nullptr, &whole, filterWord, 0);
}

HRESULT createChainTexture(IDirect3DDevice8* device, const ImageDecoder& image,
                           const ChainRequest& request, IDirect3DTexture8** texture,
                           std::string* reason) {
    // Level 0 in the texture's format, as a load makes it: it settles size and format.
    const ImageFilter scaling = request.resizeKernel ? ImageFilter(FilterTriangle) : request.filterWord();
    ComRef<IDirect3DTexture8> first;
    HRESULT hr = createTextureFromImage(device, image, request.width, request.height, 1, 0,
                                        request.format, D3DPOOL_MANAGED, scaling, FilterNone,
                                        request.colorKey, nullptr, first.out());
    if (FAILED(hr))
        return hr;
    D3DSURFACE_DESC top = {};
    first->GetLevelDesc(0, &top);
    if (request.normalMap && !holdsVectors(top.Format)) {
        *reason = "--normal-map needs red, green and blue channels; the picture has fewer";
        return D3DERR_INVALIDCALL;
    }
    UINT width = top.Width, height = top.Height, levels = request.levels;
    D3DFORMAT format = top.Format;
    hr = checkRequirements(device, &width, &height, &levels, 0, &format, D3DPOOL_MANAGED);
    ComRef<IDirect3DTexture8> created;
    if (SUCCEEDED(hr))
        hr = device->CreateTexture(width, height, levels, 0, format, D3DPOOL_MANAGED,
                                   created.out());
    if (FAILED(hr))
        return hr;

    const MipChainOptions options = request.chainOptions(format);
    ArgbImage argb;
    ComRef<IDirect3DSurface8> level0;
    hr = created->GetSurfaceLevel(0, level0.out());
    if (SUCCEEDED(hr) && request.resizeKernel && (width != image.width || height != image.height)) {
        ArgbImage picture;
        hr = loadArgb(device, image, 0, 0, FilterNone, request.colorKey, &picture);
        MipChainOptions resizing = options;
        resizing.kernel = *request.resizeKernel;
        if (SUCCEEDED(hr) && !resampleImage(picture, width, height, resizing, &argb))
            hr = E_OUTOFMEMORY;
        if (SUCCEEDED(hr))
            hr = writeArgbLevel(level0.get(), argb, FilterNone | blockFlag(request));
    } else if (SUCCEEDED(hr)) {
        hr = loadArgb(device, image, width, height, scaling, request.colorKey, &argb);
        ComRef<IDirect3DSurface8> made;
        if (SUCCEEDED(hr))
            hr = first->GetSurfaceLevel(0, made.out());
        if (SUCCEEDED(hr))
            hr = loadSurfaceFromSurface(level0.get(), nullptr, nullptr, made.get(), nullptr,
                                        nullptr, FilterNone, 0);
    }
    if (SUCCEEDED(hr))
        hr = writeLowerLevels(argb, created->GetLevelCount(), options, FilterNone | blockFlag(request),
                              [&created](UINT level, IDirect3DSurface8** surface) {
                                  return created->GetSurfaceLevel(level, surface);
                              });
    if (FAILED(hr))
        return hr;
    created->AddRef();
    *texture = created.get();
    return D3D_OK;
}
