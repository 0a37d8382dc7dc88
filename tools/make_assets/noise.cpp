// Seeded generator and lattice noise of the asset generator.
#include "tools/make_assets/noise.h"

#include <cmath>

namespace assets {
namespace {

// A well-mixing 32-bit integer hash: neighbouring inputs give unrelated outputs.
uint32_t mixBits(uint32_t v) {
    v ^= v >> 16;
    v *= 0x7FEB352Du;
    v ^= v >> 15;
    v *= 0x846CA68Bu;
    v ^= v >> 16;
    return v;
}

float latticeValue(int x, int y, uint32_t seed) {
    uint32_t h = mixBits(static_cast<uint32_t>(x) * 0x9E3779B1u ^
                         mixBits(static_cast<uint32_t>(y) + seed * 0x85EBCA77u));
    return static_cast<float>(h >> 8) * (1.0f / 16777216.0f);
}

float smoothWeight(float t) {
    return t * t * (3.0f - 2.0f * t);
}

} // namespace

Random::Random(uint32_t seed) : state_(mixBits(seed ^ 0xA5A5A5A5u) | 1u) {}

uint32_t Random::nextBits() {
    // xorshift32: tiny, fast and fully defined on every compiler.
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
}

float Random::unit() {
    return static_cast<float>(nextBits() >> 8) * (1.0f / 16777216.0f);
}

float Random::range(float low, float high) {
    return low + (high - low) * unit();
}

int Random::below(int count) {
    return static_cast<int>((static_cast<uint64_t>(nextBits()) * static_cast<uint32_t>(count)) >>
                            32);
}

float valueNoise(float x, float y, uint32_t seed) {
    float fx = std::floor(x);
    float fy = std::floor(y);
    int ix = static_cast<int>(fx);
    int iy = static_cast<int>(fy);
    float tx = smoothWeight(x - fx);
    float ty = smoothWeight(y - fy);
    float top = latticeValue(ix, iy, seed) +
                (latticeValue(ix + 1, iy, seed) - latticeValue(ix, iy, seed)) * tx;
    float bottom = latticeValue(ix, iy + 1, seed) +
                   (latticeValue(ix + 1, iy + 1, seed) - latticeValue(ix, iy + 1, seed)) * tx;
    return top + (bottom - top) * ty;
}

float fractalNoise(float x, float y, uint32_t seed, int octaves) {
    float sum = 0.0f;
    float weight = 1.0f;
    float total = 0.0f;
    for (int octave = 0; octave < octaves; ++octave) {
        sum += valueNoise(x, y, seed + static_cast<uint32_t>(octave) * 101u) * weight;
        total += weight;
        x *= 2.0f;
        y *= 2.0f;
        weight *= 0.5f;
    }
    return sum / total;
}

CellSample cellNoise(float x, float y, uint32_t seed) {
    int ix = static_cast<int>(std::floor(x));
    int iy = static_cast<int>(std::floor(y));
    CellSample sample{1e9f, 1e9f, 0.0f};
    for (int cy = iy - 1; cy <= iy + 1; ++cy) {
        for (int cx = ix - 1; cx <= ix + 1; ++cx) {
            float px = cx + latticeValue(cx, cy, seed);
            float py = cy + latticeValue(cx, cy, seed + 1u);
            float d = std::sqrt((x - px) * (x - px) + (y - py) * (y - py));
            if (d < sample.nearest) {
                sample.second = sample.nearest;
                sample.nearest = d;
                sample.cellValue = latticeValue(cx, cy, seed + 2u);
            } else if (d < sample.second) {
                sample.second = d;
            }
        }
    }
    return sample;
}

} // namespace assets
