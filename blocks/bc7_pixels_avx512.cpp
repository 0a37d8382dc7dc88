// The BC7 pixel loop sixteen pixels at a time (AVX-512 with byte and word operations): a whole
// subset in one step, the palette's sixteen entries in one register. The same operations in the
// same order as the eight-lane loop, so the same entries and errors. And the partition estimate
// sixteen partitions a step.
#include "blocks/bc7_kernels.h"
#include "blocks/bc7_spread.h"

// GCC 12's AVX-512 intrinsics start from an undefined register, which it then warns about.
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#include <immintrin.h>

namespace bc7 {

uint32_t pixelLoopAvx512(const PixelLoop& loop, uint8_t index[16]) {
    const __m512i low = _mm512_set1_epi32(0x00FF00FF);
    // The palette: each channel's (64 - w) * start + w * end + 32 >> 6 as one product pair.
    alignas(64) int32_t pairs[16];
    for (uint32_t k = 0; k < 16; ++k) {
        const int32_t w = k < loop.entries ? loop.weights[k] : 0;
        pairs[k] = (64 - w) | w << 16;
    }
    const __m512i weights = _mm512_load_si512(pairs);
    __m512i palette = _mm512_setzero_si512();
    for (uint32_t c = 0; c < 4; ++c) {
        const __m512i ends = _mm512_set1_epi32(loop.start[c] | loop.end[c] << 16);
        const __m512i value = _mm512_srli_epi32(
            _mm512_add_epi32(_mm512_madd_epi16(weights, ends), _mm512_set1_epi32(32)), 6);
        palette = _mm512_or_si512(palette, _mm512_slli_epi32(value, 8 * c));
    }
    const __mmask16 live = __mmask16((1u << loop.count) - 1);
    const __m512i pixels = _mm512_maskz_loadu_epi32(live, loop.pixels);
    const __m512i startEven = _mm512_set1_epi32(loop.start[0] | loop.start[2] << 16);
    const __m512i startOdd = _mm512_set1_epi32(loop.start[1] | loop.start[3] << 16);
    const __m512i dirEven = _mm512_set1_epi32(
        int32_t(uint32_t(loop.direction[0] & 0xFFFF) | uint32_t(loop.direction[2]) << 16));
    const __m512i dirOdd = _mm512_set1_epi32(
        int32_t(uint32_t(loop.direction[1] & 0xFFFF) | uint32_t(loop.direction[3]) << 16));
    const __m512i even = _mm512_sub_epi16(_mm512_and_si512(pixels, low), startEven);
    const __m512i odd =
        _mm512_sub_epi16(_mm512_and_si512(_mm512_srli_epi32(pixels, 8), low), startOdd);
    const __m512i dot =
        _mm512_add_epi32(_mm512_madd_epi16(even, dirEven), _mm512_madd_epi16(odd, dirOdd));
    const __m512 t = _mm512_add_ps(_mm512_mul_ps(_mm512_cvtepi32_ps(dot), _mm512_set1_ps(loop.scale)),
                                   _mm512_set1_ps(0.5f));
    __m512i position = _mm512_cvttps_epi32(t);
    position = _mm512_min_epi32(_mm512_max_epi32(position, _mm512_setzero_si512()),
                                _mm512_set1_epi32(64));
    // nearestWeightIndex: the products stay below 2^16.
    const __m512i guess = _mm512_srli_epi32(
        _mm512_add_epi32(_mm512_mullo_epi16(position, _mm512_set1_epi32(int32_t(loop.entries) - 1)),
                         _mm512_set1_epi32(loop.entries == 16 ? 26 : 31)),
        6);
    const __m512i last = _mm512_set1_epi32(int32_t(loop.entries) - 1);
    __m512i bestError = _mm512_set1_epi32(0x7FFFFFFF), bestIndex = guess;
    for (int32_t offset = -1; offset <= 1; ++offset) {
        const __m512i k = _mm512_add_epi32(guess, _mm512_set1_epi32(offset));
        const __mmask16 inside = _mm512_cmpge_epi32_mask(k, _mm512_setzero_si512()) &
                                 _mm512_cmple_epi32_mask(k, last);
        const __m512i entry = _mm512_permutexvar_epi32(k, palette);
        const __m512i diff =
            _mm512_sub_epi8(_mm512_max_epu8(entry, pixels), _mm512_min_epu8(entry, pixels));
        const __m512i evenDiff = _mm512_and_si512(diff, low);
        const __m512i oddDiff = _mm512_and_si512(_mm512_srli_epi32(diff, 8), low);
        const __m512i error = _mm512_add_epi32(_mm512_madd_epi16(evenDiff, evenDiff),
                                               _mm512_madd_epi16(oddDiff, oddDiff));
        // The first entry measured is taken, a later one only when strictly closer.
        const __mmask16 better = inside & _mm512_cmplt_epi32_mask(error, bestError);
        bestError = _mm512_mask_mov_epi32(bestError, better, error);
        bestIndex = _mm512_mask_mov_epi32(bestIndex, better, k);
    }
    alignas(16) uint8_t chosen[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(chosen), _mm512_cvtepi32_epi8(bestIndex));
    for (uint32_t i = 0; i < loop.count; ++i)
        index[i] = chosen[i];
    return uint32_t(_mm512_reduce_add_epi32(_mm512_maskz_mov_epi32(live, bestError)));
}

void spread3Avx512(const int32_t texels[16][4], uint32_t subsets, const float* seed,
                   float off[64], float along[64]) {
    spreadOfPartitions<3, 64>(texels, subsets, seed, off, along);
}

void spread4Avx512(const int32_t texels[16][4], uint32_t subsets, const float* seed,
                   float off[64], float along[64]) {
    spreadOfPartitions<4, 64>(texels, subsets, seed, off, along);
}

} // namespace bc7
