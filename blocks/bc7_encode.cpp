// The BC7 encoder. Per block it fits the modes worth trying at the chosen level and keeps the
// one whose decoded texels lie closest (squared error over red, green, blue and alpha at 8 bits,
// counted with the decoder's own arithmetic). A subset is fitted by its principal axis, the
// endpoints quantised with their p-bits, every pixel on its nearest palette entry, then least-
// squares endpoints from those indices; partitions are ranked by a quick estimate from the
// subsets' moments and only the best few are fitted in full. Opaque blocks use the colour modes
// (6, 1 and 3, then 0 and 2 above the fast level) and leave alpha at 255; blocks with alpha use
// the modes that store it (6, 5, 4, 7). Its single-precision arithmetic is never contracted into
// fused multiply-adds nor reordered, and every choice is made on whole-number errors, so the
// bytes are the same with every optimisation and processor.
#include "blocks/bc7.h"

#include "blocks/bc7_kernels.h"
#include "blocks/bc7_spread.h"
#include "blocks/bc7_tables.h"
#include "cpu/processor_features.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr uint32_t noError = 0xFFFFFFFFu;

// How hard a level searches; the levels and their cost are at the end of the file.
struct Level {
    uint32_t partitions2;   // two-subset partitions fitted in full per mode, best estimate first
    uint32_t partitions3;   // three-subset partitions (modes 0 and 2); 0 leaves those modes out
    uint32_t refineRounds;  // least-squares rounds after the axis fit
    bool everyPBit;         // every p-bit choice fitted, not only the one nearest the endpoints
    uint32_t endpointSteps; // passes of single steps of each stored endpoint channel, every fit
    uint32_t polishSteps;   // the same, on the mode and partition chosen only
    bool everyRotation;     // modes 4 and 5 with each channel in the separately indexed slot
    // A block whose one-subset fit errs by at most this much a pixel (squares summed over its
    // channels) is not tried with partitions; one whose best fit with up to two subsets errs by
    // at most the second is not tried with three.
    uint32_t closeEnough;
    uint32_t closeEnoughForTwo;
    // The processor variant's kernels.
    bc7::PixelLoopFn pixelLoop = bc7::pixelLoopPlain;
    bc7::SpreadFn spread3 = bc7::spread3Plain;
    bc7::SpreadFn spread4 = bc7::spread4Plain;
};

// The texels of one block in 8 bits and whether all of them are opaque.
struct Texels {
    int32_t v[16][4];
    bool opaque;
};

// The pixels of one subset in the channels being fitted (3 for colour, 4 with alpha, 1 for the
// separately indexed channel of modes 4 and 5).
struct Points {
    uint32_t count = 0;
    uint32_t channels = 0;
    int32_t v[16][4];
    uint32_t packed[16]; // one byte a fitted channel, the others 0 (pack)

    void pack() {
        for (uint32_t i = 0; i < count; ++i) {
            packed[i] = 0;
            for (uint32_t c = 0; c < channels; ++c)
                packed[i] |= uint32_t(v[i][c]) << (8 * c);
        }
    }
};

struct Precision {
    uint32_t bits[4];  // stored bits of each channel slot, without the p-bit
    uint32_t pBits;    // 0 none, 1 one per endpoint, 2 one shared by the subset's endpoints
    uint32_t pAllowed; // bit 0: p-bit 0 allowed, bit 1: p-bit 1 allowed
    uint32_t indexBits;
};

struct Fit {
    uint32_t error = noError;
    int32_t q[2][4] = {};
    uint32_t p[2] = {};
    uint8_t index[16] = {};
    uint32_t passes = 0;  // passes of endpoint steps made
    bool settled = false; // the last pass found no better step
};

// The endpoints already measured in one fit of a subset: measuring them again gives the same
// error, which cannot beat the best so far (at most that error), so they are skipped.
template <uint32_t C> class Tried {
public:
    // True the first time these endpoints and p-bits are offered.
    bool first(const int32_t q[2][4], const uint32_t p[2]) {
        // Stored values take at most 8 bits, and at most 7 where alpha is fitted with colour.
        constexpr uint32_t width = C == 4 ? 7 : 8;
        uint64_t key = uint64_t(p[0]) | uint64_t(p[1]) << 1;
        for (uint32_t k = 0; k < 2; ++k) {
            for (uint32_t c = 0; c < C; ++c)
                key = key << width | uint64_t(q[k][c]);
        }
        for (uint32_t i = 0; i < count_; ++i) {
            if (keys_[i] == key)
                return false;
        }
        if (count_ < 64)
            keys_[count_++] = key;
        return true;
    }

private:
    uint32_t count_ = 0;
    uint64_t keys_[64];
};

int32_t expanded(int32_t q, uint32_t p, uint32_t bits, uint32_t hasP) {
    return int32_t(bc7::expandBits(uint32_t(q) << hasP | p, bits + hasP));
}

// For every stored width (4 to 8 bits) and p-bit (none, 0, 1), the stored value whose widened
// value lies nearest each 8-bit value.
struct NearestStored {
    uint8_t value[5][3][256];
};

// Built once at start-up: the encoder reads it on every quantisation, where a function-local
// static's guard costs as much as the look-up.
const NearestStored nearestStoredTable = [] {
    NearestStored t{};
    for (uint32_t bits = 4; bits <= 8; ++bits) {
        for (uint32_t pChoice = 0; pChoice < 3; ++pChoice) {
            const uint32_t hasP = pChoice != 0, p = pChoice == 2;
            if (bits + hasP > 8)
                continue;
            // Widened values rise with the stored one, so the nearest (the lower of two as near)
            // only moves up as x does.
            int32_t best = 0;
            for (int32_t x = 0; x < 256; ++x) {
                while (best + 1 < (1 << bits) &&
                       std::abs(expanded(best + 1, p, bits, hasP) - x) <
                           std::abs(expanded(best, p, bits, hasP) - x))
                    ++best;
                t.value[bits - 4][pChoice][x] = uint8_t(best);
            }
        }
    }
    return t;
}();

// The stored value whose widened value lies nearest x (0 to 255), for a given p-bit: the nearest
// to the whole number below x or the one to that above.
inline __attribute__((always_inline)) int32_t quantizeChannel(float x, uint32_t bits,
                                                            uint32_t hasP, uint32_t p) {
    const uint8_t* nearest = nearestStoredTable.value[bits - 4][hasP ? 1 + p : 0];
    if (!(x > 0.0f))
        return nearest[0];
    if (x >= 255.0f)
        return nearest[255];
    const int32_t below = int32_t(x);
    const int32_t low = nearest[below], high = nearest[below + 1];
    if (low == high)
        return low;
    return std::fabs(float(expanded(high, p, bits, hasP)) - x) <
                   std::fabs(float(expanded(low, p, bits, hasP)) - x)
               ? high
               : low;
}

// The error of quantised endpoints with their p-bits, each pixel on its nearest palette entry
// (bc7_kernels.h): its position along the endpoints' line picks an entry, which and its two
// neighbours are measured exactly.
template <uint32_t C>
uint32_t evaluateQuantized(const Points& points, const Precision& precision, const int32_t q[2][4],
                           const uint32_t p[2], uint8_t index[16], bc7::PixelLoopFn pixelLoop) {
    const uint32_t hasP = precision.pBits != 0;
    const uint8_t* weights = bc7::weightsFor(precision.indexBits);
    bc7::PixelLoop loop;
    loop.pixels = points.packed;
    loop.count = points.count;
    loop.channels = C;
    loop.entries = 1u << precision.indexBits;
    int32_t e[2][4] = {};
    for (uint32_t k = 0; k < 2; ++k) {
        for (uint32_t c = 0; c < C; ++c)
            e[k][c] = expanded(q[k][c], p[k], precision.bits[c], hasP);
    }
    loop.weights = weights;
    int32_t length = 0;
    for (uint32_t c = 0; c < 4; ++c) {
        loop.start[c] = e[0][c];
        loop.end[c] = e[1][c];
        loop.direction[c] = e[1][c] - e[0][c];
        length += loop.direction[c] * loop.direction[c];
    }
    loop.scale = length > 0 ? 64.0f / float(length) : 0.0f;
    return pixelLoop(loop, index);
}

// Quantises the endpoints `ends` (0 to 255 per channel) with the p-bits nearest them, or under
// every p-bit choice, and keeps the best result in `fit`.
// Each endpoint channel's stored value under each p-bit, quantised once when first needed and
// kept while the endpoints stay (forget() when they move).
template <uint32_t C> class StoredValues {
public:
    StoredValues(const float (*ends)[4], const Precision& precision)
        : ends_(ends), precision_(precision) {}

    const int32_t* of(uint32_t k, uint32_t p) {
        if (!quantized_[k][p]) {
            const uint32_t hasP = precision_.pBits != 0;
            for (uint32_t c = 0; c < C; ++c)
                stored_[k][p][c] = quantizeChannel(ends_[k][c], precision_.bits[c], hasP, p);
            quantized_[k][p] = true;
        }
        return stored_[k][p];
    }
    void forget() {
        quantized_[0][0] = quantized_[0][1] = quantized_[1][0] = quantized_[1][1] = false;
    }

private:
    const float (*ends_)[4];
    const Precision& precision_;
    int32_t stored_[2][2][4];
    bool quantized_[2][2] = {};
};

template <uint32_t C>
void evaluate(const Points& points, const Precision& precision, bool everyPBit,
              const float ends[2][4], StoredValues<C>* stored, Fit* fit,
              bc7::PixelLoopFn pixelLoop, Tried<C>* tried) {
    const uint32_t hasP = precision.pBits != 0;
    uint32_t choices[4][2];
    uint32_t choiceCount = 0;
    if (!hasP) {
        choices[choiceCount][0] = choices[choiceCount][1] = 0;
        ++choiceCount;
    } else if (everyPBit) {
        for (uint32_t p0 = 0; p0 < 2; ++p0) {
            for (uint32_t p1 = 0; p1 < 2; ++p1) {
                if (!(precision.pAllowed >> p0 & 1) || !(precision.pAllowed >> p1 & 1))
                    continue;
                if (precision.pBits == 2 && p0 != p1)
                    continue;
                choices[choiceCount][0] = p0;
                choices[choiceCount][1] = p1;
                ++choiceCount;
            }
        }
    } else {
        // The p-bit of each endpoint (or of both, when shared) that quantises it closest.
        float distance[2][2] = {};
        for (uint32_t k = 0; k < 2; ++k) {
            for (uint32_t p = 0; p < 2; ++p) {
                const int32_t* q = stored->of(k, p);
                for (uint32_t c = 0; c < C; ++c) {
                    const float d = float(expanded(q[c], p, precision.bits[c], 1)) - ends[k][c];
                    distance[k][p] += d * d;
                }
                if (!(precision.pAllowed >> p & 1))
                    distance[k][p] = 1e30f;
            }
        }
        if (precision.pBits == 2) {
            const uint32_t p = distance[0][1] + distance[1][1] < distance[0][0] + distance[1][0];
            choices[0][0] = choices[0][1] = p;
        } else {
            choices[0][0] = distance[0][1] < distance[0][0];
            choices[0][1] = distance[1][1] < distance[1][0];
        }
        choiceCount = 1;
    }
    for (uint32_t i = 0; i < choiceCount; ++i) {
        Fit trial;
        trial.p[0] = choices[i][0];
        trial.p[1] = choices[i][1];
        for (uint32_t k = 0; k < 2; ++k) {
            const int32_t* q = stored->of(k, trial.p[k]);
            for (uint32_t c = 0; c < C; ++c)
                trial.q[k][c] = q[c];
        }
        if (!tried->first(trial.q, trial.p))
            continue;
        trial.error =
            evaluateQuantized<C>(points, precision, trial.q, trial.p, trial.index, pixelLoop);
        if (trial.error < fit->error)
            *fit = trial;
    }
}

// Endpoints that minimise the squared error for the given indices, or false when every pixel
// has the same weight.
template <uint32_t C>
bool leastSquares(const Points& points, const Precision& precision, const uint8_t index[16],
                  float ends[2][4]) {
    const uint8_t* weights = bc7::weightsFor(precision.indexBits);
    float aa = 0, ab = 0, bb = 0;
    float ax[4] = {}, bx[4] = {};
    for (uint32_t i = 0; i < points.count; ++i) {
        const float w = float(weights[index[i]]) / 64.0f;
        const float v = 1.0f - w;
        aa += v * v;
        ab += v * w;
        bb += w * w;
        for (uint32_t c = 0; c < C; ++c) {
            ax[c] += v * float(points.v[i][c]);
            bx[c] += w * float(points.v[i][c]);
        }
    }
    const float det = aa * bb - ab * ab;
    if (!(det > 1e-6f))
        return false;
    for (uint32_t c = 0; c < C; ++c) {
        const float e0 = (bb * ax[c] - ab * bx[c]) / det;
        const float e1 = (aa * bx[c] - ab * ax[c]) / det;
        ends[0][c] = std::min(255.0f, std::max(0.0f, e0));
        ends[1][c] = std::min(255.0f, std::max(0.0f, e1));
    }
    return true;
}

// The endpoints at the ends of the pixels' extent along their principal axis.
template <uint32_t C> void axisEndpoints(const Points& points, float ends[2][4]) {
    const uint32_t n = points.count;
    constexpr uint32_t channels = C;
    float mean[4] = {};
    for (uint32_t i = 0; i < n; ++i) {
        for (uint32_t c = 0; c < channels; ++c)
            mean[c] += float(points.v[i][c]);
    }
    for (uint32_t c = 0; c < channels; ++c)
        mean[c] /= float(n);
    float cov[4][4] = {};
    for (uint32_t i = 0; i < n; ++i) {
        float d[4];
        for (uint32_t c = 0; c < channels; ++c)
            d[c] = float(points.v[i][c]) - mean[c];
        for (uint32_t a = 0; a < channels; ++a) {
            for (uint32_t b = a; b < channels; ++b)
                cov[a][b] += d[a] * d[b];
        }
    }
    for (uint32_t a = 0; a < channels; ++a) {
        for (uint32_t b = 0; b < a; ++b)
            cov[a][b] = cov[b][a];
    }
    // Power iteration from the row of the widest channel.
    uint32_t widest = 0;
    for (uint32_t c = 1; c < channels; ++c) {
        if (cov[c][c] > cov[widest][widest])
            widest = c;
    }
    float axis[4] = {};
    for (uint32_t c = 0; c < channels; ++c)
        axis[c] = cov[widest][c];
    for (uint32_t round = 0; round < 6; ++round) {
        float next[4] = {};
        float largest = 0;
        for (uint32_t a = 0; a < channels; ++a) {
            for (uint32_t b = 0; b < channels; ++b)
                next[a] += cov[a][b] * axis[b];
            largest = std::max(largest, std::fabs(next[a]));
        }
        if (!(largest > 0))
            break;
        for (uint32_t c = 0; c < channels; ++c)
            axis[c] = next[c] / largest;
    }
    float length = 0;
    for (uint32_t c = 0; c < channels; ++c)
        length += axis[c] * axis[c];
    if (!(length > 0)) {
        for (uint32_t c = 0; c < channels; ++c)
            ends[0][c] = ends[1][c] = mean[c];
        return;
    }
    float low = 1e30f, high = -1e30f;
    for (uint32_t i = 0; i < n; ++i) {
        float t = 0;
        for (uint32_t c = 0; c < channels; ++c)
            t += (float(points.v[i][c]) - mean[c]) * axis[c];
        low = std::min(low, t);
        high = std::max(high, t);
    }
    for (uint32_t c = 0; c < channels; ++c) {
        ends[0][c] = std::min(255.0f, std::max(0.0f, mean[c] + axis[c] * low / length));
        ends[1][c] = std::min(255.0f, std::max(0.0f, mean[c] + axis[c] * high / length));
    }
}

// Single steps of each stored endpoint channel, in passes while one helps, until `passes` passes
// have been made: a fit stepped in a search goes on where it stopped when polished.
template <uint32_t C>
void stepEndpoints(const Points& points, const Precision& precision, uint32_t passes,
                   bc7::PixelLoopFn pixelLoop, Tried<C>* tried, Fit* best) {
    for (; best->passes < passes && !best->settled && best->error > 0; ++best->passes) {
        const uint32_t before = best->error;
        for (uint32_t k = 0; k < 2; ++k) {
            for (uint32_t c = 0; c < C; ++c) {
                const int32_t top = (1 << precision.bits[c]) - 1;
                for (int32_t step = -1; step <= 1; step += 2) {
                    Fit trial = *best;
                    trial.q[k][c] += step;
                    if (trial.q[k][c] < 0 || trial.q[k][c] > top ||
                        !tried->first(trial.q, trial.p))
                        continue;
                    trial.error = evaluateQuantized<C>(points, precision, trial.q, trial.p,
                                                       trial.index, pixelLoop);
                    if (trial.error < best->error)
                        *best = trial;
                }
            }
        }
        best->settled = best->error >= before;
    }
}

// The whole fit of one subset at one precision.
template <uint32_t C>
Fit fitPoints(const Points& points, const Precision& precision, const Level& level) {
    Fit best;
    Tried<C> tried;
    float ends[2][4];
    axisEndpoints<C>(points, ends);
    StoredValues<C> stored(ends, precision);
    evaluate<C>(points, precision, false, ends, &stored, &best, level.pixelLoop, &tried);
    for (uint32_t round = 0; round < level.refineRounds && best.error > 0; ++round) {
        if (!leastSquares<C>(points, precision, best.index, ends))
            break;
        stored.forget();
        const uint32_t before = best.error;
        evaluate<C>(points, precision, false, ends, &stored, &best, level.pixelLoop, &tried);
        if (best.error >= before)
            break;
    }
    if (level.everyPBit && precision.pBits != 0 && best.error > 0)
        evaluate<C>(points, precision, true, ends, &stored, &best, level.pixelLoop, &tried);
    stepEndpoints<C>(points, precision, level.endpointSteps, level.pixelLoop, &tried, &best);
    return best;
}

// A block being assembled: its mode's fields before the anchors are settled.
struct Plan {
    uint32_t mode = 0;
    uint32_t partition = 0;
    uint32_t rotation = 0;
    uint32_t selector = 0;
    int32_t q[3][2][4] = {};
    uint32_t p[3][2] = {};
    uint8_t index[16] = {};  // colour (or the only) indices
    uint8_t index2[16] = {}; // alpha indices of modes 4 and 5
    uint32_t error = noError;
    Fit fits[3]; // each subset's fit, of the modes fitted by subsets, for polishing
};

class BitWriter {
public:
    // The low `count` bits of value (at most 32), lowest first.
    void write(uint32_t value, uint32_t count) {
        if (count == 0)
            return;
        const uint64_t bits = uint64_t(value) & ((uint64_t(1) << count) - 1);
        if (position_ < 64) {
            low_ |= bits << position_;
            if (position_ + count > 64)
                high_ |= bits >> (64 - position_);
        } else {
            high_ |= bits << (position_ - 64);
        }
        position_ += count;
    }
    void store(uint8_t* block) const {
        for (uint32_t i = 0; i < 8; ++i) {
            block[i] = uint8_t(low_ >> (8 * i));
            block[8 + i] = uint8_t(high_ >> (8 * i));
        }
    }

private:
    uint64_t low_ = 0, high_ = 0;
    uint32_t position_ = 0;
};

// Swaps a subset's endpoints in the channels [first, last) (p-bits with them) and mirrors the
// indices of its pixels, so that the anchor pixel's index has its top bit clear.
void settleAnchor(Plan* plan, uint32_t subset, uint32_t first, uint32_t last, uint8_t* index,
                  uint32_t indexBits, const uint8_t* subsetOf, uint32_t anchor) {
    const uint32_t top = (1u << indexBits) - 1;
    if (index[anchor] <= top >> 1)
        return;
    for (uint32_t c = first; c < last; ++c)
        std::swap(plan->q[subset][0][c], plan->q[subset][1][c]);
    std::swap(plan->p[subset][0], plan->p[subset][1]);
    for (uint32_t i = 0; i < 16; ++i) {
        if (subsetOf[i] == subset)
            index[i] = uint8_t(top - index[i]);
    }
}

void writePlan(Plan plan, uint8_t* block) {
    const bc7::ModeLayout& layout = bc7::modes[plan.mode];
    const uint32_t subsets = layout.subsets;
    const uint8_t* subsetOf = bc7::subsetsOf(subsets, plan.partition);
    const bool twoSets = layout.secondaryBits != 0;
    // Modes 4 and 5: colour in the stored red, green and blue, the other channel in alpha, each
    // with its own index set; the selector of mode 4 puts the colour indices second.
    const uint32_t colorBits = plan.selector ? layout.secondaryBits : layout.indexBits;
    const uint32_t alphaBits = plan.selector ? layout.indexBits : layout.secondaryBits;
    if (twoSets) {
        settleAnchor(&plan, 0, 0, 3, plan.index, colorBits, subsetOf, 0);
        settleAnchor(&plan, 0, 3, 4, plan.index2, alphaBits, subsetOf, 0);
    } else {
        for (uint32_t s = 0; s < subsets; ++s) {
            settleAnchor(&plan, s, 0, 4, plan.index, layout.indexBits, subsetOf,
                         bc7::anchorOf(subsets, plan.partition, s));
        }
    }
    BitWriter bits;
    bits.write(1u << plan.mode, plan.mode + 1);
    bits.write(plan.partition, layout.partitionBits);
    bits.write(plan.rotation, layout.rotationBits);
    bits.write(plan.selector, layout.selectorBits);
    for (uint32_t c = 0; c < 4; ++c) {
        const uint32_t width = c < 3 ? layout.colorBits : layout.alphaBits;
        for (uint32_t s = 0; s < subsets && width != 0; ++s) {
            for (uint32_t e = 0; e < 2; ++e)
                bits.write(uint32_t(plan.q[s][e][c]), width);
        }
    }
    for (uint32_t s = 0; s < subsets && layout.endpointPBits; ++s) {
        bits.write(plan.p[s][0], 1);
        bits.write(plan.p[s][1], 1);
    }
    for (uint32_t s = 0; s < subsets && layout.sharedPBits; ++s)
        bits.write(plan.p[s][0], 1);
    const uint8_t* primary = twoSets && plan.selector ? plan.index2 : plan.index;
    for (uint32_t i = 0; i < 16; ++i) {
        const bool anchor = bc7::anchorOf(subsets, plan.partition, subsetOf[i]) == i;
        bits.write(primary[i], layout.indexBits - anchor);
    }
    if (twoSets) {
        const uint8_t* secondary = plan.selector ? plan.index : plan.index2;
        for (uint32_t i = 0; i < 16; ++i)
            bits.write(secondary[i], layout.secondaryBits - (i == 0));
    }
    bits.store(block);
}

// Fits the subsets of a mode without separate alpha (0, 1, 2, 3, 6, 7) for one partition.
// Modes with alpha fit it with the colour unless the block is opaque: then alpha stays at its
// largest stored value and the p-bits at 1, which decode to 255.
// With `polishing`, the fits are those of that plan (of this mode and partition), stepped on to
// the level's polishing passes.
template <uint32_t C>
Fit fitOrPolish(const Points& points, const Precision& precision, const Level& level,
                const Plan* polishing, uint32_t subset) {
    if (polishing == nullptr)
        return fitPoints<C>(points, precision, level);
    Fit fit = polishing->fits[subset];
    Tried<C> tried;
    stepEndpoints<C>(points, precision, level.polishSteps, level.pixelLoop, &tried, &fit);
    return fit;
}

Plan fitSubsetMode(const Texels& texels, uint32_t mode, uint32_t partition, const Level& level,
                   uint32_t enough, const Plan* polishing = nullptr) {
    const bc7::ModeLayout& layout = bc7::modes[mode];
    Plan plan;
    plan.mode = mode;
    plan.partition = partition;
    const bool fitAlpha = layout.alphaBits != 0 && !texels.opaque;
    const bool pinnedAlpha = layout.alphaBits != 0 && texels.opaque;
    Precision precision;
    for (uint32_t c = 0; c < 4; ++c)
        precision.bits[c] = c < 3 ? layout.colorBits : layout.alphaBits;
    precision.pBits = layout.endpointPBits ? 1 : layout.sharedPBits ? 2 : 0;
    precision.pAllowed = pinnedAlpha ? 2 : 3;
    precision.indexBits = layout.indexBits;

    const uint8_t* subsetOf = bc7::subsetsOf(layout.subsets, partition);
    uint32_t error = 0;
    if (layout.alphaBits == 0) {
        // Alpha decodes to 255.
        for (uint32_t i = 0; i < 16; ++i) {
            const int32_t d = 255 - texels.v[i][3];
            error += uint32_t(d * d);
        }
    }
    for (uint32_t s = 0; s < layout.subsets; ++s) {
        Points points;
        points.channels = fitAlpha ? 4 : 3;
        uint8_t pixelOf[16];
        for (uint32_t i = 0; i < 16; ++i) {
            if (subsetOf[i] != s)
                continue;
            std::memcpy(points.v[points.count], texels.v[i], sizeof(points.v[0]));
            pixelOf[points.count++] = uint8_t(i);
        }
        points.pack();
        const Fit fit = fitAlpha ? fitOrPolish<4>(points, precision, level, polishing, s)
                                 : fitOrPolish<3>(points, precision, level, polishing, s);
        plan.fits[s] = fit;
        error += fit.error;
        for (uint32_t k = 0; k < 2; ++k) {
            for (uint32_t c = 0; c < 4; ++c)
                plan.q[s][k][c] = c < points.channels ? fit.q[k][c] : (1 << layout.alphaBits) - 1;
            plan.p[s][k] = fit.p[k];
        }
        for (uint32_t i = 0; i < points.count; ++i)
            plan.index[pixelOf[i]] = fit.index[i];
        if (error >= enough)
            break;
    }
    plan.error = error;
    return plan;
}

// Modes 4 and 5: colour and one separately indexed channel (alpha, or a colour channel traded
// into the alpha slot by the rotation).
Plan fitSeparateMode(const Texels& texels, uint32_t mode, uint32_t rotation, uint32_t selector,
                     const Level& level) {
    const bc7::ModeLayout& layout = bc7::modes[mode];
    Plan plan;
    plan.mode = mode;
    plan.rotation = rotation;
    plan.selector = selector;
    const uint32_t scalar = rotation == 0 ? 3 : rotation - 1;
    Points color, alone;
    color.count = alone.count = 16;
    color.channels = 3;
    alone.channels = 1;
    for (uint32_t i = 0; i < 16; ++i) {
        for (uint32_t c = 0; c < 3; ++c)
            color.v[i][c] = texels.v[i][c == scalar ? 3 : c];
        alone.v[i][0] = texels.v[i][scalar];
    }
    color.pack();
    alone.pack();
    Precision colorPrecision = {{layout.colorBits, layout.colorBits, layout.colorBits, 0},
                                0,
                                1,
                                selector ? layout.secondaryBits : layout.indexBits};
    Precision alonePrecision = {
        {layout.alphaBits, 0, 0, 0}, 0, 1, selector ? layout.indexBits : layout.secondaryBits};
    const Fit colorFit = fitPoints<3>(color, colorPrecision, level);
    const Fit aloneFit = fitPoints<1>(alone, alonePrecision, level);
    for (uint32_t k = 0; k < 2; ++k) {
        for (uint32_t c = 0; c < 3; ++c)
            plan.q[0][k][c] = colorFit.q[k][c];
        plan.q[0][k][3] = aloneFit.q[k][0];
    }
    std::memcpy(plan.index, colorFit.index, 16);
    std::memcpy(plan.index2, aloneFit.index, 16);
    plan.error = colorFit.error + aloneFit.error;
    return plan;
}

// The moments of a set of pixels in C channels: count, sums, and sums of the products of each
// pair of channels (K of them), kept as one row of numbers: the whole block's, whose axis
// seeds the subsets' (bc7_spread.h).
template <uint32_t C> struct Moments {
    static constexpr uint32_t K = C * (C + 1) / 2;
    static constexpr uint32_t size = 1 + C + K;
    float m[size] = {};

    static void of(const int32_t* v, float* out) {
        out[0] = 1;
        for (uint32_t a = 0; a < C; ++a)
            out[1 + a] = float(v[a]);
        uint32_t k = 1 + C;
        for (uint32_t a = 0; a < C; ++a) {
            for (uint32_t b = a; b < C; ++b)
                out[k++] = float(v[a] * v[b]);
        }
    }
    void add(const float* row) {
        for (uint32_t i = 0; i < size; ++i)
            m[i] += row[i];
    }
    void covariance(float cov[C][C]) const {
        const float inverse = 1.0f / m[0];
        uint32_t k = 1 + C;
        for (uint32_t a = 0; a < C; ++a) {
            for (uint32_t b = a; b < C; ++b)
                cov[a][b] = cov[b][a] = m[k++] - m[1 + a] * m[1 + b] * inverse;
        }
    }
};

// Every partition's subsets' spread off and along their principal axes, summed: the quick
// estimate a mode's error is ranked by (off + along / (entries - 1)^2, where an index's step
// leaves a share of the spread along the axis).
struct PartitionSpread {
    float off[64];
    float along[64];
};

template <uint32_t C>
void measurePartitions(const Texels& texels, uint32_t subsets, bc7::SpreadFn spread3,
                       bc7::SpreadFn spread4, PartitionSpread* out) {
    using M = Moments<C>;
    float rows[16][M::size];
    M whole;
    for (uint32_t i = 0; i < 16; ++i) {
        M::of(texels.v[i], rows[i]);
        whole.add(rows[i]);
    }
    // The subsets' axes start from the whole block's (three rounds of power iteration).
    float seed[C], cov[C][C];
    whole.covariance(cov);
    for (uint32_t c = 0; c < C; ++c)
        seed[c] = 1.0f;
    for (uint32_t round = 0; round < 3; ++round) {
        float next[C] = {};
        float largest = 0;
        for (uint32_t a = 0; a < C; ++a) {
            for (uint32_t b = 0; b < C; ++b)
                next[a] += cov[a][b] * seed[b];
            largest = std::max(largest, std::fabs(next[a]));
        }
        if (!(largest > 0))
            break;
        for (uint32_t a = 0; a < C; ++a)
            seed[a] = next[a] / largest;
    }
    (C == 3 ? spread3 : spread4)(texels.v, subsets, seed, out->off, out->along);
}

// The best `count` of the first `limit` partitions for a palette of `entries`, best first.
void rankPartitions(const PartitionSpread& spread, uint32_t entries, uint32_t limit, uint32_t count,
                    uint32_t* out) {
    const float stepShare = 1.0f / float((entries - 1) * (entries - 1));
    float estimate[64];
    uint32_t order[64];
    for (uint32_t i = 0; i < limit; ++i) {
        estimate[i] = spread.off[i] + spread.along[i] * stepShare;
        order[i] = i;
    }
    count = std::min(count, limit);
    std::partial_sort(order, order + count, order + limit, [&](uint32_t a, uint32_t b) {
        return estimate[a] < estimate[b] || (estimate[a] == estimate[b] && a < b);
    });
    std::memcpy(out, order, count * sizeof(uint32_t));
}

// A block of one colour: mode 5, whose 8-bit alpha endpoints hold alpha exactly and whose colour
// endpoints are chosen per channel so that the first interpolated step is the value itself.
struct SolidEntry {
    uint8_t low, high;
};

const SolidEntry* solidTable() {
    static const auto table = [] {
        struct Table {
            SolidEntry entries[256];
        } t{};
        for (int32_t v = 0; v < 256; ++v) {
            int32_t best = 1 << 30;
            for (int32_t a = std::max(0, v / 2 - 2); a <= std::min(127, v / 2 + 2); ++a) {
                for (int32_t b = std::max(0, v / 2 - 2); b <= std::min(127, v / 2 + 2); ++b) {
                    const int32_t value = int32_t(bc7::interpolate(
                        bc7::expandBits(uint32_t(a), 7), bc7::expandBits(uint32_t(b), 7), 21));
                    const int32_t d = std::abs(value - v);
                    if (d < best) {
                        best = d;
                        t.entries[v] = {uint8_t(a), uint8_t(b)};
                    }
                }
            }
        }
        return t;
    }();
    return table.entries;
}

void encodeSolid(const int32_t color[4], uint8_t* block) {
    const SolidEntry* table = solidTable();
    Plan plan;
    plan.mode = 5;
    for (uint32_t c = 0; c < 3; ++c) {
        plan.q[0][0][c] = table[color[c]].low;
        plan.q[0][1][c] = table[color[c]].high;
    }
    plan.q[0][0][3] = plan.q[0][1][3] = color[3];
    for (uint32_t i = 0; i < 16; ++i)
        plan.index[i] = 1;
    writePlan(plan, block);
}

void keepBetter(const Plan& candidate, Plan* best) {
    if (candidate.error < best->error)
        *best = candidate;
}

void fitPartitioned(const Texels& texels, uint32_t mode, uint32_t tried,
                    const PartitionSpread& spread, const Level& level, Plan* best) {
    if (tried == 0 || best->error == 0)
        return;
    const bc7::ModeLayout& layout = bc7::modes[mode];
    // Mode 0 reaches only the first 16 three-subset partitions.
    const uint32_t limit = 1u << layout.partitionBits;
    tried = std::min(tried, limit);
    uint32_t order[64];
    rankPartitions(spread, 1u << layout.indexBits, limit, tried, order);
    for (uint32_t i = 0; i < tried && best->error > 0; ++i)
        keepBetter(fitSubsetMode(texels, mode, order[i], level, best->error), best);
}

// The chosen mode and partition fitted again with endpoint steps, where the level asks for them.
Plan polished(const Texels& texels, const Plan& chosen, const Level& level) {
    if (level.polishSteps <= level.endpointSteps || chosen.error == 0)
        return chosen;
    Level polish = level;
    polish.endpointSteps = level.polishSteps;
    Plan again =
        chosen.mode == 4 || chosen.mode == 5
            ? fitSeparateMode(texels, chosen.mode, chosen.rotation, chosen.selector, polish)
            : fitSubsetMode(texels, chosen.mode, chosen.partition, level, chosen.error, &chosen);
    return again.error < chosen.error ? again : chosen;
}

void encodeWithLevel(const FloatColor in[16], uint8_t* block, const Level& level) {
    Texels texels;
    texels.opaque = true;
    bool solid = true;
    for (uint32_t i = 0; i < 16; ++i) {
        const float channel[4] = {in[i].r, in[i].g, in[i].b, in[i].a};
        for (uint32_t c = 0; c < 4; ++c) {
            // Written so that NaN lands on 0.
            const float x = channel[c] > 0.0f ? std::min(channel[c], 1.0f) : 0.0f;
            texels.v[i][c] = int32_t(x * 255.0f + 0.5f);
            solid = solid && texels.v[i][c] == texels.v[0][c];
        }
        texels.opaque = texels.opaque && texels.v[i][3] == 255;
    }
    if (solid) {
        encodeSolid(texels.v[0], block);
        return;
    }
    Plan best = fitSubsetMode(texels, 6, 0, level, noError);
    if (best.error <= level.closeEnough * 16) {
        writePlan(polished(texels, best, level), block);
        return;
    }
    PartitionSpread spread;
    if (texels.opaque) {
        if (level.partitions2 != 0 && best.error > 0) {
            measurePartitions<3>(texels, 2, level.spread3, level.spread4, &spread);
            fitPartitioned(texels, 1, level.partitions2, spread, level, &best);
            fitPartitioned(texels, 3, level.partitions2, spread, level, &best);
        }
        if (level.partitions3 != 0 && best.error > level.closeEnoughForTwo * 16) {
            measurePartitions<3>(texels, 3, level.spread3, level.spread4, &spread);
            fitPartitioned(texels, 0, level.partitions3, spread, level, &best);
            fitPartitioned(texels, 2, level.partitions3, spread, level, &best);
        }
    } else {
        const uint32_t rotations = level.everyRotation ? 4 : 1;
        for (uint32_t rotation = 0; rotation < rotations && best.error > 0; ++rotation) {
            keepBetter(fitSeparateMode(texels, 5, rotation, 0, level), &best);
            keepBetter(fitSeparateMode(texels, 4, rotation, 0, level), &best);
            keepBetter(fitSeparateMode(texels, 4, rotation, 1, level), &best);
        }
        if (level.partitions2 != 0 && best.error > 0) {
            measurePartitions<4>(texels, 2, level.spread3, level.spread4, &spread);
            fitPartitioned(texels, 7, level.partitions2, spread, level, &best);
        }
    }
    writePlan(polished(texels, best, level), block);
}

// The levels, with their cost on the six real photographs (3.8 Mpix, opaque, pooled RGB PSNR),
// in processor time of one thread of this machine's AMD EPYC shared with other builds:
// fast  mode 6, and the best-ranked partition of modes 1 and 3 for blocks mode 6 leaves more
//       than 6 a pixel off: 12 Mpix/s (AVX2 11.5, plain 7.9), 44.94 dB;
// high  two partitions of modes 1 and 3, one of 0 and 2 (for blocks still more than 16 a pixel
//       off), every p-bit choice, endpoint steps on the fit chosen: 2.5 Mpix/s (AVX2 2.2,
//       plain 1.3), 45.71 dB;
// best  eight partitions of each (three subsets above 8 a pixel), two least-squares rounds,
//       endpoint steps on every fit, every rotation for alpha: 0.44 Mpix/s (AVX2 0.41, plain
//       0.22), 45.85 dB.
constexpr Level fastLevel = {1, 0, 1, false, 0, 0, false, 6, 0};
constexpr Level highLevel = {2, 1, 1, true, 0, 2, false, 0, 16};
constexpr Level bestLevel = {8, 8, 2, true, 1, 4, true, 0, 8};


void encodeBlocks(const Level& chosen, Bc7Variant variant, const FloatColor* in, uint32_t count,
                  uint8_t* blocks) {
    Level level = chosen;
    if (variant != Bc7Variant::Plain) {
        level.pixelLoop = variant == Bc7Variant::Avx512 ? bc7::pixelLoopAvx512 : bc7::pixelLoopAvx2;
        const bool wide = variant == Bc7Variant::Avx512;
        level.spread3 = wide ? bc7::spread3Avx512 : bc7::spread3Avx2;
        level.spread4 = wide ? bc7::spread4Avx512 : bc7::spread4Avx2;
    }
    for (uint32_t i = 0; i < count; ++i)
        encodeWithLevel(in + size_t(i) * 16, blocks + size_t(i) * 16, level);
}

const Level& levelOf(Bc7Quality quality) {
    return quality == Bc7Quality::Fast ? fastLevel : quality == Bc7Quality::Best ? bestLevel : highLevel;
}

} // namespace

namespace bc7 {

namespace {

// The plain loop over the fitted channels only (the others are zero in pixels and entries).
template <uint32_t C> uint32_t plainLoop(const PixelLoop& loop, uint8_t index[16]) {
    int32_t palette[16][C];
    for (uint32_t k = 0; k < loop.entries; ++k) {
        for (uint32_t c = 0; c < C; ++c)
            palette[k][c] = int32_t(
                interpolate(uint32_t(loop.start[c]), uint32_t(loop.end[c]), loop.weights[k]));
    }
    uint32_t total = 0;
    for (uint32_t i = 0; i < loop.count; ++i) {
        int32_t pixel[C];
        for (uint32_t c = 0; c < C; ++c)
            pixel[c] = int32_t(loop.pixels[i] >> (8 * c) & 0xFF);
        int32_t dot = 0;
        for (uint32_t c = 0; c < C; ++c)
            dot += (pixel[c] - loop.start[c]) * loop.direction[c];
        const float t = float(dot) * loop.scale + 0.5f;
        const int32_t position = t <= 0.0f ? 0 : t >= 64.0f ? 64 : int32_t(t);
        const uint32_t guess = nearestWeightIndex(uint32_t(position), loop.entries);
        const uint32_t first = guess == 0 ? 0 : guess - 1;
        const uint32_t last = guess + 1 < loop.entries ? guess + 1 : guess;
        uint32_t best = noError, bestIndex = guess;
        for (uint32_t k = first; k <= last; ++k) {
            uint32_t error = 0;
            for (uint32_t c = 0; c < C; ++c) {
                const int32_t diff = palette[k][c] - pixel[c];
                error += uint32_t(diff * diff);
            }
            if (error < best) {
                best = error;
                bestIndex = k;
            }
        }
        index[i] = uint8_t(bestIndex);
        total += best;
    }
    return total;
}

} // namespace

uint32_t pixelLoopPlain(const PixelLoop& loop, uint8_t index[16]) {
    switch (loop.channels) {
    case 1:
        return plainLoop<1>(loop, index);
    case 3:
        return plainLoop<3>(loop, index);
    default:
        return plainLoop<4>(loop, index);
    }
}

void spread3Plain(const int32_t texels[16][4], uint32_t subsets, const float* seed, float off[64],
                  float along[64]) {
    spreadOfPartitions<3>(texels, subsets, seed, off, along);
}

void spread4Plain(const int32_t texels[16][4], uint32_t subsets, const float* seed, float off[64],
                  float along[64]) {
    spreadOfPartitions<4>(texels, subsets, seed, off, along);
}

} // namespace bc7

Bc7Variant bc7Variant() {
    static const Bc7Variant variant =
        !isMmxUsable() ? Bc7Variant::Plain
        : __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw")
            ? Bc7Variant::Avx512
        : __builtin_cpu_supports("avx2") ? Bc7Variant::Avx2
                                         : Bc7Variant::Plain;
    return variant;
}

void encodeBc7BlocksWith(Bc7Quality quality, Bc7Variant variant, const FloatColor* in,
                         uint32_t count, uint8_t* blocks) {
    encodeBlocks(levelOf(quality), variant, in, count, blocks);
}

void encodeBc7Block(const FloatColor in[16], uint8_t* block) {
    encodeBlocks(highLevel, bc7Variant(), in, 1, block);
}

void encodeBc7BlocksFast(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    encodeBlocks(fastLevel, bc7Variant(), in, count, blocks);
}

void encodeBc7BlocksHigh(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    encodeBlocks(highLevel, bc7Variant(), in, count, blocks);
}

void encodeBc7BlocksBest(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    encodeBlocks(bestLevel, bc7Variant(), in, count, blocks);
}

FloatColor quantizeBc7(const FloatColor& c) {
    const auto eight = [](float x) {
        const float clamped = x > 0.0f ? std::min(x, 1.0f) : 0.0f;
        return std::trunc(clamped * 255.0f + 0.5f) * 0.003921569f;
    };
    return {eight(c.r), eight(c.g), eight(c.b), eight(c.a)};
}

BlockBatchEncoder bc7BatchEncoder(Bc7Quality quality) {
    switch (quality) {
    case Bc7Quality::Fast:
        return encodeBc7BlocksFast;
    case Bc7Quality::Best:
        return encodeBc7BlocksBest;
    case Bc7Quality::High:
        break;
    }
    return encodeBc7BlocksHigh;
}
