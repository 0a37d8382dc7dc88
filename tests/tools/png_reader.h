// Test helper: reads a PNG file with libpng, reporting its stored format and, for 8-bit
// RGB files, its pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

struct PngImage {
    int width = 0;
    int height = 0;
    int bitDepth = 0;
    int colorType = 0;
    int interlace = 0;
    bool hasTransparencyChunk = false;
    std::vector<uint8_t> rgb; // filled only for 8-bit, non-interlaced RGB files

    uint32_t pixel(int x, int y) const {
        const uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
        return static_cast<uint32_t>(p[0]) << 16 | p[1] << 8 | p[2];
    }
    // The game's transparent key, opaque magenta.
    bool isKey(int x, int y) const { return pixel(x, y) == 0xFF00FFu; }
};

// False when the file cannot be opened or is not a readable PNG.
bool readPng(const std::filesystem::path& path, PngImage& image);
