// The BC7 pixel loop eight pixels at a time (AVX2): positions along the line in single
// precision with the plain loop's operations in its order, the nearest entry by its multiply and
// shift, the palette by permutation and the errors from absolute byte differences squared in
// pairs.
#include "blocks/bc7_kernels.h"
#include "blocks/bc7_spread.h"

#include <immintrin.h>

namespace bc7 {

namespace {

__m256i squaredDistance(__m256i a, __m256i b) {
    const __m256i low = _mm256_set1_epi32(0x00FF00FF);
    const __m256i diff = _mm256_sub_epi8(_mm256_max_epu8(a, b), _mm256_min_epu8(a, b));
    const __m256i even = _mm256_and_si256(diff, low);
    const __m256i odd = _mm256_and_si256(_mm256_srli_epi32(diff, 8), low);
    return _mm256_add_epi32(_mm256_madd_epi16(even, even), _mm256_madd_epi16(odd, odd));
}

// Entries first .. first + 7 (those past the palette's end are not read): each channel's
// (64 - w) * start + w * end + 32 >> 6 as one product pair.
__m256i paletteOf(const PixelLoop& loop, uint32_t first) {
    alignas(32) int32_t pairs[8];
    const uint32_t n = loop.entries - first < 8 ? loop.entries - first : 8;
    for (uint32_t k = 0; k < 8; ++k) {
        const int32_t w = k < n ? loop.weights[first + k] : 0;
        pairs[k] = (64 - w) | w << 16;
    }
    const __m256i weights = _mm256_load_si256(reinterpret_cast<const __m256i*>(pairs));
    const __m256i round = _mm256_set1_epi32(32);
    __m256i palette = _mm256_setzero_si256();
    for (uint32_t c = 0; c < 4; ++c) {
        const __m256i ends = _mm256_set1_epi32(loop.start[c] | loop.end[c] << 16);
        const __m256i value =
            _mm256_srli_epi32(_mm256_add_epi32(_mm256_madd_epi16(weights, ends), round), 6);
        palette = _mm256_or_si256(palette, _mm256_slli_epi32(value, int(8 * c)));
    }
    return palette;
}

} // namespace

uint32_t pixelLoopAvx2(const PixelLoop& loop, uint8_t index[16]) {
    const __m256i low = _mm256_set1_epi32(0x00FF00FF);
    const __m256i startEven = _mm256_set1_epi32(loop.start[0] | loop.start[2] << 16);
    const __m256i startOdd = _mm256_set1_epi32(loop.start[1] | loop.start[3] << 16);
    const __m256i dirEven =
        _mm256_set1_epi32(int32_t(uint32_t(loop.direction[0] & 0xFFFF) | uint32_t(loop.direction[2]) << 16));
    const __m256i dirOdd =
        _mm256_set1_epi32(int32_t(uint32_t(loop.direction[1] & 0xFFFF) | uint32_t(loop.direction[3]) << 16));
    const __m256 scale = _mm256_set1_ps(loop.scale);
    const __m256 half = _mm256_set1_ps(0.5f);
    const __m256i paletteLow = paletteOf(loop, 0);
    const __m256i paletteHigh = loop.entries > 8 ? paletteOf(loop, 8) : paletteLow;
    const __m256i last = _mm256_set1_epi32(int32_t(loop.entries) - 1);
    const __m256i seven = _mm256_set1_epi32(7);
    const __m256i never = _mm256_set1_epi32(0x7FFFFFFF);
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i guessScale = _mm256_set1_epi32(int32_t(loop.entries) - 1);
    const __m256i guessBias = _mm256_set1_epi32(loop.entries == 16 ? 26 : 31);
    __m256i total = _mm256_setzero_si256();
    for (uint32_t first = 0; first < loop.count; first += 8) {
        const __m256i live = _mm256_cmpgt_epi32(_mm256_set1_epi32(int32_t(loop.count - first)), lanes);
        const __m256i pixels = _mm256_maskload_epi32(
            reinterpret_cast<const int*>(loop.pixels + first), live);
        // (pixel - start) . direction, two channels a product pair.
        const __m256i even = _mm256_sub_epi16(_mm256_and_si256(pixels, low), startEven);
        const __m256i odd =
            _mm256_sub_epi16(_mm256_and_si256(_mm256_srli_epi32(pixels, 8), low), startOdd);
        const __m256i dot =
            _mm256_add_epi32(_mm256_madd_epi16(even, dirEven), _mm256_madd_epi16(odd, dirOdd));
        const __m256 t = _mm256_add_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(dot), scale), half);
        __m256i position = _mm256_cvttps_epi32(t);
        position = _mm256_min_epi32(_mm256_max_epi32(position, _mm256_setzero_si256()),
                                    _mm256_set1_epi32(64));
        // nearestWeightIndex: the products stay below 2^16.
        const __m256i guess = _mm256_srli_epi32(
            _mm256_add_epi32(_mm256_mullo_epi16(position, guessScale), guessBias), 6);
        __m256i bestError = never, bestIndex = guess;
        for (int32_t offset = -1; offset <= 1; ++offset) {
            const __m256i k = _mm256_add_epi32(guess, _mm256_set1_epi32(offset));
            const __m256i outside = _mm256_or_si256(_mm256_cmpgt_epi32(_mm256_setzero_si256(), k),
                                                    _mm256_cmpgt_epi32(k, last));
            const __m256i entry = _mm256_blendv_epi8(
                _mm256_permutevar8x32_epi32(paletteLow, k),
                _mm256_permutevar8x32_epi32(paletteHigh, k), _mm256_cmpgt_epi32(k, seven));
            // The first entry measured is taken, a later one only when strictly closer.
            const __m256i error = squaredDistance(entry, pixels);
            const __m256i better =
                _mm256_andnot_si256(outside, _mm256_cmpgt_epi32(bestError, error));
            bestError = _mm256_blendv_epi8(bestError, error, better);
            bestIndex = _mm256_blendv_epi8(bestIndex, k, better);
        }
        total = _mm256_add_epi32(total, _mm256_and_si256(bestError, live));
        alignas(32) int32_t chosen[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(chosen), bestIndex);
        const uint32_t n = loop.count - first < 8 ? loop.count - first : 8;
        for (uint32_t i = 0; i < n; ++i)
            index[first + i] = uint8_t(chosen[i]);
    }
    __m128i sum = _mm_add_epi32(_mm256_castsi256_si128(total), _mm256_extracti128_si256(total, 1));
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0x4E));
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0xB1));
    return uint32_t(_mm_cvtsi128_si32(sum));
}

void spread3Avx2(const int32_t texels[16][4], uint32_t subsets, const float* seed, float off[64],
                 float along[64]) {
    spreadOfPartitions<3>(texels, subsets, seed, off, along);
}

void spread4Avx2(const int32_t texels[16][4], uint32_t subsets, const float* seed, float off[64],
                 float along[64]) {
    spreadOfPartitions<4>(texels, subsets, seed, off, along);
}

} // namespace bc7
