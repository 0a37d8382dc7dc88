// The box filter's wide-vector routine for 32-bit pixels on processors with AVX2: eight
// destination pixels per step, the same byte arithmetic as the SSE2 routine. Only this file
// is compiled with -mavx2; the routine is chosen at run time, when the processor has it.
#include "blit/box_fast_path.h"

#include <immintrin.h>

namespace {

// Even and odd pixels of sixteen consecutive ones, within each 128-bit lane: for pixels 0-7 in
// `first` and 8-15 in `second`, the even ones come out as 0, 2, 8, 10 | 4, 6, 12, 14.
__m256i evenPixels(__m256i first, __m256i second) {
    return _mm256_castps_si256(_mm256_shuffle_ps(
        _mm256_castsi256_ps(first), _mm256_castsi256_ps(second), _MM_SHUFFLE(2, 0, 2, 0)));
}

__m256i oddPixels(__m256i first, __m256i second) {
    return _mm256_castps_si256(_mm256_shuffle_ps(
        _mm256_castsi256_ps(first), _mm256_castsi256_ps(second), _MM_SHUFFLE(3, 1, 3, 1)));
}

// floor((a + b) / 2) per byte, and the bit it drops: the rounded average less that bit.
__m256i floorAverage(__m256i a, __m256i b, __m256i* droppedBit) {
    *droppedBit = _mm256_and_si256(_mm256_xor_si256(a, b), _mm256_set1_epi8(1));
    return _mm256_sub_epi8(_mm256_avg_epu8(a, b), *droppedBit);
}

__m256i load(const uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

} // namespace

bool boxAvx2Supported() {
    static const bool supported = __builtin_cpu_supports("avx2");
    return supported;
}

void boxAverageRowArgbAvx2(const uint8_t* row0, const uint8_t* row1, uint8_t* out, uint32_t count) {
    size_t x = 0;
    for (; x + 8 <= count; x += 8) {
        const __m256i top0 = load(row0 + 8 * x);
        const __m256i top1 = load(row0 + 8 * x + 32);
        const __m256i bottom0 = load(row1 + 8 * x);
        const __m256i bottom1 = load(row1 + 8 * x + 32);
        // As in the SSE2 routine: the rounded average of the two floor averages, plus the
        // carry of two dropped bits when those averages have the same lowest bit.
        __m256i p, q;
        const __m256i top = floorAverage(evenPixels(top0, top1), oddPixels(top0, top1), &p);
        const __m256i bottom =
            floorAverage(evenPixels(bottom0, bottom1), oddPixels(bottom0, bottom1), &q);
        const __m256i carry =
            _mm256_andnot_si256(_mm256_xor_si256(top, bottom), _mm256_and_si256(p, q));
        const __m256i averaged = _mm256_add_epi8(_mm256_avg_epu8(top, bottom), carry);
        // The lanes hold destination pixels 0, 1, 4, 5 | 2, 3, 6, 7: put the pairs in order.
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * x),
                            _mm256_permute4x64_epi64(averaged, _MM_SHUFFLE(3, 1, 2, 0)));
    }
    boxAverageRowArgbSse2(row0 + 8 * x, row1 + 8 * x, out + 4 * x, uint32_t(count - x));
}
