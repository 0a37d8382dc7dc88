// The device's memory for the levels of surfaces, textures and volumes. Large blocks are kept
// when their level goes away and handed to the next level of the same size, as a driver keeps
// its texture heap: giving them back to the system and faulting them in again cost more than
// filling them. The level clears its memory itself, and only when a caller could see it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace d3d8 {

// Memory of `bytes` bytes (a multiple of 4), zeroed when `zeroed` is set and otherwise holding
// whatever it held, or null when there is none.
uint32_t* takeLevelMemory(size_t bytes, bool zeroed = true);

// Returns memory from takeLevelMemory with the size it was taken with; null is ignored.
void giveBackLevelMemory(uint32_t* memory, size_t bytes);

// Frees every kept block.
void releaseKeptLevelMemory();

// Bytes kept for reuse at the moment.
size_t keptLevelMemoryBytes();

} // namespace d3d8
