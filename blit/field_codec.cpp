// Formats whose pixels are fixed bit fields of a little-endian word: packed colour, signed
// bump-map, luminance and 16-bit-per-channel formats, each format a row of shifts and widths.
#include "blit/codec_families.h"

#include "blit/field_layout.h"

#include <cstring>
#include <new>

namespace {

constexpr Field none = {0, 0, false};
constexpr Field u(uint8_t shift, uint8_t width) {
    return {shift, width, false};
}
constexpr Field s(uint8_t shift, uint8_t width) {
    return {shift, width, true};
}

constexpr FloatColor opaque = {0, 0, 0, 1};
constexpr FloatColor blackFill = {0, 0, 0, 0};
constexpr FloatColor blueOpaque = {0, 0, 1, 1};

// Bump-map rows keep U, V, W, Q in the red, green, blue and alpha slots.
constexpr FieldLayout packedFieldTable[] = {
    {D3DFMT_R8G8B8, 3, UnitRange, false, u(16, 8), u(8, 8), u(0, 8), none, opaque},
    {D3DFMT_A8R8G8B8, 4, UnitRange, false, u(16, 8), u(8, 8), u(0, 8), u(24, 8), opaque},
    {D3DFMT_X8R8G8B8, 4, UnitRange, false, u(16, 8), u(8, 8), u(0, 8), none, opaque},
    {D3DFMT_R5G6B5, 2, UnitRange, false, u(11, 5), u(5, 6), u(0, 5), none, opaque},
    {D3DFMT_X1R5G5B5, 2, UnitRange, false, u(10, 5), u(5, 5), u(0, 5), none, opaque},
    {D3DFMT_A1R5G5B5, 2, UnitRange, false, u(10, 5), u(5, 5), u(0, 5), u(15, 1), opaque},
    {D3DFMT_A4R4G4B4, 2, UnitRange, false, u(8, 4), u(4, 4), u(0, 4), u(12, 4), opaque},
    {D3DFMT_X4R4G4B4, 2, UnitRange, false, u(8, 4), u(4, 4), u(0, 4), none, opaque},
    {D3DFMT_R3G3B2, 1, UnitRange, false, u(5, 3), u(2, 3), u(0, 2), none, opaque},
    {D3DFMT_A8R3G3B2, 2, UnitRange, false, u(5, 3), u(2, 3), u(0, 2), u(8, 8), opaque},
    {D3DFMT_A8, 1, UnitRange, false, none, none, none, u(0, 8), blackFill},
    {D3DFMT_A2B10G10R10, 4, UnitRange, false, u(0, 10), u(10, 10), u(20, 10), u(30, 2), opaque},
    {D3DFMT_G16R16, 4, UnitRange, false, u(0, 16), u(16, 16), none, none, blueOpaque},
};

constexpr FieldLayout signedFieldTable[] = {
    {D3DFMT_V8U8, 2, SignedColor, false, s(0, 8), s(8, 8), none, none, opaque},
    {D3DFMT_L6V5U5, 2, SignedColor, false, s(0, 5), s(5, 5), none, u(10, 6), opaque},
    {D3DFMT_X8L8V8U8, 4, SignedColor, false, s(0, 8), s(8, 8), none, u(16, 8), opaque},
    {D3DFMT_Q8W8V8U8, 4, SignedAll, false, s(0, 8), s(8, 8), s(16, 8), s(24, 8), opaque},
    {D3DFMT_V16U16, 4, SignedColor, false, s(0, 16), s(16, 16), none, none, opaque},
    {D3DFMT_W11V11U10, 4, SignedColor, false, s(0, 10), s(10, 11), s(21, 11), none, opaque},
    {D3DFMT_A2W10V10U10, 4, SignedColor, false, s(0, 10), s(10, 10), s(20, 10), u(30, 2), opaque},
};

constexpr FieldLayout luminanceFieldTable[] = {
    {D3DFMT_L8, 1, UnitRange, true, u(0, 8), none, none, none, opaque},
    {D3DFMT_A8L8, 2, UnitRange, true, u(0, 8), none, none, u(8, 8), opaque},
    {D3DFMT_A4L4, 1, UnitRange, true, u(0, 4), none, none, u(4, 4), opaque},
    {D3DFMT_D16_LOCKABLE, 2, UnitRange, true, u(0, 16), none, none, none, opaque},
    {PixelFormatL16, 2, UnitRange, true, u(0, 16), none, none, none, opaque},
    {PixelFormatAL16, 4, UnitRange, true, u(0, 16), none, none, u(16, 16), opaque},
};

constexpr FieldLayout wideFieldTable[] = {
    {PixelFormatR16, 6, UnitRange, false, u(32, 16), u(16, 16), u(0, 16), none, opaque},
    {PixelFormatAR16, 8, UnitRange, false, u(32, 16), u(16, 16), u(0, 16), u(48, 16), opaque},
};

// Single-precision luminance weights of the encoders.
constexpr float lumaRed = 0.2125f;
constexpr float lumaGreen = 0.7154f;
constexpr float lumaBlue = 0.0721f;

// A field prepared for the inner loops.
struct Channel {
    bool present;
    bool isSigned;
    uint32_t shift;
    uint64_t mask;
    float decodeScale;    // 1/(2^n - 1), or 1/2^(n-1) for a signed field
    uint32_t encodeScale; // 2^n - 1, or 2^(n-1) for a signed field
    float fill;
};

Channel prepareChannel(const Field& field, float fill) {
    Channel c = {};
    c.present = field.width != 0;
    c.fill = fill;
    if (!c.present)
        return c;
    c.isSigned = field.isSigned;
    c.shift = field.shift;
    c.mask = (uint64_t(1) << field.width) - 1;
    if (field.isSigned) {
        c.encodeScale = 1u << (field.width - 1);
        c.decodeScale = 1.0f / float(c.encodeScale);
    } else {
        c.encodeScale = uint32_t(c.mask);
        c.decodeScale = unsignedFieldScale(field.width);
    }
    return c;
}

float decodeChannel(const Channel& c, uint64_t word) {
    if (!c.present)
        return c.fill;
    const uint64_t raw = (word >> c.shift) & c.mask;
    if (!c.isSigned)
        return float(raw) * c.decodeScale;
    const int64_t extended =
        raw >= c.encodeScale ? int64_t(raw) - int64_t(c.mask) - 1 : int64_t(raw);
    return float(extended) * c.decodeScale;
}

uint64_t encodeChannel(const Channel& c, float value, float offset) {
    if (!c.present)
        return 0;
    const uint64_t q =
        c.isSigned ? uint64_t(uint32_t(quantizeSigned(value, int32_t(c.encodeScale), offset)))
                   : quantizeUnsigned(value, c.encodeScale, offset);
    return (q & c.mask) << c.shift;
}

uint64_t loadWord(const uint8_t* p, uint32_t bytes) {
    uint64_t word = 0;
    std::memcpy(&word, p, bytes); // little-endian host: the first byte is the lowest
    return word;
}

void storeWord(uint8_t* p, uint64_t word, uint32_t bytes) {
    std::memcpy(p, &word, bytes);
}

class FieldCodec final : public WholePixelCodec {
public:
    FieldCodec(const BlitSurface& surface, const FieldLayout& layout)
        : WholePixelCodec(surface, layout.range, layout.bytes), luminance_(layout.luminance),
          red_(prepareChannel(layout.red, layout.fill.r)),
          green_(prepareChannel(layout.green, layout.fill.g)),
          blue_(prepareChannel(layout.blue, layout.fill.b)),
          alpha_(prepareChannel(layout.alpha, layout.fill.a)),
          byteChannels_(layout.format == D3DFMT_A8R8G8B8 || layout.format == D3DFMT_X8R8G8B8 ? 4
                        : layout.format == D3DFMT_R8G8B8                                     ? 3
                                                                                             : 0) {}

    void decodePixels(const uint8_t* src, FloatColor* out, uint32_t count) const override {
        if (byteChannels_ == 4) {
            decodeBytes<4>(src, out, count);
            return;
        }
        if (byteChannels_ == 3) {
            decodeBytes<3>(src, out, count);
            return;
        }
        for (uint32_t x = 0; x < count; ++x, src += bytesPerPixel) {
            const uint64_t word = loadWord(src, bytesPerPixel);
            const float r = decodeChannel(red_, word);
            out[x] = {r, luminance_ ? r : decodeChannel(green_, word),
                      luminance_ ? r : decodeChannel(blue_, word), decodeChannel(alpha_, word)};
        }
    }

    void encodePixels(uint8_t* dst, const FloatColor* in, uint32_t count,
                      const float* offsets) const override {
        for (uint32_t x = 0; x < count; ++x, dst += bytesPerPixel) {
            const FloatColor& c = in[x];
            const float d = offsets[x & 3];
            uint64_t word = encodeChannel(alpha_, c.a, d);
            if (luminance_) {
                word |= encodeChannel(red_, luminanceOf(c), d);
            } else {
                word |= encodeChannel(red_, c.r, d) | encodeChannel(green_, c.g, d) |
                        encodeChannel(blue_, c.b, d);
            }
            storeWord(dst, word, bytesPerPixel);
        }
    }

private:
    // The most common sources, one byte a channel (blue, green, red, then alpha or nothing):
    // the same values as the general loop, without its per-field shifts and branches.
    template <uint32_t Bytes>
    void decodeBytes(const uint8_t* src, FloatColor* out, uint32_t count) const {
        const float scale = unsignedFieldScale(8);
        const bool alpha = Bytes == 4 && alpha_.present;
        const float fill = alpha_.fill;
        for (uint32_t x = 0; x < count; ++x, src += Bytes) {
            out[x] = {float(src[2]) * scale, float(src[1]) * scale, float(src[0]) * scale,
                      alpha ? float(src[Bytes - 1]) * scale : fill};
        }
    }

    static float luminanceOf(const FloatColor& c) {
        return float(double(lumaRed) * c.r + double(lumaGreen) * c.g + double(lumaBlue) * c.b);
    }

    bool luminance_;
    Channel red_, green_, blue_, alpha_;
    uint32_t byteChannels_; // 4 or 3 for the byte-per-channel formats, else 0
};

template <size_t N> const FieldLayout* findLayout(const FieldLayout (&table)[N], PixelFormat f) {
    for (const FieldLayout& row : table) {
        if (row.format == f)
            return &row;
    }
    return nullptr;
}

} // namespace

const FieldLayout* findPackedFieldLayout(PixelFormat format) {
    return findLayout(packedFieldTable, format);
}

const FieldLayout* findFieldLayout(PixelFormat format) {
    const FieldLayout* layout = findLayout(packedFieldTable, format);
    if (layout == nullptr)
        layout = findLayout(signedFieldTable, format);
    if (layout == nullptr)
        layout = findLayout(luminanceFieldTable, format);
    if (layout == nullptr)
        layout = findLayout(wideFieldTable, format);
    return layout;
}

std::unique_ptr<PixelCodec> createFieldCodec(const BlitSurface& surface) {
    const FieldLayout* layout = findFieldLayout(surface.format);
    if (layout == nullptr)
        return nullptr;
    return std::unique_ptr<PixelCodec>(new (std::nothrow) FieldCodec(surface, *layout));
}
