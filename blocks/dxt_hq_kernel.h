// The high-quality block encoder written once over a lane type: V holds one value of as many
// blocks as the register has lanes (one for the plain build), so every lane performs the same
// single-precision operations in the same order, whatever the instruction set. Pixel values
// are whole numbers 0..255 held in floats; squared errors and the least-squares sums stay
// below 2^24, so they are exact; the few rounded steps (the fit's division, the axis) are
// single IEEE operations with no contraction, and the multiply-adds that the widest variant
// fuses are all on whole numbers, where fusing rounds nothing. This file holds the alpha
// search, the reading of a batch into lanes and the batch loop; dxt_hq_color.h the colour
// search.
//
// Included by one file per instruction set, each of which defines its lane type first. The
// anonymous namespace gives every such file its own copy, so the linker never hands one
// instruction set's code to another.
#pragma once

#include "blocks/dxt_hq_color.h"
#include "blocks/dxt_hq_common.h"

#include <algorithm>
#include <cstring>

namespace {
namespace hq {

template <class V>
struct AlphaChoice {
    V low, high; // 8-bit endpoints, low <= high
    V error;
};

// The 8-bit value of step j of `steps` from a to b (the decoder's, never a tie).
template <class V>
V alphaStep(V a, V b, int j, int steps) {
    const V x = (a * V(float(steps - j)) + b * V(float(j))) * V(2.0f) + V(float(steps));
    return divideDown(x, 1.0f / float(2 * steps));
}

// Squared error of 16 alpha values on the nearest of the steps from low to high; the six-step
// palette also holds 0 and Top (255, or 254 for signed channels: -1 and 1). `codes` (when
// given) receives the step, or 6 and 7 for 0 and Top.
template <class V, int Steps, int Top>
V alphaError(const V values[16], V low, V high, V* codes) {
    constexpr int entries = 8;
    V palette[entries];
    for (int j = 0; j < Steps; ++j)
        palette[j] = alphaStep(low, high, j, Steps - 1);
    if constexpr (Steps == 6) {
        palette[6] = V(0.0f);
        palette[7] = V(float(Top));
    }
    V total(0.0f);
    for (int i = 0; i < 16; ++i) {
        V d = values[i] - palette[0];
        V best = d * d, code(0.0f);
        for (int j = 1; j < entries; ++j) {
            d = values[i] - palette[j];
            const V e = d * d;
            if (codes != nullptr) {
                const typename V::Mask closer = e < best;
                code = select(closer, V(float(j)), code);
                best = select(closer, e, best);
            } else {
                best = minOf(best, e);
            }
        }
        if (codes != nullptr)
            codes[i] = code;
        total = total + best;
    }
    return total;
}

// Endpoints for one alpha mode: a least-squares fit of the values inside [low, high] on their
// steps, then every pair within alphaRadius of it.
template <class V, int Steps, int Top, int Radius>
AlphaChoice<V> searchAlpha(const V values[16], V low, V high, Ahead& ahead) {
    constexpr float last = float(Steps - 1);
    const V range = high - low;
    const typename V::Mask flat = range == V(0.0f);
    const V scale = select(flat, V(0.0f), V(last) / select(flat, V(1.0f), range));
    V aa(0.0f), ab(0.0f), bb(0.0f), x(0.0f), y(0.0f);
    for (int i = 0; i < 16; ++i) {
        const V s = minOf(maxOf(truncate((values[i] - low) * scale + V(0.5f)), V(0.0f)), V(last));
        // In the six-step mode values outside the range go to 0 or 255 and leave the fit.
        const V w = Steps == 6 ? select((values[i] < low) | (high < values[i]), V(0.0f), V(1.0f))
                               : V(1.0f);
        const V beta = s * w, alpha = V(last) * w - beta;
        aa = aa + alpha * alpha;
        ab = ab + alpha * beta;
        bb = bb + beta * beta;
        x = x + alpha * values[i];
        y = y + beta * values[i];
    }
    const V det = aa * bb - ab * ab;
    const typename V::Mask singular = det == V(0.0f);
    const V factor = V(last) / select(singular, V(1.0f), det);
    auto rounded = [](V v) {
        return truncate(minOf(maxOf(v, V(0.0f)), V(float(Top))) + V(0.5f));
    };
    const V fitLow = select(singular, low, rounded((bb * x - ab * y) * factor));
    const V fitHigh = select(singular, high, rounded((aa * y - ab * x) * factor));
    AlphaChoice<V> best;
    best.low = minOf(fitLow, fitHigh);
    best.high = maxOf(fitLow, fitHigh);
    best.error = alphaError<V, Steps, Top>(values, best.low, best.high, nullptr);
    const V centreLow = best.low, centreHigh = best.high;
    for (int dl = -Radius; dl <= Radius; ++dl) {
        for (int dh = -Radius; dh <= Radius; ++dh) {
            if (dl == 0 && dh == 0)
                continue;
            ahead.line();
            const V l = minOf(maxOf(centreLow + V(float(dl)), V(0.0f)), V(float(Top)));
            const V h = minOf(maxOf(centreHigh + V(float(dh)), V(0.0f)), V(float(Top)));
            const V error = alphaError<V, Steps, Top>(values, l, h, nullptr);
            const typename V::Mask better = (error < best.error) & (l <= h);
            best.low = select(better, l, best.low);
            best.high = select(better, h, best.high);
            best.error = select(better, error, best.error);
        }
    }
    return best;
}

// A value of [0, 1] as a whole number 0..255 (values outside are clamped, NaN becomes 0).
template <class V>
V toByte(V x) {
    return truncate(minOf(maxOf(x * V(255.0f) + V(0.5f), V(0.0f)), V(255.0f)));
}

// A value of [-1, 1] as a whole number 0..254, v / 127 stored as v - 127 (clamped likewise).
template <class V>
V toSignedStep(V x) {
    return truncate(minOf(maxOf(x * V(127.0f) + V(127.5f), V(0.0f)), V(254.0f)));
}

// The value one- and two-channel blocks store per pixel: the grey of a colour for the unsigned
// one-channel format (as the luminance formats encode it), else red and green as they are.
template <class V, Kind K>
void loadChannels(const V c[4], Pixels<V>& px, int i) {
    if constexpr (K == Kind::Bc4) {
        px.a[i] = toByte(c[0] * V(0.2125f) + c[1] * V(0.7154f) + c[2] * V(0.0721f));
    } else if constexpr (isSignedChannel(K)) {
        px.a[i] = toSignedStep(c[0]);
        px.g[i] = toSignedStep(c[1]);
    } else {
        px.a[i] = toByte(c[0]);
        px.g[i] = toByte(c[1]);
    }
}

// Reads the blocks of a batch into lanes; lanes past the batch's end repeat its last block and
// are not written. True when a pixel of a "DXT1" block is to be stored transparent.
template <class V, Kind K>
bool load(const FloatColor* batch, uint32_t n, Pixels<V>& px) {
    const FloatColor* blocks[V::count];
    for (int lane = 0; lane < V::count; ++lane)
        blocks[lane] = batch + size_t(std::min<uint32_t>(uint32_t(lane), n - 1)) * 16;
    typename V::Mask transparent = V(0.0f) < V(0.0f);
    for (int first = 0; first < 16; first += 4) {
        V quad[16]; // red, green, blue and alpha of four pixels
        V::loadPixels(blocks, first, quad);
        for (int i = first; i < first + 4; ++i) {
            V* c = quad + 4 * (i - first);
            if constexpr (isChannelBlock(K)) {
                loadChannels<V, K>(c, px, i);
                continue;
            }
            if constexpr (isPremultiplied(K)) {
                for (int k = 0; k < 3; ++k)
                    c[k] = c[k] * c[3];
            }
            px.r[i] = toByte(c[0]);
            px.g[i] = toByte(c[1]);
            px.b[i] = toByte(c[2]);
            px.a[i] = toByte(c[3]);
            if constexpr (K == Kind::Dxt1) {
                const typename V::Mask clear = c[3] < V(0.5f);
                px.weight[i] = select(clear, V(0.0f), V(1.0f));
                transparent = transparent | clear;
            } else {
                px.weight[i] = V(1.0f);
            }
        }
    }
    return any(transparent);
}

// True in the lanes whose 16 values are one value, or two: the endpoints then hold every value
// exactly, the eight-step search cannot do better than their zero error, and no other pair
// ties it first (the fit lands on them, and only a strictly smaller error replaces a choice).
template <class V>
typename V::Mask settledValues(const V values[16], V low, V high) {
    typename V::Mask settled = low == low;
    for (int i = 0; i < 16; ++i)
        settled = settled & ((values[i] == low) | (values[i] == high));
    return settled;
}

// Writes the interpolated block of 16 whole-number values per lane (0..Top): alpha and unsigned
// channels with Top 255, stored as they are; signed channels with Top 254, stored as the value
// less 127 in two's complement (so -127..127, read as v / 127).
template <class V, int Top, int Radius>
void encodeValues(const V values[16], Ahead& ahead, uint32_t n, uint8_t* blocks,
                  uint32_t stride) {
    constexpr int L = V::count;
    V low(255.0f), high(0.0f), inLow(255.0f), inHigh(0.0f);
    const V margin(alphaExtremeMargin);
    const V top(static_cast<float>(Top) - alphaExtremeMargin);
    for (int i = 0; i < 16; ++i) {
        low = minOf(low, values[i]);
        high = maxOf(high, values[i]);
        const typename V::Mask inner = (margin < values[i]) & (values[i] < top);
        inLow = select(inner, minOf(inLow, values[i]), inLow);
        inHigh = select(inner, maxOf(inHigh, values[i]), inHigh);
    }
    // A batch whose blocks all hold one or two values (opaque alpha above all) takes its
    // endpoints at once: the searches would choose the same.
    const typename V::Mask settled = settledValues(values, low, high);
    const bool allSettled = !any(andNot(low == low, settled));
    typename V::Mask useSix = V(0.0f) < V(0.0f);
    V chosenLow = low, chosenHigh = high;
    if (!allSettled) {
        const AlphaChoice<V> eight = searchAlpha<V, 8, Top, Radius>(values, low, high, ahead);
        // Six steps with 0 and Top apart, only for blocks that come near either end: a block
        // elsewhere never takes it, so a batch without one skips the search.
        const typename V::Mask extremes = (low <= margin) | (top <= high);
        AlphaChoice<V> six = eight;
        if (any(extremes)) {
            const typename V::Mask none = inHigh < inLow;
            six = searchAlpha<V, 6, Top, Radius>(values, select(none, low, inLow),
                                         select(none, high, inHigh), ahead);
            useSix = extremes & (six.error < eight.error);
        }
        chosenLow = select(useSix, six.low, eight.low);
        chosenHigh = select(useSix, six.high, eight.high);
    }
    V codes8[16], codes6[16], codes[16];
    alphaError<V, 8, Top>(values, chosenLow, chosenHigh, codes8);
    if (any(useSix))
        alphaError<V, 6, Top>(values, chosenLow, chosenHigh, codes6);
    else
        std::copy(codes8, codes8 + 16, codes6);
    const typename V::Mask flat = chosenLow == chosenHigh;
    for (int i = 0; i < 16; ++i) {
        // Eight values: a0 = high, a1 = low, step j from low is index 8 - j. Six values:
        // a0 = low, a1 = high, step j is index j + 1, and 0 and Top are indices 6 and 7.
        const V j8 = codes8[i], j6 = codes6[i];
        const V eightIndex = select(flat | (j8 == V(7.0f)), V(0.0f),
                                    select(j8 == V(0.0f), V(1.0f), V(8.0f) - j8));
        const V sixIndex = select(j6 == V(0.0f), V(0.0f),
                                  select(j6 == V(5.0f), V(1.0f),
                                         select(V(6.0f) <= j6, j6, j6 + V(1.0f))));
        codes[i] = select(useSix, sixIndex, eightIndex);
    }
    V first, second;
    packCodes(codes, 8.0f, first, second);
    alignas(64) float fields[4][L];
    select(useSix, chosenLow, chosenHigh).store(fields[0]);
    select(useSix, chosenHigh, chosenLow).store(fields[1]);
    first.store(fields[2]);
    second.store(fields[3]);
    constexpr int32_t offset = Top == 255 ? 0 : 127;
    for (int lane = 0; lane < L && uint32_t(lane) < n; ++lane) {
        uint8_t* out = blocks + size_t(lane) * stride;
        out[0] = uint8_t(int32_t(fields[0][lane]) - offset);
        out[1] = uint8_t(int32_t(fields[1][lane]) - offset);
        for (int half = 0; half < 2; ++half) {
            const uint32_t v = uint32_t(fields[2 + half][lane]);
            for (int k = 0; k < 3; ++k)
                out[2 + 3 * half + k] = uint8_t(v >> (8 * k));
        }
    }
}

// Explicit alpha needs no search: each pixel's nearest 4-bit value.
inline void writeExplicitAlpha(const FloatColor* block, uint8_t* out) {
    for (int i = 0; i < 16; i += 2) {
        uint32_t pair = 0;
        for (int k = 0; k < 2; ++k) {
            float y = block[i + k].a * 15.0f + 0.5f;
            y = y > 0.0f ? y : 0.0f;
            y = y < 15.0f ? y : 15.0f;
            pair |= uint32_t(int32_t(y)) << (4 * k);
        }
        out[i / 2] = uint8_t(pair);
    }
}

template <class V, Kind K>
void encodeBatch(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    Pixels<V> px;
    for (uint32_t done = 0; done < count; done += V::count) {
        const uint32_t n = std::min<uint32_t>(V::count, count - done);
        const FloatColor* batch = in + size_t(done) * 16;
        uint8_t* out = blocks + size_t(done) * blockBytes(K);
        // The next batch's values, asked for while this one is searched.
        const FloatColor* next = batch + size_t(n) * 16;
        Ahead ahead(next, next + size_t(std::min<uint32_t>(V::count, count - done - n)) * 16);
        px.ahead = &ahead;
        const bool transparent = load<V, K>(batch, n, px);
        if constexpr (hasInterpolatedAlpha(K))
            encodeValues<V, 255, alphaRadius>(px.a, ahead, n, out, blockBytes(K));
        if constexpr (isChannelBlock(K)) {
            constexpr int top = isSignedChannel(K) ? 254 : 255;
            encodeValues<V, top, channelRadius>(px.a, ahead, n, out, blockBytes(K));
            if constexpr (hasTwoChannels(K))
                encodeValues<V, top, channelRadius>(px.g, ahead, n, out + 8, blockBytes(K));
        }
        if constexpr (hasExplicitAlpha(K)) {
            // Premultiplying keeps alpha, so the given values serve both formats.
            for (uint32_t j = 0; j < n; ++j)
                writeExplicitAlpha(batch + size_t(j) * 16, out + size_t(j) * 16);
        }
        if constexpr (hasColor(K)) {
            // The weighted search gives opaque blocks the same result as the plain one (every
            // weight 1), so a batch takes it only when one of its blocks needs it.
            if (transparent)
                encodeColors<V, K, true>(px, n, out);
            else
                encodeColors<V, K, false>(px, n, out);
        }
    }
}

} // namespace hq
} // namespace
