// The BC7 codec behind its block format row: the exact decoder and the encoder's three levels.
#pragma once

#include "blocks/block_format.h"

#include <cstdint>

// The 16 texels of a block as the format defines them: 8-bit red, green, blue, alpha.
void decodeBc7BlockBytes(const uint8_t* block, uint8_t out[16][4]);
// The same texels in the unit range (value / 255).
void decodeBc7Block(const uint8_t* block, FloatColor out[16]);

// The processor variant the encoder runs: the plain one when "DisableMMX" is set, else the
// widest the processor has (AVX-512 with byte and word operations, AVX2). Every variant writes
// the same bytes.
enum class Bc7Variant { Plain, Avx2, Avx512 };
Bc7Variant bc7Variant();
// A level with a given variant, for checking the variants against each other and measuring them.
void encodeBc7BlocksWith(Bc7Quality quality, Bc7Variant variant, const FloatColor* in,
                         uint32_t count, uint8_t* blocks);

// One block at the `High` level.
void encodeBc7Block(const FloatColor in[16], uint8_t* block);
void encodeBc7BlocksFast(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeBc7BlocksHigh(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeBc7BlocksBest(const FloatColor* in, uint32_t count, uint8_t* blocks);

// The value a block holds exactly: each channel at 8 bits.
FloatColor quantizeBc7(const FloatColor& c);
