// The PNG fast path's byte shuffles on SSSE3: 8-bit RGB to blue, green, red, 0xFF and RGBA to
// blue, green, red, alpha, four pixels per step. Only this file is compiled with -mssse3; the
// routines are chosen at run time.
#include "texture/png_pixels.h"

#include <tmmintrin.h>

bool pngPixelsSsse3Supported() {
    static const bool supported = __builtin_cpu_supports("ssse3");
    return supported;
}

void rgbToBgrxRowSsse3(const uint8_t* stored, uint8_t* out, uint32_t width,
                       const PngLayout& layout) {
    const __m128i toPixels = _mm_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1);
    const __m128i opaque = _mm_set1_epi32(int(0xFF000000u));
    uint32_t x = 0;
    // Each load reads 16 bytes for 12 used ones: stop while a whole load still fits.
    for (; 3 * x + 16 <= 3 * width; x += 4) {
        const __m128i triples = _mm_loadu_si128(reinterpret_cast<const __m128i*>(stored + 3 * x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * x),
                         _mm_or_si128(_mm_shuffle_epi8(triples, toPixels), opaque));
    }
    rgbToBgrxRow(stored + 3 * x, out + 4 * x, width - x, layout);
}

void rgbaToBgraRowSsse3(const uint8_t* stored, uint8_t* out, uint32_t width,
                        const PngLayout& layout) {
    const __m128i swapRedBlue =
        _mm_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15);
    uint32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(stored + 4 * x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * x),
                         _mm_shuffle_epi8(pixels, swapRedBlue));
    }
    rgbaToBgraRow(stored + 4 * x, out + 4 * x, width - x, layout);
}
