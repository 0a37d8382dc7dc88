// The game's random number generator; one process-wide state, used from the one thread.
#include "game/game_random.h"

#include <cstdint>

namespace {

uint32_t generatorState = 1;

} // namespace

namespace game {

void srand(unsigned int seed) {
    generatorState = seed;
}

int rand() {
    generatorState = generatorState * 214013u + 2531011u;
    return int((generatorState >> 16) & RandMax);
}

} // namespace game
