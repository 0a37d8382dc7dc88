// The box filter's wide-vector routine for 32-bit pixels: four destination pixels per step
// from two rows of eight, every byte averaged as (a + b + c + d + 2) >> 2.
#include "blit/box_fast_path.h"

#include <emmintrin.h>

namespace {

// Sums of the two pixels of each 64-bit half, per byte in 16-bit lanes, for both rows.
__m128i pairSums(__m128i top, __m128i bottom, bool high) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i a = high ? _mm_unpackhi_epi8(top, zero) : _mm_unpacklo_epi8(top, zero);
    const __m128i b = high ? _mm_unpackhi_epi8(bottom, zero) : _mm_unpacklo_epi8(bottom, zero);
    const __m128i columns = _mm_add_epi16(a, b);
    return _mm_add_epi16(columns, _mm_srli_si128(columns, 8)); // low four lanes: one pixel
}

} // namespace

void boxAverageRowArgbSse2(const uint8_t* row0, const uint8_t* row1, uint8_t* out, uint32_t count) {
    const __m128i two = _mm_set1_epi16(2);
    size_t x = 0;
    for (; x + 4 <= count; x += 4) {
        const __m128i top0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row0 + 8 * x));
        const __m128i top1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row0 + 8 * x + 16));
        const __m128i bottom0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row1 + 8 * x));
        const __m128i bottom1 =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(row1 + 8 * x + 16));
        const __m128i first =
            _mm_unpacklo_epi64(pairSums(top0, bottom0, false), pairSums(top0, bottom0, true));
        const __m128i second =
            _mm_unpacklo_epi64(pairSums(top1, bottom1, false), pairSums(top1, bottom1, true));
        const __m128i averaged = _mm_packus_epi16(_mm_srli_epi16(_mm_add_epi16(first, two), 2),
                                                  _mm_srli_epi16(_mm_add_epi16(second, two), 2));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * x), averaged);
    }
    // The last pixels of a row whose width is not a multiple of four.
    boxAverageRowArgb(row0 + 8 * x, row1 + 8 * x, out + 4 * x, uint32_t(count - x));
}
