// Test helper: DDS files made byte by byte, with every header field at its offset spelled out
// here rather than taken from the decoder, and the pixel-format words of every format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct DdsPixelWords {
    uint32_t flags = 0;
    uint32_t code = 0;                // four-character code
    uint32_t bits = 0;                // bit count
    uint32_t masks[4] = {0, 0, 0, 0}; // first, second, third, alpha
};

struct DdsRecipe {
    uint32_t flags = 0x1007; // caps, height, width, pixel format
    uint32_t width = 1;
    uint32_t height = 1;
    uint32_t depth = 0;
    uint32_t mipCount = 0;
    uint32_t pixelFormatSize = 32;
    DdsPixelWords pixel;
    uint32_t caps = 0x1000;
    uint32_t caps2 = 0;
    std::vector<uint8_t> palette; // written right after the description
    std::vector<uint8_t> data;    // every level of every face
};

// The magic, the 124-byte description, the palette and the data.
std::vector<uint8_t> makeDds(const DdsRecipe& recipe);

// The pixel-format words a file uses for a format code, as the format table lists them; the
// flags are 0 for a code no file holds.
DdsPixelWords ddsPixelWords(uint32_t format);

// `count` bytes that differ from their neighbours: start, start + 1 ... up to 251, then 1 again.
std::vector<uint8_t> patternBytes(size_t count, uint8_t start = 1);

// Little-endian 32-bit word at `offset`.
uint32_t readWord(const std::vector<uint8_t>& bytes, size_t offset);
void writeWord(std::vector<uint8_t>& bytes, size_t offset, uint32_t value);

// The 33 format codes a DDS file can hold, in the order of the format table.
std::vector<uint32_t> ddsFormats();
