// The mip chain builder's inner loops eight floats (two texels) at a time; multiplies and adds
// stay separate, in the plain loops' order, so the bits match.
#include "blit/mip_rows.h"

#include <algorithm>
#include <immintrin.h>

bool mipRowsAvx2Supported() {
    static const bool supported = __builtin_cpu_supports("avx2");
    return supported;
}

void combineRowsAvx2(const float* const* rows, const float* weights, uint32_t taps, size_t count,
                     float* out) {
    constexpr size_t block = 1024;
    for (size_t base = 0; base < count; base += block) {
        const size_t n = std::min(block, count - base);
        float* sums = out + base;
        const size_t wide = n / 8 * 8;
        for (size_t i = 0; i < n; ++i)
            sums[i] = 0.0f;
        for (uint32_t t = 0; t < taps; ++t) {
            const __m256 w = _mm256_set1_ps(weights[t]);
            const float* row = rows[t] + base;
            size_t i = 0;
            for (; i < wide; i += 8) {
                const __m256 product = _mm256_mul_ps(w, _mm256_loadu_ps(row + i));
                _mm256_storeu_ps(sums + i, _mm256_add_ps(_mm256_loadu_ps(sums + i), product));
            }
            for (; i < n; ++i)
                sums[i] += weights[t] * row[i];
        }
    }
}

void gatherTexelsAvx2(const float* in, const uint32_t* index, const float* weight, uint32_t taps,
                      uint32_t count, float* out) {
    uint32_t d = 0;
    for (; d + 2 <= count; d += 2) {
        const uint32_t* at0 = index + size_t(d) * taps;
        const uint32_t* at1 = at0 + taps;
        const float* w0 = weight + size_t(d) * taps;
        const float* w1 = w0 + taps;
        __m256 sum = _mm256_setzero_ps();
        for (uint32_t t = 0; t < taps; ++t) {
            const __m256 texels = _mm256_set_m128(_mm_loadu_ps(in + size_t(at1[t]) * 4),
                                                  _mm_loadu_ps(in + size_t(at0[t]) * 4));
            const __m256 w = _mm256_set_m128(_mm_set1_ps(w1[t]), _mm_set1_ps(w0[t]));
            sum = _mm256_add_ps(sum, _mm256_mul_ps(w, texels));
        }
        _mm256_storeu_ps(out + size_t(d) * 4, sum);
    }
    if (d < count)
        gatherTexelsPlain(in, index + size_t(d) * taps, weight + size_t(d) * taps, taps, count - d,
                          out + size_t(d) * 4);
}
