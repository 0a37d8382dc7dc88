// PixelCodec: reads and writes rows of one pixel format as FloatColor values, with the colour
// key, the rounding or dither offsets and the value-range conversion that every codec shares.
#pragma once

#include "blit/blit_surface.h"
#include "blit/dither_table.h"
#include "blit/float_color.h"

#include <cstdint>
#include <memory>

class PixelCodec {
public:
    virtual ~PixelCodec() = default;
    PixelCodec(const PixelCodec&) = delete;
    PixelCodec& operator=(const PixelCodec&) = delete;

    // Decodes `width` pixels of a row of the rectangle (row and slice relative to it), then
    // replaces pixels equal to the colour key by transparent black.
    virtual void decodeRow(uint32_t row, uint32_t slice, FloatColor* out) = 0;
    // Encodes `width` pixels into a row of the rectangle, converting from the source range
    // first when one was set.
    virtual void encodeRow(uint32_t row, uint32_t slice, const FloatColor* in) = 0;
    // Quantizes keyColor to what the format can hold; called once by the factory.
    virtual void prepareColorKey();

    // Destination side: the values handed to encodeRow will be in `source` range. False when
    // the scratch row cannot be allocated.
    bool setSourceRange(ValueRange source);

    PixelFormat format;
    ValueRange range;
    uint32_t bytesPerPixel; // 0 for codecs that do not store whole pixels (YUV, blocks)
    uint8_t* bits;          // first pixel of rect when bytesPerPixel is non-zero
    uint32_t rowPitch;
    uint32_t slicePitch;
    BlitBox extent;
    BlitBox rect; // starts at 0 when bytesPerPixel is non-zero
    uint32_t width;
    uint32_t height;
    uint32_t depth;
    uint32_t rowBytes;
    bool keyEnabled;
    FloatColor keyColor;
    uint32_t keyWord;          // the colour key as given (ARGB)
    const FloatColor* palette; // 256 entries for the palettised formats, else null
    const DitherTable* ditherTable;
    ValueRange sourceRange; // 0 unless values must be converted before encoding
    std::unique_ptr<FloatColor[]> scratchRow;
    // Set when decodeRow or encodeRow could not allocate a row buffer it needed: what it
    // returned or stored is incomplete, and the blit fails with E_OUTOFMEMORY.
    bool outOfMemory = false;

protected:
    PixelCodec(const BlitSurface& surface, ValueRange range, uint32_t bytesPerPixel);

    // The row to encode from: the input itself, or its range-converted copy.
    const FloatColor* encodeInput(const FloatColor* in);
    void applyColorKey(FloatColor* row, uint32_t count) const;
};

// A codec for a format stored as whole pixels of bytesPerPixel bytes: the families only
// translate pixels, rows and the key are handled here.
class WholePixelCodec : public PixelCodec {
public:
    void decodeRow(uint32_t row, uint32_t slice, FloatColor* out) override;
    void encodeRow(uint32_t row, uint32_t slice, const FloatColor* in) override;
    // Encodes the key into a private pixel and decodes it back.
    void prepareColorKey() override;

    // Translate `count` stored pixels; offsets holds the four dither offsets of the row.
    virtual void decodePixels(const uint8_t* src, FloatColor* out, uint32_t count) const = 0;
    virtual void encodePixels(uint8_t* dst, const FloatColor* in, uint32_t count,
                              const float* offsets) const = 0;

    // Address of the first pixel of a row of rect.
    uint8_t* rowAddress(uint32_t row, uint32_t slice) const {
        return bits + size_t(row) * rowPitch + size_t(slice) * slicePitch;
    }

protected:
    WholePixelCodec(const BlitSurface& surface, ValueRange range, uint32_t bytesPerPixel)
        : PixelCodec(surface, range, bytesPerPixel) {}
};

// The codec for the surface's format, or null for a format without one (or without memory).
// A codec for a surface with a non-zero colour key has its key prepared.
std::unique_ptr<PixelCodec> createPixelCodec(const BlitSurface& surface);

// Whether the format has a codec: when it has, a null from createPixelCodec means no memory.
bool hasPixelCodec(PixelFormat format);

// Truncating quantizers of the encoders. The value is formed exactly in double precision and
// truncated toward zero: the same integer that a single-precision evaluation under the
// truncating rounding mode yields, since rounding toward zero to single precision never
// crosses an integer. Results are clamped to the field, so out-of-range input cannot spill
// into a neighbouring field.
inline uint32_t quantizeUnsigned(float value, uint32_t maxValue, float offset) {
    const double x = double(value) * maxValue + offset;
    if (!(x >= 0.0))
        return 0;
    if (x >= double(maxValue))
        return maxValue;
    return uint32_t(x);
}

// A signed field of scale 2^(n-1), returned in two's complement in the low bits.
inline int32_t quantizeSigned(float value, int32_t scale, float offset) {
    const double x = double(value) * scale + offset;
    if (!(x > -double(scale) - 1.0))
        return -scale;
    if (x >= double(scale) - 1.0)
        return scale - 1;
    return int32_t(x);
}

// 1 / (2^n - 1) in single precision: 0.003921569 for 8 bits, 0.032258064 for 5 and so on.
constexpr float unsignedFieldScale(uint32_t bitCount) {
    return bitCount == 1 ? 1.0f : float(1.0 / double((uint64_t(1) << bitCount) - 1));
}
static_assert(unsignedFieldScale(8) == 0.003921569f && unsignedFieldScale(6) == 0.015873017f);
