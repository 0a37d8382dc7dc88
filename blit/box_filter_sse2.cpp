// The box filter's wide-vector routine for 32-bit pixels: four destination pixels per step
// from two rows of eight, every byte averaged as (a + b + c + d + 2) >> 2.
#include "blit/box_fast_path.h"

#include <emmintrin.h>

namespace {

// Even and odd pixels of eight consecutive ones.
__m128i evenPixels(__m128i first, __m128i second) {
    return _mm_castps_si128(
        _mm_shuffle_ps(_mm_castsi128_ps(first), _mm_castsi128_ps(second), _MM_SHUFFLE(2, 0, 2, 0)));
}

__m128i oddPixels(__m128i first, __m128i second) {
    return _mm_castps_si128(
        _mm_shuffle_ps(_mm_castsi128_ps(first), _mm_castsi128_ps(second), _MM_SHUFFLE(3, 1, 3, 1)));
}

// floor((a + b) / 2) per byte, and the bit it drops: the rounded average less that bit.
__m128i floorAverage(__m128i a, __m128i b, __m128i* droppedBit) {
    *droppedBit = _mm_and_si128(_mm_xor_si128(a, b), _mm_set1_epi8(1));
    return _mm_sub_epi8(_mm_avg_epu8(a, b), *droppedBit);
}

} // namespace

void boxAverageRowArgbSse2(const uint8_t* row0, const uint8_t* row1, uint8_t* out, uint32_t count) {
    size_t x = 0;
    for (; x + 4 <= count; x += 4) {
        const __m128i top0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row0 + 8 * x));
        const __m128i top1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row0 + 8 * x + 16));
        const __m128i bottom0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row1 + 8 * x));
        const __m128i bottom1 =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(row1 + 8 * x + 16));
        // With a + b = 2P + p and c + d = 2Q + q (p, q the dropped bits), the exact
        // (a + b + c + d + 2) >> 2 is the rounded average of P and Q, plus 1 when p and q
        // are both set and P + Q is even.
        __m128i p, q;
        const __m128i top = floorAverage(evenPixels(top0, top1), oddPixels(top0, top1), &p);
        const __m128i bottom =
            floorAverage(evenPixels(bottom0, bottom1), oddPixels(bottom0, bottom1), &q);
        const __m128i carry = _mm_andnot_si128(_mm_xor_si128(top, bottom), _mm_and_si128(p, q));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * x),
                         _mm_add_epi8(_mm_avg_epu8(top, bottom), carry));
    }
    // The last pixels of a row whose width is not a multiple of four.
    boxAverageRowArgb(row0 + 8 * x, row1 + 8 * x, out + 4 * x, uint32_t(count - x));
}
