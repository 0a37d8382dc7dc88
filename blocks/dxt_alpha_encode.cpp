// The alpha halves of "DXT2".."DXT5": explicit 4-bit alpha and interpolated alpha with its
// least-squares endpoints, both with error diffusion; and the premultiplied colours.
#include "blocks/dxt_block.h"

#include "blocks/dxt_constants.h"

#include <cmath>
#include <utility>

namespace {

using namespace dxt;

uint32_t quantizeUnit(float v, float maxValue) {
    v = v > 0.0f ? v : 0.0f;
    v = v < 1.0f ? v : 1.0f;
    return uint32_t(v * maxValue + 0.5f);
}

float clampUnit(float v) {
    v = v > 0.0f ? v : 0.0f;
    return v < 1.0f ? v : 1.0f;
}

void writeAlphaBlock(uint8_t* block, uint32_t alpha0, uint32_t alpha1, uint64_t indices) {
    block[0] = uint8_t(alpha0);
    block[1] = uint8_t(alpha1);
    for (int i = 0; i < 6; ++i)
        block[2 + i] = uint8_t(indices >> (8 * i));
}

// The block index of each value for the palette of alpha0 and alpha1 in the mode chosen from
// the values (which may differ from the one the stored order selects; see encodeInterpolatedAlpha).
uint64_t alphaIndices(const FloatColor in[16], uint32_t alpha0, uint32_t alpha1, bool six) {
    const float x0 = float(alpha0) * scale8, x1 = float(alpha1) * scale8;
    float values[8] = {x0, x1};
    if (six) {
        for (int j = 2; j < 6; ++j)
            values[j] = (float(6 - j) * x0 + float(j - 1) * x1) * oneFifth;
        values[6] = 0.0f;
        values[7] = 1.0f;
    } else {
        for (int j = 2; j < 8; ++j)
            values[j] = (float(8 - j) * x0 + float(j - 1) * x1) * oneSeventh;
    }
    const float last = six ? 5.0f : 7.0f;
    const uint32_t* indexOfStep = six ? sixAlphaIndexTable : eightAlphaIndexTable;
    const float scale = x0 == x1 ? 0.0f : last / (x1 - x0);
    float pending[16] = {};
    uint64_t indices = 0;
    for (int i = 0; i < 16; ++i) {
        const float a = in[i].a + pending[i];
        const float t = (a - x0) * scale;
        uint32_t index;
        if (t > 0.0f && t < last)
            index = indexOfStep[int(t + 0.5f)];
        else if (t >= last)
            index = six && a >= (x1 + 1.0f) * 0.5f ? 7 : 1;
        else
            index = six && a <= x0 * 0.5f ? 6 : 0;
        diffuseError(pending, i, a - values[index]);
        indices |= uint64_t(index) << (3 * i);
    }
    return indices;
}

} // namespace

void refineAlphaEndpoints(const float values[16], int valueCount, float& lo, float& hi,
                          AlphaStep step) {
    const bool six = valueCount == 6;
    lo = 1.0f;
    hi = 0.0f;
    for (int i = 0; i < 16; ++i) {
        const float v = values[i];
        if (!six || v > 0.0f)
            lo = lo < v ? lo : v;
        if (!six || v < 1.0f)
            hi = hi > v ? hi : v;
    }
    const float* lowWeights = six ? sixAlphaLowTable : eightAlphaLowTable;
    const float* highWeights = six ? sixAlphaHighTable : eightAlphaHighTable;
    const float last = float(valueCount - 1);
    const float direction = step == AlphaStep::TowardsFit ? 1.0f : -1.0f;
    for (int iteration = 0; iteration < refineIterations && hi - lo >= alphaMinimumSpan;
         ++iteration) {
        const float scale = last / (hi - lo);
        float palette[8];
        for (int k = 0; k < valueCount; ++k)
            palette[k] = lo * lowWeights[k] + hi * highWeights[k];
        float gradientLo = 0.0f, hessianLo = 0.0f, gradientHi = 0.0f, hessianHi = 0.0f;
        for (int i = 0; i < 16; ++i) {
            const float a = values[i];
            const float t = (a - lo) * scale;
            int k;
            if (t > 0.0f) {
                // Values near 1 (and near 0 below) are held by the fixed entries of six-value mode.
                if (t < last)
                    k = int(t + 0.5f);
                else if (six && a >= (hi + 1.0f) * 0.5f)
                    continue;
                else
                    k = valueCount - 1;
            } else if (six && a <= lo * 0.5f) {
                continue;
            } else {
                k = 0;
            }
            const float e = a - palette[k];
            gradientLo += e * lowWeights[k];
            hessianLo += lowWeights[k] * lowWeights[k];
            gradientHi += e * highWeights[k];
            hessianHi += highWeights[k] * highWeights[k];
        }
        if (hessianLo > 0.0f)
            lo += direction * (gradientLo / hessianLo);
        if (hessianHi > 0.0f)
            hi += direction * (gradientHi / hessianHi);
        if (hi < lo)
            std::swap(lo, hi);
        if (gradientLo * gradientLo < alphaConverged && gradientHi * gradientHi < alphaConverged)
            break;
    }
    lo = clampUnit(lo);
    hi = clampUnit(hi);
}

void encodeExplicitAlpha(const FloatColor in[16], uint8_t* block) {
    float pending[16] = {};
    for (int i = 0; i < 8; ++i)
        block[i] = 0;
    for (int i = 0; i < 16; ++i) {
        const float a = in[i].a + pending[i];
        const float rounded = std::trunc(a * 15.0f + 0.5f);
        // Clamped so that a value pushed past the ends cannot spill into its neighbour.
        const uint32_t nibble = rounded > 0.0f ? (rounded < 15.0f ? uint32_t(rounded) : 15) : 0;
        diffuseError(pending, i, a - float(nibble) * scale4);
        block[i / 2] |= uint8_t(nibble << (4 * (i & 1)));
    }
}

void encodeInterpolatedAlpha(const FloatColor in[16], uint8_t* block, AlphaStep step) {
    float quantized[16], pending[16] = {};
    float minimum = in[0].a, maximum = in[0].a;
    for (int i = 0; i < 16; ++i) {
        const float a = in[i].a + pending[i];
        quantized[i] = std::trunc(a * 255.0f + 0.5f) * scale8;
        diffuseError(pending, i, a - quantized[i]);
        minimum = minimum < quantized[i] ? minimum : quantized[i];
        maximum = maximum > quantized[i] ? maximum : quantized[i];
    }
    if (minimum == 1.0f) {
        writeAlphaBlock(block, 0xFF, 0xFF, 0);
        return;
    }
    // Six values keep exact 0 and 1 apart from the interpolated ones.
    const bool six = minimum == 0.0f || maximum == 1.0f;
    float lo, hi;
    refineAlphaEndpoints(quantized, six ? 6 : 8, lo, hi, step);
    const uint32_t lo8 = quantizeUnit(lo, 255.0f), hi8 = quantizeUnit(hi, 255.0f);
    if (!six && lo8 == hi8) {
        writeAlphaBlock(block, lo8, lo8, 0);
        return;
    }
    // Eight values need alpha0 > alpha1. In six-value mode with nothing strictly between 0
    // and 1, lo8 = 255 and hi8 = 0 select eight values on decode; the indices then use only
    // entries 0 and 1, which decode the same in both modes.
    const uint32_t alpha0 = six ? lo8 : hi8, alpha1 = six ? hi8 : lo8;
    writeAlphaBlock(block, alpha0, alpha1, alphaIndices(in, alpha0, alpha1, six));
}

void premultiplyAlpha(const FloatColor in[16], FloatColor out[16]) {
    for (int i = 0; i < 16; ++i)
        out[i] = {in[i].r * in[i].a, in[i].g * in[i].a, in[i].b * in[i].a, in[i].a};
}
