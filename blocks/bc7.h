// The BC7 codec behind its block format row: the exact decoder and the encoder's three levels.
#pragma once

#include "blocks/block_format.h"

#include <cstdint>

// The 16 texels of a block as the format defines them: 8-bit red, green, blue, alpha.
void decodeBc7BlockBytes(const uint8_t* block, uint8_t out[16][4]);
// The same texels in the unit range (value / 255).
void decodeBc7Block(const uint8_t* block, FloatColor out[16]);

// One block at the `High` level.
void encodeBc7Block(const FloatColor in[16], uint8_t* block);
void encodeBc7BlocksFast(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeBc7BlocksHigh(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeBc7BlocksBest(const FloatColor* in, uint32_t count, uint8_t* blocks);

// The value a block holds exactly: each channel at 8 bits.
FloatColor quantizeBc7(const FloatColor& c);
