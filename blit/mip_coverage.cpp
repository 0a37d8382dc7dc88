// The coverage of a level and the alpha scale found by selecting the texel that must just pass,
// kept as near 1 as that share allows.
#include "blit/mip_coverage.h"

#include <algorithm>
#include <cmath>
#include <vector>

double alphaCoverage(const uint32_t* texels, size_t count, uint8_t reference) {
    if (count == 0)
        return 0.0;
    size_t passing = 0;
    for (size_t i = 0; i < count; ++i)
        passing += (texels[i] >> 24) >= reference;
    return double(passing) / double(count);
}

namespace {

size_t passingCount(const std::vector<float>& alpha, float scale, uint8_t reference) {
    size_t passing = 0;
    for (const float a : alpha)
        passing += quantizeUnit(a * scale) >= reference;
    return passing;
}

} // namespace

float coverageScale(const float* texels, size_t count, uint8_t reference, double target) {
    if (reference == 0 || count == 0)
        return 1.0f;
    std::vector<float> alpha(count);
    for (size_t i = 0; i < count; ++i)
        alpha[i] = std::max(texels[4 * i + 3], 0.0f);
    const size_t wanted = size_t(std::llround(std::clamp(target, 0.0, 1.0) * double(count)));
    if (wanted == 0)
        return passingCount(alpha, 1.0f, reference) == 0 ? 1.0f : 0.0f;
    // The wanted-th largest alpha is the one that must just pass; smaller ones then fail.
    std::vector<float> order = alpha;
    std::nth_element(order.begin(), order.begin() + ptrdiff_t(wanted - 1), order.end(),
                     std::greater<float>());
    float pivot = order[wanted - 1];
    if (pivot <= 0.0f) {
        // Fewer texels than wanted have any alpha: let every one that has some pass.
        pivot = 1.0f;
        for (const float a : alpha)
            if (a > 0.0f)
                pivot = std::min(pivot, a);
    }
    float scale = ((float(reference) - 0.5f) / 255.0f) / pivot;
    while (quantizeUnit(pivot * scale) < reference)
        scale = std::nextafter(scale, INFINITY);
    // Ties with the pivot pass together; the scale below may come nearer when they are many.
    const float below = std::nextafter(scale, 0.0f);
    const double above = double(passingCount(alpha, scale, reference)) / double(count);
    const double under = double(passingCount(alpha, below, reference)) / double(count);
    const bool takeBelow = std::fabs(under - target) < std::fabs(above - target);
    const float chosen = takeBelow ? below : scale;
    const double reached = takeBelow ? under : above;
    // Alpha is changed only as far as the share needs: a level already as near keeps it (an
    // opaque level stays opaque), and too many passing texels are scaled just under the edge.
    const double unscaled = double(passingCount(alpha, 1.0f, reference)) / double(count);
    if (std::fabs(unscaled - target) <= std::fabs(reached - target))
        return 1.0f;
    if (chosen > 1.0f)
        return chosen;
    float highestFailing = 0.0f;
    for (const float a : alpha)
        if (quantizeUnit(a * chosen) < reference)
            highestFailing = std::max(highestFailing, a);
    if (highestFailing <= 0.0f)
        return chosen;
    float largest = std::min(1.0f, ((float(reference) - 0.5f) / 255.0f) / highestFailing);
    while (largest > chosen && quantizeUnit(highestFailing * largest) >= reference)
        largest = std::nextafter(largest, 0.0f);
    while (quantizeUnit(highestFailing * std::nextafter(largest, INFINITY)) < reference)
        largest = std::nextafter(largest, INFINITY);
    return std::max(largest, chosen);
}
