// Separable resampling kernels for mip chains and resizing, their edge rules, and the weight
// table of one axis: every destination pixel with a fixed number of (source index, weight) taps.
#pragma once

#include <cstdint>
#include <vector>

enum class MipKernel : uint8_t {
    Box,      // area average (radius 0.5)
    Triangle, // tent, radius 1
    Kaiser,   // Kaiser-windowed sinc, radius 3, alpha 4, stretch 1
    Lanczos,  // Lanczos, radius 3 (three lobes)
    Mitchell, // Mitchell-Netravali cubic, radius 2, B = C = 1/3
};

enum class EdgeMode : uint8_t {
    Clamp,  // beyond an edge the edge texel repeats
    Repeat, // the picture tiles: beyond the right edge the left one follows
    Mirror, // the picture is reflected at its edges, the edge texel counted once per side
};

// The kernel's value at x, in destination pixels from the centre (0 outside the support).
double kernelValue(MipKernel kernel, double x);
// Half the kernel's support, in destination pixels.
double kernelRadius(MipKernel kernel);

// Destination pixel d takes source pixels index[d * taps + t] with weight[d * taps + t],
// summed in order of t; each destination's weights sum to one. Padding taps have weight 0.
struct AxisWeights {
    uint32_t taps = 0;
    std::vector<uint32_t> index;
    std::vector<float> weight;
};

// The table from n source pixels to m destination pixels (both above 0). Scaling down, the
// kernel is stretched by n / m; scaling up it keeps its own width. Box weights are the areas
// that the destination pixel's cell covers; the other kernels are sampled at texel centres.
AxisWeights buildAxisWeights(uint32_t n, uint32_t m, MipKernel kernel, EdgeMode edge);

// The source index that position i (any integer) reads under the edge rule.
uint32_t edgeIndex(int64_t i, uint32_t n, EdgeMode edge);
