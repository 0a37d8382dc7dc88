// The alpha halves of "DXT2".."DXT5" across eight blocks in the lanes of AVX2 registers, with
// the plain encoder's operations in its order: each lane keeps its own mode (six or eight
// values) and its own refinement iterations. Only this file and its twins use -mavx2.
#include "blocks/dxt_lanes_avx2.h"

namespace dxt_avx2 {

namespace {

// One of eight per-lane values by a lane index 0..7, chosen bit by bit.
V pick8(const V values[8], VI index) {
    const V bit0 = maskOf(_mm256_slli_epi32(index, 31));
    const V bit1 = maskOf(_mm256_slli_epi32(index, 30));
    const V bit2 = maskOf(_mm256_slli_epi32(index, 29));
    const V v01 = select(bit0, values[1], values[0]), v23 = select(bit0, values[3], values[2]);
    const V v45 = select(bit0, values[5], values[4]), v67 = select(bit0, values[7], values[6]);
    return select(bit2, select(bit1, v67, v45), select(bit1, v23, v01));
}

// The weight of the low or high endpoint for step k of each lane's mode.
V stepWeight(const float (&sixTable)[6], const float (&eightTable)[8], V six, VI k) {
    const VI sixWeights = _mm256_castps_si256(_mm256_setr_ps(
        sixTable[0], sixTable[1], sixTable[2], sixTable[3], sixTable[4], sixTable[5], 0.0f, 0.0f));
    const VI eightWeights = _mm256_castps_si256(_mm256_loadu_ps(eightTable));
    return select(six, maskOf(_mm256_permutevar8x32_epi32(sixWeights, k)),
                  maskOf(_mm256_permutevar8x32_epi32(eightWeights, k)));
}

void refineAlphaEndpoints(const V values[16], V six, V& lo, V& hi) {
    lo = set1(1.0f);
    hi = _mm256_setzero_ps();
    for (int i = 0; i < 16; ++i) {
        const V v = values[i];
        lo = select(_mm256_or_ps(_mm256_xor_ps(six, maskOf(set1i(-1))),
                                 greaterThan(v, _mm256_setzero_ps())),
                    _mm256_min_ps(lo, v), lo);
        hi = select(_mm256_or_ps(_mm256_xor_ps(six, maskOf(set1i(-1))), lessThan(v, set1(1.0f))),
                    _mm256_max_ps(hi, v), hi);
    }
    const V last = select(six, set1(5.0f), set1(7.0f));
    const VI lastStep = select(six, set1i(5), set1i(7));
    V active = maskOf(set1i(-1));
    for (int iteration = 0; iteration < refineIterations; ++iteration) {
        active = _mm256_and_ps(active, greaterOrEqual(sub(hi, lo), set1(alphaMinimumSpan)));
        if (!any(active))
            break;
        const V scale = div(last, sub(hi, lo));
        V gradientLo = _mm256_setzero_ps(), hessianLo = _mm256_setzero_ps();
        V gradientHi = _mm256_setzero_ps(), hessianHi = _mm256_setzero_ps();
        for (int i = 0; i < 16; ++i) {
            const V a = values[i];
            const V t = mul(sub(a, lo), scale);
            const V positive = greaterThan(t, _mm256_setzero_ps());
            const V below = lessThan(t, last);
            const VI nearest = _mm256_cvttps_epi32(add(t, set1(0.5f)));
            const VI k = select(positive, select(below, nearest, lastStep), _mm256_setzero_si256());
            // Values near 1 (and near 0 below) are held by the fixed entries of six-value mode.
            const V nearOne =
                _mm256_andnot_ps(below, greaterOrEqual(a, mul(add(hi, set1(1.0f)), set1(0.5f))));
            const V nearZero = _mm256_cmp_ps(a, mul(lo, set1(0.5f)), _CMP_LE_OQ);
            const V skipped = _mm256_and_ps(six, select(positive, nearOne, nearZero));
            const V low = stepWeight(sixAlphaLowTable, eightAlphaLowTable, six, k);
            const V high = stepWeight(sixAlphaHighTable, eightAlphaHighTable, six, k);
            const V e = sub(a, add(mul(lo, low), mul(hi, high)));
            gradientLo = select(skipped, gradientLo, add(gradientLo, mul(e, low)));
            hessianLo = select(skipped, hessianLo, add(hessianLo, mul(low, low)));
            gradientHi = select(skipped, gradientHi, add(gradientHi, mul(e, high)));
            hessianHi = select(skipped, hessianHi, add(hessianHi, mul(high, high)));
        }
        const V moveLo = _mm256_and_ps(active, greaterThan(hessianLo, _mm256_setzero_ps()));
        lo = select(moveLo, add(lo, div(gradientLo, hessianLo)), lo);
        const V moveHi = _mm256_and_ps(active, greaterThan(hessianHi, _mm256_setzero_ps()));
        hi = select(moveHi, add(hi, div(gradientHi, hessianHi)), hi);
        const V swap = _mm256_and_ps(active, lessThan(hi, lo));
        const V oldLo = lo;
        lo = select(swap, hi, lo);
        hi = select(swap, oldLo, hi);
        const V converged =
            _mm256_and_ps(lessThan(mul(gradientLo, gradientLo), set1(alphaConverged)),
                          lessThan(mul(gradientHi, gradientHi), set1(alphaConverged)));
        active = _mm256_andnot_ps(converged, active);
    }
    lo = _mm256_min_ps(_mm256_max_ps(lo, _mm256_setzero_ps()), set1(1.0f));
    hi = _mm256_min_ps(_mm256_max_ps(hi, _mm256_setzero_ps()), set1(1.0f));
}

// Second pass: indices for the palette of alpha0 and alpha1 in each lane's mode.
void alphaIndices(const BlockLanes& in, VI alpha0, VI alpha1, V six, VI indices[16]) {
    const V x0 = mul(_mm256_cvtepi32_ps(alpha0), set1(scale8));
    const V x1 = mul(_mm256_cvtepi32_ps(alpha1), set1(scale8));
    V values[8] = {x0, x1};
    for (int j = 2; j < 8; ++j) {
        const V eight =
            mul(add(mul(set1(float(8 - j)), x0), mul(set1(float(j - 1)), x1)), set1(oneSeventh));
        V sixValue = j == 6 ? _mm256_setzero_ps() : set1(1.0f);
        if (j < 6)
            sixValue =
                mul(add(mul(set1(float(6 - j)), x0), mul(set1(float(j - 1)), x1)), set1(oneFifth));
        values[j] = select(six, sixValue, eight);
    }
    const V last = select(six, set1(5.0f), set1(7.0f));
    const V sameEnds = maskOf(_mm256_cmpeq_epi32(alpha0, alpha1));
    const V scale = select(sameEnds, _mm256_setzero_ps(), div(last, sub(x1, x0)));
    const VI sixMap = _mm256_setr_epi32(0, 2, 3, 4, 5, 1, 0, 0);
    const VI eightMap = _mm256_loadu_si256(reinterpret_cast<const VI*>(eightAlphaIndexTable));
    V pending[16];
    for (V& p : pending)
        p = _mm256_setzero_ps();
    for (int i = 0; i < 16; ++i) {
        const V a = add(in.a[i], pending[i]);
        const V t = mul(sub(a, x0), scale);
        const VI step = _mm256_cvttps_epi32(add(t, set1(0.5f)));
        const VI mapped = select(six, _mm256_permutevar8x32_epi32(sixMap, step),
                                 _mm256_permutevar8x32_epi32(eightMap, step));
        const V toOne = _mm256_and_ps(six, greaterOrEqual(a, mul(add(x1, set1(1.0f)), set1(0.5f))));
        const V toZero = _mm256_and_ps(six, _mm256_cmp_ps(a, mul(x0, set1(0.5f)), _CMP_LE_OQ));
        const VI above = select(toOne, set1i(7), set1i(1));
        const VI under = select(toZero, set1i(6), _mm256_setzero_si256());
        const V inside = _mm256_and_ps(greaterThan(t, _mm256_setzero_ps()), lessThan(t, last));
        const VI index = select(inside, mapped, select(greaterOrEqual(t, last), above, under));
        diffuse(pending, i, sub(a, pick8(values, index)));
        indices[i] = index;
    }
}

void storeLanes(VI v, uint32_t out[lanes]) {
    _mm256_storeu_si256(reinterpret_cast<VI*>(out), v);
}

} // namespace

void encodeExplicitAlphaLanes(const BlockLanes& in, uint8_t out[lanes][8]) {
    V pending[16];
    for (V& p : pending)
        p = _mm256_setzero_ps();
    uint32_t nibbles[16][lanes];
    for (int i = 0; i < 16; ++i) {
        const V a = add(in.a[i], pending[i]);
        const V rounded = truncate(add(mul(a, set1(15.0f)), set1(0.5f)));
        // Clamped so that a value pushed past the ends cannot spill into its neighbour.
        const V nibble = _mm256_min_ps(_mm256_max_ps(rounded, _mm256_setzero_ps()), set1(15.0f));
        diffuse(pending, i, sub(a, mul(nibble, set1(scale4))));
        storeLanes(_mm256_cvttps_epi32(nibble), nibbles[i]);
    }
    for (int j = 0; j < lanes; ++j) {
        for (int b = 0; b < 8; ++b)
            out[j][b] = uint8_t(nibbles[2 * b][j] | nibbles[2 * b + 1][j] << 4);
    }
}

void encodeInterpolatedAlphaLanes(const BlockLanes& in, uint8_t out[lanes][8]) {
    V quantized[16], pending[16];
    for (V& p : pending)
        p = _mm256_setzero_ps();
    V minimum = in.a[0], maximum = in.a[0];
    for (int i = 0; i < 16; ++i) {
        const V a = add(in.a[i], pending[i]);
        quantized[i] = mul(truncate(add(mul(a, set1(255.0f)), set1(0.5f))), set1(scale8));
        diffuse(pending, i, sub(a, quantized[i]));
        minimum = _mm256_min_ps(minimum, quantized[i]);
        maximum = _mm256_max_ps(maximum, quantized[i]);
    }
    const V allOne = _mm256_cmp_ps(minimum, set1(1.0f), _CMP_EQ_OQ);
    // Six values keep exact 0 and 1 apart from the interpolated ones.
    const V six = _mm256_or_ps(_mm256_cmp_ps(minimum, _mm256_setzero_ps(), _CMP_EQ_OQ),
                               _mm256_cmp_ps(maximum, set1(1.0f), _CMP_EQ_OQ));
    V lo, hi;
    refineAlphaEndpoints(quantized, six, lo, hi);
    const VI lo8 = _mm256_cvttps_epi32(add(mul(lo, set1(255.0f)), set1(0.5f)));
    const VI hi8 = _mm256_cvttps_epi32(add(mul(hi, set1(255.0f)), set1(0.5f)));
    // Eight values need alpha0 > alpha1; six values keep lo first.
    const VI alpha0 = select(six, lo8, hi8), alpha1 = select(six, hi8, lo8);
    VI indices[16];
    alphaIndices(in, alpha0, alpha1, six, indices);

    const V flat = _mm256_andnot_ps(six, maskOf(_mm256_cmpeq_epi32(lo8, hi8)));
    alignas(32) uint32_t first[lanes], second[lanes], flags[lanes];
    storeLanes(alpha0, first);
    storeLanes(alpha1, second);
    storeLanes(_mm256_or_si256(_mm256_and_si256(intMaskOf(allOne), set1i(1)),
                               _mm256_and_si256(intMaskOf(flat), set1i(2))),
               flags);
    uint32_t laneIndices[16][lanes];
    for (int i = 0; i < 16; ++i)
        storeLanes(indices[i], laneIndices[i]);
    for (int j = 0; j < lanes; ++j) {
        uint64_t field = 0;
        uint32_t a0 = first[j], a1 = second[j];
        if (flags[j] & 1) {
            a0 = a1 = 0xFF;
        } else if (flags[j] & 2) {
            a0 = a1 = second[j]; // lo8 of an eight-value lane
        } else {
            for (int i = 0; i < 16; ++i)
                field |= uint64_t(laneIndices[i][j]) << (3 * i);
        }
        out[j][0] = uint8_t(a0);
        out[j][1] = uint8_t(a1);
        for (int b = 0; b < 6; ++b)
            out[j][2 + b] = uint8_t(field >> (8 * b));
    }
}

} // namespace dxt_avx2
