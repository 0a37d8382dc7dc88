// The game's random numbers: the classic linear congruential generator the game was tuned with
// (state x 214013 + 2531011, bits 16 to 30 of the new state), kept apart from the C library's.
#pragma once

namespace game {

// The largest value rand returns.
inline constexpr int RandMax = 0x7FFF;

// Starts the sequence again from the seed. Until the first call the seed is 1.
void srand(unsigned int seed);

// The next number of the sequence, from 0 to RandMax.
int rand();

} // namespace game
