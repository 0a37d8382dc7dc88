// How the rows of a file the PNG fast path takes come out: the format libpng's path gives for
// it and the routine that makes one decoded row from one unfiltered stored row (expansion of
// small samples, byte swap of 16-bit ones, blue-green-red order, the filler or tRNS alpha).
#pragma once

#include "blit/pixel_format.h"
#include "texture/png_layout.h"

#include <cstdint>

// `stored` holds one unfiltered row of `layout.width` pixels as the file stores them; `out`
// receives the row in the plan's format. They never overlap.
using PngRowConversion = void (*)(const uint8_t* stored, uint8_t* out, uint32_t width,
                                  const PngLayout& layout);

struct PngPixelPlan {
    PixelFormat format;
    uint32_t outPixelBytes; // at least 1; packed samples come out one byte each
    PngRowConversion convert;
};

// The plan with the plain routines, and with the fastest the processor allows (chosen once:
// the SSSE3 shuffles for 8-bit RGB and RGBA when the MMX answer allows them).
PngPixelPlan plainPngPixelPlan(const PngLayout& layout);
PngPixelPlan pngPixelPlan(const PngLayout& layout);

// The shuffles behind the fast plan and their plain twins (8-bit RGB to blue, green, red,
// 0xFF; 8-bit RGBA to blue, green, red, alpha).
void rgbToBgrxRow(const uint8_t* stored, uint8_t* out, uint32_t width, const PngLayout& layout);
void rgbaToBgraRow(const uint8_t* stored, uint8_t* out, uint32_t width, const PngLayout& layout);
void rgbToBgrxRowSsse3(const uint8_t* stored, uint8_t* out, uint32_t width,
                       const PngLayout& layout);
void rgbaToBgraRowSsse3(const uint8_t* stored, uint8_t* out, uint32_t width,
                        const PngLayout& layout);
bool pngPixelsSsse3Supported();
