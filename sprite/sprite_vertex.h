// The two vertex layouts of the sprite batch: pretransformed screen positions, or positions
// in pixels that the batch's world matrix takes to clip space.
#pragma once

#include "d3d8.h"

struct SpriteVertexTransformed {
    float x, y, z, rhw;
    D3DCOLOR color;
    float u, v;
};
static_assert(sizeof(SpriteVertexTransformed) == 28);
inline constexpr DWORD SpriteVertexTransformedFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
static_assert(SpriteVertexTransformedFvf == 0x144);

struct SpriteVertex {
    float x, y, z;
    D3DCOLOR color;
    float u, v;
};
static_assert(sizeof(SpriteVertex) == 24);
inline constexpr DWORD SpriteVertexFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
static_assert(SpriteVertexFvf == 0x142);
