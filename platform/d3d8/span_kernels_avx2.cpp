// AVX2 span kernels, eight pixels per step, for processors that have AVX2 (checked once at
// run time); this file alone is compiled with -mavx2.
#include "d3d8/span_kernels.h"

#include <immintrin.h>

namespace d3d8 {

namespace {

void storeOpaqueAvx2(uint32_t* dst, const uint32_t* src, int n) {
    const __m256i alphaMask = _mm256_set1_epi32(int(0xFF000000u));
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), _mm256_or_si256(s, alphaMask));
    }
    plainSpanKernels().storeOpaque(dst + i, src + i, n - i);
}

// round(x / 255) on 16-bit lanes holding at most 255 * 255.
__m256i div255(__m256i x) {
    x = _mm256_add_epi16(x, _mm256_set1_epi16(128));
    return _mm256_srli_epi16(_mm256_add_epi16(x, _mm256_srli_epi16(x, 8)), 8);
}

// Blends pixels held as 16-bit lanes, two per 128-bit half.
__m256i blendLanes(__m256i s, __m256i d) {
    __m256i alpha = _mm256_shufflelo_epi16(s, _MM_SHUFFLE(3, 3, 3, 3));
    alpha = _mm256_shufflehi_epi16(alpha, _MM_SHUFFLE(3, 3, 3, 3));
    const __m256i inverse = _mm256_sub_epi16(_mm256_set1_epi16(255), alpha);
    return div255(_mm256_add_epi16(_mm256_mullo_epi16(s, alpha), _mm256_mullo_epi16(d, inverse)));
}

void modulateAvx2(uint32_t* out, const uint32_t* a, const uint32_t* b, int n) {
    const __m256i zero = _mm256_setzero_si256();
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + i));
        const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i));
        const __m256i low = div255(
            _mm256_mullo_epi16(_mm256_unpacklo_epi8(x, zero), _mm256_unpacklo_epi8(y, zero)));
        const __m256i high = div255(
            _mm256_mullo_epi16(_mm256_unpackhi_epi8(x, zero), _mm256_unpackhi_epi8(y, zero)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_packus_epi16(low, high));
    }
    plainSpanKernels().modulate(out + i, a + i, b + i, n - i);
}

__m256i load(const uint32_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

void store(uint32_t* p, __m256i pixels) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), pixels);
}

bool allOpaque(__m256i pixels) {
    const __m256i alphaMask = _mm256_set1_epi32(int(0xFF000000u));
    const __m256i alpha = _mm256_and_si256(pixels, alphaMask);
    return _mm256_movemask_epi8(_mm256_cmpeq_epi32(alpha, alphaMask)) == -1;
}

// Eight pixels over the destination; fully opaque and fully transparent groups take the
// short ways.
void blendEight(uint32_t* dst, __m256i s) {
    const __m256i alphaMask = _mm256_set1_epi32(int(0xFF000000u));
    const __m256i zero = _mm256_setzero_si256();
    if (allOpaque(s)) {
        store(dst, s);
        return;
    }
    if (_mm256_testz_si256(s, alphaMask))
        return;
    const __m256i d = load(dst);
    const __m256i low = blendLanes(_mm256_unpacklo_epi8(s, zero), _mm256_unpacklo_epi8(d, zero));
    const __m256i high = blendLanes(_mm256_unpackhi_epi8(s, zero), _mm256_unpackhi_epi8(d, zero));
    store(dst, _mm256_or_si256(_mm256_packus_epi16(low, high), alphaMask));
}

void blendSourceOverAvx2(uint32_t* dst, const uint32_t* src, int n) {
    int i = 0;
    // Opaque runs (the background, the inside of a sprite) are tested 32 pixels at a time, so
    // they go nearly as fast as a copy.
    for (; i + 32 <= n; i += 32) {
        const __m256i s0 = load(src + i), s1 = load(src + i + 8);
        const __m256i s2 = load(src + i + 16), s3 = load(src + i + 24);
        if (allOpaque(_mm256_and_si256(_mm256_and_si256(s0, s1), _mm256_and_si256(s2, s3)))) {
            store(dst + i, s0);
            store(dst + i + 8, s1);
            store(dst + i + 16, s2);
            store(dst + i + 24, s3);
            continue;
        }
        blendEight(dst + i, s0);
        blendEight(dst + i + 8, s1);
        blendEight(dst + i + 16, s2);
        blendEight(dst + i + 24, s3);
    }
    for (; i + 8 <= n; i += 8)
        blendEight(dst + i, load(src + i));
    plainSpanKernels().blendSourceOver(dst + i, src + i, n - i);
}

void tintBlendSourceOverAvx2(uint32_t* dst, const uint32_t* texels, uint32_t color, int n) {
    const __m256i alphaMask = _mm256_set1_epi32(int(0xFF000000u));
    const __m256i zero = _mm256_setzero_si256();
    const __m256i tint = _mm256_unpacklo_epi8(_mm256_set1_epi32(int(color)), zero);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i t = load(texels + i);
        if (_mm256_testz_si256(t, alphaMask))
            continue;
        const __m256i low = div255(_mm256_mullo_epi16(_mm256_unpacklo_epi8(t, zero), tint));
        const __m256i high = div255(_mm256_mullo_epi16(_mm256_unpackhi_epi8(t, zero), tint));
        blendEight(dst + i, _mm256_packus_epi16(low, high));
    }
    plainSpanKernels().tintBlendSourceOver(dst + i, texels + i, color, n - i);
}

// Eight pixels narrowed to R5G6B5 words, one in the low half of each 32-bit lane. Each
// channel is round(v * (2^n - 1) / 255), computed as ((v + 4) * 7971) >> 16 for five bits and
// ((v + 2) * 16192) >> 16 for six, which give the same value for every byte.
__m256i narrowEight(__m256i s) {
    __m256i rb = _mm256_and_si256(s, _mm256_set1_epi32(0x00FF00FF));
    rb = _mm256_mulhi_epu16(_mm256_add_epi16(rb, _mm256_set1_epi16(4)), _mm256_set1_epi16(7971));
    // Green in the low half of each lane; the alpha in the high half is multiplied by 0.
    __m256i g = _mm256_add_epi16(_mm256_srli_epi16(s, 8), _mm256_set1_epi32(2));
    g = _mm256_mulhi_epu16(g, _mm256_set1_epi32(16192));
    // b + r * 2048 from the two halves of each lane, then g * 32.
    return _mm256_or_si256(_mm256_madd_epi16(rb, _mm256_set1_epi32(1 | 2048 << 16)),
                           _mm256_slli_epi32(g, 5));
}

// Eight R5G6B5 words widened to X8R8G8B8 (the unused byte 0xFF). Each channel is
// round(v * 255 / (2^n - 1)), computed as ((v * 2048 + 90) * 527) >> 17 for five bits and
// ((v * 1024 + 131) * 259) >> 16 for six.
__m256i widenEight(__m128i words) {
    const __m256i q = _mm256_cvtepu16_epi32(words);
    __m256i rb = _mm256_or_si256(_mm256_and_si256(_mm256_slli_epi32(q, 11), _mm256_set1_epi32(0xF800)),
                                 _mm256_slli_epi32(_mm256_and_si256(q, _mm256_set1_epi32(0xF800)), 16));
    rb = _mm256_add_epi16(rb, _mm256_set1_epi16(90));
    rb = _mm256_srli_epi16(_mm256_mulhi_epu16(rb, _mm256_set1_epi16(527)), 1);
    __m256i g = _mm256_slli_epi32(_mm256_and_si256(q, _mm256_set1_epi32(0x7E0)), 5);
    g = _mm256_add_epi32(g, _mm256_set1_epi32(131));
    g = _mm256_mulhi_epu16(g, _mm256_set1_epi32(259));
    return _mm256_or_si256(_mm256_or_si256(rb, _mm256_slli_epi32(g, 8)),
                           _mm256_set1_epi32(int(0xFF000000u)));
}

// Sixteen narrowed pixels (two results of narrowEight) as words in the pixels' order.
__m256i packWords(__m256i first, __m256i second) {
    return _mm256_permute4x64_epi64(_mm256_packus_epi32(first, second), _MM_SHUFFLE(3, 1, 2, 0));
}

__m128i packWords(__m256i eight) {
    return _mm256_castsi256_si128(packWords(eight, eight));
}

__m128i loadWords(const uint16_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

void storeWords(uint16_t* p, __m128i words) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), words);
}

void storeWords(uint16_t* p, __m256i words) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), words);
}

void storeOpaque16Avx2(uint16_t* dst, const uint32_t* src, int n) {
    int i = 0;
    for (; i + 16 <= n; i += 16)
        storeWords(dst + i, packWords(narrowEight(load(src + i)), narrowEight(load(src + i + 8))));
    for (; i + 8 <= n; i += 8)
        storeWords(dst + i, packWords(narrowEight(load(src + i))));
    plainSpanKernels().storeOpaque16(dst + i, src + i, n - i);
}

// Eight pixels over an R5G6B5 destination; opaque and transparent groups take the short ways.
void blendEight16(uint16_t* dst, __m256i s) {
    const __m256i alphaMask = _mm256_set1_epi32(int(0xFF000000u));
    if (allOpaque(s)) {
        storeWords(dst, packWords(narrowEight(s)));
        return;
    }
    if (_mm256_testz_si256(s, alphaMask))
        return;
    const __m256i zero = _mm256_setzero_si256();
    const __m256i d = widenEight(loadWords(dst));
    const __m256i low = blendLanes(_mm256_unpacklo_epi8(s, zero), _mm256_unpacklo_epi8(d, zero));
    const __m256i high = blendLanes(_mm256_unpackhi_epi8(s, zero), _mm256_unpackhi_epi8(d, zero));
    storeWords(dst, packWords(narrowEight(_mm256_packus_epi16(low, high))));
}

void blendSourceOver16Avx2(uint16_t* dst, const uint32_t* src, int n) {
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m256i s0 = load(src + i), s1 = load(src + i + 8);
        if (allOpaque(_mm256_and_si256(s0, s1))) {
            storeWords(dst + i, packWords(narrowEight(s0), narrowEight(s1)));
            continue;
        }
        blendEight16(dst + i, s0);
        blendEight16(dst + i + 8, s1);
    }
    for (; i + 8 <= n; i += 8)
        blendEight16(dst + i, load(src + i));
    plainSpanKernels().blendSourceOver16(dst + i, src + i, n - i);
}

const SpanKernels Avx2Kernels = {modulateAvx2,      storeOpaqueAvx2,      blendSourceOverAvx2,
                                 tintBlendSourceOverAvx2, storeOpaque16Avx2,
                                 blendSourceOver16Avx2};

} // namespace

const SpanKernels* avx2SpanKernels() {
    static const bool supported = __builtin_cpu_supports("avx2");
    return supported ? &Avx2Kernels : nullptr;
}

} // namespace d3d8
