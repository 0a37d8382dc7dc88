// The kernels, the edge rules and the per-axis weight tables of the mip chain builder.
#include "blit/mip_kernels.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace {

constexpr double pi = 3.14159265358979323846;

double sinc(double x) {
    if (std::fabs(x) < 1e-9)
        return 1.0;
    return std::sin(pi * x) / (pi * x);
}

// The modified Bessel function of the first kind, order 0, by its power series.
double besselI0(double x) {
    double sum = 1.0, term = 1.0;
    const double quarter = x * x / 4.0;
    for (int k = 1; k < 50; ++k) {
        term *= quarter / (double(k) * k);
        sum += term;
        if (term < sum * 1e-17)
            break;
    }
    return sum;
}

constexpr double kaiserAlpha = 4.0;
constexpr double kaiserStretch = 1.0;
constexpr double mitchellB = 1.0 / 3.0;
constexpr double mitchellC = 1.0 / 3.0;

double mitchell(double x) {
    x = std::fabs(x);
    const double b = mitchellB, c = mitchellC;
    if (x < 1.0)
        return ((12 - 9 * b - 6 * c) * x * x * x + (-18 + 12 * b + 6 * c) * x * x + (6 - 2 * b)) /
               6.0;
    if (x < 2.0)
        return ((-b - 6 * c) * x * x * x + (6 * b + 30 * c) * x * x + (-12 * b - 48 * c) * x +
                (8 * b + 24 * c)) /
               6.0;
    return 0.0;
}

// The share of source cell [i, i + 1) inside the box [lo, hi).
double overlap(double lo, double hi, int64_t i) {
    return std::max(0.0, std::min(hi, double(i + 1)) - std::max(lo, double(i)));
}

} // namespace

double kernelRadius(MipKernel kernel) {
    switch (kernel) {
    case MipKernel::Box:
        return 0.5;
    case MipKernel::Triangle:
        return 1.0;
    case MipKernel::Kaiser:
    case MipKernel::Lanczos:
        return 3.0;
    case MipKernel::Mitchell:
        return 2.0;
    }
    return 0.5;
}

double kernelValue(MipKernel kernel, double x) {
    const double r = kernelRadius(kernel);
    if (std::fabs(x) >= r)
        return kernel == MipKernel::Box && std::fabs(x) == r ? 0.5 : 0.0;
    switch (kernel) {
    case MipKernel::Box:
        return 1.0;
    case MipKernel::Triangle:
        return 1.0 - std::fabs(x);
    case MipKernel::Kaiser: {
        const double t = x / r;
        return sinc(x * kaiserStretch) * besselI0(kaiserAlpha * std::sqrt(1.0 - t * t)) /
               besselI0(kaiserAlpha);
    }
    case MipKernel::Lanczos:
        return sinc(x) * sinc(x / r);
    case MipKernel::Mitchell:
        return mitchell(x);
    }
    return 0.0;
}

uint32_t edgeIndex(int64_t i, uint32_t n, EdgeMode edge) {
    const int64_t size = n;
    switch (edge) {
    case EdgeMode::Clamp:
        return uint32_t(std::clamp<int64_t>(i, 0, size - 1));
    case EdgeMode::Repeat:
        return uint32_t(((i % size) + size) % size);
    case EdgeMode::Mirror: {
        const int64_t period = 2 * size;
        int64_t p = ((i % period) + period) % period;
        return uint32_t(p < size ? p : period - 1 - p);
    }
    }
    return 0;
}

AxisWeights buildAxisWeights(uint32_t n, uint32_t m, MipKernel kernel, EdgeMode edge) {
    const double scale = double(n) / double(m); // source pixels per destination pixel
    const double stretch = std::max(scale, 1.0);
    const double reach = kernelRadius(kernel) * stretch;
    // Every destination gathers its taps first; the widest sets the table's tap count.
    std::vector<std::vector<std::pair<int64_t, double>>> gathered(m);
    // Halving, every destination meets the same offsets: each kernel value is worked out once.
    std::unordered_map<double, double> values;
    size_t taps = 1;
    for (uint32_t d = 0; d < m; ++d) {
        const double centre = (double(d) + 0.5) * scale;
        const int64_t first = int64_t(std::floor(centre - reach)) - 1;
        const int64_t last = int64_t(std::ceil(centre + reach)) + 1;
        double sum = 0.0;
        auto& list = gathered[d];
        for (int64_t i = first; i <= last; ++i) {
            double w;
            if (kernel == MipKernel::Box)
                w = overlap(centre - reach, centre + reach, i);
            else {
                const double x = (double(i) + 0.5 - centre) / stretch;
                const auto known = values.find(x);
                w = known != values.end() ? known->second
                                          : values.emplace(x, kernelValue(kernel, x)).first->second;
            }
            if (w != 0.0) {
                list.emplace_back(i, w);
                sum += w;
            }
        }
        if (list.empty() || sum == 0.0) {
            // A kernel narrower than the texel spacing when enlarging: take the nearest texel.
            list.assign(1, {int64_t(std::floor(centre)), 1.0});
            sum = 1.0;
        }
        for (auto& tap : list)
            tap.second /= sum;
        taps = std::max(taps, list.size());
    }
    AxisWeights table;
    table.taps = uint32_t(taps);
    table.index.assign(size_t(m) * taps, 0);
    table.weight.assign(size_t(m) * taps, 0.0f);
    for (uint32_t d = 0; d < m; ++d) {
        const auto& list = gathered[d];
        for (size_t t = 0; t < taps; ++t) {
            const size_t at = size_t(d) * taps + t;
            const int64_t i = t < list.size() ? list[t].first : list.back().first;
            table.index[at] = edgeIndex(i, n, edge);
            table.weight[at] = t < list.size() ? float(list[t].second) : 0.0f;
        }
    }
    return table;
}
