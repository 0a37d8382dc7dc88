// Writing pictures as PNG files for the command-line tools: 32-bit ARGB words, as the device
// presents them, or packed RGB bytes, to 8-bit RGB or RGBA files. The bytes written depend
// only on the pixels (no time or text chunks), so generated files can be compared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace tools {

// Writes `width` x `height` pixels (0xAARRGGBB, top row first, `stride` words from one row to
// the next) to `path`: RGBA with `withAlpha`, else RGB with the alpha ignored. Returns false
// with the reason in *error when the file cannot be written.
bool writePng(const std::string& path, const uint32_t* pixels, unsigned width, unsigned height,
              size_t stride, bool withAlpha, std::string* error);
// The same bytes to an open stream, flushed; false with the reason in *error.
bool writePng(FILE* file, const uint32_t* pixels, unsigned width, unsigned height, size_t stride,
              bool withAlpha, std::string* error);

// Writes `rgb` (width x height x 3 bytes: red, green, blue, top row first) as an RGB file.
bool writeRgbPng(const std::string& path, const uint8_t* rgb, unsigned width, unsigned height,
                 std::string* error);

} // namespace tools
