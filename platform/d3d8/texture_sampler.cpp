// Texel addressing and filtering. Bilinear weights are the fractions of the texel coordinates
// rounded to 1/256, so a coordinate within 1/512 of a texel centre reads that texel exactly.
#include "d3d8/texture_sampler.h"

#include "d3d8/surface.h"
#include "d3d8/texel_decode.h"

#include <cmath>
#include <new>

namespace d3d8 {

namespace {

// Keeps coordinates where the integer conversion is defined; NaN reads texel 0.
double tame(double coordinate) {
    if (!(coordinate > -1.0e9))
        return coordinate != coordinate ? 0.0 : -1.0e9;
    return coordinate < 1.0e9 ? coordinate : 1.0e9;
}

// The texel index for an address mode, or -1 for the border colour.
int address(int64_t index, int size, D3DTEXTUREADDRESS mode) {
    switch (mode) {
    case D3DTADDRESS_WRAP: {
        const int64_t wrapped = index % size;
        return int(wrapped < 0 ? wrapped + size : wrapped);
    }
    case D3DTADDRESS_MIRROR: {
        int64_t period = index % (2 * int64_t(size));
        if (period < 0)
            period += 2 * int64_t(size);
        return int(period < size ? period : 2 * int64_t(size) - 1 - period);
    }
    case D3DTADDRESS_BORDER:
        return index < 0 || index >= size ? -1 : int(index);
    case D3DTADDRESS_MIRRORONCE:
        if (index < 0)
            index = -1 - index;
        return int(index < size ? index : size - 1);
    case D3DTADDRESS_CLAMP:
    default:
        return int(index < 0 ? 0 : index >= size ? size - 1 : index);
    }
}

uint32_t texel(const Sampler& sampler, int64_t x, int64_t y) {
    const int ax = address(x, sampler.image.width, sampler.addressU);
    const int ay = address(y, sampler.image.height, sampler.addressV);
    if (ax < 0 || ay < 0)
        return sampler.border;
    return sampler.image.row(ay)[ax];
}

uint32_t bilinear(uint32_t t00, uint32_t t10, uint32_t t01, uint32_t t11, uint32_t fx,
                  uint32_t fy) {
    uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t top = ((t00 >> shift) & 0xFF) * (256 - fx) + ((t10 >> shift) & 0xFF) * fx;
        const uint32_t bottom = ((t01 >> shift) & 0xFF) * (256 - fx) + ((t11 >> shift) & 0xFF) * fx;
        result |= ((top * (256 - fy) + bottom * fy + 32768) >> 16) << shift;
    }
    return result;
}

// Splits a coordinate into a texel index and a weight of 0 to 255 for the next texel.
void split(double coordinate, int64_t* index, uint32_t* weight) {
    const double floor = std::floor(coordinate);
    *index = int64_t(floor);
    *weight = uint32_t((coordinate - floor) * 256.0 + 0.5);
    if (*weight == 256) {
        ++*index;
        *weight = 0;
    }
}

} // namespace

HRESULT prepareSampleImage(Surface& surface, SampleImage* out) {
    const LevelStore& level = surface.store();
    out->width = int(level.width());
    out->height = int(level.height());
    if (level.format() == D3DFMT_A8R8G8B8) {
        out->pixels = level.words();
        out->pitch = level.geometry().rowPitch / 4;
        return D3D_OK;
    }
    Surface::SampleCopy& copy = surface.sampleCopy();
    if (copy.pixels == nullptr) {
        copy.pixels.reset(new (std::nothrow) uint32_t[size_t(level.width()) * level.height()]);
        if (copy.pixels == nullptr)
            return E_OUTOFMEMORY;
        copy.version = ~level.version();
    }
    if (copy.version != level.version()) {
        decodeLevelToArgb(level, copy.pixels.get(), level.width());
        copy.version = level.version();
    }
    out->pixels = copy.pixels.get();
    out->pitch = level.width();
    return D3D_OK;
}

void sampleTexels(const Sampler& sampler, const double* s, const double* t, int n, uint32_t* out) {
    if (!sampler.linear) {
        for (int i = 0; i < n; ++i)
            out[i] = texel(sampler, int64_t(std::floor(tame(s[i]) + 0.5)),
                           int64_t(std::floor(tame(t[i]) + 0.5)));
        return;
    }
    for (int i = 0; i < n; ++i) {
        int64_t x, y;
        uint32_t fx, fy;
        split(tame(s[i]), &x, &fx);
        split(tame(t[i]), &y, &fy);
        if (fx == 0 && fy == 0) {
            out[i] = texel(sampler, x, y);
            continue;
        }
        out[i] = bilinear(texel(sampler, x, y), texel(sampler, x + 1, y), texel(sampler, x, y + 1),
                          texel(sampler, x + 1, y + 1), fx, fy);
    }
}

} // namespace d3d8
