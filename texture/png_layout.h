// The chunk walk of the PNG fast path: the header, palette, transparency and colour-space
// chunks and where the image data lies, read with every CRC checked. It accepts only the files
// the fast path decodes exactly as libpng does; anything else is left to libpng.
#pragma once

#include "windows.h"

#include <cstdint>

struct PngLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bitDepth = 0;
    uint32_t colorType = 0;
    uint32_t paletteCount = 0;   // PLTE entries
    uint8_t palette[256 * 3] = {}; // PLTE as red, green, blue
    uint32_t alphaCount = 0;     // tRNS entries of a paletted file
    uint8_t alphas[256] = {};
    bool hasKey = false;         // tRNS colour of a grey or RGB file
    uint16_t key[3] = {};        // grey, or red, green, blue
    bool srgb = false;
    uint32_t gamma = 0;          // gAMA in units of 1/100000, 0 without one
    uint32_t idatOffset = 0;     // the first IDAT chunk's length field
    uint32_t idatChunks = 0;     // the run of IDAT chunks that follows it
    uint64_t idatBytes = 0;      // their data, all together
};

// Walks the chunks from the signature to the end of the first run of IDAT chunks. True when
// the file is one the fast path takes: a well-formed, non-interlaced file whose chunks before
// the image data are all known or inert, whose CRCs all hold, and which asks for no gamma
// correction. False leaves the file to libpng, whatever the reason.
bool readPngLayout(const uint8_t* data, UINT size, PngLayout* layout);

// Copies the data of the IDAT run into `out` (idatBytes long).
void gatherPngData(const uint8_t* data, const PngLayout& layout, uint8_t* out);

// Bytes of one stored row, without its filter byte; channels per pixel as stored.
uint64_t pngStoredRowBytes(const PngLayout& layout);
uint32_t pngChannels(uint32_t colorType);
