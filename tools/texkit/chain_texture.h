// Textures whose lower levels (and resized top level) come from blit's mip chain builder: the
// loader settles the texture's size and format and makes level 0 as a load does, a copy of the
// picture in A8R8G8B8 feeds the builder, and each level it makes is converted into its format.
// A block format keeps the picture's own size: each level is an image surface of whole blocks,
// its last row and column of blocks padded with the edge texels.
#pragma once

#include "blit/com_ref.h"
#include "blit/mip_chain.h"
#include "d3d8.h"
#include "texture/image_decoder.h"
#include "tools/texkit/chain_request.h"

#include <string>
#include <vector>

struct ChainLevels {
    UINT width = 0; // of level 0, as the picture (or the request) has it
    UINT height = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    // Level L is max(1, width >> L) x max(1, height >> L) texels at the top left of its
    // surface; a block format's surface is rounded up to whole blocks.
    std::vector<ComRef<IDirect3DSurface8>> levels;
};

// The levels of the request from a decoded picture; on failure *reason may say why in words
// (else the result code does).
HRESULT createChainLevels(IDirect3DDevice8* device, const ImageDecoder& image,
                          const ChainRequest& request, ChainLevels* out, std::string* reason);

// A picture that brings its own levels, in a block format whose whole blocks would move its
// size: each level as the load makes it in A8R8G8B8 at the kept size, written into a block
// surface with its edges padded. S_FALSE, with nothing made, when whole blocks keep the size.
HRESULT createStoredLevels(IDirect3DDevice8* device, const ImageDecoder& image,
                           const ChainRequest& request, ChainLevels* out);

// A picture of 16 bits a channel as 0xAAAARRRRGGGGBBBB words, when a chain may start from it:
// the picture whole at width x height, no colour key (keys are 8-bit values), rows in memory.
// False otherwise, and for 8-bit pictures.
bool wideTexels(const ImageDecoder& image, D3DCOLOR colorKey, UINT width, UINT height,
                WideArgbImage* wide);

// The A8R8G8B8 texels of a surface of that format.
HRESULT readArgbSurface(IDirect3DSurface8* surface, ArgbImage* image);
// Writes `level` into the top left of `surface` through the blit engine with `filterWord`; the
// surface's texels beyond it (a block format's padding) repeat the level's edge texels.
HRESULT writeArgbLevel(IDirect3DSurface8* surface, const ArgbImage& level, ImageFilter filterWord);

// The levels below a level 0 already in place, from `top` (an ArgbImage, or a WideArgbImage of
// 16 bits a channel): `levelSurface` gives level L's surface (one reference) for L from 1; each
// is written from the builder's level with `filterWord`.
template <typename Picture, typename LevelSurface>
HRESULT writeLowerLevels(const Picture& top, UINT levels, const MipChainOptions& options,
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
