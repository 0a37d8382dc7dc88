// Weight tables of the linear and triangle filters, one per axis, with wrap or mirror edges.
#pragma once

#include <cstdint>
#include <memory>

// Destination index k mixes source i0 (weight w0) and i1 (weight w1).
struct LinearWeight {
    uint32_t i0;
    float w0;
    uint32_t i1;
    float w1;
};

// One entry per destination index, for a source of n and a destination of m pixels (both
// above 0). Null when the memory is not there.
std::unique_ptr<LinearWeight[]> buildLinearWeights(uint32_t n, uint32_t m, bool mirror);

// One (destination index, weight) pair of a source pixel's tent.
struct TrianglePair {
    uint32_t index;
    float weight;
};

// Per source index, its pairs in order of position: pairs[first[i]] to pairs[first[i + 1]].
struct TriangleWeights {
    std::unique_ptr<uint32_t[]> first; // n + 1 entries
    std::unique_ptr<TrianglePair[]> pairs;
    uint64_t pairCount = 0;

    const TrianglePair* begin(uint32_t i) const { return pairs.get() + first[i]; }
    const TrianglePair* end(uint32_t i) const { return pairs.get() + first[i + 1]; }
};

// The tent weights for a source of n and a destination of m pixels (both above 0); false
// when the memory is not there.
bool buildTriangleWeights(uint32_t n, uint32_t m, bool mirror, TriangleWeights* weights);
