// Writes 8-bit RGB PNG files (colour type 2, no alpha, no transparency chunk) with libpng.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assets {

// rgb holds width x height x 3 bytes, top row first. Returns false (with a message on
// stderr) when the file cannot be written. The bytes depend only on the pixels: no time
// or text chunks are written.
bool writeRgbPng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);

} // namespace assets
