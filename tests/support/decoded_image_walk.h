// Reads every byte a decoded image says it holds, level by level and face by face, so that a
// decoder reporting more rows, columns, slices or levels than its buffers hold is caught by
// AddressSanitizer; the fuzz targets and the replay of their findings share it.
#pragma once

#include "texture/image_decoder.h"

#include <cstdint>

namespace test_support {

// False when a node is inconsistent on its face (no bits, a zero size, a row pitch shorter than
// a row, a slice pitch shorter than a slice). Otherwise true, with *digest an FNV-1a hash of
// every row's pixel bytes (not its padding) and of every palette, in chain order. With a null
// digest the rows are only copied out whole, which the sanitizer checks at a fraction of the
// cost of hashing them byte by byte.
bool walkDecodedImage(const ImageDecoder& image, uint32_t* digest);

} // namespace test_support
