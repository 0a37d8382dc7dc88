// The colour block encoder: a least-squares fit of the two endpoints in a perceptually
// weighted colour space, with the quantisation error diffused inside the block.
#include "blocks/dxt_block.h"

#include "blocks/dxt_constants.h"

#include <cmath>
#include <utility>

namespace {

using namespace dxt;

constexpr WeightedColor colorWeights = {weightRed, weightGreen, weightBlue};

// Clamped to [0, 1] (not-a-number to 0) before the rounding truncation.
uint32_t quantizeClamped(float v, float maxValue) {
    v = v > 0.0f ? v : 0.0f;
    v = v < 1.0f ? v : 1.0f;
    return uint32_t(v * maxValue + 0.5f);
}

uint32_t pack565(const WeightedColor& weighted) {
    return quantizeClamped(weighted.r * inverseWeightRed, 31.0f) << 11 |
           quantizeClamped(weighted.g * inverseWeightGreen, 63.0f) << 5 |
           quantizeClamped(weighted.b * inverseWeightBlue, 31.0f);
}

WeightedColor weightedOf565(uint32_t packed) {
    return {float((packed >> 11) & 0x1F) * scale5 * weightRed,
            float((packed >> 5) & 0x3F) * scale6 * weightGreen,
            float(packed & 0x1F) * scale5 * weightBlue};
}

float dot(const WeightedColor& a, const WeightedColor& b) {
    return a.r * b.r + a.g * b.g + a.b * b.b;
}

WeightedColor difference(const WeightedColor& a, const WeightedColor& b) {
    return {a.r - b.r, a.g - b.g, a.b - b.b};
}

void writeColorBlock(uint8_t* block, uint32_t color0, uint32_t color1, uint32_t indices) {
    block[0] = uint8_t(color0);
    block[1] = uint8_t(color0 >> 8);
    block[2] = uint8_t(color1);
    block[3] = uint8_t(color1 >> 8);
    for (int i = 0; i < 4; ++i)
        block[4 + i] = uint8_t(indices >> (8 * i));
}

// First pass: each pixel's colour plus the diffused error, snapped to the 5:6:5 grid without
// clamping, gives the pixel's point in weighted space.
void quantizedPoints(const FloatColor in[16], WeightedColor points[16]) {
    float pendingR[16] = {}, pendingG[16] = {}, pendingB[16] = {};
    for (int i = 0; i < 16; ++i) {
        const float r = in[i].r + pendingR[i];
        const float g = in[i].g + pendingG[i];
        const float b = in[i].b + pendingB[i];
        const float qr = std::trunc(r * 31.0f + 0.5f) * scale5;
        const float qg = std::trunc(g * 63.0f + 0.5f) * scale6;
        const float qb = std::trunc(b * 31.0f + 0.5f) * scale5;
        diffuseError(pendingR, i, r - qr);
        diffuseError(pendingG, i, g - qg);
        diffuseError(pendingB, i, b - qb);
        points[i] = {qr * weightRed, qg * weightGreen, qb * weightBlue};
    }
}

// The box diagonal that the points follow best: 0 for the main one, then the diagonals with
// blue, green, or both reversed.
int bestDiagonal(const WeightedColor points[16], const WeightedColor& lo, const WeightedColor& hi,
                 const WeightedColor& d, float lengthSquared) {
    const WeightedColor centre = {(lo.r + hi.r) * 0.5f, (lo.g + hi.g) * 0.5f, (lo.b + hi.b) * 0.5f};
    float sums[4] = {};
    for (int i = 0; i < 16; ++i) {
        const float x = (points[i].r - centre.r) * d.r / lengthSquared;
        const float y = (points[i].g - centre.g) * d.g / lengthSquared;
        const float z = (points[i].b - centre.b) * d.b / lengthSquared;
        const float s0 = x + y + z, s1 = x + y - z, s2 = x - y + z, s3 = x - y - z;
        sums[0] += s0 * s0;
        sums[1] += s1 * s1;
        sums[2] += s2 * s2;
        sums[3] += s3 * s3;
    }
    int best = 0;
    for (int k = 1; k < 4; ++k) {
        if (sums[k] > sums[best])
            best = k;
    }
    return best;
}

// One least-squares step of both endpoints for the palette of `colorCount` colours they span;
// false when the loop is to stop (endpoints too close, or the step has converged).
bool moveEndpoints(const WeightedColor points[16], int colorCount, WeightedColor& lo,
                   WeightedColor& hi) {
    const bool four = colorCount == 4;
    const float* lowWeights = four ? fourColorLowTable : threeColorLowTable;
    const float* highWeights = four ? fourColorHighTable : threeColorHighTable;
    WeightedColor palette[4];
    for (int k = 0; k < colorCount; ++k) {
        palette[k] = {lo.r * lowWeights[k] + hi.r * highWeights[k],
                      lo.g * lowWeights[k] + hi.g * highWeights[k],
                      lo.b * lowWeights[k] + hi.b * highWeights[k]};
    }
    const WeightedColor d = difference(hi, lo);
    const float lengthSquared = dot(d, d);
    if (lengthSquared < minimumSpan)
        return false;
    const float steps = float(colorCount - 1);
    const float scale = steps / lengthSquared;
    WeightedColor gradientLo = {0.0f, 0.0f, 0.0f}, gradientHi = {0.0f, 0.0f, 0.0f};
    float hessianLo = 0.0f, hessianHi = 0.0f;
    for (int i = 0; i < 16; ++i) {
        const WeightedColor& p = points[i];
        const float t = dot(difference(p, lo), d) * scale;
        int k = colorCount - 1;
        if (t < steps) {
            const float rounded = t + 0.5f;
            k = rounded > 0.0f ? int(rounded) : 0;
        }
        const WeightedColor e = difference(palette[k], p);
        const float low = lowWeights[k], high = highWeights[k];
        gradientLo = {gradientLo.r + e.r * low * 0.125f, gradientLo.g + e.g * low * 0.125f,
                      gradientLo.b + e.b * low * 0.125f};
        hessianLo += low * low * 0.125f;
        gradientHi = {gradientHi.r + e.r * high * 0.125f, gradientHi.g + e.g * high * 0.125f,
                      gradientHi.b + e.b * high * 0.125f};
        hessianHi += high * high * 0.125f;
    }
    if (hessianLo > 0.0f) {
        lo = {lo.r - gradientLo.r / hessianLo, lo.g - gradientLo.g / hessianLo,
              lo.b - gradientLo.b / hessianLo};
    }
    if (hessianHi > 0.0f) {
        hi = {hi.r - gradientHi.r / hessianHi, hi.g - gradientHi.g / hessianHi,
              hi.b - gradientHi.b / hessianHi};
    }
    const bool converged = gradientLo.r * gradientLo.r < colorConverged &&
                           gradientLo.g * gradientLo.g < colorConverged &&
                           gradientLo.b * gradientLo.b < colorConverged &&
                           gradientHi.r * gradientHi.r < colorConverged &&
                           gradientHi.g * gradientHi.g < colorConverged &&
                           gradientHi.b * gradientHi.b < colorConverged;
    return !converged;
}

} // namespace

void refineColorEndpoints(const WeightedColor points[16], int colorCount, WeightedColor& lo,
                          WeightedColor& hi) {
    lo = colorWeights;
    hi = {0.0f, 0.0f, 0.0f};
    for (int i = 0; i < 16; ++i) {
        const WeightedColor& p = points[i];
        lo = {lo.r < p.r ? lo.r : p.r, lo.g < p.g ? lo.g : p.g, lo.b < p.b ? lo.b : p.b};
        hi = {hi.r > p.r ? hi.r : p.r, hi.g > p.g ? hi.g : p.g, hi.b > p.b ? hi.b : p.b};
    }
    const WeightedColor box = difference(hi, lo);
    const float boxLengthSquared = dot(box, box);
    if (boxLengthSquared < smallestNormal)
        return;
    const int diagonal = bestDiagonal(points, lo, hi, box, boxLengthSquared);
    if (diagonal >= 2)
        std::swap(lo.g, hi.g);
    if (diagonal & 1)
        std::swap(lo.b, hi.b);
    if (boxLengthSquared < minimumSpan)
        return;

    for (int iteration = 0; iteration < refineIterations; ++iteration) {
        if (!moveEndpoints(points, colorCount, lo, hi))
            break;
    }
}

void encodeColorBlock(const FloatColor in[16], bool threeColorAllowed, uint8_t* block) {
    bool three = false;
    if (threeColorAllowed) {
        int transparent = 0;
        for (int i = 0; i < 16; ++i)
            transparent += in[i].a < 0.5f ? 1 : 0;
        if (transparent == 16) {
            writeColorBlock(block, 0x0000, 0xFFFF, 0xFFFFFFFFu);
            return;
        }
        three = transparent > 0;
    }
    WeightedColor points[16];
    quantizedPoints(in, points);
    const int colorCount = three ? 3 : 4;
    WeightedColor lo, hi;
    refineColorEndpoints(points, colorCount, lo, hi);
    const uint32_t packedLo = pack565(lo), packedHi = pack565(hi);
    if (!three && packedLo == packedHi) {
        writeColorBlock(block, packedLo, packedLo, 0);
        return;
    }
    // Four-colour blocks need color0 > color1, three-colour blocks color0 <= color1.
    const bool loFirst = three == (packedLo <= packedHi);
    const uint32_t color0 = loFirst ? packedLo : packedHi;
    const uint32_t color1 = loFirst ? packedHi : packedLo;
    const WeightedColor e0 = weightedOf565(color0), e1 = weightedOf565(color1);
    const WeightedColor d = difference(e1, e0);
    WeightedColor palette[4] = {e0, e1};
    const float* highWeights = three ? threeColorHighTable : fourColorHighTable;
    const uint32_t* indexOfStep = three ? threeColorIndexTable : fourColorIndexTable;
    for (int step = 1; step < colorCount - 1; ++step) {
        const float t = highWeights[step];
        palette[indexOfStep[step]] = {e0.r + d.r * t, e0.g + d.g * t, e0.b + d.b * t};
    }
    const float steps = float(colorCount - 1);
    const float scale = color0 == color1 ? 0.0f : steps / dot(d, d);

    float pendingR[16] = {}, pendingG[16] = {}, pendingB[16] = {};
    uint32_t indices = 0;
    for (int i = 0; i < 16; ++i) {
        if (three && in[i].a < 0.5f) {
            indices |= 3u << (2 * i);
            continue;
        }
        const WeightedColor c = {in[i].r * weightRed + pendingR[i],
                                 in[i].g * weightGreen + pendingG[i],
                                 in[i].b * weightBlue + pendingB[i]};
        const float t = dot(difference(c, e0), d) * scale;
        uint32_t index = 0;
        if (t >= steps)
            index = 1;
        else if (t > 0.0f)
            index = indexOfStep[int(t + 0.5f)];
        diffuseError(pendingR, i, c.r - palette[index].r);
        diffuseError(pendingG, i, c.g - palette[index].g);
        diffuseError(pendingB, i, c.b - palette[index].b);
        indices |= index << (2 * i);
    }
    writeColorBlock(block, color0, color1, indices);
}
