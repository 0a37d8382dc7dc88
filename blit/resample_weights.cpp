// Linear weights: two taps around each destination centre. Triangle weights: each source
// pixel's tent, two destination pixels wide per source pixel, integrated over the
// destination cells it covers.
#include "blit/resample_weights.h"

#include <algorithm>
#include <cmath>
#include <new>

std::unique_ptr<LinearWeight[]> buildLinearWeights(uint32_t n, uint32_t m, bool mirror) {
    std::unique_ptr<LinearWeight[]> table(new (std::nothrow) LinearWeight[m]);
    if (!table)
        return nullptr;
    const float ratio = float(n) / float(m);
    for (uint32_t k = 0; k < m; ++k) {
        // Double precision keeps k exact for any size; the position uses the float ratio.
        const double x = (double(k) + 0.5) * ratio - 0.5;
        const double floorX = std::floor(x);
        const float w0 = float(1.0 - (x - floorX));
        int64_t i0 = int64_t(floorX);
        int64_t i1 = i0 + 1;
        if (i0 < 0)
            i0 = mirror ? 0 : int64_t(n) - 1;
        if (i0 >= int64_t(n))
            i0 = int64_t(n) - 1;
        if (i1 >= int64_t(n))
            i1 = mirror ? int64_t(n) - 1 : 0;
        table[k] = {uint32_t(i0), w0, uint32_t(i1), 1.0f - w0};
    }
    return table;
}

namespace {

// Walks the pieces of one tent in order of position and merges those of one cell.
class TentWriter {
public:
    TentWriter(uint32_t m, bool mirror, TrianglePair* out) : m_(m), mirror_(mirror), out_(out) {}

    // The part of a half tent between positions a and b (a < b) whose height is
    // h(t) = peak - |t - centre| / width, or 1 throughout when `flat`.
    void addHalf(double a, double b, double centre, double width, bool flat) {
        if (mirror_) {
            a = std::max(a, 0.0);
            b = std::min(b, double(m_));
        }
        double t = a;
        while (t < b) {
            const double cell = std::floor(t);
            const double end = std::min(b, cell + 1.0);
            const double middle = 0.5 * (t + end);
            const double height = flat ? 1.0 : 1.0 - std::fabs(middle - centre) / width;
            add(int64_t(cell), height * (end - t));
            t = end;
        }
    }

    // Emits the pending pair; returns the number of pairs written.
    uint64_t finish() {
        flush();
        return written_;
    }

private:
    void add(int64_t cell, double weight) {
        // Wrapping sends a piece beyond either edge to the other side, once.
        if (cell < 0)
            cell += m_;
        else if (cell >= int64_t(m_))
            cell -= m_;
        if (pending_ && cell == cell_) {
            sum_ += weight;
            return;
        }
        flush();
        pending_ = true;
        cell_ = cell;
        sum_ = weight;
    }

    void flush() {
        if (pending_ && sum_ > 0.00001) {
            if (out_ != nullptr)
                out_[written_] = {uint32_t(cell_), float(sum_)};
            ++written_;
        }
        pending_ = false;
    }

    uint32_t m_;
    bool mirror_;
    TrianglePair* out_;
    uint64_t written_ = 0;
    bool pending_ = false;
    int64_t cell_ = 0;
    double sum_ = 0.0;
};

// Writes (or, with a null `out`, counts) the pairs of source pixel i.
uint64_t tentPairs(uint32_t i, uint32_t n, uint32_t m, bool mirror, TrianglePair* out) {
    const double b = double(m) / double(n); // destination pixels per source pixel
    const double centre = (i + 0.5) * b;
    TentWriter writer(m, mirror, out);
    // Under mirror the outer half of the first and the last pixel stays at full height.
    writer.addHalf((i - 0.5) * b, centre, centre, b, mirror && i == 0);
    writer.addHalf(centre, (i + 1.5) * b, centre, b, mirror && i + 1 == n);
    return writer.finish();
}

} // namespace

bool buildTriangleWeights(uint32_t n, uint32_t m, bool mirror, TriangleWeights* weights) {
    weights->first.reset(new (std::nothrow) uint32_t[size_t(n) + 1]);
    if (!weights->first)
        return false;
    uint64_t total = 0;
    for (uint32_t i = 0; i < n; ++i) {
        weights->first[i] = uint32_t(total);
        total += tentPairs(i, n, m, mirror, nullptr);
        if (total > UINT32_MAX)
            return false;
    }
    weights->first[n] = uint32_t(total);
    weights->pairs.reset(new (std::nothrow) TrianglePair[total == 0 ? 1 : total]);
    if (!weights->pairs)
        return false;
    for (uint32_t i = 0; i < n; ++i)
        tentPairs(i, n, m, mirror, weights->pairs.get() + weights->first[i]);
    weights->pairCount = total;
    return true;
}
