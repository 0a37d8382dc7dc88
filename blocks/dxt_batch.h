// Batch encoders of the block formats that work on eight blocks at once, one block in each
// lane of the AVX2 registers. They perform the plain encoder's single-precision operations in
// the same order in every lane, so the bytes they write equal the plain routine's.
#pragma once

#include "blocks/block_texel.h"

#include <cstdint>

// Whether this processor runs the AVX2 routines (asked once).
bool dxtAvx2Supported();

// `count` blocks of 16 values each into consecutive blocks, as the plain batch routines do.
void encodeDxt1BlocksAvx2(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeDxt2BlocksAvx2(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeDxt3BlocksAvx2(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeDxt4BlocksAvx2(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeDxt5BlocksAvx2(const FloatColor* in, uint32_t count, uint8_t* blocks);
