// The pictures of the test data that every decoding and compression figure is measured
// on, read with the toolkit's own loader into 32-bit ARGB words.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class ImageDecoder;

namespace test_support {

struct Photo {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint32_t> argb; // 0xAARRGGBB, rows top to bottom, no padding
};

// The path of a file under the repository's test data folder ("photos/photo-1024-rgb.png").
std::string testdataPath(const std::string& relative);

// The whole file, or an empty vector when it cannot be read.
std::vector<uint8_t> readFileBytes(const std::string& path);

// A decoded image converted to ARGB words by the blit engine (palette included); false when
// the engine cannot read its format.
bool convertToArgb(const ImageDecoder& image, Photo* out);

// Decodes photos/<name>; false when the file is missing or does not decode. Pictures without
// alpha come out opaque.
bool loadPhoto(const std::string& name, Photo* out);

} // namespace test_support
