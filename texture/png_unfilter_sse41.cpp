// The PNG row filters for 3- and 4-byte pixels on SSE4.1: each pixel's bytes in the 16-bit
// lanes of one register, so that the serial chain from pixel to pixel is a few instructions.
// Only this file is compiled with -msse4.1; the routines are chosen at run time.
#include "texture/png_unfilter.h"

#include <smmintrin.h>

#include <cstring>
#include <type_traits>

namespace {

// A pixel's bytes widened to 16-bit lanes. Loads and stores move 4 bytes; a 3-byte pixel's
// fourth is its neighbour's, read but then rewritten, except at the row's end (Exact).
template <uint32_t Bpp, bool Exact>
inline __m128i loadPixel(const uint8_t* at) {
    int32_t word = 0;
    std::memcpy(&word, at, Exact ? Bpp : 4);
    return _mm_cvtepu8_epi16(_mm_cvtsi32_si128(word));
}

template <uint32_t Bpp, bool Exact>
inline void storePixel(uint8_t* at, __m128i lanes) {
    const int32_t word = _mm_cvtsi128_si32(_mm_packus_epi16(lanes, lanes));
    std::memcpy(at, &word, Exact ? Bpp : 4);
}

// Runs `step` over every pixel of a row: all but the last with whole 4-byte moves.
template <uint32_t Bpp, typename Step>
inline void forEachPixel(size_t rowBytes, Step step) {
    if (rowBytes < Bpp)
        return;
    const size_t last = rowBytes - Bpp;
    for (size_t at = 0; at < last; at += Bpp)
        step(at, std::false_type());
    step(last, std::true_type());
}

template <uint32_t Bpp>
void sub(const uint8_t* filtered, const uint8_t*, uint8_t* out, size_t rowBytes) {
    __m128i left = _mm_setzero_si128();
    const __m128i mask = _mm_set1_epi16(0xFF);
    forEachPixel<Bpp>(rowBytes, [&](size_t at, auto exact) {
        left = _mm_and_si128(_mm_add_epi16(loadPixel<Bpp, decltype(exact)::value>(filtered + at), left), mask);
        storePixel<Bpp, decltype(exact)::value>(out + at, left);
    });
}

void up(const uint8_t* filtered, const uint8_t* prior, uint8_t* out, size_t rowBytes) {
    size_t i = 0;
    for (; i + 16 <= rowBytes; i += 16) {
        const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(filtered + i));
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(prior + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_add_epi8(f, p));
    }
    for (; i < rowBytes; ++i)
        out[i] = uint8_t(filtered[i] + prior[i]);
}

template <uint32_t Bpp>
void average(const uint8_t* filtered, const uint8_t* prior, uint8_t* out, size_t rowBytes) {
    __m128i left = _mm_setzero_si128();
    const __m128i mask = _mm_set1_epi16(0xFF);
    forEachPixel<Bpp>(rowBytes, [&](size_t at, auto exact) {
        const __m128i above = loadPixel<Bpp, decltype(exact)::value>(prior + at);
        const __m128i mean = _mm_srli_epi16(_mm_add_epi16(left, above), 1);
        left = _mm_and_si128(_mm_add_epi16(loadPixel<Bpp, decltype(exact)::value>(filtered + at), mean), mask);
        storePixel<Bpp, decltype(exact)::value>(out + at, left);
    });
}

template <uint32_t Bpp>
void paeth(const uint8_t* filtered, const uint8_t* prior, uint8_t* out, size_t rowBytes) {
    __m128i left = _mm_setzero_si128(), upperLeft = _mm_setzero_si128();
    const __m128i mask = _mm_set1_epi16(0xFF);
    forEachPixel<Bpp>(rowBytes, [&](size_t at, auto exact) {
        const __m128i above = loadPixel<Bpp, decltype(exact)::value>(prior + at);
        const __m128i aboveStep = _mm_sub_epi16(above, upperLeft);
        const __m128i leftStep = _mm_sub_epi16(left, upperLeft);
        const __m128i toLeft = _mm_abs_epi16(aboveStep);
        const __m128i toAbove = _mm_abs_epi16(leftStep);
        const __m128i toUpperLeft = _mm_abs_epi16(_mm_add_epi16(aboveStep, leftStep));
        // Above unless upper-left is strictly nearer; left unless that one is strictly nearer.
        const __m128i aboveOrCorner =
            _mm_blendv_epi8(above, upperLeft, _mm_cmpgt_epi16(toAbove, toUpperLeft));
        const __m128i nearest = _mm_min_epi16(toAbove, toUpperLeft);
        const __m128i predicted =
            _mm_blendv_epi8(left, aboveOrCorner, _mm_cmpgt_epi16(toLeft, nearest));
        upperLeft = above;
        left = _mm_and_si128(
            _mm_add_epi16(loadPixel<Bpp, decltype(exact)::value>(filtered + at), predicted), mask);
        storePixel<Bpp, decltype(exact)::value>(out + at, left);
    });
}

template <uint32_t Bpp>
constexpr PngUnfilterSet vectorSet = {{sub<Bpp>, up, average<Bpp>, paeth<Bpp>}};

} // namespace

bool pngUnfilterSse41Supported() {
    static const bool supported = __builtin_cpu_supports("sse4.1");
    return supported;
}

const PngUnfilterSet* sse41PngUnfilters(uint32_t pixelBytes) {
    if (pixelBytes == 3)
        return &vectorSet<3>;
    if (pixelBytes == 4)
        return &vectorSet<4>;
    return nullptr;
}
