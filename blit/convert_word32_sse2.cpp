// SSE2 form of the 32-bit to 32-bit row conversion: four pixels per step, with the same
// results as the plain loop of the direct converter.
#include "blit/convert_rgb24.h"

#include <emmintrin.h>

size_t convertFromWord32Sse2(const uint8_t* src, uint8_t* dst, size_t count, uint32_t orMask,
                             uint32_t andMask, uint32_t keyMask, uint32_t keyValue) {
    const __m128i orBits = _mm_set1_epi32(int32_t(orMask));
    const __m128i andBits = _mm_set1_epi32(int32_t(andMask));
    const __m128i keyMaskBits = _mm_set1_epi32(int32_t(keyMask));
    const __m128i keyValueBits = _mm_set1_epi32(int32_t(keyValue));
    size_t x = 0;
    for (; x + 4 <= count; x += 4) {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * x));
        const __m128i keyed = _mm_cmpeq_epi32(_mm_and_si128(p, keyMaskBits), keyValueBits);
        const __m128i out =
            _mm_andnot_si128(keyed, _mm_and_si128(_mm_or_si128(p, orBits), andBits));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * x), out);
    }
    return x;
}
