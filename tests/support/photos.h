// The pictures of the test data that every decoding and compression figure is measured
// on, read with the toolkit's own loader into 32-bit ARGB words.
#pragma once

#include "blit/float_color.h"

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

// Decodes a picture of the test data ("real-photos/coffee.png"); false when the file is missing
// or does not decode. Pictures without alpha come out opaque.
bool loadPicture(const std::string& relative, Photo* out);

// loadPicture of photos/<name>.
bool loadPhoto(const std::string& name, Photo* out);

// Appends the whole 4 x 4 blocks of a picture, 16 values each, as the blit engine hands them
// to a block encoder (8-bit values times 1/255); a grey picture becomes the alpha of a
// constant colour when `greyAsAlpha`.
void appendBlocks(const Photo& photo, bool greyAsAlpha, std::vector<FloatColor>* blocks);

// The real photographs (real-photos/) and greys (real-greys/) that the block encoders are
// measured on, in their fixed order; false when one cannot be read.
bool loadRealPhotos(std::vector<Photo>* out);
bool loadRealGreys(std::vector<Photo>* out);

} // namespace test_support
