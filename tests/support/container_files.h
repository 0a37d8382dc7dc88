// Bitmap and Targa files made in memory from their fields, for the decoder tests, the texinfo
// tests and the load benchmark: headers are written as given, pixels exactly as stored.
#pragma once

#include <cstdint>
#include <vector>

namespace test_support {

using Bytes = std::vector<uint8_t>;

struct BitmapRecipe {
    uint32_t headerSize = 40;
    int32_t width = 1;
    int32_t height = 1; // negative: rows stored top to bottom
    uint16_t planes = 1;
    uint16_t bitCount = 8;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
    // Red, green, blue and alpha masks: inside a header of 108 bytes or more, else the first
    // three in words right after the header. Empty: none written.
    std::vector<uint32_t> masks;
    Bytes colorTable; // blue, green, red, reserved per entry
    Bytes pixels;     // as stored, row padding included
};

// The info header, masks, colour table and pixels, without the file header.
Bytes makeDib(const BitmapRecipe& recipe);

// The same behind the 14-byte file header, whose size field is the file's length.
Bytes makeBmp(const BitmapRecipe& recipe);

struct TargaRecipe {
    uint8_t colorMapType = 0;
    uint8_t imageType = 2;
    uint16_t firstIndex = 0;
    uint16_t mapLength = 0;
    uint8_t mapEntryBits = 0;
    uint16_t width = 1;
    uint16_t height = 1;
    uint8_t pixelBits = 24;
    uint8_t descriptor = 0;
    Bytes id;
    Bytes colorMap;
    Bytes pixels; // as stored: pixels, or run-length packets
};

Bytes makeTga(const TargaRecipe& recipe);

// Run-length packets for `pixels` of `pixelBytes` bytes each, in the order given: runs of two
// or more equal pixels become repeat packets, the rest raw packets, at most 128 pixels each.
Bytes targaPackets(const Bytes& pixels, unsigned pixelBytes);

} // namespace test_support
