// Finds a seed of the game's random numbers whose first draws have the wanted shape, so that a
// test can stage a scene (which tracks the places draw, how long a pause lasts).
#pragma once

#include "game/game_random.h"

#include <functional>
#include <vector>

// The first `count` draws after seeding with `seed`; reseeds afterwards.
inline std::vector<int> drawsFrom(unsigned seed, int count) {
    std::vector<int> draws;
    game::srand(seed);
    for (int i = 0; i < count; ++i)
        draws.push_back(game::rand());
    game::srand(seed);
    return draws;
}

// The first seed from 1 up whose first `count` draws satisfy the predicate; the generator is
// left seeded with it.
inline unsigned seedWhere(int count, const std::function<bool(const std::vector<int>&)>& wanted) {
    for (unsigned seed = 1;; ++seed)
        if (wanted(drawsFrom(seed, count)))
            return seed;
}
