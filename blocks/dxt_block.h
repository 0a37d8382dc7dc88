// The block routines of "DXT1".."DXT5" and the encoder's shared steps.
#pragma once

#include "blocks/block_format.h"

#include <cstdint>

// Per-format entry points. Decoding and encoding always succeed.
void decodeDxt1Block(const uint8_t* block, FloatColor out[16]);
void decodeDxt2Block(const uint8_t* block, FloatColor out[16]);
void decodeDxt3Block(const uint8_t* block, FloatColor out[16]);
void decodeDxt4Block(const uint8_t* block, FloatColor out[16]);
void decodeDxt5Block(const uint8_t* block, FloatColor out[16]);
void encodeDxt1Block(const FloatColor in[16], uint8_t* block);
void encodeDxt2Block(const FloatColor in[16], uint8_t* block);
void encodeDxt3Block(const FloatColor in[16], uint8_t* block);
void encodeDxt4Block(const FloatColor in[16], uint8_t* block);
void encodeDxt5Block(const FloatColor in[16], uint8_t* block);

// The 8-byte colour block: both colour modes on decode (alpha 1, or 0 for the transparent entry).
void decodeColorBlock(const uint8_t* block, FloatColor out[16]);
// Writes the 8-byte colour block of 16 values; three-colour blocks (with a transparent entry
// for pixels whose alpha is below 0.5) only when `threeColorAllowed`.
void encodeColorBlock(const FloatColor in[16], bool threeColorAllowed, uint8_t* block);

// A colour in the encoder's weighted space.
struct WeightedColor {
    float r;
    float g;
    float b;
};

// Least-squares endpoints lo and hi (weighted space) of 16 points for a palette of
// `colorCount` (3 or 4) evenly spaced colours, starting from the bounding box's best diagonal.
void refineColorEndpoints(const WeightedColor points[16], int colorCount, WeightedColor& lo,
                          WeightedColor& hi);
// Which way the alpha refinement moves its endpoints by each Newton step: towards the
// least-squares fit, as the colour refinement does and as the encoder always does, or away
// from it (kept only so that the two can be compared).
enum class AlphaStep { TowardsFit, AwayFromFit };

// Least-squares endpoints of 16 alpha values for 8 interpolated values, or for 6 with 0 and 1
// stored apart (values near 0 and 1 do not pull the endpoints); both clamped to [0, 1].
void refineAlphaEndpoints(const float values[16], int valueCount, float& lo, float& hi,
                          AlphaStep step = AlphaStep::TowardsFit);

// The 8 bytes of explicit alpha (4 bits a pixel) and of interpolated alpha (two endpoints and
// 3-bit indices), both with the quantisation error diffused inside the block.
void encodeExplicitAlpha(const FloatColor in[16], uint8_t* block);
void encodeInterpolatedAlpha(const FloatColor in[16], uint8_t* block,
                             AlphaStep step = AlphaStep::TowardsFit);

// Colour times alpha into `out`; and back, where alpha is between 0 and 1 (a colour not below
// its alpha becomes 1, and a pixel of alpha 0 becomes black).
void premultiplyAlpha(const FloatColor in[16], FloatColor out[16]);
void unpremultiplyAlpha(FloatColor values[16]);
