// What a verb asks the texture loader for, and the options that say it: size, levels,
// format, filters, colour key, the block encoder and the device's capability profile. The
// defaults are the game's own request; each verb may start from others.
#pragma once

#include "blit/blit_surface.h"
#include "d3d8.h"
#include "tools/texkit/command_line.h"

#include <cstdint>
#include <span>

struct TextureRequest {
    UINT width = 0xFFFFFFFFu; // the image's
    UINT height = 0xFFFFFFFFu;
    UINT levels = 0; // the full chain
    DWORD usage = 0;
    D3DFORMAT format = D3DFMT_A8R8G8B8;
    D3DPOOL pool = D3DPOOL_MANAGED;
    ImageFilter filter = FilterNone;
    ImageFilter mipFilter = FilterDefault;
    D3DCOLOR colorKey = 0xFFFF00FF;
    bool profileGiven = false;
    uint32_t profile = 0;
    bool highQualityBlocks = false; // --quality high: the high-quality block encoder
    ImageFilter blockLevel = 0;     // --quality fast or best: FilterFastBlocks, FilterBestBlocks

    // The filter words handed to the loader: the request's own, with FilterHighQualityBlocks
    // when asked. A default word cannot carry the flag, so it is resolved first to what the
    // loader would take for it (triangle with dither when scaling, box for the mip levels).
    ImageFilter filterWord() const;
    ImageFilter mipFilterWord() const;
};

// The pool a texture of `format` is made in to keep that format: managed where the device
// samples it, else scratch (BC4, BC5, BC7 and any block format a profile leaves out), as
// Direct3D makes textures no device uses; the managed pool would have the loader turn it into
// a format the device samples. A scratch texture keeps its size whatever the device's limits.
D3DPOOL storagePoolFor(IDirect3DDevice8* device, D3DFORMAT format, D3DRESOURCETYPE type);

// --format, --width, --height, --levels, --filter, --mip-filter, --key, --profile and
// --quality.
std::span<const OptionRow<TextureRequest>> requestOptionTable();
