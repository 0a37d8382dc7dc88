// SSE2 form of the R8G8B8 widening: four pixels per step, each shifted into its own 32-bit
// lane from one 16-byte load; and the choice between it and the AVX2 form.
#include "blit/convert_rgb24.h"

#include "cpu/processor_features.h"

#include <emmintrin.h>

size_t convertFromRgb24Sse2(const uint8_t* src, uint8_t* dst, size_t count, uint32_t orMask,
                            uint32_t andMask, uint32_t keyMask, uint32_t keyValue) {
    // Pixel i starts at byte 3i; shifted left by i bytes it starts at byte 4i, in lane i.
    const __m128i lane0 = _mm_setr_epi32(0xFFFFFF, 0, 0, 0);
    const __m128i lane1 = _mm_setr_epi32(0, 0xFFFFFF, 0, 0);
    const __m128i lane2 = _mm_setr_epi32(0, 0, 0xFFFFFF, 0);
    const __m128i lane3 = _mm_setr_epi32(0, 0, 0, 0xFFFFFF);
    const __m128i orBits = _mm_set1_epi32(int32_t(orMask));
    const __m128i andBits = _mm_set1_epi32(int32_t(andMask));
    const __m128i keyMaskBits = _mm_set1_epi32(int32_t(keyMask));
    const __m128i keyValueBits = _mm_set1_epi32(int32_t(keyValue));
    size_t x = 0;
    // The 16-byte load at pixel x ends within pixel x + 5.
    for (; x + 6 <= count; x += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 3 * x));
        const __m128i p = _mm_or_si128(
            _mm_or_si128(_mm_and_si128(v, lane0), _mm_and_si128(_mm_slli_si128(v, 1), lane1)),
            _mm_or_si128(_mm_and_si128(_mm_slli_si128(v, 2), lane2),
                         _mm_and_si128(_mm_slli_si128(v, 3), lane3)));
        const __m128i keyed = _mm_cmpeq_epi32(_mm_and_si128(p, keyMaskBits), keyValueBits);
        const __m128i out =
            _mm_andnot_si128(keyed, _mm_and_si128(_mm_or_si128(p, orBits), andBits));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * x), out);
    }
    return x;
}

Rgb24Routine rgb24Routine() {
    static const Rgb24Routine routine = isMmxUsable() && __builtin_cpu_supports("avx2")
                                            ? convertFromRgb24Avx2
                                            : convertFromRgb24Sse2;
    return routine;
}

Rgb24Routine word32Routine() {
    static const Rgb24Routine routine = isMmxUsable() && __builtin_cpu_supports("avx2")
                                            ? convertFromWord32Avx2
                                            : convertFromWord32Sse2;
    return routine;
}
