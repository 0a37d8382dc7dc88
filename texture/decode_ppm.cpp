// Portable pixmaps: "P3" with samples as decimal text and "P6" with samples as bytes, both
// decoded to X8R8G8B8 with every sample scaled from the file's maximum value to 255.
#include "texture/image_decoder.h"

#include "blit/level_row_sink.h"
#include "texture/rgb_repack.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr UINT MaxByteSample = 255;

// Reads the decimal fields of the header and of "P3" samples: white space and comments from
// '#' to the end of the line come between fields; a field ends at white space or the end of
// the data.
class FieldReader {
public:
    FieldReader(const uint8_t* data, UINT size, UINT at) : data_(data), size_(size), at_(at) {}

    UINT position() const { return at_; }

    // E_FAIL for a missing field, a character other than a digit in it, or a value beyond
    // 32 bits.
    HRESULT next(uint32_t* value) {
        skipSpaceAndComments();
        uint64_t number = 0;
        const UINT start = at_;
        for (; at_ < size_ && std::isdigit(data_[at_]); ++at_) {
            number = number * 10 + (data_[at_] - '0');
            if (number > UINT32_MAX)
                return E_FAIL;
        }
        if (at_ == start || (at_ < size_ && !std::isspace(data_[at_])))
            return E_FAIL;
        *value = uint32_t(number);
        return D3D_OK;
    }

private:
    void skipSpaceAndComments() {
        while (at_ < size_) {
            if (std::isspace(data_[at_])) {
                ++at_;
            } else if (data_[at_] == '#') {
                while (at_ < size_ && data_[at_] != '\n' && data_[at_] != '\r')
                    ++at_;
            } else {
                return;
            }
        }
    }

    const uint8_t* data_;
    UINT size_;
    UINT at_;
};

struct PixmapHeader {
    bool text = false; // "P3"
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t maxValue = 0;
};

// Samples above the maximum are clamped to it.
uint8_t scaled(uint32_t sample, uint32_t maxValue) {
    return uint8_t(uint64_t(std::min(sample, maxValue)) * 255 / maxValue);
}

void storePixel(uint8_t* out, const uint32_t rgb[3], uint32_t maxValue) {
    out[0] = scaled(rgb[2], maxValue);
    out[1] = scaled(rgb[1], maxValue);
    out[2] = scaled(rgb[0], maxValue);
    out[3] = 0xFF;
}

HRESULT readTextSamples(FieldReader& fields, const PixmapHeader& header, uint8_t* pixels) {
    const uint64_t count = uint64_t(header.width) * header.height;
    for (uint64_t i = 0; i < count; ++i) {
        uint32_t rgb[3];
        for (uint32_t& sample : rgb)
            if (FAILED(fields.next(&sample)))
                return E_FAIL;
        storePixel(pixels + 4 * i, rgb, header.maxValue);
    }
    return D3D_OK;
}

void readByteSamples(const uint8_t* samples, const PixmapHeader& header, uint8_t* pixels) {
    const uint64_t count = uint64_t(header.width) * header.height;
    uint8_t table[256];
    for (uint32_t s = 0; s < 256; ++s)
        table[s] = scaled(s, header.maxValue);
    for (uint64_t i = 0; i < count; ++i, samples += 3, pixels += 4) {
        pixels[0] = table[samples[2]];
        pixels[1] = table[samples[1]];
        pixels[2] = table[samples[0]];
        pixels[3] = 0xFF;
    }
}

// Binary samples handed out a row at a time as the X8R8G8B8 pixels readByteSamples makes:
// at the full range of 255 by the vector repack, else through the scaling table.
class ByteSampleRows final : public ImageRowSource {
public:
    ByteSampleRows(const uint8_t* samples, const PixmapHeader& header)
        : samples_(samples), header_(header) {}

    HRESULT sendRows(LevelRowSink& sink) override {
        const uint32_t width = header_.width;
        std::unique_ptr<uint8_t[]> row(new (std::nothrow) uint8_t[size_t(width) * 4]);
        if (!row)
            return E_OUTOFMEMORY;
        uint8_t table[256];
        for (uint32_t s = 0; s < 256; ++s)
            table[s] = scaled(s, header_.maxValue);
        const RgbRepackRoutine repack = rgbRepackRoutine();
        const uint8_t* in = samples_;
        for (uint32_t y = 0; y < header_.height; ++y, in += size_t(width) * 3) {
            uint8_t* out = row.get();
            if (header_.maxValue == MaxByteSample) {
                repack(in, out, width);
                for (uint32_t x = 0; x < width; ++x) {
                    uint32_t pixel;
                    std::memcpy(&pixel, out + 4 * size_t(x), 4);
                    pixel |= 0xFF000000u;
                    std::memcpy(out + 4 * size_t(x), &pixel, 4);
                }
            } else {
                for (uint32_t x = 0; x < width; ++x, out += 4) {
                    const uint8_t* sample = in + 3 * size_t(x);
                    out[0] = table[sample[2]];
                    out[1] = table[sample[1]];
                    out[2] = table[sample[0]];
                    out[3] = 0xFF;
                }
            }
            sink.putRow(row.get());
        }
        return D3D_OK;
    }

private:
    const uint8_t* samples_;
    PixmapHeader header_;
};

// After the maximum's digits, a carriage return (when more follows it) and then exactly one
// byte separate the header from binary samples.
UINT byteSamplesStart(const uint8_t* data, UINT size, UINT afterMaximum) {
    UINT at = afterMaximum;
    if (at < size && data[at] == '\r' && size - at > 1)
        ++at;
    return at + 1;
}

} // namespace

HRESULT ImageDecoder::decodePpm(const uint8_t* data, UINT size) {
    if (size < 2 || data[0] != 'P' || (data[1] != '3' && data[1] != '6'))
        return E_FAIL;
    PixmapHeader header;
    header.text = data[1] == '3';
    FieldReader fields(data, size, 2);
    if (FAILED(fields.next(&header.width)) || FAILED(fields.next(&header.height)) ||
        FAILED(fields.next(&header.maxValue)))
        return E_FAIL;
    if (header.width == 0 || header.height == 0 || header.maxValue == 0 ||
        !admitsPixels(header.width, header.height, 1))
        return E_FAIL;
    if (!header.text && header.maxValue > MaxByteSample)
        return E_FAIL;

    // Refused before memory is taken: images whose buffer would not fit 32 bits, and data too
    // short for every sample (as text, a separator and a digit each).
    const uint64_t pixelCount = uint64_t(header.width) * header.height;
    if (pixelCount > UINT32_MAX / 4)
        return E_FAIL;
    const uint64_t bytes = 4 * pixelCount;
    const UINT start =
        header.text ? fields.position() : byteSamplesStart(data, size, fields.position());
    const uint64_t needed = header.text ? 6 * pixelCount : 3 * pixelCount;
    if (start > size || size - start < needed)
        return E_FAIL;

    format = D3DFMT_X8R8G8B8;
    width = header.width;
    height = header.height;
    depth = 1;
    rowPitch = 4 * header.width;
    slicePitch = 0;
    if (deferRows && !header.text) {
        rowSource.reset(new (std::nothrow) ByteSampleRows(data + start, header));
        if (rowSource)
            return D3D_OK;
    }
    uint8_t* pixels = allocateBits(bytes);
    if (pixels == nullptr)
        return E_OUTOFMEMORY;
    if (header.text)
        return readTextSamples(fields, header, pixels);
    readByteSamples(data + start, header, pixels);
    return D3D_OK;
}
