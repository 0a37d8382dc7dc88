// The span kernels of the game's hot path: modulating texels by diffuse colours (tinted
// sprites and text), and on a 32-bit X8R8G8B8 target storing opaque colours and blending with
// SRCALPHA / INVSRCALPHA / ADD, which copies runs of opaque texels and skips runs of
// transparent ones. The plain routines are the reference; the SSE2
// (span_kernels_sse2.cpp) and AVX2 (span_kernels_avx2.cpp) variants do four and eight pixels
// at a time and give the same bytes. The two 16-bit kernels do the same for an R5G6B5 target,
// whose channels are narrowed to round(v * (2^n - 1) / 255) and widened back the same way.
#pragma once

#include <cstdint>

namespace d3d8 {

struct SpanKernels {
    // out[i] = round(a[i] * b[i] / 255) per channel, alpha included.
    void (*modulate)(uint32_t* out, const uint32_t* a, const uint32_t* b, int n);
    // dst[i] = src[i] with the unused byte set to 0xFF.
    void (*storeOpaque)(uint32_t* dst, const uint32_t* src, int n);
    // dst[i] = round((src * a + dst * (255 - a)) / 255) per colour channel, a = src alpha,
    // with the unused byte set to 0xFF; a pixel under a texel of alpha 0 is left untouched.
    // The render target keeps every unused byte at 0xFF, so the variants may blend a group
    // holding such texels or skip it alike.
    void (*blendSourceOver)(uint32_t* dst, const uint32_t* src, int n);
    // blendSourceOver of the texels modulated by one colour, in one pass: groups of texels
    // whose alpha is 0, most of a line of text, are skipped before they are tinted.
    void (*tintBlendSourceOver)(uint32_t* dst, const uint32_t* texels, uint32_t color, int n);
    // dst[i] = src[i] narrowed to R5G6B5.
    void (*storeOpaque16)(uint16_t* dst, const uint32_t* src, int n);
    // blendSourceOver into an R5G6B5 target: the destination widened, blended, narrowed.
    void (*blendSourceOver16)(uint16_t* dst, const uint32_t* src, int n);
};

const SpanKernels& plainSpanKernels();
// The SSE2 and AVX2 kernels, or null where the processor or the build has none.
const SpanKernels* sse2SpanKernels();
const SpanKernels* avx2SpanKernels();
// The kernels the rasteriser uses, chosen once.
const SpanKernels& spanKernels();

} // namespace d3d8
