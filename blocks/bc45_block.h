// The one- and two-channel block formats: BC4 (one interpolated block of 8 bytes) and BC5 (two,
// red then green), each unsigned or signed. Their blocks are DXT5's alpha block over other
// channels, so their encoder is the high-quality alpha search (dxt_hq.h).
#pragma once

#include "blocks/block_format.h"

#include <cstdint>

// Unsigned BC4 decodes to grey (red = green = blue = the value, alpha 1), as the luminance
// formats show their one channel. Unsigned BC5 gives red and green, blue 0, alpha 1. The signed
// formats put their values in [-1, 1] where the signed bump formats keep theirs (V8U8: red = U,
// green = V, blue 0, alpha 1), so that a signed normal map moves between them channel for
// channel.
void decodeBc4Block(const uint8_t* block, FloatColor out[16]);
void decodeBc4SignedBlock(const uint8_t* block, FloatColor out[16]);
void decodeBc5Block(const uint8_t* block, FloatColor out[16]);
void decodeBc5SignedBlock(const uint8_t* block, FloatColor out[16]);

// The value each format stores for a colour, at the precision of its endpoints (8 bits, or
// 127 steps each side of 0), for colour keys.
FloatColor quantizeBc4(const FloatColor& c);
FloatColor quantizeBc4Signed(const FloatColor& c);
FloatColor quantizeBc5(const FloatColor& c);
FloatColor quantizeBc5Signed(const FloatColor& c);

// One block through the high-quality search (the only encoder of these formats).
void encodeBc4Block(const FloatColor in[16], uint8_t* block);
void encodeBc4SignedBlock(const FloatColor in[16], uint8_t* block);
void encodeBc5Block(const FloatColor in[16], uint8_t* block);
void encodeBc5SignedBlock(const FloatColor in[16], uint8_t* block);
