// Plain span kernels and the one-time choice of the variant the rasteriser uses.
#include "d3d8/span_kernels.h"

#include "d3d8/pixel_math.h"

namespace d3d8 {

namespace {

void modulatePlain(uint32_t* out, const uint32_t* a, const uint32_t* b, int n) {
    for (int i = 0; i < n; ++i) {
        uint32_t result = 0;
        for (int shift = 0; shift < 32; shift += 8)
            result |= div255(((a[i] >> shift) & 0xFF) * ((b[i] >> shift) & 0xFF)) << shift;
        out[i] = result;
    }
}

void storeOpaquePlain(uint32_t* dst, const uint32_t* src, int n) {
    for (int i = 0; i < n; ++i)
        dst[i] = src[i] | 0xFF000000u;
}

void blendSourceOverPlain(uint32_t* dst, const uint32_t* src, int n) {
    for (int i = 0; i < n; ++i) {
        const uint32_t s = src[i];
        const uint32_t a = s >> 24;
        if (a == 255) {
            dst[i] = s;
            continue;
        }
        if (a == 0)
            continue;
        const uint32_t d = dst[i];
        uint32_t result = 0xFF000000u;
        for (int shift = 0; shift < 24; shift += 8)
            result |= div255(((s >> shift) & 0xFF) * a + ((d >> shift) & 0xFF) * (255 - a))
                      << shift;
        dst[i] = result;
    }
}

void tintBlendSourceOverPlain(uint32_t* dst, const uint32_t* texels, uint32_t color, int n) {
    for (int i = 0; i < n; ++i) {
        if ((texels[i] >> 24) == 0)
            continue;
        uint32_t tinted;
        modulatePlain(&tinted, texels + i, &color, 1);
        blendSourceOverPlain(dst + i, &tinted, 1);
    }
}

void storeOpaque16Plain(uint16_t* dst, const uint32_t* src, int n) {
    for (int i = 0; i < n; ++i)
        dst[i] = r5g6b5OfArgb(src[i]);
}

void blendSourceOver16Plain(uint16_t* dst, const uint32_t* src, int n) {
    for (int i = 0; i < n; ++i) {
        const uint32_t s = src[i];
        const uint32_t a = s >> 24;
        if (a == 0)
            continue;
        uint32_t blended = s;
        if (a != 255) {
            const uint32_t d = argbOfR5G6B5(dst[i]);
            blended = 0;
            for (int shift = 0; shift < 24; shift += 8)
                blended |=
                    div255(((s >> shift) & 0xFF) * a + ((d >> shift) & 0xFF) * (255 - a))
                    << shift;
        }
        dst[i] = r5g6b5OfArgb(blended);
    }
}

const SpanKernels PlainKernels = {modulatePlain,           storeOpaquePlain,
                                  blendSourceOverPlain,    tintBlendSourceOverPlain,
                                  storeOpaque16Plain,      blendSourceOver16Plain};

} // namespace

const SpanKernels& plainSpanKernels() {
    return PlainKernels;
}

#if !defined(__SSE2__)
const SpanKernels* sse2SpanKernels() {
    return nullptr;
}
#endif

#if !defined(BOSQ_HAVE_AVX2_KERNELS)
const SpanKernels* avx2SpanKernels() {
    return nullptr;
}
#endif

const SpanKernels& spanKernels() {
    static const SpanKernels& chosen = avx2SpanKernels() != nullptr   ? *avx2SpanKernels()
                                       : sse2SpanKernels() != nullptr ? *sse2SpanKernels()
                                                                      : plainSpanKernels();
    return chosen;
}

} // namespace d3d8
