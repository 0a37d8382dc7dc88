// Texel addressing and filtering. Bilinear weights are the fractions of the texel coordinates
// rounded to 1/256, so a coordinate within 1/512 of a texel centre reads that texel exactly.
// Rows of axis-aligned quads are filtered with SSE2, which every x86-64 processor has.
#include "d3d8/texture_sampler.h"
#include "d3d8/refusal.h"

#include "d3d8/surface.h"
#include "d3d8/texel_decode.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <emmintrin.h>
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

// Two channels of a texel in one word, at bits 0 and 32: blue and red, or green and alpha.
uint64_t blueRed(uint32_t c) {
    return (c & 0xFF) | uint64_t((c >> 16) & 0xFF) << 32;
}
uint64_t greenAlpha(uint32_t c) {
    return ((c >> 8) & 0xFF) | uint64_t(c >> 24) << 32;
}

// round-half-up of the weighted sum / 65536 per channel, two channels per word: each lane stays
// below 2^24, so the lanes never meet, and a lane's result ends at its own bit 0 or 32.
uint32_t bilinear(uint32_t t00, uint32_t t10, uint32_t t01, uint32_t t11, uint32_t fx,
                  uint32_t fy) {
    const uint64_t gx = 256 - fx, gy = 256 - fy;
    const auto lerp = [&](uint64_t a00, uint64_t a10, uint64_t a01, uint64_t a11) {
        const uint64_t top = a00 * gx + a10 * fx, bottom = a01 * gx + a11 * fx;
        return (top * gy + bottom * fy + 0x0000800000008000ull) >> 16;
    };
    const uint64_t br = lerp(blueRed(t00), blueRed(t10), blueRed(t01), blueRed(t11));
    const uint64_t ga = lerp(greenAlpha(t00), greenAlpha(t10), greenAlpha(t01), greenAlpha(t11));
    return uint32_t(br & 0xFF) | uint32_t(ga & 0xFF) << 8 | uint32_t((br >> 32) & 0xFF) << 16 |
           uint32_t((ga >> 32) & 0xFF) << 24;
}

// Columns a row may blend ahead: a chunk of pixels at up to two texels per pixel.
constexpr int64_t MaxRowColumns = 2 * 256 + 4;

// floor() of a tamed coordinate, without a library call.
int64_t floorOf(double coordinate) {
    const int64_t truncated = int64_t(coordinate);
    return double(truncated) > coordinate ? truncated - 1 : truncated;
}

// Splits a coordinate into a texel index and a weight of 0 to 255 for the next texel.
void split(double coordinate, int64_t* index, uint32_t* weight) {
    *index = floorOf(coordinate);
    *weight = uint32_t((coordinate - double(*index)) * 256.0 + 0.5);
    if (*weight == 256) {
        ++*index;
        *weight = 0;
    }
}

// Each column of two rows, channel by channel: upper * (256 - fy) + lower * fy, at most
// 255 * 256, so it fits a 16-bit lane. Two columns per step.
void blendRows(const uint32_t* upper, const uint32_t* lower, int columns, uint32_t fy,
               uint16_t (*blended)[4]) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i upperWeight = _mm_set1_epi16(int16_t(256 - fy));
    const __m128i lowerWeight = _mm_set1_epi16(int16_t(fy));
    const auto blend = [&](__m128i top, __m128i bottom) {
        return _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(top, zero), upperWeight),
                             _mm_mullo_epi16(_mm_unpacklo_epi8(bottom, zero), lowerWeight));
    };
    int k = 0;
    for (; k + 2 <= columns; k += 2)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(blended[k]),
                         blend(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(upper + k)),
                               _mm_loadl_epi64(reinterpret_cast<const __m128i*>(lower + k))));
    if (k < columns)
        _mm_storel_epi64(reinterpret_cast<__m128i*>(blended[k]),
                         blend(_mm_cvtsi32_si128(int(upper[k])), _mm_cvtsi32_si128(int(lower[k]))));
}

// The products of 16-bit lanes as the 32-bit lanes of the low and the high four.
__m128i productsLow(__m128i a, __m128i b) {
    return _mm_unpacklo_epi16(_mm_mullo_epi16(a, b), _mm_mulhi_epu16(a, b));
}
__m128i productsHigh(__m128i a, __m128i b) {
    return _mm_unpackhi_epi16(_mm_mullo_epi16(a, b), _mm_mulhi_epu16(a, b));
}

// Two output texels, each channel of left * leftWeight + right * rightWeight rounded half up
// from sixteen fraction bits; the low half of each register is the first texel's.
void blendColumns(__m128i left, __m128i right, __m128i leftWeight, __m128i rightWeight,
                  uint32_t* out) {
    const __m128i half = _mm_set1_epi32(0x8000);
    const __m128i first = _mm_srli_epi32(
        _mm_add_epi32(_mm_add_epi32(productsLow(left, leftWeight), productsLow(right, rightWeight)),
                      half),
        16);
    const __m128i second = _mm_srli_epi32(
        _mm_add_epi32(
            _mm_add_epi32(productsHigh(left, leftWeight), productsHigh(right, rightWeight)), half),
        16);
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(first, second), _mm_setzero_si128());
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), bytes);
}

// Two output texels from blended columns: column a with a + 1 weighted by fa, column b with
// b + 1 by fb, each channel rounded half up from sixteen fraction bits.
void blendColumnPairs(const uint16_t* a, const uint16_t* b, uint32_t fa, uint32_t fb,
                      uint32_t* out) {
    const auto columns = [](const uint16_t* first, const uint16_t* second) {
        return _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(first)),
                                  _mm_loadl_epi64(reinterpret_cast<const __m128i*>(second)));
    };
    const int16_t ga = int16_t(256 - fa), gb = int16_t(256 - fb);
    const __m128i leftWeight = _mm_set_epi16(gb, gb, gb, gb, ga, ga, ga, ga);
    const __m128i rightWeight = _mm_set_epi16(int16_t(fb), int16_t(fb), int16_t(fb), int16_t(fb),
                                              int16_t(fa), int16_t(fa), int16_t(fa), int16_t(fa));
    blendColumns(columns(a, b), columns(a + 4, b + 4), leftWeight, rightWeight, out);
}

// Pixels whose coordinates are a whole number of texels apart share one weight and read
// neighbouring columns: two pixels per step straight from the blended columns.
void blendNeighbouringColumns(const uint16_t (*blended)[4], int n, uint32_t fx, uint32_t* out) {
    const __m128i leftWeight = _mm_set1_epi16(int16_t(256 - fx));
    const __m128i rightWeight = _mm_set1_epi16(int16_t(fx));
    const auto load = [&](int column) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(blended[column]));
    };
    int i = 0;
    for (; i + 2 <= n; i += 2)
        blendColumns(load(i), load(i + 1), leftWeight, rightWeight, out + i);
    if (i < n) {
        uint32_t two[2];
        blendColumnPairs(blended[i], blended[i], fx, fx, two);
        out[i] = two[0];
    }
}

// True when s0 + i is exact for every i < n, so that every pixel of a one-texel step has the
// weight of the first. Each sum is a multiple of s0's lowest bit and none is larger than s0 or
// the last sum, so it suffices that the last sum is exact: the exact error of a two-sum is 0.
bool exactWholeSteps(double s0, int n) {
    const double steps = double(n - 1);
    const double sum = s0 + steps;
    const double stepsPart = sum - s0;
    const double startPart = sum - stepsPart;
    return (s0 - startPart) + (steps - stepsPart) == 0.0;
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
            return refuse(E_OUTOFMEMORY, "no memory for the sampled copy of a texture level");
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

void sampleRow(const Sampler& sampler, double s0, double ds, double t, int n, uint32_t* out) {
    const SampleImage& image = sampler.image;
    // The texel of (x, y) on a row addressed once; -1 addresses the border.
    const auto tap = [&](int row, int64_t x) {
        const int ax = address(x, image.width, sampler.addressU);
        return row < 0 || ax < 0 ? sampler.border : image.row(row)[ax];
    };
    if (!sampler.linear) {
        const int row = address(floorOf(tame(t) + 0.5), image.height, sampler.addressV);
        for (int i = 0; i < n; ++i)
            out[i] = tap(row, floorOf(tame(s0 + ds * i) + 0.5));
        return;
    }
    int64_t y;
    uint32_t fy;
    split(tame(t), &y, &fy);
    const int row0 = address(y, image.height, sampler.addressV);
    const int row1 = address(y + 1, image.height, sampler.addressV);

    // Columns the row reads, from the ends of the span (s grows or falls steadily along it).
    const double first = s0, last = s0 + ds * (n - 1);
    const double low = std::min(first, last), high = std::max(first, last);
    const bool bounded = low > -1.0e9 && high < 1.0e9;
    const int64_t x0 = bounded ? floorOf(low) : 0;
    const int64_t columns = bounded ? floorOf(high) + 3 - x0 : 0;
    if (!bounded || columns > MaxRowColumns) {
        for (int i = 0; i < n; ++i) {
            int64_t x;
            uint32_t fx;
            split(tame(s0 + ds * i), &x, &fx);
            out[i] =
                bilinear(tap(row0, x), tap(row0, x + 1), tap(row1, x), tap(row1, x + 1), fx, fy);
        }
        return;
    }
    // The weighted sum is exact, so blending the two rows first, once per column, gives the
    // bytes of the four-tap formula. Every address mode leaves a column inside the image where
    // it is, so only the columns past its edges are addressed one by one.
    const int64_t insideFirst = std::clamp<int64_t>(-x0, 0, columns);
    const int64_t insideEnd = std::clamp<int64_t>(image.width - x0, insideFirst, columns);
    const auto gather = [&](int row, uint32_t* taps) {
        for (int64_t k = 0; k < insideFirst; ++k)
            taps[k] = tap(row, x0 + k);
        if (insideEnd > insideFirst) {
            if (row >= 0)
                std::memcpy(taps + insideFirst, image.row(row) + x0 + insideFirst,
                            size_t(insideEnd - insideFirst) * 4);
            else
                std::fill(taps + insideFirst, taps + insideEnd, sampler.border);
        }
        for (int64_t k = insideEnd; k < columns; ++k)
            taps[k] = tap(row, x0 + k);
    };
    uint32_t upper[MaxRowColumns], lower[MaxRowColumns];
    gather(row0, upper);
    gather(row1, lower);
    alignas(16) uint16_t blended[MaxRowColumns][4];
    blendRows(upper, lower, int(columns), fy, blended);
    if (ds == 1.0 && exactWholeSteps(s0, n)) {
        int64_t x;
        uint32_t fx;
        split(s0, &x, &fx);
        blendNeighbouringColumns(blended + (x - x0), n, fx, out);
        return;
    }
    int i = 0;
    for (; i + 2 <= n; i += 2) {
        int64_t xa, xb;
        uint32_t fa, fb;
        split(s0 + ds * i, &xa, &fa);
        split(s0 + ds * (i + 1), &xb, &fb);
        blendColumnPairs(blended[xa - x0], blended[xb - x0], fa, fb, out + i);
    }
    if (i < n) {
        int64_t x;
        uint32_t fx;
        split(s0 + ds * i, &x, &fx);
        uint32_t two[2];
        blendColumnPairs(blended[x - x0], blended[x - x0], fx, fx, two);
        out[i] = two[0];
    }
}

void sampleTexels(const Sampler& sampler, const double* s, const double* t, int n, uint32_t* out) {
    if (!sampler.linear) {
        for (int i = 0; i < n; ++i)
            out[i] = texel(sampler, floorOf(tame(s[i]) + 0.5), floorOf(tame(t[i]) + 0.5));
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
