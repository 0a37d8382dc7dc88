// The box filter's integer path: 2 x 2 averages of stored fields, (a + b + c + d + 2) >> 2,
// for the common 8-, 16- and 32-bit formats, without the float round trip.
#pragma once

#include "blit/pixel_format.h"

#include <cstdint>

// Averages source pixels 2x and 2x + 1 of two source rows into `count` destination pixels.
using BoxRowRoutine = void (*)(const uint8_t* row0, const uint8_t* row1, uint8_t* out,
                               uint32_t count);

// The routine for a format of the integer path, or null for any other format. For
// A8R8G8B8 and X8R8G8B8 this is the wide-vector routine when the processor's MMX answer
// allows it (chosen on the first call, kept for the process); it averages the X byte too.
BoxRowRoutine boxRowRoutine(PixelFormat format);

// The plain A8R8G8B8 routine (all four bytes averaged) and its wide-vector twins, the AVX2 one
// only for processors where boxAvx2Supported() answers yes.
void boxAverageRowArgb(const uint8_t* row0, const uint8_t* row1, uint8_t* out, uint32_t count);
void boxAverageRowArgbSse2(const uint8_t* row0, const uint8_t* row1, uint8_t* out, uint32_t count);
void boxAverageRowArgbAvx2(const uint8_t* row0, const uint8_t* row1, uint8_t* out, uint32_t count);
bool boxAvx2Supported();
