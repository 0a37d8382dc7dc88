// Deterministic randomness for the asset generator: a seeded generator for placing things
// and smooth lattice noise for textures. Only integer hashing and basic float arithmetic,
// so the same seed gives the same bytes on every build.
#pragma once

#include <cstdint>

namespace assets {

class Random {
public:
    explicit Random(uint32_t seed);

    uint32_t nextBits();
    // Uniform in [0, 1).
    float unit();
    // Uniform in [low, high).
    float range(float low, float high);
    // Uniform integer in [0, count).
    int below(int count);

private:
    uint32_t state_;
};

// Smooth noise in [0, 1] over the plane, one lattice cell per unit, different per seed.
float valueNoise(float x, float y, uint32_t seed);

// Several octaves of valueNoise, each twice as fine and half as strong; result in [0, 1].
float fractalNoise(float x, float y, uint32_t seed, int octaves);

// Cellular noise: one random point in every unit cell; the distances from (x, y) to the
// nearest and second-nearest points, and a value in [0, 1) that belongs to the nearest
// cell. Makes leaves: a bright body around each point, a dark seam where two meet.
struct CellSample {
    float nearest;
    float second;
    float cellValue;
};
CellSample cellNoise(float x, float y, uint32_t seed);

} // namespace assets
