// Walking the chains of a decoded image and hashing the bytes each node claims.
#include "tests/support/decoded_image_walk.h"

#include "blit/pixel_format.h"

#include <cstring>
#include <vector>

namespace {

constexpr uint32_t FnvOffset = 2166136261u;
constexpr uint32_t FnvPrime = 16777619u;

// Hashes the bytes into *hash, or with a null hash copies them out whole.
void readBytes(const uint8_t* bytes, uint64_t count, uint32_t* hash) {
    if (hash == nullptr) {
        static std::vector<uint8_t> scratch;
        if (scratch.size() < count)
            scratch.resize(count);
        std::memcpy(scratch.data(), bytes, count);
        return;
    }
    for (uint64_t i = 0; i < count; ++i)
        *hash = (*hash ^ bytes[i]) * FnvPrime;
}

// Bytes of one stored row and the number of stored rows: block formats store rows of blocks.
void rowShape(const ImageDecoder& node, uint64_t* rowBytes, uint64_t* rows) {
    if (isBlockCompressed(node.format)) {
        *rowBytes = (uint64_t(node.width) + 3) / 4 * blockBytes(node.format);
        *rows = (uint64_t(node.height) + 3) / 4;
        return;
    }
    *rowBytes = (uint64_t(node.width) * getFormatInfo(node.format).bitsPerPixel + 7) / 8;
    *rows = node.height;
}

bool walkNode(const ImageDecoder& node, uint32_t* hash) {
    if (node.bits == nullptr || node.width == 0 || node.height == 0 || node.depth == 0)
        return false;
    uint64_t rowBytes = 0;
    uint64_t rows = 0;
    rowShape(node, &rowBytes, &rows);
    if (node.rowPitch < rowBytes)
        return false;
    if (node.depth > 1 && node.slicePitch < uint64_t(node.rowPitch) * rows)
        return false;
    for (uint64_t slice = 0; slice < node.depth; ++slice)
        for (uint64_t row = 0; row < rows; ++row)
            readBytes(node.bits + slice * node.slicePitch + row * node.rowPitch, rowBytes, hash);
    if (node.palette != nullptr)
        readBytes(reinterpret_cast<const uint8_t*>(node.palette), 256 * sizeof(PALETTEENTRY), hash);
    return true;
}

} // namespace

namespace test_support {

bool walkDecodedImage(const ImageDecoder& image, uint32_t* digest) {
    uint32_t hash = FnvOffset;
    for (const ImageDecoder* face = &image; face != nullptr; face = face->nextFace.get())
        for (const ImageDecoder* level = face; level != nullptr; level = level->nextLevel.get())
            if (!walkNode(*level, digest != nullptr ? &hash : nullptr))
                return false;
    if (digest != nullptr)
        *digest = hash;
    return true;
}

} // namespace test_support
