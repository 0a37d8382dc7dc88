// The mip chain builder's inner loops eight floats (two texels) at a time; multiplies and adds
// stay separate, in the plain loops' order, so the bits match.
#include "blit/mip_rows.h"

#include <algorithm>
#include <immintrin.h>

bool mipRowsAvx2Supported() {
    static const bool supported = __builtin_cpu_supports("avx2");
    return supported;
}

// Thirty-two sums at a time stay in registers while every row adds its products in turn.
void combineRowsAvx2(const float* const* rows, const float* weights, uint32_t taps, size_t count,
                     float* out) {
    size_t i = 0;
    for (; i + 32 <= count; i += 32) {
        __m256 s0 = _mm256_setzero_ps(), s1 = s0, s2 = s0, s3 = s0;
        for (uint32_t t = 0; t < taps; ++t) {
            const __m256 w = _mm256_set1_ps(weights[t]);
            const float* row = rows[t] + i;
            s0 = _mm256_add_ps(s0, _mm256_mul_ps(w, _mm256_loadu_ps(row)));
            s1 = _mm256_add_ps(s1, _mm256_mul_ps(w, _mm256_loadu_ps(row + 8)));
            s2 = _mm256_add_ps(s2, _mm256_mul_ps(w, _mm256_loadu_ps(row + 16)));
            s3 = _mm256_add_ps(s3, _mm256_mul_ps(w, _mm256_loadu_ps(row + 24)));
        }
        _mm256_storeu_ps(out + i, s0);
        _mm256_storeu_ps(out + i + 8, s1);
        _mm256_storeu_ps(out + i + 16, s2);
        _mm256_storeu_ps(out + i + 24, s3);
    }
    for (; i + 8 <= count; i += 8) {
        __m256 sum = _mm256_setzero_ps();
        for (uint32_t t = 0; t < taps; ++t)
            sum = _mm256_add_ps(sum,
                                _mm256_mul_ps(_mm256_set1_ps(weights[t]), _mm256_loadu_ps(rows[t] + i)));
        _mm256_storeu_ps(out + i, sum);
    }
    for (; i < count; ++i) {
        float sum = 0.0f;
        for (uint32_t t = 0; t < taps; ++t)
            sum += weights[t] * rows[t][i];
        out[i] = sum;
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

// Two neighbouring destinations share a load: one step takes texels p and p + 1, which are the
// first destination's tap s and the second's tap s - 1, so the second runs one step behind.
// The steps outside a destination's taps add a zero product to a sum that started at +0 and
// leave its bits as they were; values are finite.
void gatherHalvingAvx2(const float* in, const float* weight, uint32_t taps, uint32_t count,
                       float* out) {
    constexpr uint32_t stepsMax = 32;
    uint32_t k = 0;
    if (taps + 1 <= stepsMax) {
        __m256 w[stepsMax];
        for (uint32_t s = 0; s <= taps; ++s)
            w[s] = _mm256_insertf128_ps(
                _mm256_castps128_ps256(_mm_set1_ps(s < taps ? weight[s] : 0.0f)),
                _mm_set1_ps(s > 0 ? weight[s - 1] : 0.0f), 1);
        for (; k + 4 <= count; k += 4) {
            const float* p0 = in + size_t(k) * 8;
            const float* p1 = p0 + 16;
            __m256 s0 = _mm256_setzero_ps(), s1 = s0;
            for (uint32_t s = 0; s <= taps; ++s) {
                s0 = _mm256_add_ps(s0, _mm256_mul_ps(w[s], _mm256_loadu_ps(p0 + 4 * s)));
                s1 = _mm256_add_ps(s1, _mm256_mul_ps(w[s], _mm256_loadu_ps(p1 + 4 * s)));
            }
            _mm256_storeu_ps(out + size_t(k) * 4, s0);
            _mm256_storeu_ps(out + size_t(k) * 4 + 8, s1);
        }
    }
    if (k < count)
        gatherHalvingPlain(in + size_t(k) * 8, weight, taps, count - k, out + size_t(k) * 4);
}
