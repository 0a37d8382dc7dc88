// The JPEG decoder's colour repack: libjpeg's red, green, blue sample triples into 32-bit
// X8R8G8B8 pixels (bytes blue, green, red, 0), in a plain routine and wide-vector twins.
#pragma once

#include <cstdint>

// Repacks `count` triples at `rgb` into `count` pixels at `out`; the two never overlap.
using RgbRepackRoutine = void (*)(const uint8_t* rgb, uint8_t* out, uint32_t count);

// The fastest routine the processor allows, chosen on the first call and kept for the process:
// a wide-vector one when the MMX answer allows it and the processor has SSSE3, else the plain one.
RgbRepackRoutine rgbRepackRoutine();

// The plain routine and its wide-vector twins, each only for processors where its
// `...Supported()` answers yes.
void repackRgbRow(const uint8_t* rgb, uint8_t* out, uint32_t count);
void repackRgbRowSsse3(const uint8_t* rgb, uint8_t* out, uint32_t count);
void repackRgbRowAvx2(const uint8_t* rgb, uint8_t* out, uint32_t count);
bool repackSsse3Supported();
bool repackAvx2Supported();
