// What compare measures beside the errors: a level's alpha-tested coverage, and the angles
// between the normals two normal maps hold.
#pragma once

#include "tools/texkit/decoded_texture.h"

#include <cstdint>

// Share of the level's texels (every face and slice) with alpha >= reference.
double levelCoverage(const DecodedTexture& texture, UINT level, uint8_t reference);

struct NormalAngles {
    double meanDegrees = 0;
    double largestDegrees = 0;
};

// Red, green, blue read as vectors (0..255 for -1..1), each made unit length; the angle
// between the two files' vectors at every texel of the level. Both levels are the same size.
// A file that stores red and green only (BC5, G16R16) has z rebuilt from x and y.
NormalAngles normalAngles(const DecodedTexture& a, const DecodedTexture& b, UINT level);
