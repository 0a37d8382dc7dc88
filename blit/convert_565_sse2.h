// Wide-vector (SSE2) forms of the two R5G6B5 row conversions of the direct converters, with
// the same results as their plain loops; they take whole groups of 8 pixels and leave the
// rest of the row to the plain loop.
#pragma once

#include <cstddef>
#include <cstdint>

// R5G6B5 to 32-bit ARGB with the plain offset; `alpha` is 0xFF for A8R8G8B8, 0 for X8R8G8B8.
// Returns the number of pixels converted (a multiple of 8).
size_t convertFrom565Sse2(const uint8_t* src, uint8_t* dst, size_t count, uint8_t alpha,
                          uint32_t keyMask, uint32_t keyValue);

// 32-bit RGB to R5G6B5; bias[i] = floor(255 x offset) of column i of the pattern, the row
// starting on column 0. Returns the number of pixels converted (a multiple of 8).
size_t convertTo565Sse2(const uint8_t* src, uint8_t* dst, size_t count, const uint16_t bias[4],
                        uint32_t keyMask, uint32_t keyValue);
