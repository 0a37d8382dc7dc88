// Writing pictures as PNG files for the command-line tools: 32-bit ARGB words, as the device
// presents them, to 8-bit RGB or RGBA files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tools {

// Writes `width` x `height` pixels (0xAARRGGBB, top row first, `stride` words from one row to
// the next) to `path`: RGBA with `withAlpha`, else RGB with the alpha ignored. Returns false
// with the reason in *error when the file cannot be written.
bool writePng(const std::string& path, const uint32_t* pixels, unsigned width, unsigned height,
              size_t stride, bool withAlpha, std::string* error);

} // namespace tools
