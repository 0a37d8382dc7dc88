// The high-quality block encoder: the colour and alpha endpoints that give the least squared
// error against the pixels once decoded, found by a least-squares fit along the colours'
// principal axis and a search around it. Chosen per blit with FilterHighQualityBlocks; the
// exact encoder stays the default. Every variant writes the same bytes: the plain one, and
// those that encode four (SSE2), eight (AVX2) or sixteen (AVX-512) blocks in the lanes of one
// register.
#pragma once

#include "blocks/dxt_block.h"

#include <cstdint>

// The variant this processor runs: the plain one when "DisableMMX" is set, else the widest.
enum class DxtHqVariant { Plain, Sse2, Avx2, Avx512 };
DxtHqVariant dxtHqVariant();
// True when this processor runs the eight-lane variant (AVX2 with FMA).
bool dxtHqAvx2Supported();

// `count` blocks of 16 values each into consecutive blocks, one routine per format and variant.
void encodeDxt1BlocksHqPlain(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeDxt2BlocksHqPlain(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeDxt3BlocksHqPlain(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeDxt4BlocksHqPlain(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeDxt5BlocksHqPlain(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeDxt1BlocksHqSse2(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeDxt2BlocksHqSse2(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeDxt3BlocksHqSse2(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeDxt4BlocksHqSse2(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeDxt5BlocksHqSse2(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeDxt1BlocksHqAvx2(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeDxt2BlocksHqAvx2(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeDxt3BlocksHqAvx2(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeDxt4BlocksHqAvx2(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeDxt5BlocksHqAvx2(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeDxt1BlocksHqAvx512(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeDxt2BlocksHqAvx512(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeDxt3BlocksHqAvx512(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeDxt4BlocksHqAvx512(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeDxt5BlocksHqAvx512(const FloatColor* in, uint32_t count, uint8_t* blocks);

// Only the 8-byte interpolated alpha block of each block (as the first half of "DXT5"), for
// measuring and testing the alpha search apart from the colour one.
void encodeAlphaBlocksHqPlain(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeAlphaBlocksHqSse2(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeAlphaBlocksHqAvx2(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeAlphaBlocksHqAvx512(const FloatColor* in, uint32_t count, uint8_t* blocks);

// The one- and two-channel formats: the interpolated block of DXT5's alpha over the grey of
// the pixels (BC4), over red and green (BC5), or over their signed values.
void encodeBc4BlocksHqPlain(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeBc4SignedBlocksHqPlain(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeBc5BlocksHqPlain(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeBc5SignedBlocksHqPlain(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeBc4BlocksHqSse2(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeBc4SignedBlocksHqSse2(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeBc5BlocksHqSse2(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeBc5SignedBlocksHqSse2(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeBc4BlocksHqAvx2(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeBc4SignedBlocksHqAvx2(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeBc5BlocksHqAvx2(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeBc5SignedBlocksHqAvx2(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeBc4BlocksHqAvx512(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeBc4SignedBlocksHqAvx512(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeBc5BlocksHqAvx512(const FloatColor* in, uint32_t count, uint8_t* blocks);
void encodeBc5SignedBlocksHqAvx512(const FloatColor* in, uint32_t count, uint8_t* blocks);

// The 8-bit value that the decoder, then rounding to 8 bits, gives for the palette entries the
// encoder models: endpoint value v of a 5- or 6-bit field, the points one third and one half
// of the way from field value a to b, and the interpolated alpha entries (`step` of `steps`
// from a to b, steps 5 or 7). Exposed so that the model can be checked against the decoder.
uint32_t dxtHqExpanded(uint32_t v, uint32_t bits);
uint32_t dxtHqThird(uint32_t a, uint32_t b, uint32_t bits);
uint32_t dxtHqHalf(uint32_t a, uint32_t b, uint32_t bits);
uint32_t dxtHqAlphaStep(uint32_t a, uint32_t b, uint32_t step, uint32_t steps);
