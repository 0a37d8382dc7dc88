// The plain inner loops of the mip chain builder and the choice of variant.
#include "blit/mip_rows.h"

#include "cpu/processor_features.h"

#include <algorithm>

namespace {

// Rows are added a block at a time so the block of sums stays in the first-level cache.
constexpr size_t blockFloats = 1024;

} // namespace

void combineRowsPlain(const float* const* rows, const float* weights, uint32_t taps, size_t count,
                      float* out) {
    for (size_t base = 0; base < count; base += blockFloats) {
        const size_t n = std::min(blockFloats, count - base);
        float* sums = out + base;
        for (size_t i = 0; i < n; ++i)
            sums[i] = 0.0f;
        for (uint32_t t = 0; t < taps; ++t) {
            const float w = weights[t];
            const float* row = rows[t] + base;
            for (size_t i = 0; i < n; ++i)
                sums[i] += w * row[i];
        }
    }
}

void gatherTexelsPlain(const float* in, const uint32_t* index, const float* weight, uint32_t taps,
                       uint32_t count, float* out) {
    for (uint32_t d = 0; d < count; ++d) {
        float r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;
        const uint32_t* at = index + size_t(d) * taps;
        const float* w = weight + size_t(d) * taps;
        for (uint32_t t = 0; t < taps; ++t) {
            const float* texel = in + size_t(at[t]) * 4;
            r += w[t] * texel[0];
            g += w[t] * texel[1];
            b += w[t] * texel[2];
            a += w[t] * texel[3];
        }
        float* o = out + size_t(d) * 4;
        o[0] = r;
        o[1] = g;
        o[2] = b;
        o[3] = a;
    }
}

void gatherHalvingPlain(const float* in, const float* weight, uint32_t taps, uint32_t count,
                        float* out) {
    for (uint32_t k = 0; k < count; ++k) {
        float r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;
        const float* texel = in + size_t(k) * 8;
        for (uint32_t t = 0; t < taps; ++t, texel += 4) {
            r += weight[t] * texel[0];
            g += weight[t] * texel[1];
            b += weight[t] * texel[2];
            a += weight[t] * texel[3];
        }
        float* o = out + size_t(k) * 4;
        o[0] = r;
        o[1] = g;
        o[2] = b;
        o[3] = a;
    }
}

MipRowRoutines plainMipRowRoutines() {
    return {combineRowsPlain, gatherTexelsPlain, gatherHalvingPlain};
}

MipRowRoutines mipRowRoutines() {
    static const MipRowRoutines routines =
        isMmxUsable() && mipRowsAvx2Supported()
            ? MipRowRoutines{combineRowsAvx2, gatherTexelsAvx2, gatherHalvingAvx2}
            : plainMipRowRoutines();
    return routines;
}
