// What a verb asks the texture loader for, and the options that say it: size, levels,
// format, filters, colour key and the device's capability profile. The defaults are the
// game's own request; each verb may start from others.
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
};

// --format, --width, --height, --levels, --filter, --mip-filter, --key and --profile.
std::span<const OptionRow<TextureRequest>> requestOptionTable();
