// The colour repack on processors with AVX2: eight triples per step, four in each 128-bit lane,
// with the SSSE3 routine's shuffle. Only this file is compiled with -mavx2; the routine is
// chosen at run time, when the processor has it.
#include "texture/rgb_repack.h"

#include <immintrin.h>

bool repackAvx2Supported() {
    static const bool supported = __builtin_cpu_supports("avx2");
    return supported;
}

void repackRgbRowAvx2(const uint8_t* rgb, uint8_t* out, uint32_t count) {
    const __m256i toPixels =
        _mm256_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1, //
                         2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1);
    uint32_t x = 0;
    // The upper lane's load reads 16 bytes from triple x + 4 for 12 used ones.
    for (; 3 * (x + 8) + 4 <= 3 * count; x += 8) {
        const __m256i triples =
            _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(rgb + 3 * x + 12),
                                reinterpret_cast<const __m128i*>(rgb + 3 * x));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * x),
                            _mm256_shuffle_epi8(triples, toPixels));
    }
    repackRgbRowSsse3(rgb + 3 * x, out + 4 * x, count - x);
}
