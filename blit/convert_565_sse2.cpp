// SSE2 forms of the R5G6B5 conversions: eight pixels per step in 16-bit lanes.
#include "blit/convert_565_sse2.h"

#include <emmintrin.h>

size_t convertFrom565Sse2(const uint8_t* src, uint8_t* dst, size_t count, uint8_t alpha,
                          uint32_t keyMask, uint32_t keyValue) {
    const __m128i mask6 = _mm_set1_epi16(63);
    const __m128i mask5 = _mm_set1_epi16(31);
    const __m128i scale5 = _mm_set1_epi16(527);
    const __m128i round5 = _mm_set1_epi16(23);
    const __m128i scale6 = _mm_set1_epi16(259);
    const __m128i round6 = _mm_set1_epi16(33);
    const __m128i alphaHigh = _mm_set1_epi16(int16_t(uint16_t(alpha) << 8));
    const __m128i keyMask16 = _mm_set1_epi16(int16_t(keyMask));
    const __m128i keyValue16 = _mm_set1_epi16(int16_t(keyValue));
    size_t x = 0;
    for (; x + 8 <= count; x += 8) {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 2 * x));
        const __m128i r5 = _mm_srli_epi16(p, 11);
        const __m128i g6 = _mm_and_si128(_mm_srli_epi16(p, 5), mask6);
        const __m128i b5 = _mm_and_si128(p, mask5);
        const __m128i r = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(r5, scale5), round5), 6);
        const __m128i g = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(g6, scale6), round6), 6);
        const __m128i b = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(b5, scale5), round5), 6);
        const __m128i keyed = _mm_cmpeq_epi16(_mm_and_si128(p, keyMask16), keyValue16);
        const __m128i gb = _mm_andnot_si128(keyed, _mm_or_si128(_mm_slli_epi16(g, 8), b));
        const __m128i ar = _mm_andnot_si128(keyed, _mm_or_si128(alphaHigh, r));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * x), _mm_unpacklo_epi16(gb, ar));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * x + 16), _mm_unpackhi_epi16(gb, ar));
    }
    return x;
}

namespace {

// One channel of four 32-bit pixels as 16-bit lanes.
__m128i channelOf(__m128i low, __m128i high, int shift) {
    const __m128i byte = _mm_set1_epi32(0xFF);
    return _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(low, shift), byte),
                           _mm_and_si128(_mm_srli_epi32(high, shift), byte));
}

// floor(y / 255) for y below 32768.
__m128i divideBy255(__m128i y) {
    return _mm_mulhi_epu16(_mm_add_epi16(y, _mm_set1_epi16(1)), _mm_set1_epi16(257));
}

} // namespace

size_t convertTo565Sse2(const uint8_t* src, uint8_t* dst, size_t count, const uint16_t bias[4],
                        uint32_t keyMask, uint32_t keyValue) {
    const __m128i c =
        _mm_setr_epi16(int16_t(bias[0]), int16_t(bias[1]), int16_t(bias[2]), int16_t(bias[3]),
                       int16_t(bias[0]), int16_t(bias[1]), int16_t(bias[2]), int16_t(bias[3]));
    const __m128i scale5 = _mm_set1_epi16(31);
    const __m128i scale6 = _mm_set1_epi16(63);
    const __m128i keyMask32 = _mm_set1_epi32(int32_t(keyMask));
    const __m128i keyValue32 = _mm_set1_epi32(int32_t(keyValue));
    size_t x = 0;
    for (; x + 8 <= count; x += 8) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * x));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * x + 16));
        const __m128i r =
            divideBy255(_mm_add_epi16(_mm_mullo_epi16(channelOf(low, high, 16), scale5), c));
        const __m128i g =
            divideBy255(_mm_add_epi16(_mm_mullo_epi16(channelOf(low, high, 8), scale6), c));
        const __m128i b =
            divideBy255(_mm_add_epi16(_mm_mullo_epi16(channelOf(low, high, 0), scale5), c));
        const __m128i keyed =
            _mm_packs_epi32(_mm_cmpeq_epi32(_mm_and_si128(low, keyMask32), keyValue32),
                            _mm_cmpeq_epi32(_mm_and_si128(high, keyMask32), keyValue32));
        const __m128i packed =
            _mm_or_si128(_mm_or_si128(_mm_slli_epi16(r, 11), _mm_slli_epi16(g, 5)), b);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 2 * x), _mm_andnot_si128(keyed, packed));
    }
    return x;
}
