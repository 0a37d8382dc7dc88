// The SSE2 set: the packed-single routines with lanes copied by PSHUFD, which needs no copy of
// its source register first.
#include "cpu/math_simd_kernels.h"

#include <emmintrin.h>

namespace {

struct Sse2Lanes {
    template <int I> static __m128 broadcast(__m128 v) {
        return _mm_castsi128_ps(_mm_shuffle_epi32(_mm_castps_si128(v), _MM_SHUFFLE(I, I, I, I)));
    }
};

} // namespace

constinit const MathDispatchTable sse2MathSet = math_simd::simdMathSet<Sse2Lanes>();
