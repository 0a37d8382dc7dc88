// Windows bitmaps with and without the 14-byte file header: the info header, the pixel format
// from the compression and bit count (bit-field masks by table), the palette, and the rows.
// Run-length data is decoded in bmp_run_length.cpp.
#include "texture/image_decoder.h"

#include "blit/level_row_sink.h"
#include "texture/bmp_run_length.h"
#include "texture/byte_reader.h"

#include <cstring>
#include <iterator>
#include <memory>
#include <new>

namespace {

constexpr UINT FileHeaderSize = 14;
constexpr uint32_t BitmapSignature = 'B' | 'M' << 8;
constexpr uint32_t InfoHeaderSize = 40;
constexpr uint32_t MaskedHeaderSize = 108; // long enough to hold the four channel masks
constexpr uint32_t MaskWordsSize = 12;     // red, green, blue masks after a shorter header
constexpr uint32_t MaxColors = 256;

enum Compression : uint32_t { Uncompressed = 0, RunLength8 = 1, RunLength4 = 2, BitFields = 3 };

struct BitFieldFormat {
    uint32_t bitCount;
    uint32_t red;
    uint32_t green;
    uint32_t blue;
    uint32_t alpha;
    PixelFormat format;
};

// The only mask combinations a bit-field bitmap may use.
constexpr BitFieldFormat bitFieldFormatTable[] = {
    {16, 0xFF, 0xFF, 0xFF, 0xFF00, D3DFMT_A8L8},
    {16, 0xF800, 0x7E0, 0x1F, 0, D3DFMT_R5G6B5},
    {16, 0x7C00, 0x3E0, 0x1F, 0, D3DFMT_X1R5G5B5},
    {16, 0x7C00, 0x3E0, 0x1F, 0x8000, D3DFMT_A1R5G5B5},
    {16, 0xF00, 0xF0, 0xF, 0xF000, D3DFMT_A4R4G4B4},
    {16, 0xF00, 0xF0, 0xF, 0, D3DFMT_X4R4G4B4},
    {16, 0xE0, 0x1C, 0x3, 0xFF00, D3DFMT_A8R3G3B2},
    {24, 0xFF0000, 0xFF00, 0xFF, 0, D3DFMT_R8G8B8},
    {32, 0xFF0000, 0xFF00, 0xFF, 0, D3DFMT_X8R8G8B8},
    {32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, D3DFMT_A8R8G8B8},
    {32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000, D3DFMT_A2B10G10R10},
    {32, 0xFFFF, 0xFFFF0000, 0, 0, D3DFMT_G16R16},
};
static_assert(std::size(bitFieldFormatTable) == 12);

// The info header fields the decoder uses.
struct InfoHeader {
    uint32_t headerSize = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint32_t planes = 0;
    uint32_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t colors = 0; // colour table entries, the default applied
};

// Where the image lies in the data and how it is laid out in memory.
struct BitmapLayout {
    PixelFormat format = D3DFMT_UNKNOWN;
    UINT width = 0;
    UINT height = 0;
    bool topDown = false;
    UINT rowPitch = 0;     // of the decoded rows
    UINT sourceStride = 0; // of the stored rows
    uint64_t pixelOffset = 0;
};

bool readInfoHeader(const ByteReader& file, InfoHeader* header) {
    uint32_t width = 0, height = 0, colorsUsed = 0;
    if (!file.u32(0, &header->headerSize) || !file.u32(4, &width) || !file.u32(8, &height) ||
        !file.u16(12, &header->planes) || !file.u16(14, &header->bitCount) ||
        !file.u32(16, &header->compression) || !file.u32(32, &colorsUsed) ||
        !file.contains(0, InfoHeaderSize))
        return false;
    header->width = int32_t(width);
    header->height = int32_t(height);
    header->colors = colorsUsed;
    if (colorsUsed == 0 && header->bitCount <= 8)
        header->colors = 1u << header->bitCount;
    return true;
}

// The checks made before the format is looked at. A negative width and a colour table longer
// than a palette are refused as well.
bool acceptableHeader(const ByteReader& file, const InfoHeader& header) {
    if (header.headerSize < InfoHeaderSize || header.width < 0 || header.colors > MaxColors)
        return false;
    if (!file.contains(0, uint64_t(header.headerSize) + 4 * uint64_t(header.colors)))
        return false;
    if (header.planes != 1)
        return false;
    // Run-length data is always stored bottom to top.
    return header.height >= 0 || header.compression == Uncompressed ||
           header.compression == BitFields;
}

// A run-length compression must match its bit count.
PixelFormat indexedOrPlainFormat(const InfoHeader& header) {
    if ((header.compression == RunLength8 && header.bitCount != 8) ||
        (header.compression == RunLength4 && header.bitCount != 4))
        return D3DFMT_UNKNOWN;
    switch (header.bitCount) {
    case 1:
    case 4:
    case 8:
        return D3DFMT_P8;
    case 16:
        return D3DFMT_X1R5G5B5;
    case 24:
        return D3DFMT_R8G8B8;
    case 32:
        return D3DFMT_X8R8G8B8;
    }
    return D3DFMT_UNKNOWN;
}

// The masks sit inside a long header, else in three words right after it.
PixelFormat bitFieldFormat(const ByteReader& file, const InfoHeader& header) {
    uint32_t red = 0, green = 0, blue = 0, alpha = 0;
    const uint64_t at = header.headerSize >= MaskedHeaderSize ? InfoHeaderSize : header.headerSize;
    if (!file.u32(at, &red) || !file.u32(at + 4, &green) || !file.u32(at + 8, &blue))
        return D3DFMT_UNKNOWN;
    if (header.headerSize >= MaskedHeaderSize && !file.u32(at + 12, &alpha))
        return D3DFMT_UNKNOWN;
    for (const BitFieldFormat& row : bitFieldFormatTable)
        if (row.bitCount == header.bitCount && row.red == red && row.green == green &&
            row.blue == blue && row.alpha == alpha)
            return row.format;
    return D3DFMT_UNKNOWN;
}

uint64_t roundUpTo4(uint64_t bytes) {
    return (bytes + 3) & ~uint64_t(3);
}

// Sizes in 64 bits: rows and images that do not fit 32 bits, and stored pixels that the data
// does not hold, are refused before anything is allocated.
bool planLayout(const ByteReader& file, const InfoHeader& header, BitmapLayout* layout) {
    const uint64_t width = uint64_t(header.width);
    const uint64_t height =
        header.height < 0 ? 0 - uint64_t(int64_t(header.height)) : uint64_t(header.height);
    const uint64_t bitCount = header.bitCount;
    const uint64_t rowPitch = roundUpTo4(bitCount < 8 ? width : width * bitCount / 8);
    const uint64_t stride = roundUpTo4((width * bitCount + 7) / 8);
    // A picture without a row or a column has no pixels to show; the other containers refuse
    // it too, and a zero size would read as "choose the size" further on.
    if (width == 0 || height == 0)
        return false;
    if (rowPitch > UINT32_MAX || stride > UINT32_MAX || rowPitch * height > UINT32_MAX)
        return false;
    uint64_t offset = uint64_t(header.headerSize) + 4 * uint64_t(header.colors);
    if (header.compression == BitFields && header.headerSize < MaskedHeaderSize)
        offset += MaskWordsSize;
    const bool runLength = header.compression == RunLength8 || header.compression == RunLength4;
    if (!runLength && !file.contains(offset, stride * height))
        return false;
    layout->width = UINT(width);
    layout->height = UINT(height);
    layout->topDown = header.height < 0;
    layout->rowPitch = UINT(rowPitch);
    layout->sourceStride = UINT(stride);
    layout->pixelOffset = offset;
    return true;
}

// Colour table entries are blue, green, red, reserved; entries past the table are white.
HRESULT buildPalette(ImageDecoder& image, const ByteReader& file, const InfoHeader& header) {
    PALETTEENTRY* entries = image.allocatePalette();
    if (entries == nullptr)
        return E_OUTOFMEMORY;
    for (uint32_t i = 0; i < header.colors; ++i) {
        const uint8_t* entry = file.at(header.headerSize + 4 * i);
        entries[i] = {entry[2], entry[1], entry[0], 0xFF};
    }
    return D3D_OK;
}

// Uncompressed rows of fewer than 8 bits per pixel, widened to one index per byte, most
// significant bits first.
void unpackIndices(const uint8_t* source, uint8_t* row, UINT width, uint32_t bitCount) {
    if (bitCount == 1) {
        for (UINT x = 0; x < width; ++x)
            row[x] = (source[x / 8] >> (7 - x % 8)) & 1;
    } else {
        for (UINT x = 0; x < width; ++x)
            row[x] = x % 2 == 0 ? source[x / 2] >> 4 : source[x / 2] & 0x0F;
    }
}

void copyRows(const ByteReader& file, const BitmapLayout& layout, uint32_t bitCount,
              uint8_t* pixels) {
    for (UINT stored = 0; stored < layout.height; ++stored) {
        const UINT row = layout.topDown ? stored : layout.height - 1 - stored;
        uint8_t* out = pixels + uint64_t(row) * layout.rowPitch;
        const uint8_t* in = file.at(layout.pixelOffset + uint64_t(stored) * layout.sourceStride);
        // From 8 bits up a stored row and a decoded row have the same length, padding included.
        if (bitCount >= 8)
            std::memcpy(out, in, layout.rowPitch);
        else
            unpackIndices(in, out, layout.width, bitCount);
    }
}

// Stored rows handed out top row first, straight from the file: 8 bits and more as they lie,
// fewer widened into one row of indices.
class StoredBitmapRows final : public ImageRowSource {
public:
    StoredBitmapRows(const uint8_t* firstStored, const BitmapLayout& layout, uint32_t bitCount)
        : firstStored_(firstStored), layout_(layout), bitCount_(bitCount) {}

    // The rows go in the order the file stores them, so that they are read in one forward
    // sweep.
    bool bottomUp() const override { return !layout_.topDown; }

    HRESULT sendRows(LevelRowSink& sink) override {
        std::unique_ptr<uint8_t[]> indices;
        if (bitCount_ < 8) {
            indices.reset(new (std::nothrow) uint8_t[layout_.width]);
            if (!indices)
                return E_OUTOFMEMORY;
        }
        for (UINT stored = 0; stored < layout_.height; ++stored) {
            const uint8_t* in = firstStored_ + uint64_t(stored) * layout_.sourceStride;
            if (bitCount_ < 8) {
                unpackIndices(in, indices.get(), layout_.width, bitCount_);
                in = indices.get();
            }
            sink.putRow(in);
        }
        return D3D_OK;
    }

private:
    const uint8_t* firstStored_;
    BitmapLayout layout_;
    uint32_t bitCount_;
};

HRESULT fillPixels(ImageDecoder& image, const ByteReader& file, const InfoHeader& header,
                   const BitmapLayout& layout) {
    const bool stillStored = layout.topDown && header.bitCount >= 8;
    if (stillStored) {
        image.bits = file.at(layout.pixelOffset);
        image.ownsBits = false;
        return D3D_OK;
    }
    const bool runLength = header.compression == RunLength8 || header.compression == RunLength4;
    if (image.deferRows && !runLength) {
        // planLayout has checked that every stored row lies within the data.
        image.rowSource.reset(new (std::nothrow) StoredBitmapRows(file.at(layout.pixelOffset),
                                                                  layout, header.bitCount));
        if (image.rowSource)
            return D3D_OK;
    }
    // Indices start zeroed: row padding, and pixels that run-length codes skip.
    const uint64_t bytes = uint64_t(layout.rowPitch) * layout.height;
    uint8_t* pixels = image.allocateBits(bytes, layout.format == D3DFMT_P8);
    if (pixels == nullptr)
        return E_OUTOFMEMORY;
    if (header.compression == RunLength8 || header.compression == RunLength4) {
        const RunLength kind =
            header.compression == RunLength8 ? RunLength::EightBit : RunLength::FourBit;
        return decodeRunLength(file, layout.pixelOffset, kind,
                               {pixels, layout.width, layout.height, layout.rowPitch});
    }
    copyRows(file, layout, header.bitCount, pixels);
    return D3D_OK;
}

} // namespace

HRESULT ImageDecoder::decodeBmp(const uint8_t* data, UINT size) {
    const ByteReader file(data, size);
    uint32_t signature = 0, fileSize = 0;
    if (!file.u16(0, &signature) || !file.u32(2, &fileSize) || !file.contains(0, FileHeaderSize))
        return E_FAIL;
    if (signature != BitmapSignature || fileSize > size)
        return E_FAIL;
    return decodeDib(data + FileHeaderSize, size - FileHeaderSize);
}

HRESULT ImageDecoder::decodeDib(const uint8_t* data, UINT size) {
    const ByteReader file(data, size);
    InfoHeader header;
    if (!readInfoHeader(file, &header) || !acceptableHeader(file, header))
        return E_FAIL;
    if (header.compression > BitFields)
        return E_NOTIMPL;
    BitmapLayout layout;
    layout.format = header.compression == BitFields ? bitFieldFormat(file, header)
                                                    : indexedOrPlainFormat(header);
    if (layout.format == D3DFMT_UNKNOWN)
        return E_FAIL;
    const uint64_t rows =
        header.height < 0 ? 0 - uint64_t(int64_t(header.height)) : uint64_t(header.height);
    if (!admitsPixels(uint64_t(header.width), rows, 1) || !planLayout(file, header, &layout))
        return E_FAIL;

    if (layout.format == D3DFMT_P8) {
        const HRESULT hr = buildPalette(*this, file, header);
        if (FAILED(hr))
            return hr;
    }
    format = layout.format;
    width = layout.width;
    height = layout.height;
    depth = 1;
    rowPitch = layout.rowPitch;
    slicePitch = 0;
    return fillPixels(*this, file, header, layout);
}
