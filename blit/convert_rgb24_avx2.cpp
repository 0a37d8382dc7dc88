// The R8G8B8 widening on processors with AVX2: eight pixels per step, their 24 bytes spread
// over the two 128-bit lanes and each pixel shuffled into a 32-bit word; and the 32-bit
// conversion eight pixels per step. Only this file is compiled with -mavx2; the routines are
// chosen at run time, when the processor has it.
#include "blit/convert_rgb24.h"

#include <immintrin.h>

size_t convertFromRgb24Avx2(const uint8_t* src, uint8_t* dst, size_t count, uint32_t orMask,
                            uint32_t andMask, uint32_t keyMask, uint32_t keyValue) {
    // Words 0-3 (pixels 0-3 in bytes 0-11) to the low lane, words 3-6 (pixels 4-7) to the high.
    const __m256i spread = _mm256_setr_epi32(0, 1, 2, 3, 3, 4, 5, 6);
    const __m256i widen = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, 0,
                                           1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m256i orBits = _mm256_set1_epi32(int32_t(orMask));
    const __m256i andBits = _mm256_set1_epi32(int32_t(andMask));
    const __m256i keyMaskBits = _mm256_set1_epi32(int32_t(keyMask));
    const __m256i keyValueBits = _mm256_set1_epi32(int32_t(keyValue));
    size_t x = 0;
    // The 32-byte load at pixel x ends within pixel x + 10.
    for (; x + 11 <= count; x += 8) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 3 * x));
        const __m256i p = _mm256_shuffle_epi8(_mm256_permutevar8x32_epi32(v, spread), widen);
        const __m256i keyed = _mm256_cmpeq_epi32(_mm256_and_si256(p, keyMaskBits), keyValueBits);
        const __m256i out =
            _mm256_andnot_si256(keyed, _mm256_and_si256(_mm256_or_si256(p, orBits), andBits));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 4 * x), out);
    }
    return x + convertFromRgb24Sse2(src + 3 * x, dst + 4 * x, count - x, orMask, andMask, keyMask,
                                    keyValue);
}

size_t convertFromWord32Avx2(const uint8_t* src, uint8_t* dst, size_t count, uint32_t orMask,
                             uint32_t andMask, uint32_t keyMask, uint32_t keyValue) {
    const __m256i orBits = _mm256_set1_epi32(int32_t(orMask));
    const __m256i andBits = _mm256_set1_epi32(int32_t(andMask));
    const __m256i keyMaskBits = _mm256_set1_epi32(int32_t(keyMask));
    const __m256i keyValueBits = _mm256_set1_epi32(int32_t(keyValue));
    size_t x = 0;
    for (; x + 8 <= count; x += 8) {
        const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 4 * x));
        const __m256i keyed = _mm256_cmpeq_epi32(_mm256_and_si256(p, keyMaskBits), keyValueBits);
        const __m256i out =
            _mm256_andnot_si256(keyed, _mm256_and_si256(_mm256_or_si256(p, orBits), andBits));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 4 * x), out);
    }
    return x + convertFromWord32Sse2(src + 4 * x, dst + 4 * x, count - x, orMask, andMask,
                                     keyMask, keyValue);
}
