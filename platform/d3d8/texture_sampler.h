// Texture sampling for the rasteriser: the 32-bit ARGB image of a texture level, texel
// addressing (wrap, mirror, clamp, border, mirror once) and point or bilinear filtering with
// 8-bit weights.
#pragma once

#include "d3d8.h"

#include <cstddef>
#include <cstdint>

namespace d3d8 {

class Surface;

struct SampleImage {
    const uint32_t* pixels = nullptr; // ARGB words, top row first
    size_t pitch = 0;                 // words from one row to the next
    int width = 0;
    int height = 0;

    const uint32_t* row(int y) const { return pixels + size_t(y) * pitch; }
};

// The level as ARGB words: the level's own memory for D3DFMT_A8R8G8B8, else a converted copy
// kept with the surface and renewed when the level changed. E_OUTOFMEMORY without memory.
HRESULT prepareSampleImage(Surface& surface, SampleImage* out);

struct Sampler {
    SampleImage image;
    bool linear = false; // bilinear, else nearest texel
    D3DTEXTUREADDRESS addressU = D3DTADDRESS_WRAP;
    D3DTEXTUREADDRESS addressV = D3DTADDRESS_WRAP;
    uint32_t border = 0;
};

// Samples n texels at texel coordinates (s[i], t[i]), where texel centres lie on integers:
// s = u * width - 0.5 and t = v * height - 0.5.
void sampleTexels(const Sampler& sampler, const double* s, const double* t, int n, uint32_t* out);

// The same for a row of texels on one t: s = s0 + ds * i for i in 0 .. n - 1. The row is
// addressed once, which an axis-aligned quad allows.
void sampleRow(const Sampler& sampler, double s0, double ds, double t, int n, uint32_t* out);

} // namespace d3d8
