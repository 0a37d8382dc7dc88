// The colour block encoder across eight blocks in the lanes of AVX2 registers, and the batch
// routines of the five formats: each lane follows its own block (its colour mode, its
// refinement iterations) with the plain encoder's operations in the plain encoder's order;
// lanes that are done keep their values through masks. Built with -mavx2.
#include "blocks/dxt_batch.h"

#include "blocks/dxt_block.h"
#include "blocks/dxt_lanes_avx2.h"

#include <cstring>
#include <initializer_list>

namespace {

using namespace dxt_avx2;

void quantizedPoints(const BlockLanes& in, Color3 points[16]) {
    V pendingR[16], pendingG[16], pendingB[16];
    for (int i = 0; i < 16; ++i)
        pendingR[i] = pendingG[i] = pendingB[i] = _mm256_setzero_ps();
    for (int i = 0; i < 16; ++i) {
        const V r = add(in.r[i], pendingR[i]);
        const V g = add(in.g[i], pendingG[i]);
        const V b = add(in.b[i], pendingB[i]);
        const V qr = mul(truncate(add(mul(r, set1(31.0f)), set1(0.5f))), set1(scale5));
        const V qg = mul(truncate(add(mul(g, set1(63.0f)), set1(0.5f))), set1(scale6));
        const V qb = mul(truncate(add(mul(b, set1(31.0f)), set1(0.5f))), set1(scale5));
        diffuse(pendingR, i, sub(r, qr));
        diffuse(pendingG, i, sub(g, qg));
        diffuse(pendingB, i, sub(b, qb));
        points[i] = {mul(qr, set1(weightRed)), mul(qg, set1(weightGreen)),
                     mul(qb, set1(weightBlue))};
    }
}

// Exchanges the green and blue ends of the box for the diagonal the points follow best.
void chooseDiagonal(const Color3 points[16], V active, Color3& lo, Color3& hi, const Color3& box,
                    V lengthSquared) {
    const Color3 centre = {mul(add(lo.r, hi.r), set1(0.5f)), mul(add(lo.g, hi.g), set1(0.5f)),
                           mul(add(lo.b, hi.b), set1(0.5f))};
    V sums[4];
    for (V& s : sums)
        s = _mm256_setzero_ps();
    for (int i = 0; i < 16; ++i) {
        const V x = div(mul(sub(points[i].r, centre.r), box.r), lengthSquared);
        const V y = div(mul(sub(points[i].g, centre.g), box.g), lengthSquared);
        const V z = div(mul(sub(points[i].b, centre.b), box.b), lengthSquared);
        const V s[4] = {add(add(x, y), z), sub(add(x, y), z), add(sub(x, y), z), sub(sub(x, y), z)};
        for (int k = 0; k < 4; ++k)
            sums[k] = add(sums[k], mul(s[k], s[k]));
    }
    V bestSum = sums[0];
    VI best = _mm256_setzero_si256();
    for (int k = 1; k < 4; ++k) {
        const V larger = greaterThan(sums[k], bestSum);
        bestSum = select(larger, sums[k], bestSum);
        best = select(larger, set1i(k), best);
    }
    const V swapGreen = _mm256_and_ps(active, maskOf(_mm256_cmpgt_epi32(best, set1i(1))));
    const V swapBlue = _mm256_and_ps(
        active, maskOf(_mm256_cmpeq_epi32(_mm256_and_si256(best, set1i(1)), set1i(1))));
    const V loG = select(swapGreen, hi.g, lo.g), hiG = select(swapGreen, lo.g, hi.g);
    const V loB = select(swapBlue, hi.b, lo.b), hiB = select(swapBlue, lo.b, hi.b);
    lo.g = loG;
    hi.g = hiG;
    lo.b = loB;
    hi.b = hiB;
}

void refineColorEndpoints(const Color3 points[16], V three, Color3& lo, Color3& hi) {
    lo = {set1(weightRed), set1(weightGreen), set1(weightBlue)};
    hi = {_mm256_setzero_ps(), _mm256_setzero_ps(), _mm256_setzero_ps()};
    for (int i = 0; i < 16; ++i) {
        lo = {_mm256_min_ps(lo.r, points[i].r), _mm256_min_ps(lo.g, points[i].g),
              _mm256_min_ps(lo.b, points[i].b)};
        hi = {_mm256_max_ps(hi.r, points[i].r), _mm256_max_ps(hi.g, points[i].g),
              _mm256_max_ps(hi.b, points[i].b)};
    }
    const Color3 box = difference(hi, lo);
    const V boxLengthSquared = dot(box, box);
    const V diagonalLanes = notLessThan(boxLengthSquared, set1(smallestNormal));
    if (any(diagonalLanes))
        chooseDiagonal(points, diagonalLanes, lo, hi, box, boxLengthSquared);
    V active = notLessThan(boxLengthSquared, set1(minimumSpan));

    V lowWeights[4], highWeights[4];
    for (int k = 0; k < 4; ++k) {
        lowWeights[k] =
            select(three, set1(k < 3 ? threeColorLowTable[k] : 0.0f), set1(fourColorLowTable[k]));
        highWeights[k] =
            select(three, set1(k < 3 ? threeColorHighTable[k] : 0.0f), set1(fourColorHighTable[k]));
    }
    const V steps = select(three, set1(2.0f), set1(3.0f));
    const VI lastStep = select(three, set1i(2), set1i(3));
    const V eighth = set1(0.125f);
    for (int iteration = 0; iteration < refineIterations && any(active); ++iteration) {
        Color3 palette[4];
        for (int k = 0; k < 4; ++k) {
            palette[k] = {add(mul(lo.r, lowWeights[k]), mul(hi.r, highWeights[k])),
                          add(mul(lo.g, lowWeights[k]), mul(hi.g, highWeights[k])),
                          add(mul(lo.b, lowWeights[k]), mul(hi.b, highWeights[k]))};
        }
        const Color3 d = difference(hi, lo);
        const V lengthSquared = dot(d, d);
        active = _mm256_andnot_ps(lessThan(lengthSquared, set1(minimumSpan)), active);
        if (!any(active))
            break;
        const V scale = div(steps, lengthSquared);
        Color3 gradientLo = {_mm256_setzero_ps(), _mm256_setzero_ps(), _mm256_setzero_ps()};
        Color3 gradientHi = gradientLo;
        V hessianLo = _mm256_setzero_ps(), hessianHi = _mm256_setzero_ps();
        for (int i = 0; i < 16; ++i) {
            const Color3& p = points[i];
            const V t = mul(dot(difference(p, lo), d), scale);
            const V rounded = add(t, set1(0.5f));
            const VI nearest = select(greaterThan(rounded, _mm256_setzero_ps()),
                                      _mm256_cvttps_epi32(rounded), _mm256_setzero_si256());
            const VI k = select(lessThan(t, steps), nearest, lastStep);
            const V qr[4] = {palette[0].r, palette[1].r, palette[2].r, palette[3].r};
            const V qg[4] = {palette[0].g, palette[1].g, palette[2].g, palette[3].g};
            const V qb[4] = {palette[0].b, palette[1].b, palette[2].b, palette[3].b};
            const Color3 e = {sub(pick(qr, k), p.r), sub(pick(qg, k), p.g), sub(pick(qb, k), p.b)};
            const V low = pick(lowWeights, k), high = pick(highWeights, k);
            gradientLo = {add(gradientLo.r, mul(mul(e.r, low), eighth)),
                          add(gradientLo.g, mul(mul(e.g, low), eighth)),
                          add(gradientLo.b, mul(mul(e.b, low), eighth))};
            hessianLo = add(hessianLo, mul(mul(low, low), eighth));
            gradientHi = {add(gradientHi.r, mul(mul(e.r, high), eighth)),
                          add(gradientHi.g, mul(mul(e.g, high), eighth)),
                          add(gradientHi.b, mul(mul(e.b, high), eighth))};
            hessianHi = add(hessianHi, mul(mul(high, high), eighth));
        }
        const V moveLo = _mm256_and_ps(active, greaterThan(hessianLo, _mm256_setzero_ps()));
        lo = select(moveLo,
                    Color3{sub(lo.r, div(gradientLo.r, hessianLo)),
                           sub(lo.g, div(gradientLo.g, hessianLo)),
                           sub(lo.b, div(gradientLo.b, hessianLo))},
                    lo);
        const V moveHi = _mm256_and_ps(active, greaterThan(hessianHi, _mm256_setzero_ps()));
        hi = select(moveHi,
                    Color3{sub(hi.r, div(gradientHi.r, hessianHi)),
                           sub(hi.g, div(gradientHi.g, hessianHi)),
                           sub(hi.b, div(gradientHi.b, hessianHi))},
                    hi);
        const V limit = set1(colorConverged);
        V converged = lessThan(mul(gradientLo.r, gradientLo.r), limit);
        for (V g : {gradientLo.g, gradientLo.b, gradientHi.r, gradientHi.g, gradientHi.b})
            converged = _mm256_and_ps(converged, lessThan(mul(g, g), limit));
        active = _mm256_andnot_ps(converged, active);
    }
}

VI quantizeClamped(V v, float maxValue) {
    v = _mm256_min_ps(_mm256_max_ps(v, _mm256_setzero_ps()), set1(1.0f));
    return _mm256_cvttps_epi32(add(mul(v, set1(maxValue)), set1(0.5f)));
}

VI pack565(const Color3& w) {
    const VI r = quantizeClamped(mul(w.r, set1(inverseWeightRed)), 31.0f);
    const VI g = quantizeClamped(mul(w.g, set1(inverseWeightGreen)), 63.0f);
    const VI b = quantizeClamped(mul(w.b, set1(inverseWeightBlue)), 31.0f);
    return _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi32(r, 11), _mm256_slli_epi32(g, 5)), b);
}

Color3 weightedOf565(VI packed) {
    const V r = _mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(packed, 11), set1i(0x1F)));
    const V g = _mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(packed, 5), set1i(0x3F)));
    const V b = _mm256_cvtepi32_ps(_mm256_and_si256(packed, set1i(0x1F)));
    return {mul(mul(r, set1(scale5)), set1(weightRed)),
            mul(mul(g, set1(scale6)), set1(weightGreen)),
            mul(mul(b, set1(scale5)), set1(weightBlue))};
}

struct ColorBlocks {
    alignas(32) uint32_t color0[lanes];
    alignas(32) uint32_t color1[lanes];
    alignas(32) uint32_t indices[lanes];
};

// Second pass: indices by projection on the endpoints' line, error diffused in weighted space.
VI colorIndices(const BlockLanes& in, V three, VI color0, VI color1) {
    const Color3 e0 = weightedOf565(color0), e1 = weightedOf565(color1);
    const Color3 d = difference(e1, e0);
    const V third = select(three, set1(0.5f), set1(oneThird));
    const Color3 palette[4] = {
        e0,
        e1,
        {add(e0.r, mul(d.r, third)), add(e0.g, mul(d.g, third)), add(e0.b, mul(d.b, third))},
        {add(e0.r, mul(d.r, set1(twoThirds))), add(e0.g, mul(d.g, set1(twoThirds))),
         add(e0.b, mul(d.b, set1(twoThirds)))}};
    const V steps = select(three, set1(2.0f), set1(3.0f));
    const V sameEnds = maskOf(_mm256_cmpeq_epi32(color0, color1));
    const V scale = select(sameEnds, _mm256_setzero_ps(), div(steps, dot(d, d)));
    // Step-to-index maps, four colours in lanes 0-3 and three colours in 4-6.
    const VI indexOfStep = _mm256_setr_epi32(0, 2, 3, 1, 0, 2, 1, 0);
    const VI mapOffset = select(three, set1i(4), _mm256_setzero_si256());
    const V pr[4] = {palette[0].r, palette[1].r, palette[2].r, palette[3].r};
    const V pg[4] = {palette[0].g, palette[1].g, palette[2].g, palette[3].g};
    const V pb[4] = {palette[0].b, palette[1].b, palette[2].b, palette[3].b};

    V pendingR[16], pendingG[16], pendingB[16];
    for (int i = 0; i < 16; ++i)
        pendingR[i] = pendingG[i] = pendingB[i] = _mm256_setzero_ps();
    VI indices = _mm256_setzero_si256();
    for (int i = 0; i < 16; ++i) {
        const V transparent = _mm256_and_ps(three, lessThan(in.a[i], set1(0.5f)));
        const Color3 c = {add(mul(in.r[i], set1(weightRed)), pendingR[i]),
                          add(mul(in.g[i], set1(weightGreen)), pendingG[i]),
                          add(mul(in.b[i], set1(weightBlue)), pendingB[i])};
        const V t = mul(dot(difference(c, e0), d), scale);
        const VI step = _mm256_cvttps_epi32(add(t, set1(0.5f)));
        const VI mapped =
            _mm256_permutevar8x32_epi32(indexOfStep, _mm256_add_epi32(step, mapOffset));
        VI index = select(greaterThan(t, _mm256_setzero_ps()), mapped, _mm256_setzero_si256());
        index = select(greaterOrEqual(t, steps), set1i(1), index);
        index = select(transparent, set1i(3), index);
        const V opaque = _mm256_andnot_ps(transparent, maskOf(set1i(-1)));
        diffuseWhere(opaque, pendingR, i, sub(c.r, pick(pr, index)));
        diffuseWhere(opaque, pendingG, i, sub(c.g, pick(pg, index)));
        diffuseWhere(opaque, pendingB, i, sub(c.b, pick(pb, index)));
        indices = _mm256_or_si256(indices, _mm256_sllv_epi32(index, set1i(2 * i)));
    }
    return indices;
}

void encodeColorBlocks(const BlockLanes& in, bool threeColorAllowed, ColorBlocks& out) {
    VI transparentCount = _mm256_setzero_si256();
    if (threeColorAllowed) {
        for (int i = 0; i < 16; ++i)
            transparentCount =
                _mm256_sub_epi32(transparentCount, intMaskOf(lessThan(in.a[i], set1(0.5f))));
    }
    const V allTransparent = maskOf(_mm256_cmpeq_epi32(transparentCount, set1i(16)));
    const V three = maskOf(_mm256_cmpgt_epi32(transparentCount, _mm256_setzero_si256()));

    Color3 points[16];
    quantizedPoints(in, points);
    Color3 lo, hi;
    refineColorEndpoints(points, three, lo, hi);
    const VI packedLo = pack565(lo), packedHi = pack565(hi);
    const V loNotAbove =
        _mm256_xor_ps(maskOf(_mm256_cmpgt_epi32(packedLo, packedHi)), maskOf(set1i(-1)));
    // Four-colour blocks need color0 > color1, three-colour blocks color0 <= color1.
    const V loFirst = _mm256_xor_ps(_mm256_xor_ps(three, loNotAbove), maskOf(set1i(-1)));
    VI color0 = select(loFirst, packedLo, packedHi);
    VI color1 = select(loFirst, packedHi, packedLo);
    VI indices = colorIndices(in, three, color0, color1);

    const V uniform = _mm256_andnot_ps(three, maskOf(_mm256_cmpeq_epi32(packedLo, packedHi)));
    color0 = select(uniform, packedLo, color0);
    color1 = select(uniform, packedLo, color1);
    indices = select(uniform, _mm256_setzero_si256(), indices);
    color0 = select(allTransparent, _mm256_setzero_si256(), color0);
    color1 = select(allTransparent, set1i(0xFFFF), color1);
    indices = select(allTransparent, set1i(-1), indices);
    _mm256_store_si256(reinterpret_cast<VI*>(out.color0), color0);
    _mm256_store_si256(reinterpret_cast<VI*>(out.color1), color1);
    _mm256_store_si256(reinterpret_cast<VI*>(out.indices), indices);
}

void writeColorBlock(uint8_t* block, const ColorBlocks& colors, int lane) {
    const uint32_t c0 = colors.color0[lane], c1 = colors.color1[lane];
    const uint32_t indices = colors.indices[lane];
    block[0] = uint8_t(c0);
    block[1] = uint8_t(c0 >> 8);
    block[2] = uint8_t(c1);
    block[3] = uint8_t(c1 >> 8);
    for (int i = 0; i < 4; ++i)
        block[4 + i] = uint8_t(indices >> (8 * i));
}

enum class Alpha { None, Explicit, Interpolated };

// Eight blocks at a time; the blocks left over go through the plain encoder.
template <Alpha AlphaHalf, bool Premultiplied>
void encodeBlocks(const FloatColor* in, uint32_t count, uint8_t* blocks, BlockEncoder plain) {
    const uint32_t blockBytes = AlphaHalf == Alpha::None ? 8 : 16;
    uint32_t done = 0;
    for (; done + lanes <= count; done += lanes) {
        const FloatColor* group = in + size_t(done) * 16;
        FloatColor premultiplied[lanes * 16];
        if (Premultiplied) {
            for (int j = 0; j < lanes; ++j)
                premultiplyAlpha(group + j * 16, premultiplied + j * 16);
            group = premultiplied;
        }
        BlockLanes pixels;
        loadLanes(group, pixels);
        ColorBlocks colors;
        encodeColorBlocks(pixels, AlphaHalf == Alpha::None, colors);
        uint8_t alpha[lanes][8];
        if (AlphaHalf == Alpha::Explicit)
            encodeExplicitAlphaLanes(pixels, alpha);
        else if (AlphaHalf == Alpha::Interpolated)
            encodeInterpolatedAlphaLanes(pixels, alpha);
        for (int j = 0; j < lanes; ++j) {
            uint8_t* block = blocks + size_t(done + j) * blockBytes;
            if (AlphaHalf != Alpha::None)
                std::memcpy(block, alpha[j], 8);
            writeColorBlock(block + blockBytes - 8, colors, j);
        }
    }
    for (; done < count; ++done)
        plain(in + size_t(done) * 16, blocks + size_t(done) * blockBytes);
}

} // namespace

bool dxtAvx2Supported() {
    static const bool supported = __builtin_cpu_supports("avx2");
    return supported;
}

void encodeDxt1BlocksAvx2(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    encodeBlocks<Alpha::None, false>(in, count, blocks, encodeDxt1Block);
}

void encodeDxt2BlocksAvx2(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    encodeBlocks<Alpha::Explicit, true>(in, count, blocks, encodeDxt2Block);
}

void encodeDxt3BlocksAvx2(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    encodeBlocks<Alpha::Explicit, false>(in, count, blocks, encodeDxt3Block);
}

void encodeDxt4BlocksAvx2(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    encodeBlocks<Alpha::Interpolated, true>(in, count, blocks, encodeDxt4Block);
}

void encodeDxt5BlocksAvx2(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    encodeBlocks<Alpha::Interpolated, false>(in, count, blocks, encodeDxt5Block);
}
