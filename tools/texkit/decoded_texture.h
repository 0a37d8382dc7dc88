// A texture file decoded to 32-bit ARGB words: every level of every face (or of a volume), as
// compare and sheet look at them. Nothing goes through a device: the blit engine decodes each
// level straight from the file's bytes, so the levels are exactly what the file holds.
#pragma once

#include "d3d8.h"
#include "texture/image_info.h"

#include <cstdint>
#include <string>
#include <vector>

// One level of one face: `depth` slices of width x height words (0xAARRGGBB), slice after
// slice, rows top to bottom, no padding.
struct DecodedLevel {
    UINT width = 0;
    UINT height = 0;
    UINT depth = 1;
    std::vector<uint32_t> argb;

    uint32_t at(UINT x, UINT y, UINT z = 0) const {
        return argb[(size_t(z) * height + y) * width + x];
    }
};

struct DecodedTexture {
    D3DRESOURCETYPE type = D3DRTYPE_TEXTURE;
    D3DFORMAT format = D3DFMT_UNKNOWN; // as the file stores level 0
    std::vector<std::vector<DecodedLevel>> faces; // faces[face][level]; one face unless a cube

    UINT levelCount() const { return faces.empty() ? 0 : UINT(faces[0].size()); }
    UINT faceCount() const { return UINT(faces.size()); }
};

// Decodes the whole file. InvalidData (as the loader answers) when no decoder accepts it, the
// blit engine's code when a level's format cannot be read; *reason says it in words.
HRESULT decodeTextureFile(const std::string& path, DecodedTexture* out, std::string* reason);
