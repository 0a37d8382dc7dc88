// SSE2 span kernels, four pixels per step: groups of fully opaque texels are stored as they
// are and groups of fully transparent ones leave the target alone (every x86-64 processor
// has SSE2, so no extra compiler flag is needed).
#include "d3d8/span_kernels.h"

#if defined(__SSE2__)

#include <emmintrin.h>

namespace d3d8 {

namespace {

const __m128i AlphaMask = _mm_set1_epi32(int(0xFF000000u));

void storeOpaqueSse2(uint32_t* dst, const uint32_t* src, int n) {
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_or_si128(s, AlphaMask));
    }
    plainSpanKernels().storeOpaque(dst + i, src + i, n - i);
}

// round(x / 255) on 16-bit lanes holding at most 255 * 255.
__m128i div255(__m128i x) {
    x = _mm_add_epi16(x, _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(x, _mm_srli_epi16(x, 8)), 8);
}

// Blends two pixels held as 16-bit lanes.
__m128i blendPair(__m128i s, __m128i d) {
    __m128i alpha = _mm_shufflelo_epi16(s, _MM_SHUFFLE(3, 3, 3, 3));
    alpha = _mm_shufflehi_epi16(alpha, _MM_SHUFFLE(3, 3, 3, 3));
    const __m128i inverse = _mm_sub_epi16(_mm_set1_epi16(255), alpha);
    const __m128i sum = _mm_add_epi16(_mm_mullo_epi16(s, alpha), _mm_mullo_epi16(d, inverse));
    return div255(sum);
}

void modulateSse2(uint32_t* out, const uint32_t* a, const uint32_t* b, int n) {
    const __m128i zero = _mm_setzero_si128();
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        const __m128i low =
            div255(_mm_mullo_epi16(_mm_unpacklo_epi8(x, zero), _mm_unpacklo_epi8(y, zero)));
        const __m128i high =
            div255(_mm_mullo_epi16(_mm_unpackhi_epi8(x, zero), _mm_unpackhi_epi8(y, zero)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(low, high));
    }
    plainSpanKernels().modulate(out + i, a + i, b + i, n - i);
}

// Four source pixels over the destination; fully opaque and fully transparent groups take the
// short ways.
void blendFour(uint32_t* dst, __m128i s) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i alpha = _mm_and_si128(s, AlphaMask);
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(alpha, AlphaMask)) == 0xFFFF) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), s);
        return;
    }
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(alpha, zero)) == 0xFFFF)
        return;
    __m128i* target = reinterpret_cast<__m128i*>(dst);
    const __m128i d = _mm_loadu_si128(target);
    const __m128i low = blendPair(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero));
    const __m128i high = blendPair(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero));
    _mm_storeu_si128(target, _mm_or_si128(_mm_packus_epi16(low, high), AlphaMask));
}

void blendSourceOverSse2(uint32_t* dst, const uint32_t* src, int n) {
    int i = 0;
    for (; i + 4 <= n; i += 4)
        blendFour(dst + i, _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)));
    plainSpanKernels().blendSourceOver(dst + i, src + i, n - i);
}

void tintBlendSourceOverSse2(uint32_t* dst, const uint32_t* texels, uint32_t color, int n) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i tint = _mm_unpacklo_epi8(_mm_set1_epi32(int(color)), zero);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(texels + i));
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(t, AlphaMask), zero)) == 0xFFFF)
            continue;
        const __m128i low = div255(_mm_mullo_epi16(_mm_unpacklo_epi8(t, zero), tint));
        const __m128i high = div255(_mm_mullo_epi16(_mm_unpackhi_epi8(t, zero), tint));
        blendFour(dst + i, _mm_packus_epi16(low, high));
    }
    plainSpanKernels().tintBlendSourceOver(dst + i, texels + i, color, n - i);
}

// The 16-bit target has no SSE2 kernels of its own; the AVX2 ones serve processors of today.
void storeOpaque16Sse2(uint16_t* dst, const uint32_t* src, int n) {
    plainSpanKernels().storeOpaque16(dst, src, n);
}

void blendSourceOver16Sse2(uint16_t* dst, const uint32_t* src, int n) {
    plainSpanKernels().blendSourceOver16(dst, src, n);
}

const SpanKernels Sse2Kernels = {modulateSse2,      storeOpaqueSse2,      blendSourceOverSse2,
                                 tintBlendSourceOverSse2, storeOpaque16Sse2,
                                 blendSourceOver16Sse2};

} // namespace

const SpanKernels* sse2SpanKernels() {
    return &Sse2Kernels;
}

} // namespace d3d8

#endif
