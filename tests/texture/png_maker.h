// Test helper: PNG files made in memory with libpng's writer, and raw chunk surgery for the
// files a writer refuses to make (inconsistent or oversized headers).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct PngRecipe {
    uint32_t width = 1;
    uint32_t height = 1;
    int colorType = 0; // PNG_COLOR_TYPE_*
    int bitDepth = 8;
    bool interlaced = false;
    // Rows as the file stores them: packed samples, 16-bit samples big-endian, no filter byte.
    std::vector<uint8_t> rows;
    std::vector<uint8_t> palette;      // PLTE as red, green, blue triples
    std::vector<uint8_t> paletteAlpha; // tRNS of a paletted file
    std::optional<uint16_t> transparentGrey;
    std::optional<uint16_t> transparentRed, transparentGreen, transparentBlue;
    double gamma = 0.0;  // gAMA when positive
    int srgbIntent = -1; // sRGB when not negative
};

// The file libpng's writer makes from the recipe.
std::vector<uint8_t> makePng(const PngRecipe& recipe);

// Appends one chunk with its length and CRC.
void appendChunk(std::vector<uint8_t>& file, const char type[4], const std::vector<uint8_t>& data);

// Inserts a chunk right after IHDR.
std::vector<uint8_t> withChunkAfterHeader(const std::vector<uint8_t>& file, const char type[4],
                                          const std::vector<uint8_t>& data);

// A signature and an IHDR chunk with a correct CRC, nothing else.
std::vector<uint8_t> pngHeaderOnly(uint32_t width, uint32_t height, int bitDepth, int colorType);

// Rewrites the CRC of every whole chunk, so that changed bytes get past libpng's checks.
void fixChunkCrcs(std::vector<uint8_t>& file);

std::vector<uint8_t> bigEndian32(uint32_t value);
