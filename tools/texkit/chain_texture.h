// Textures whose lower levels (and resized top level) come from blit's mip chain builder: the
// loader makes level 0 in the texture's format as it always does, a copy of the picture in
// A8R8G8B8 feeds the builder, and each level it makes is converted into the texture.
#pragma once

#include "blit/mip_chain.h"
#include "d3d8.h"
#include "texture/image_decoder.h"
#include "tools/texkit/chain_request.h"

#include <string>

// A texture of the request (pool managed) from a decoded picture; on failure *reason may say
// why in words (else the result code does).
HRESULT createChainTexture(IDirect3DDevice8* device, const ImageDecoder& image,
                           const ChainRequest& request, IDirect3DTexture8** texture,
                           std::string* reason);

// The A8R8G8B8 texels of a surface of that format.
HRESULT readArgbSurface(IDirect3DSurface8* surface, ArgbImage* image);
// The levels below a level 0 already in place: `levelSurface` gives level L's surface (one
// reference) for L from 1; each is written from the builder's level through the blit engine
// with `filterWord` (FilterNone, with the high-quality block flag when asked).
template <typename LevelSurface>
HRESULT writeLowerLevels(const ArgbImage& top, UINT levels, const MipChainOptions& options,
                         ImageFilter filterWord, LevelSurface levelSurface);
HRESULT writeArgbLevel(IDirect3DSurface8* surface, const ArgbImage& level, ImageFilter filterWord);

template <typename LevelSurface>
HRESULT writeLowerLevels(const ArgbImage& top, UINT levels, const MipChainOptions& options,
                         ImageFilter filterWord, LevelSurface levelSurface) {
    if (levels <= 1)
        return D3D_OK;
    std::vector<ArgbImage> lower;
    if (!buildMipChain(top, levels, options, &lower))
        return E_OUTOFMEMORY;
    for (UINT level = 1; level < levels && level - 1 < lower.size(); ++level) {
        IDirect3DSurface8* surface = nullptr;
        HRESULT hr = levelSurface(level, &surface);
        if (SUCCEEDED(hr)) {
            hr = writeArgbLevel(surface, lower[level - 1], filterWord);
            surface->Release();
        }
        if (FAILED(hr))
            return hr;
    }
    return D3D_OK;
}
