// The two span kernels of the game's hot path on a 32-bit X8R8G8B8 target: storing opaque
// colours, and blending with SRCALPHA / INVSRCALPHA / ADD, which copies runs of opaque
// texels and skips runs of transparent ones. The plain routines are the reference; an SSE2
// variant (span_kernels_sse2.cpp) does four pixels at a time. Both give the same bytes.
#pragma once

#include <cstdint>

namespace d3d8 {

struct SpanKernels {
    // dst[i] = src[i] with the unused byte set to 0xFF.
    void (*storeOpaque)(uint32_t* dst, const uint32_t* src, int n);
    // dst[i] = round((src * a + dst * (255 - a)) / 255) per colour channel, a = src alpha;
    // the unused byte becomes 0xFF.
    void (*blendSourceOver)(uint32_t* dst, const uint32_t* src, int n);
};

const SpanKernels& plainSpanKernels();
// The SSE2 kernels, or null where the processor or the build has none.
const SpanKernels* sse2SpanKernels();
// The kernels the rasteriser uses, chosen once.
const SpanKernels& spanKernels();

} // namespace d3d8
