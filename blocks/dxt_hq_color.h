// The colour half of the high-quality encoder: the principal axis of the block's colours,
// steps along it from two starts settled on the axis, least-squares endpoints quantised with
// the decoder's own palette in view, single-step moves ranked by their fixed-step error, a
// last refit, and the colour block written for four colours or, in "DXT1", three. Part of the kernel (see dxt_hq_kernel.h).
#pragma once

#include "blocks/dxt_hq_common.h"

namespace {
namespace hq {

// The decoded colours of N evenly spaced steps from a to b (N = 4, or 3 for the three-colour
// mode whose fourth entry is transparent black), kept as the error needs them:
// |p - P|^2 = |p|^2 + |P|^2 - 2 p.P, where |p|^2 is the same for every palette of the block.
template <class V, int N>
struct Palette {
    V square[N], r[N], g[N], b[N]; // |P|^2, and -2 P

    explicit Palette(const Ends<V>& e) {
        V pr[N], pg[N], pb[N];
        pr[0] = expanded<V, 5>(e.f[0]);
        pg[0] = expanded<V, 6>(e.f[1]);
        pb[0] = expanded<V, 5>(e.f[2]);
        pr[N - 1] = expanded<V, 5>(e.f[3]);
        pg[N - 1] = expanded<V, 6>(e.f[4]);
        pb[N - 1] = expanded<V, 5>(e.f[5]);
        if constexpr (N == 4) {
            pr[1] = third<V, 5>(e.f[0], e.f[3]);
            pg[1] = third<V, 6>(e.f[1], e.f[4]);
            pb[1] = third<V, 5>(e.f[2], e.f[5]);
            pr[2] = third<V, 5>(e.f[3], e.f[0]);
            pg[2] = third<V, 6>(e.f[4], e.f[1]);
            pb[2] = third<V, 5>(e.f[5], e.f[2]);
        } else {
            pr[1] = half<V, 5>(e.f[0], e.f[3]);
            pg[1] = half<V, 6>(e.f[1], e.f[4]);
            pb[1] = half<V, 5>(e.f[2], e.f[5]);
        }
        for (int k = 0; k < N; ++k) {
            square[k] = mulAdd(pb[k], pb[k], mulAdd(pg[k], pg[k], pr[k] * pr[k]));
            r[k] = pr[k] * V(-2.0f);
            g[k] = pg[k] * V(-2.0f);
            b[k] = pb[k] * V(-2.0f);
        }
    }

    V distance(const Pixels<V>& px, int i, int k) const {
        return mulAdd(px.b[i], b[k], mulAdd(px.g[i], g[k], mulAdd(px.r[i], r[k], square[k])));
    }
};

// The step of a pixel stored transparent: no step sum picks it up.
constexpr float outsideStep = 9.0f;

// Squared error of the block less the sum of |p|^2, with each pixel on its nearest step (the
// lower step wins a tie); pixels stored transparent count nothing and take outsideStep.
template <class V, int N, bool Weighted>
V blockError(const Pixels<V>& px, const Ends<V>& ends, V steps[16]) {
    const Palette<V, N> p(ends);
    V total(0.0f);
    for (int i = 0; i < 16; ++i) {
        px.ahead->line();
        V best = p.distance(px, i, 0), step(0.0f);
        for (int k = 1; k < N; ++k) {
            const V d = p.distance(px, i, k);
            const typename V::Mask closer = d < best;
            best = select(closer, d, best);
            step = select(closer, V(float(k)), step);
        }
        if constexpr (Weighted) {
            const typename V::Mask counts = px.weight[i] == V(1.0f);
            steps[i] = select(counts, step, V(outsideStep));
            total = total + keep(counts, best);
        } else {
            steps[i] = step;
            total = total + best;
        }
    }
    return total;
}

// The same without the steps, for trying endpoints.
template <class V, int N, bool Weighted>
V blockError(const Pixels<V>& px, const Ends<V>& ends) {
    const Palette<V, N> p(ends);
    V total(0.0f);
    for (int i = 0; i < 16; ++i) {
        px.ahead->line();
        V best = p.distance(px, i, 0);
        for (int k = 1; k < N; ++k)
            best = minOf(best, p.distance(px, i, k));
        if constexpr (Weighted)
            total = total + keep(px.weight[i] == V(1.0f), best);
        else
            total = total + best;
    }
    return total;
}

// The sums of the pixels that count, and their projections on the principal axis.
template <class V>
struct ColorStats {
    V count, sumR, sumG, sumB;
    V meanR, meanG, meanB;
    V projection[16];
    V low, high; // extent of the projections of the pixels that count
};

template <class V, bool Weighted>
ColorStats<V> colorStats(const Pixels<V>& px) {
    V n(0.0f), sr(0.0f), sg(0.0f), sb(0.0f);
    V srr(0.0f), srg(0.0f), srb(0.0f), sgg(0.0f), sgb(0.0f), sbb(0.0f);
    for (int i = 0; i < 16; ++i) {
        const V w = Weighted ? px.weight[i] : V(1.0f);
        const V r = Weighted ? px.r[i] * w : px.r[i];
        const V g = Weighted ? px.g[i] * w : px.g[i];
        const V b = Weighted ? px.b[i] * w : px.b[i];
        n = n + w;
        sr = sr + r;
        sg = sg + g;
        sb = sb + b;
        srr = mulAdd(r, px.r[i], srr);
        srg = mulAdd(r, px.g[i], srg);
        srb = mulAdd(r, px.b[i], srb);
        sgg = mulAdd(g, px.g[i], sgg);
        sgb = mulAdd(g, px.b[i], sgb);
        sbb = mulAdd(b, px.b[i], sbb);
    }
    ColorStats<V> st;
    st.count = n;
    st.sumR = sr;
    st.sumG = sg;
    st.sumB = sb;
    const V safeCount = select(n == V(0.0f), V(1.0f), n);
    st.meanR = sr / safeCount;
    st.meanG = sg / safeCount;
    st.meanB = sb / safeCount;

    // Covariance times count squared: whole numbers below 2^24, so exact.
    const V crr = n * srr - sr * sr, crg = n * srg - sr * sg, crb = n * srb - sr * sb;
    const V cgg = n * sgg - sg * sg, cgb = n * sgb - sg * sb, cbb = n * sbb - sb * sb;
    // Power iteration from the row of the widest channel, scaled to a largest component of 1 at
    // the end only: three products of entries below 2^24 stay far inside the float range, and
    // one division instead of four shortens the chain every later step waits on.
    const typename V::Mask redWidest = (crr >= cgg) & (crr >= cbb);
    const typename V::Mask greenWidest = andNot(cgg >= cbb, redWidest);
    V ar = select(redWidest, crr, select(greenWidest, crg, crb));
    V ag = select(redWidest, crg, select(greenWidest, cgg, cgb));
    V ab = select(redWidest, crb, select(greenWidest, cgb, cbb));
    for (int iteration = 0; iteration < 3; ++iteration) {
        const V nr = crr * ar + crg * ag + crb * ab;
        const V ng = crg * ar + cgg * ag + cgb * ab;
        const V nb = crb * ar + cgb * ag + cbb * ab;
        ar = nr;
        ag = ng;
        ab = nb;
    }
    const V largest = maxOf(maxOf(maxOf(ar, V(0.0f) - ar), maxOf(ag, V(0.0f) - ag)),
                            maxOf(ab, V(0.0f) - ab));
    const typename V::Mask flat = largest == V(0.0f);
    const V scale = V(1.0f) / select(flat, V(1.0f), largest);
    ar = select(flat, V(1.0f), ar * scale);
    ag = select(flat, V(1.0f), ag * scale);
    ab = select(flat, V(1.0f), ab * scale);
    V low(noError), high(-noError);
    for (int i = 0; i < 16; ++i) {
        const V t = px.r[i] * ar + px.g[i] * ag + px.b[i] * ab;
        st.projection[i] = t;
        if constexpr (Weighted) {
            const typename V::Mask counts = px.weight[i] == V(1.0f);
            low = select(counts, minOf(low, t), low);
            high = select(counts, maxOf(high, t), high);
        } else {
            low = minOf(low, t);
            high = maxOf(high, t);
        }
    }
    st.low = low;
    st.high = select(high < low, low, high);
    return st;
}

// Pixel count and channel sums of each step.
template <class V, int N>
struct StepSums {
    V count[N], r[N], g[N], b[N];
};

// From the moments of the steps, sums of s^j p over the pixels for j = 1..N-1 (s p, s^2 p and
// s^3 p are whole numbers below 2^24), which take fewer operations than a sum per step: the
// sums of steps 1..N-1 solve a Vandermonde system whose divisions by 2 and 6 are exact, as the
// quotients are whole numbers. Step 0 takes what the others leave of the totals. Pixels stored
// transparent (outsideStep) count nowhere.
template <class V, int N, bool Weighted>
StepSums<V, N> stepSums(const Pixels<V>& px, const ColorStats<V>& st, const V steps[16]) {
    V moment[N - 1][4]; // [j - 1][count, red, green, blue]
    for (int j = 0; j < N - 1; ++j)
        for (int c = 0; c < 4; ++c)
            moment[j][c] = V(0.0f);
    for (int i = 0; i < 16; ++i) {
        const V s = Weighted ? keep(px.weight[i] == V(1.0f), steps[i]) : steps[i];
        V power = s;
        for (int j = 0; j < N - 1; ++j) {
            if (j > 0)
                power = power * s;
            moment[j][0] = moment[j][0] + power;
            moment[j][1] = mulAdd(power, px.r[i], moment[j][1]);
            moment[j][2] = mulAdd(power, px.g[i], moment[j][2]);
            moment[j][3] = mulAdd(power, px.b[i], moment[j][3]);
        }
    }
    V step[N][4];
    for (int c = 0; c < 4; ++c) {
        const V m1 = moment[0][c], m2 = moment[1][c];
        if constexpr (N == 4) {
            // m1 = t1 + 2 t2 + 3 t3, m2 = t1 + 4 t2 + 9 t3, m3 = t1 + 8 t2 + 27 t3.
            const V m3 = moment[2][c];
            step[3][c] = (m3 - m2 * V(3.0f) + m1 * V(2.0f)) / V(6.0f);
            step[2][c] = (m2 - m1 - step[3][c] * V(6.0f)) / V(2.0f);
            step[1][c] = m1 - step[2][c] * V(2.0f) - step[3][c] * V(3.0f);
        } else {
            // m1 = t1 + 2 t2, m2 = t1 + 4 t2.
            step[2][c] = (m2 - m1) / V(2.0f);
            step[1][c] = m1 - step[2][c] * V(2.0f);
        }
    }
    StepSums<V, N> out;
    for (int k = 1; k < N; ++k) {
        out.count[k] = step[k][0];
        out.r[k] = step[k][1];
        out.g[k] = step[k][2];
        out.b[k] = step[k][3];
    }
    out.count[0] = st.count;
    out.r[0] = st.sumR;
    out.g[0] = st.sumG;
    out.b[0] = st.sumB;
    for (int k = 1; k < N; ++k) {
        out.count[0] = out.count[0] - out.count[k];
        out.r[0] = out.r[0] - out.r[k];
        out.g[0] = out.g[0] - out.g[k];
        out.b[0] = out.b[0] - out.b[k];
    }
    return out;
}

// The least-squares system of the steps: sums of (last - k)^2, (last - k) k and k^2 over the
// pixels, and the factor (N - 1) / determinant (singular when every pixel is on one step).
template <class V, int N>
struct StepSystem {
    V aa, ab, bb, factor;
    typename V::Mask singular;

    explicit StepSystem(const StepSums<V, N>& s) {
        constexpr float last = float(N - 1);
        aa = ab = bb = V(0.0f);
        for (int k = 0; k < N; ++k) {
            const float wa = last - float(k), wb = float(k);
            aa = aa + s.count[k] * V(wa * wa);
            ab = ab + s.count[k] * V(wa * wb);
            bb = bb + s.count[k] * V(wb * wb);
        }
        const V det = aa * bb - ab * ab;
        singular = det == V(0.0f);
        factor = V(last) / select(singular, V(1.0f), det);
    }
};

// For pixels on fixed steps the error splits by channel: the sum over steps k of
// P_k (n_k P_k - 2 S_k), plus a constant, with n_k and S_k the step's count and channel sum.
// The channel takes the best of the four field pairs around its least-squares endpoints.
template <class V, int N, int Bits>
void bestChannel(const StepSums<V, N>& s, const V sum[N], const StepSystem<V, N>& system,
                 V mean, V& a, V& b) {
    constexpr float last = float(N - 1), max = Bits == 5 ? 31.0f : 63.0f;
    V x(0.0f), y(0.0f), twice[N];
    for (int k = 0; k < N; ++k) {
        x = x + sum[k] * V(last - float(k));
        y = y + sum[k] * V(float(k));
        twice[k] = sum[k] + sum[k];
    }
    const V fitA = select(system.singular, mean, (system.bb * x - system.ab * y) * system.factor);
    const V fitB = select(system.singular, mean, (system.aa * y - system.ab * x) * system.factor);
    auto below = [](V v) {
        return truncate(minOf(maxOf(v, V(0.0f)), V(255.0f)) * V(max / 255.0f));
    };
    const V fieldA[2] = {below(fitA), minOf(below(fitA) + V(1.0f), V(max))};
    const V fieldB[2] = {below(fitB), minOf(below(fitB) + V(1.0f), V(max))};
    const V endA[2] = {expanded<V, Bits>(fieldA[0]), expanded<V, Bits>(fieldA[1])};
    const V endB[2] = {expanded<V, Bits>(fieldB[0]), expanded<V, Bits>(fieldB[1])};
    V bestError(noError);
    a = fieldA[0];
    b = fieldB[0];
    for (int ia = 0; ia < 2; ++ia) {
        for (int ib = 0; ib < 2; ++ib) {
            V p[N];
            p[0] = endA[ia];
            p[N - 1] = endB[ib];
            if constexpr (N == 4) {
                p[1] = third<V, Bits>(fieldA[ia], fieldB[ib]);
                p[2] = third<V, Bits>(fieldB[ib], fieldA[ia]);
            } else {
                p[1] = half<V, Bits>(fieldA[ia], fieldB[ib]);
            }
            V error(0.0f);
            for (int k = 0; k < N; ++k)
                error = mulAdd(p[k], mulAdd(s.count[k], p[k], V(0.0f) - twice[k]), error);
            const typename V::Mask better = error < bestError;
            bestError = select(better, error, bestError);
            a = select(better, fieldA[ia], a);
            b = select(better, fieldB[ib], b);
        }
    }
}

// The channel's error for pixels on fixed steps, less a constant: field values a and b.
template <class V, int N, int Bits>
V fixedStepError(const StepSums<V, N>& s, const V sum[N], V a, V b) {
    V p[N];
    p[0] = expanded<V, Bits>(a);
    p[N - 1] = expanded<V, Bits>(b);
    if constexpr (N == 4) {
        p[1] = third<V, Bits>(a, b);
        p[2] = third<V, Bits>(b, a);
    } else {
        p[1] = half<V, Bits>(a, b);
    }
    V error(0.0f);
    for (int k = 0; k < N; ++k)
        error = mulAdd(p[k], mulAdd(s.count[k], p[k], V(0.0f) - (sum[k] + sum[k])), error);
    return error;
}

template <class V, int N>
Ends<V> bestEnds(const StepSums<V, N>& s, const ColorStats<V>& st) {
    const StepSystem<V, N> system(s);
    Ends<V> e;
    bestChannel<V, N, 5>(s, s.r, system, st.meanR, e.f[0], e.f[3]);
    bestChannel<V, N, 6>(s, s.g, system, st.meanG, e.f[1], e.f[4]);
    bestChannel<V, N, 5>(s, s.b, system, st.meanB, e.f[2], e.f[5]);
    return e;
}

template <class V>
struct ColorChoice {
    Ends<V> ends;
    V error;
    V steps[16];
};

// The sum of 16 values as four sums added pairwise: a shorter chain than one running sum.
template <class V>
V quarterSums(const V x[16]) {
    V part[4];
    for (int k = 0; k < 4; ++k)
        part[k] = (x[k] + x[k + 4]) + (x[k + 8] + x[k + 12]);
    return (part[0] + part[1]) + (part[2] + part[3]);
}

// The pixels' steps along the principal axis: the extent of their projections, inset by
// `inset` of it at either end, cut into N - 1 equal parts.
template <class V, int N, bool Weighted>
void axisSteps(const Pixels<V>& px, const ColorStats<V>& st, float inset, V steps[16]) {
    const V range = st.high - st.low;
    const typename V::Mask flat = range == V(0.0f);
    const V low = st.low + range * V(inset);
    const V width = range * V(1.0f - 2.0f * inset);
    const V scale = select(flat, V(0.0f), V(float(N - 1)) / select(flat, V(1.0f), width));
    for (int i = 0; i < 16; ++i) {
        // Clamped before the conversion: a pixel stored transparent may lie far outside.
        const V s = maxOf(st.projection[i] - low, V(0.0f)) * scale + V(0.5f);
        steps[i] = truncate(minOf(s, V(float(N - 1))));
        if constexpr (Weighted)
            steps[i] = select(px.weight[i] == V(1.0f), steps[i], V(outsideStep));
    }
}

// Moves the steps to the N evenly spaced levels on the axis that fit the projections best:
// the least-squares line through (step, projection), then each pixel on the level nearest its
// projection, `rounds` times. A refit along one dimension, far cheaper than in colour, and
// the levels then follow all the pixels rather than the extreme two.
template <class V, int N, bool Weighted>
void settleOnAxis(const Pixels<V>& px, const ColorStats<V>& st, int rounds, V steps[16]) {
    const typename V::Mask none = st.count == V(0.0f);
    const V perPixel = V(1.0f) / select(none, V(1.0f), st.count);
    V p[16];
    for (int i = 0; i < 16; ++i)
        p[i] = Weighted ? keep(px.weight[i] == V(1.0f), st.projection[i]) : st.projection[i];
    const V sumP = quarterSums(p), meanP = sumP * perPixel;
    for (int round = 0; round < rounds; ++round) {
        V w[16], ww[16], wp[16];
        for (int i = 0; i < 16; ++i) {
            w[i] = Weighted ? keep(px.weight[i] == V(1.0f), steps[i]) : steps[i];
            ww[i] = w[i] * w[i];
            wp[i] = w[i] * p[i];
        }
        const V s = quarterSums(w), ss = quarterSums(ww), sp = quarterSums(wp);
        // Levels a + k d: d = (n sum(s p) - sum(s) sum(p)) / (n sum(s^2) - sum(s)^2), and a
        // pixel's level (p - a) / d = (p - mean(p)) / d + mean(s).
        const V spread = st.count * ss - s * s;
        const V rise = st.count * sp - s * sumP;
        const typename V::Mask keepSteps = (spread == V(0.0f)) | (rise <= V(0.0f));
        const V perStep = spread / select(keepSteps, V(1.0f), rise);
        const V meanS = s * perPixel + V(0.5f);
        for (int i = 0; i < 16; ++i) {
            const V level = maxOf((st.projection[i] - meanP) * perStep + meanS, V(0.0f));
            V next = select(keepSteps, steps[i], truncate(minOf(level, V(float(N - 1)))));
            if constexpr (Weighted)
                next = select(px.weight[i] == V(1.0f), next, V(outsideStep));
            steps[i] = next;
        }
    }
}

// The best quantised endpoints for the steps, and the pixels' nearest steps for those, where
// they beat `best` (the steps may be best's own: they are read before it changes).
template <class V, int N, bool Weighted>
void refit(const Pixels<V>& px, const ColorStats<V>& st, const V steps[16], ColorChoice<V>& best) {
    const Ends<V> candidate = bestEnds<V, N>(stepSums<V, N, Weighted>(px, st, steps), st);
    V next[16];
    const V error = blockError<V, N, Weighted>(px, candidate, next);
    const typename V::Mask better = error < best.error;
    best.ends = selected<V>(better, candidate, best.ends);
    best.error = select(better, error, best.error);
    for (int i = 0; i < 16; ++i)
        best.steps[i] = select(better, next[i], best.steps[i]);
}

// The endpoints of one mode: from each start (the axis steps at each inset, settled on the
// axis), a refit; then the moves and a last refit.
template <class V, int N, bool Weighted, int Starts, int SettleRounds, int Moves>
void searchColor(const Pixels<V>& px, const ColorStats<V>& st, const float (&insets)[Starts],
                 ColorChoice<V>& best) {
    for (int c = 0; c < 6; ++c)
        best.ends.f[c] = V(0.0f);
    for (int i = 0; i < 16; ++i)
        best.steps[i] = V(0.0f);
    best.error = V(noError);
    for (int start = 0; start < Starts; ++start) {
        V steps[16];
        axisSteps<V, N, Weighted>(px, st, insets[start], steps);
        if constexpr (SettleRounds > 0)
            settleOnAxis<V, N, Weighted>(px, st, SettleRounds, steps);
        refit<V, N, Weighted>(px, st, steps, best);
    }
    if constexpr (Moves > 0) {
        // Each single-step move of one endpoint channel, ranked by its error change with the
        // pixels kept on their steps (exact from the step sums, and an upper bound of the change
        // once they may move); each lane then tries its best-ranked moves in full.
        const StepSums<V, N> s = stepSums<V, N, Weighted>(px, st, best.steps);
        V predicted[12];
        for (int c = 0; c < 6; ++c) {
            const int channel = c % 3;
            const V* sum = channel == 0 ? s.r : channel == 1 ? s.g : s.b;
            const V a = best.ends.f[channel], b = best.ends.f[channel + 3];
            const V base = channel == 1 ? fixedStepError<V, N, 6>(s, sum, a, b)
                                        : fixedStepError<V, N, 5>(s, sum, a, b);
            for (int d = 0; d < 2; ++d) {
                const V moved = minOf(maxOf(best.ends.f[c] + V(d == 0 ? 1.0f : -1.0f), V(0.0f)),
                                      V(fieldMaxTable[c]));
                const V ma = c < 3 ? moved : a, mb = c < 3 ? b : moved;
                const V error = channel == 1 ? fixedStepError<V, N, 6>(s, sum, ma, mb)
                                             : fixedStepError<V, N, 5>(s, sum, ma, mb);
                predicted[2 * c + d] = select(moved == best.ends.f[c], V(noError), error - base);
            }
        }
        typename V::Mask moved = V(0.0f) < V(0.0f);
        for (int pass = 0; pass < Moves; ++pass) {
            V least = predicted[0], move(0.0f);
            for (int m = 1; m < 12; ++m) {
                const typename V::Mask smaller = predicted[m] < least;
                least = select(smaller, predicted[m], least);
                move = select(smaller, V(float(m)), move);
            }
            Ends<V> candidate = best.ends;
            for (int c = 0; c < 6; ++c) {
                const V delta = select(move == V(float(2 * c)), V(1.0f),
                                       select(move == V(float(2 * c + 1)), V(-1.0f), V(0.0f)));
                candidate.f[c] = minOf(maxOf(candidate.f[c] + delta, V(0.0f)), V(fieldMaxTable[c]));
            }
            for (int m = 0; m < 12; ++m)
                predicted[m] = select(move == V(float(m)), V(noError), predicted[m]);
            const V error = blockError<V, N, Weighted>(px, candidate);
            const typename V::Mask better = error < best.error;
            best.ends = selected<V>(better, candidate, best.ends);
            best.error = select(better, error, best.error);
            moved = moved | better;
        }
        // The steps of endpoints that did not move are still those of the refits; then one more
        // refit on the steps the moves left.
        if (any(moved))
            blockError<V, N, Weighted>(px, best.ends, best.steps);
        refit<V, N, Weighted>(px, st, best.steps, best);
    }
}

// The colour blocks of a batch: four colours, and for "DXT1" three where they do better or
// where pixels are stored transparent.
template <class V, Kind K, bool Weighted>
void encodeColors(const Pixels<V>& px, uint32_t n, uint8_t* blocks) {
    constexpr int L = V::count;
    const ColorStats<V> st = colorStats<V, Weighted>(px);
    ColorChoice<V> four, three;
    searchColor<V, 4, Weighted, std::size(fourColorInsets), fourColorSettleRounds, fourColorMoves>(
        px, st, fourColorInsets, four);
    typename V::Mask useThree = V(0.0f) < V(0.0f);
    if constexpr (K == Kind::Dxt1) {
        searchColor<V, 3, Weighted, std::size(threeColorInsets), threeColorSettleRounds,
                    threeColorMoves>(px, st, threeColorInsets, three);
        useThree = three.error < four.error;
        if constexpr (Weighted)
            useThree = useThree | (st.count < V(16.0f));
    }
    const Ends<V> ends = K == Kind::Dxt1 ? selected<V>(useThree, three.ends, four.ends) : four.ends;
    const V colorA = ends.f[0] * V(2048.0f) + ends.f[1] * V(32.0f) + ends.f[2];
    const V colorB = ends.f[3] * V(2048.0f) + ends.f[4] * V(32.0f) + ends.f[5];
    // Four colours need color0 > color1 (equal endpoints decode every index alike), three
    // need color0 <= color1: swap the endpoints, and reverse the steps, where they are not so.
    const typename V::Mask swap = (useThree & (colorB < colorA)) | andNot(colorA < colorB, useThree);
    const typename V::Mask equal = colorA == colorB;
    const V last = select(useThree, V(2.0f), V(3.0f));
    V codes[16];
    for (int i = 0; i < 16; ++i) {
        const V step = K == Kind::Dxt1 ? select(useThree, three.steps[i], four.steps[i])
                                       : four.steps[i];
        const V s = select(swap, last - step, step);
        // Steps 0..3 are block indices 0, 2, 3, 1; with three colours 0..2 are 0, 2, 1.
        const V fourIndex =
            select(equal, V(0.0f), select(s == V(0.0f), V(0.0f), select(s == V(3.0f), V(1.0f), s + V(1.0f))));
        const V threeIndex = select(px.weight[i] == V(0.0f), V(3.0f),
                                    select(s == V(1.0f), V(2.0f), select(s == V(2.0f), V(1.0f), V(0.0f))));
        codes[i] = select(useThree, threeIndex, fourIndex);
    }
    V low, high;
    packCodes(codes, 4.0f, low, high);
    V color0 = select(swap, colorB, colorA), color1 = select(swap, colorA, colorB);
    if constexpr (Weighted) {
        // Nothing to match where every pixel is transparent: written as the exact encoder does.
        const typename V::Mask clear = st.count == V(0.0f);
        color0 = select(clear, V(0.0f), color0);
        color1 = select(clear, V(65535.0f), color1);
        low = select(clear, V(65535.0f), low);
        high = select(clear, V(65535.0f), high);
    }
    alignas(64) float fields[4][L];
    color0.store(fields[0]);
    color1.store(fields[1]);
    low.store(fields[2]);
    high.store(fields[3]);
    for (int lane = 0; lane < L && uint32_t(lane) < n; ++lane) {
        uint8_t* out = blocks + size_t(lane) * blockBytes(K) + (K == Kind::Dxt1 ? 0 : 8);
        for (int f = 0; f < 4; ++f) {
            const uint32_t v = uint32_t(fields[f][lane]);
            out[2 * f] = uint8_t(v);
            out[2 * f + 1] = uint8_t(v >> 8);
        }
    }
}

} // namespace hq
} // namespace
