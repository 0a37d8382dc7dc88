// Wide-vector forms of the R8G8B8 and 32-bit to 32-bit row conversions of the direct
// converters, with the same results as their plain loops: each takes whole groups of pixels,
// never reads past the row, and leaves the rest of it to the plain loop.
#pragma once

#include <cstddef>
#include <cstdint>

// Each 24-bit pixel p becomes ((p | orMask) & andMask), or 0 when (p & keyMask) == keyValue.
// Returns the number of pixels converted.
using Rgb24Routine = size_t (*)(const uint8_t* src, uint8_t* dst, size_t count, uint32_t orMask,
                                uint32_t andMask, uint32_t keyMask, uint32_t keyValue);

// Four pixels per step; SSE2 is part of every x86-64 processor.
size_t convertFromRgb24Sse2(const uint8_t* src, uint8_t* dst, size_t count, uint32_t orMask,
                            uint32_t andMask, uint32_t keyMask, uint32_t keyValue);

// Eight pixels per step, then four, only on processors with AVX2.
size_t convertFromRgb24Avx2(const uint8_t* src, uint8_t* dst, size_t count, uint32_t orMask,
                            uint32_t andMask, uint32_t keyMask, uint32_t keyValue);

// The same for 32-bit source pixels, four per step.
size_t convertFromWord32Sse2(const uint8_t* src, uint8_t* dst, size_t count, uint32_t orMask,
                             uint32_t andMask, uint32_t keyMask, uint32_t keyValue);

// Eight 32-bit pixels per step, then four, only on processors with AVX2.
size_t convertFromWord32Avx2(const uint8_t* src, uint8_t* dst, size_t count, uint32_t orMask,
                             uint32_t andMask, uint32_t keyMask, uint32_t keyValue);

// The AVX2 routine where the processor has it and its MMX answer allows processor-specific
// code, else the SSE2 one; chosen on the first call and kept for the process.
Rgb24Routine rgb24Routine();
// The same choice for the 32-bit routines.
Rgb24Routine word32Routine();
