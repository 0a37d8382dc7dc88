// The colour repack with SSSE3 byte shuffles: four triples per step become four pixels. Only
// this file is compiled with -mssse3; the routine is chosen at run time, when the processor has it.
#include "texture/rgb_repack.h"

#include <tmmintrin.h>

bool repackSsse3Supported() {
    static const bool supported = __builtin_cpu_supports("ssse3");
    return supported;
}

void repackRgbRowSsse3(const uint8_t* rgb, uint8_t* out, uint32_t count) {
    // Bytes 0-11 of a load hold four triples: reverse each and put a zero byte after it.
    const __m128i toPixels = _mm_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1);
    uint32_t x = 0;
    // Each load reads 16 bytes for 12 used ones: stop while a whole load still fits.
    for (; 3 * (x + 4) + 4 <= 3 * count; x += 4) {
        const __m128i triples = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rgb + 3 * x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * x),
                         _mm_shuffle_epi8(triples, toPixels));
    }
    repackRgbRow(rgb + 3 * x, out + 4 * x, count - x);
}
