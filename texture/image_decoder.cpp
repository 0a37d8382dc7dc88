// The decoded-image node: its lifetime, its chains, and load, which offers the file's bytes to
// the container decoders in their fixed order.
#include "texture/image_decoder.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>
#include <utility>

namespace {

using Decode = HRESULT (ImageDecoder::*)(const uint8_t* data, UINT size);

struct DecoderSlot {
    ImageFileFormat container;
    Decode decode;
};

// The first decoder that accepts the data claims it, and several containers would accept the
// same bytes: those with a firm signature go first, while Targa and the header-less bitmap,
// which have none and accept almost anything, come last.
constexpr DecoderSlot decoderOrderTable[] = {
    {Bmp, &ImageDecoder::decodeBmp}, {Ppm, &ImageDecoder::decodePpm},
    {Dds, &ImageDecoder::decodeDds}, {Jpg, &ImageDecoder::decodeJpg},
    {Png, &ImageDecoder::decodePng}, {Tga, &ImageDecoder::decodeTga},
    {Dib, &ImageDecoder::decodeDib},
};
static_assert(std::size(decoderOrderTable) == 7);

void setWholeBoxes(ImageDecoder& first) {
    for (ImageDecoder* face = &first; face != nullptr; face = face->nextFace.get())
        for (ImageDecoder* level = face; level != nullptr; level = level->nextLevel.get())
            level->box = {0, 0, level->width, level->height, 0, level->depth};
}

} // namespace

ImageDecoder::~ImageDecoder() {
    discard();
}

void ImageDecoder::finishRows() const {
    if (pendingRows != nullptr)
        pendingRows->makeAll();
}

void ImageDecoder::discard() {
    // The rows still pending are written into bits.
    pendingRows.reset();
    if (ownsBits)
        delete[] bits;
    if (ownsPalette)
        delete[] palette;
    bits = nullptr;
    palette = nullptr;
    rowSource.reset();
    ownsBits = false;
    ownsPalette = false;
    // A file may chain any number of levels: each node is unlinked before it is freed, so
    // freeing a long chain never nests one destructor inside the next.
    while (nextLevel != nullptr)
        nextLevel = std::move(nextLevel->nextLevel);
    while (nextFace != nullptr)
        nextFace = std::move(nextFace->nextFace);
}

uint8_t* ImageDecoder::allocateBits(uint64_t bytes, bool zeroed) {
    uint8_t* pixels =
        zeroed ? new (std::nothrow) uint8_t[bytes]() : new (std::nothrow) uint8_t[bytes];
    if (pixels != nullptr) {
        bits = pixels;
        ownsBits = true;
    }
    return pixels;
}

PALETTEENTRY* ImageDecoder::allocatePalette() {
    auto* entries = new (std::nothrow) PALETTEENTRY[256];
    if (entries != nullptr) {
        std::fill_n(entries, 256, PALETTEENTRY{0xFF, 0xFF, 0xFF, 0xFF});
        palette = entries;
        ownsPalette = true;
    }
    return entries;
}

bool ImageDecoder::admitsPixels(uint64_t pictureWidth, uint64_t pictureHeight,
                                uint64_t pictureDepth) {
    // Each factor is below 2^32, so the product of two fits and the third is compared by division.
    if (pixelLimit == 0 ||
        pictureWidth * pictureHeight <= pixelLimit / std::max<uint64_t>(pictureDepth, 1))
        return true;
    declaredWidth = pictureWidth;
    declaredHeight = pictureHeight;
    declaredDepth = pictureDepth;
    return false;
}

void ImageDecoder::reportInfo(ImageInfo* info) const {
    std::memset(info, 0, sizeof(*info));
    info->width = width;
    info->height = height;
    info->depth = depth;
    info->mipLevels = levelCount();
    info->format = findClosestExternalFormat(format);
    info->resourceType = resourceType;
    info->imageFileFormat = fileFormat;
}

UINT ImageDecoder::levelCount() const {
    UINT count = 1;
    for (const ImageDecoder* level = nextLevel.get(); level != nullptr;
         level = level->nextLevel.get())
        ++count;
    return count;
}

UINT ImageDecoder::faceCount() const {
    UINT count = 1;
    for (const ImageDecoder* face = nextFace.get(); face != nullptr; face = face->nextFace.get())
        ++count;
    return count;
}

HRESULT ImageDecoder::load(const void* data, UINT size, ImageInfo* info) {
    if (data == nullptr && size != 0)
        return D3DERR_INVALIDCALL;
    const auto* bytes = static_cast<const uint8_t*>(data);
    for (const DecoderSlot& slot : decoderOrderTable) {
        resourceType = D3DRTYPE_TEXTURE;
        fileFormat = slot.container;
        if (SUCCEEDED((this->*slot.decode)(bytes, size))) {
            if (info != nullptr)
                reportInfo(info);
            setWholeBoxes(*this);
            return D3D_OK;
        }
        discard();
        // A container that recognised the file and found it too large has said the last word.
        if (declaredWidth != 0)
            break;
    }
    return InvalidData;
}
