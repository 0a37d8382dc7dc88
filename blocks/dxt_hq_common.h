// What the high-quality encoder's parts share: the block kinds, how hard the searches look,
// the decoder's palette values as the encoder models them, and the lanes of pixels and
// endpoints. Written over a lane type V, like the rest of the kernel (see dxt_hq_kernel.h).
#pragma once

#include "blocks/dxt_hq.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace {
namespace hq {

// Which block the batch writes; AlphaOnly is the 8-byte interpolated alpha block alone. The
// one- and two-channel formats are that same block once or twice over other channels.
enum class Kind { Dxt1, Dxt2, Dxt3, Dxt4, Dxt5, AlphaOnly, Bc4, Bc4Signed, Bc5, Bc5Signed };

constexpr bool isChannelBlock(Kind k) {
    return k == Kind::Bc4 || k == Kind::Bc4Signed || k == Kind::Bc5 || k == Kind::Bc5Signed;
}
constexpr bool isSignedChannel(Kind k) {
    return k == Kind::Bc4Signed || k == Kind::Bc5Signed;
}
constexpr bool hasTwoChannels(Kind k) {
    return k == Kind::Bc5 || k == Kind::Bc5Signed;
}
constexpr bool hasColor(Kind k) {
    return k != Kind::AlphaOnly && !isChannelBlock(k);
}
constexpr bool isPremultiplied(Kind k) {
    return k == Kind::Dxt2 || k == Kind::Dxt4;
}
constexpr bool hasExplicitAlpha(Kind k) {
    return k == Kind::Dxt2 || k == Kind::Dxt3;
}
constexpr bool hasInterpolatedAlpha(Kind k) {
    return k == Kind::Dxt4 || k == Kind::Dxt5 || k == Kind::AlphaOnly;
}
constexpr uint32_t blockBytes(Kind k) {
    return k == Kind::Dxt1 || k == Kind::AlphaOnly || k == Kind::Bc4 || k == Kind::Bc4Signed ? 8
                                                                                          : 16;
}

// How hard the searches look, chosen on the real photographs for the quality a step of time
// buys. The colour searches start from the pixels' steps along the principal axis, cut evenly
// over the extent of their projections inset at either end by each share below (the extremes
// are often a lone pixel, and the better of the two starts beats either alone by about 0.06
// dB), settled on the axis by a few one-dimensional refits (four colours only: three gain a
// thousandth of a decibel for 4 % more time), then refitted. Four colours then try their
// best-ranked single-step moves of the endpoints in full and refit once more. The alpha
// endpoints are tried around the fit (each moved by up to alphaRadius).
constexpr float fourColorInsets[] = {0.0f, 0.125f};
constexpr int fourColorSettleRounds = 2;
constexpr int fourColorMoves = 6;
constexpr float threeColorInsets[] = {0.0f};
constexpr int threeColorSettleRounds = 0;
constexpr int threeColorMoves = 0;
constexpr int alphaRadius = 3;
// The one- and two-channel formats search closer to the fit: BC4 of the photographs' green
// channel loses 0.12 dB against the alpha radius (48.05 dB) for nearly twice the speed.
constexpr int channelRadius = 2;
// Alpha values this close to 0 or 255 let the six-value mode (which stores both) compete.
constexpr float alphaExtremeMargin = 10.0f;
// Above any block's squared error.
constexpr float noError = 1e30f;

// mulAdd (a * b + c) appears only where every value is a whole number below 2^24, so fusing
// it, as the AVX-512 variant does, rounds nothing and leaves every bit as the others have it.

// Integer division of a whole number x by d, rounded down, as a multiplication: the callers'
// x is odd and d even (but at the half-way point's ties), so x / d lies at least 1 / d from a
// whole number, far more than the rounded reciprocal can move it.
template <class V>
V divideDown(V x, float reciprocal) {
    return truncate(x * V(reciprocal));
}

// The decoder's 8-bit value of a 5- or 6-bit field and of the points one third and one half of
// the way between two fields: round(255 v / max) and so on, never a tie except for the half.
template <class V, int Bits>
V expanded(V v) {
    constexpr float max = Bits == 5 ? 31.0f : 63.0f;
    return divideDown(mulAdd(v, V(510.0f), V(max)), 1.0f / (2.0f * max));
}
template <class V, int Bits>
V third(V a, V b) {
    constexpr float max = Bits == 5 ? 31.0f : 63.0f;
    return divideDown(mulAdd(a + a + b, V(510.0f), V(3.0f * max)), 1.0f / (6.0f * max));
}
template <class V, int Bits>
V half(V a, V b) {
    constexpr float max = Bits == 5 ? 31.0f : 63.0f;
    return divideDown(mulAdd(a + b, V(510.0f), V(2.0f * max)), 1.0f / (4.0f * max));
}

// The cache lines of the next batch, asked for a line at a time while this batch is searched:
// asked for all at once, they would stall the search until the memory system took them.
class Ahead {
public:
    Ahead(const void* first, const void* end)
        : next_(static_cast<const char*>(first)), end_(static_cast<const char*>(end)) {}
    void line() {
        if (next_ < end_) {
            __builtin_prefetch(next_);
            next_ += 64;
        }
    }

private:
    const char* next_;
    const char* end_;
};

template <class V>
struct Pixels {
    V r[16], g[16], b[16];
    V weight[16]; // 1 for a pixel the colours must match, 0 for one stored transparent
    V a[16];
    Ahead* ahead; // the next batch's lines, taken by the error loops
};

// Two endpoints as 5:6:5 field values, red, green and blue of a (step 0 of the palette), then
// of b (the last step).
template <class V>
struct Ends {
    V f[6];
};

constexpr float fieldMaxTable[6] = {31.0f, 63.0f, 31.0f, 31.0f, 63.0f, 31.0f};

template <class V>
Ends<V> selected(typename V::Mask m, const Ends<V>& x, const Ends<V>& y) {
    Ends<V> out;
    for (int c = 0; c < 6; ++c)
        out.f[c] = select(m, x.f[c], y.f[c]);
    return out;
}

// Sixteen codes of `bits` bits as two whole numbers of eight codes each (exact below 2^24).
template <class V>
void packCodes(const V codes[16], float bits, V& low, V& high) {
    low = high = V(0.0f);
    for (int i = 7; i >= 0; --i) {
        low = low * V(bits) + codes[i];
        high = high * V(bits) + codes[i + 8];
    }
}

} // namespace hq
} // namespace
