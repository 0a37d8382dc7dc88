// The SSE set: the packed-single routines with lanes copied by SHUFPS, the one shuffle SSE has.
// Built without SSE2 (see CMakeLists.txt), so nothing in it needs more than SSE.
#include "cpu/math_simd_kernels.h"

namespace {

struct SseLanes {
    template <int I> static __m128 broadcast(__m128 v) {
        return _mm_shuffle_ps(v, v, _MM_SHUFFLE(I, I, I, I));
    }
};

} // namespace

constinit const MathDispatchTable sseMathSet = math_simd::simdMathSet<SseLanes>();
