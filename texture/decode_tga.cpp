// Targa files: colour-mapped, true-colour and grey images, stored or run-length encoded, in
// either row order and either direction within a row.
#include "texture/image_decoder.h"

#include "blit/level_row_sink.h"
#include "texture/byte_reader.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>

namespace {

constexpr UINT HeaderSize = 18;

// The image type's low two bits, its run-length flag, and the bits that must be clear.
enum ImageKind : uint32_t { ColorMapped = 1, TrueColor = 2, Grey = 3 };
constexpr uint32_t KindMask = 3;
constexpr uint32_t RunLengthFlag = 8;
constexpr uint32_t ReservedTypeBits = 0xF4;

// Descriptor bits.
constexpr uint32_t RightToLeft = 0x10;
constexpr uint32_t TopToBottom = 0x20;

// A packet header's repeat flag and its count bits (count - 1).
constexpr uint32_t RepeatPacket = 0x80;
constexpr uint32_t PacketCountMask = 0x7F;

struct DepthFormat {
    uint32_t bits;
    PixelFormat format;
};

// Colour map entries and true-colour pixels alike.
constexpr DepthFormat colorDepthTable[] = {
    {15, D3DFMT_X1R5G5B5},
    {16, D3DFMT_A1R5G5B5},
    {24, D3DFMT_R8G8B8},
    {32, D3DFMT_A8R8G8B8},
};
static_assert(std::size(colorDepthTable) == 4);

struct TgaHeader {
    uint32_t idLength = 0;
    uint32_t colorMapType = 0;
    uint32_t imageType = 0;
    uint32_t firstIndex = 0;
    uint32_t mapLength = 0;
    uint32_t mapEntryBits = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t pixelBits = 0;
    uint32_t descriptor = 0;
};

bool readHeader(const ByteReader& file, TgaHeader* h) {
    return file.u8(0, &h->idLength) && file.u8(1, &h->colorMapType) && file.u8(2, &h->imageType) &&
           file.u16(3, &h->firstIndex) && file.u16(5, &h->mapLength) &&
           file.u8(7, &h->mapEntryBits) && file.u16(12, &h->width) && file.u16(14, &h->height) &&
           file.u8(16, &h->pixelBits) && file.u8(17, &h->descriptor);
}

PixelFormat colorDepthFormat(uint32_t bits) {
    for (const DepthFormat& row : colorDepthTable)
        if (row.bits == bits)
            return row.format;
    return D3DFMT_UNKNOWN;
}

PixelFormat imageFormat(const TgaHeader& h) {
    switch (h.imageType & KindMask) {
    case ColorMapped:
        return h.colorMapType == 1 && h.pixelBits == 8 ? D3DFMT_P8 : D3DFMT_UNKNOWN;
    case TrueColor:
        return colorDepthFormat(h.pixelBits);
    case Grey:
        return h.pixelBits == 8 ? D3DFMT_L8 : D3DFMT_UNKNOWN;
    }
    return D3DFMT_UNKNOWN;
}

uint8_t widenFive(uint32_t value) {
    return uint8_t((value * 8) | (value / 4));
}

// Stored entries go to first index onward; the rest of the palette stays opaque white.
HRESULT buildPalette(ImageDecoder& image, const uint8_t* map, const TgaHeader& h) {
    PALETTEENTRY* entries = image.allocatePalette();
    if (entries == nullptr)
        return E_OUTOFMEMORY;
    const uint32_t entryBytes = (h.mapEntryBits + 7) / 8;
    for (uint32_t i = 0; i < h.mapLength; ++i) {
        const uint8_t* e = map + i * entryBytes;
        PALETTEENTRY& out = entries[h.firstIndex + i];
        if (entryBytes >= 3) {
            out = {e[2], e[1], e[0], entryBytes == 4 ? e[3] : uint8_t(0xFF)};
        } else {
            const uint32_t word = e[0] | e[1] << 8;
            const bool opaque = h.mapEntryBits == 15 || (word & 0x8000) != 0;
            out = {widenFive((word >> 10) & 0x1F), widenFive((word >> 5) & 0x1F),
                   widenFive(word & 0x1F), opaque ? uint8_t(0xFF) : uint8_t(0)};
        }
    }
    return D3D_OK;
}

// Writes pixels of `Bytes` bytes in stored order into a top-down buffer: stored rows start at
// the bottom or the top, and each row fills from the left or the right. A run that crosses the
// end of a row continues on the next one; pixels past the last row are dropped.
template <UINT Bytes> class PixelRows {
public:
    PixelRows(uint8_t* pixels, const TgaHeader& h)
        : width_(h.width), rowsLeft_(h.height), rightToLeft_((h.descriptor & RightToLeft) != 0) {
        const uint64_t rowBytes = uint64_t(h.width) * Bytes;
        const bool topDown = (h.descriptor & TopToBottom) != 0;
        row_ = pixels + (topDown ? 0 : rowBytes * (h.height - 1));
        rowStep_ = topDown ? int64_t(rowBytes) : -int64_t(rowBytes);
    }

    bool full() const { return rowsLeft_ == 0; }

    // `count` pixels from `source`, one after the other.
    void copy(const uint8_t* source, uint64_t count) {
        while (count > 0 && rowsLeft_ > 0) {
            const uint64_t n = std::min(count, width_ - column_);
            uint8_t* out = next();
            if (rightToLeft_) {
                for (uint64_t i = 0; i < n; ++i)
                    std::memcpy(out - i * Bytes, source + i * Bytes, Bytes);
            } else {
                copyForward(out, source, n * Bytes);
            }
            source += n * Bytes;
            count -= n;
            advance(n);
        }
    }

    // `count` copies of one pixel.
    void repeat(const uint8_t* pixel, uint64_t count) {
        while (count > 0 && rowsLeft_ > 0) {
            const uint64_t n = std::min(count, width_ - column_);
            uint8_t* out = next();
            if (rightToLeft_ || n * Bytes < 16) {
                const int64_t step = rightToLeft_ ? -int64_t(Bytes) : int64_t(Bytes);
                for (uint64_t i = 0; i < n; ++i, out += step)
                    std::memcpy(out, pixel, Bytes);
            } else {
                fillForward(out, pixel, n * Bytes);
            }
            count -= n;
            advance(n);
        }
    }

private:
    // Short runs pixel by pixel; longer ones through the library, which aligns its stores.
    static void copyForward(uint8_t* out, const uint8_t* in, uint64_t bytes) {
        if (bytes >= 16) {
            std::memcpy(out, in, size_t(bytes));
            return;
        }
        for (uint64_t i = 0; i < bytes; i += Bytes)
            std::memcpy(out + i, in + i, Bytes);
    }

    // At least 16 bytes of one pixel repeated, in 16-byte blocks of a 64-byte pattern. Its
    // period of 12 bytes is a whole number of pixels of every size, so the blocks at 0, 16
    // and 32 repeat every 48 bytes.
    static void fillForward(uint8_t* out, const uint8_t* pixel, uint64_t bytes) {
        uint8_t pattern[64];
        for (UINT i = 0; i < 12; i += Bytes)
            std::memcpy(pattern + i, pixel, Bytes);
        for (UINT i = 12; i + 12 <= 64; i += 12)
            std::memcpy(pattern + i, pattern, 12);
        std::memcpy(pattern + 60, pattern, 4);
        for (uint64_t i = 0; i + 16 < bytes; i += 16)
            std::memcpy(out + i, pattern + i % 48, 16);
        std::memcpy(out + bytes - 16, pattern + (bytes - 16) % 48, 16);
    }

    // The next pixel's address; rows that fill from the right run backwards from their end.
    uint8_t* next() const {
        const uint64_t x = rightToLeft_ ? width_ - 1 - column_ : column_;
        return row_ + x * Bytes;
    }

    void advance(uint64_t n) {
        column_ += n;
        if (column_ == width_) {
            column_ = 0;
            --rowsLeft_;
            row_ += rowStep_;
        }
    }

    uint64_t width_;
    uint64_t rowsLeft_;
    bool rightToLeft_;
    uint8_t* row_ = nullptr; // the current row
    int64_t rowStep_ = 0;    // to the next stored row
    uint64_t column_ = 0;    // pixels written in the current row
};

// Stored pixels, or packets until every pixel is written: E_FAIL when the data ends first.
template <UINT Bytes>
HRESULT decodeRows(const ByteReader& file, uint64_t at, bool runLength, const TgaHeader& h,
                   uint8_t* pixels) {
    PixelRows<Bytes> rows(pixels, h);
    if (!runLength) {
        rows.copy(file.at(at), uint64_t(h.width) * h.height);
        return D3D_OK;
    }
    while (!rows.full()) {
        uint32_t packet = 0;
        if (!file.u8(at, &packet))
            return E_FAIL;
        ++at;
        const uint64_t count = (packet & PacketCountMask) + 1;
        const uint64_t bytes = packet & RepeatPacket ? Bytes : count * Bytes;
        if (!file.contains(at, bytes))
            return E_FAIL;
        if (packet & RepeatPacket)
            rows.repeat(file.at(at), count);
        else
            rows.copy(file.at(at), count);
        at += bytes;
    }
    return D3D_OK;
}

HRESULT decodeRowsOf(UINT pixelBytes, const ByteReader& file, uint64_t at, bool runLength,
                     const TgaHeader& h, uint8_t* pixels) {
    switch (pixelBytes) {
    case 1:
        return decodeRows<1>(file, at, runLength, h, pixels);
    case 2:
        return decodeRows<2>(file, at, runLength, h, pixels);
    case 3:
        return decodeRows<3>(file, at, runLength, h, pixels);
    default:
        return decodeRows<4>(file, at, runLength, h, pixels);
    }
}

// Rows handed out from the file. Stored rows go top row first by address (reversed into a
// scratch row when they run right to left); run-length rows are decoded one at a time into the
// scratch row in stored order, with the same packet rules as decodeRows: a packet may cross
// the end of a row, and data that ends before the last row is E_FAIL.
class TargaRows final : public ImageRowSource {
public:
    TargaRows(const ByteReader& file, uint64_t at, bool runLength, const TgaHeader& h,
              UINT pixelBytes)
        : file_(file), at_(at), runLength_(runLength), h_(h), pixelBytes_(pixelBytes) {}

    bool bottomUp() const override { return runLength_ && (h_.descriptor & TopToBottom) == 0; }

    HRESULT sendRows(LevelRowSink& sink) override {
        const size_t rowBytes = size_t(h_.width) * pixelBytes_;
        const bool rightToLeft = (h_.descriptor & RightToLeft) != 0;
        std::unique_ptr<uint8_t[]> scratch;
        if (runLength_ || rightToLeft) {
            // Packets are unpacked with whole-vector stores that may run past the row's end.
            scratch.reset(new (std::nothrow) uint8_t[rowBytes + RowSlack]);
            if (!scratch)
                return E_OUTOFMEMORY;
        }
        if (!runLength_) {
            const bool topDown = (h_.descriptor & TopToBottom) != 0;
            for (uint32_t y = 0; y < h_.height; ++y) {
                const uint32_t stored = topDown ? y : h_.height - 1 - y;
                const uint8_t* row = file_.at(at_ + uint64_t(stored) * rowBytes);
                if (rightToLeft) {
                    for (uint32_t x = 0; x < h_.width; ++x)
                        std::memcpy(scratch.get() + size_t(h_.width - 1 - x) * pixelBytes_,
                                    row + size_t(x) * pixelBytes_, pixelBytes_);
                    row = scratch.get();
                }
                sink.putRow(row);
            }
            return D3D_OK;
        }
        for (uint32_t stored = 0; stored < h_.height; ++stored) {
            const HRESULT hr = unpackRowOf(scratch.get(), rightToLeft);
            if (FAILED(hr))
                return hr;
            sink.putRow(scratch.get());
        }
        return D3D_OK;
    }

private:
    static constexpr size_t RowSlack = 32;

    HRESULT unpackRowOf(uint8_t* row, bool rightToLeft) {
        switch (pixelBytes_) {
        case 1:
            return unpackRow<1>(row, rightToLeft);
        case 2:
            return unpackRow<2>(row, rightToLeft);
        case 3:
            return rightToLeft ? unpackRow<3>(row, true) : unpackRowForward<3>(row);
        default:
            return rightToLeft ? unpackRow<4>(row, true) : unpackRowForward<4>(row);
        }
    }

    // unpackRow for 3- and 4-byte pixels left to right, where photographs make many short
    // packets: a raw packet of up to 32 bytes is one pair of 16-byte copies when the file holds
    // 32 bytes from its data on, and a repeated pixel is stored as 4-byte words, each spilling
    // at most one byte over the next pixel (written later) or into the row's slack.
    template <UINT b> HRESULT unpackRowForward(uint8_t* row) {
        const uint8_t* const fileStart = file_.at(0);
        const uint64_t fileSize = file_.size();
        uint32_t column = 0;
        while (column < h_.width) {
            if (packetLeft_ == 0) {
                if (at_ >= fileSize)
                    return E_FAIL;
                const uint32_t packet = fileStart[at_++];
                packetLeft_ = (packet & PacketCountMask) + 1;
                repeat_ = (packet & RepeatPacket) != 0;
                const uint64_t bytes = repeat_ ? b : uint64_t(packetLeft_) * b;
                if (!file_.contains(at_, bytes))
                    return E_FAIL;
                packetData_ = fileStart + at_;
                at_ += bytes;
            }
            const uint32_t n = std::min(packetLeft_, h_.width - column);
            uint8_t* to = row + size_t(column) * b;
            if (repeat_) {
                // Assembled in a register: a word put together in memory from narrower stores
                // would stall the load that reads it back.
                uint32_t pixel = uint32_t(packetData_[0]) | uint32_t(packetData_[1]) << 8 |
                                 uint32_t(packetData_[2]) << 16;
                if constexpr (b == 4)
                    pixel |= uint32_t(packetData_[3]) << 24;
                for (uint32_t i = 0; i < n; ++i)
                    std::memcpy(to + size_t(i) * b, &pixel, 4);
            } else {
                const size_t bytes = size_t(n) * b;
                if (bytes <= 32 && uint64_t(packetData_ - fileStart) + 32 <= fileSize) {
                    uint8_t chunk[32];
                    std::memcpy(chunk, packetData_, 32);
                    std::memcpy(to, chunk, 32);
                } else {
                    std::memcpy(to, packetData_, bytes);
                }
                packetData_ += bytes;
            }
            column += n;
            packetLeft_ -= n;
        }
        return D3D_OK;
    }

    // One stored row of pixels from the packets, continuing the packet the last row left open.
    template <UINT b> HRESULT unpackRow(uint8_t* row, bool rightToLeft) {
        uint32_t column = 0;
        while (column < h_.width) {
            if (packetLeft_ == 0) {
                uint32_t packet = 0;
                if (!file_.u8(at_, &packet))
                    return E_FAIL;
                ++at_;
                packetLeft_ = (packet & PacketCountMask) + 1;
                repeat_ = (packet & RepeatPacket) != 0;
                const uint64_t bytes = repeat_ ? b : packetLeft_ * b;
                if (!file_.contains(at_, bytes))
                    return E_FAIL;
                packetData_ = file_.at(at_);
                at_ += bytes;
            }
            const uint32_t n = std::min(packetLeft_, h_.width - column);
            if (!rightToLeft && !repeat_) {
                std::memcpy(row + size_t(column) * b, packetData_, size_t(n) * b);
                packetData_ += size_t(n) * b;
                column += n;
            } else {
                for (uint32_t i = 0; i < n; ++i, ++column) {
                    const uint32_t x = rightToLeft ? h_.width - 1 - column : column;
                    std::memcpy(row + size_t(x) * b, packetData_, b);
                    if (!repeat_)
                        packetData_ += b;
                }
            }
            packetLeft_ -= n;
        }
        return D3D_OK;
    }

    ByteReader file_;
    uint64_t at_;
    bool runLength_;
    TgaHeader h_;
    UINT pixelBytes_;
    uint32_t packetLeft_ = 0;
    bool repeat_ = false;
    const uint8_t* packetData_ = nullptr;
};

} // namespace

HRESULT ImageDecoder::decodeTga(const uint8_t* data, UINT size) {
    const ByteReader file(data, size);
    TgaHeader h;
    if (!readHeader(file, &h) || h.colorMapType >= 2 || (h.imageType & ReservedTypeBits) != 0 ||
        h.width == 0 || h.height == 0)
        return E_FAIL;
    if (h.colorMapType == 1 && colorDepthFormat(h.mapEntryBits) == D3DFMT_UNKNOWN)
        return E_FAIL;
    const PixelFormat pixelFormat = imageFormat(h);
    if (pixelFormat == D3DFMT_UNKNOWN || !admitsPixels(h.width, h.height, 1))
        return E_FAIL;

    const uint64_t mapOffset = uint64_t(HeaderSize) + h.idLength;
    const uint64_t mapBytes =
        h.colorMapType == 1 ? uint64_t(h.mapLength) * ((h.mapEntryBits + 7) / 8) : 0;
    if (!file.contains(HeaderSize, h.idLength) || !file.contains(mapOffset, mapBytes))
        return E_FAIL;
    if (pixelFormat == D3DFMT_P8) {
        if (h.firstIndex + h.mapLength > 256)
            return E_FAIL;
        const HRESULT hr = buildPalette(*this, file.at(mapOffset), h);
        if (FAILED(hr))
            return hr;
    }

    const UINT pixelBytes = (h.pixelBits + 7) / 8;
    const uint64_t imageBytes = uint64_t(h.width) * h.height * pixelBytes;
    if (imageBytes > UINT32_MAX)
        return E_FAIL;
    format = pixelFormat;
    width = h.width;
    height = h.height;
    depth = 1;
    rowPitch = h.width * pixelBytes;
    slicePitch = 0;

    const uint64_t pixelOffset = mapOffset + mapBytes;
    const bool runLength = (h.imageType & RunLengthFlag) != 0;
    const bool stillStored =
        !runLength && (h.descriptor & TopToBottom) != 0 && (h.descriptor & RightToLeft) == 0;
    if (stillStored) {
        if (!file.contains(pixelOffset, imageBytes))
            return E_FAIL;
        bits = file.at(pixelOffset);
        ownsBits = false;
        return D3D_OK;
    }
    if (!runLength && !file.contains(pixelOffset, imageBytes))
        return E_FAIL;
    if (deferRows) {
        rowSource.reset(new (std::nothrow) TargaRows(file, pixelOffset, runLength, h, pixelBytes));
        if (rowSource)
            return D3D_OK;
    }
    uint8_t* pixels = allocateBits(imageBytes);
    if (pixels == nullptr)
        return E_OUTOFMEMORY;
    return decodeRowsOf(pixelBytes, file, pixelOffset, runLength, h, pixels);
}
