// The plain row conversions of the PNG fast path, one per kind of stored row, and the plan
// that picks one for a file.
#include "texture/png_pixels.h"

#include "cpu/processor_features.h"

#include <cstring>

namespace {

void copyRow(const uint8_t* stored, uint8_t* out, uint32_t width, const PngLayout& layout) {
    std::memcpy(out, stored, size_t(width) * pngChannels(layout.colorType));
}

// Sample x of a row packed at `Depth` bits, most significant first.
template <uint32_t Depth>
inline uint32_t packedSample(const uint8_t* stored, uint32_t x) {
    constexpr uint32_t perByte = 8 / Depth;
    const uint32_t shift = 8 - Depth * (x % perByte + 1);
    return (stored[x / perByte] >> shift) & ((1u << Depth) - 1);
}

template <uint32_t Depth>
void unpackIndices(const uint8_t* stored, uint8_t* out, uint32_t width, const PngLayout&) {
    for (uint32_t x = 0; x < width; ++x)
        out[x] = uint8_t(packedSample<Depth>(stored, x));
}

// Small grey samples spread over 0 to 255.
template <uint32_t Depth>
void expandGrey(const uint8_t* stored, uint8_t* out, uint32_t width, const PngLayout&) {
    constexpr uint32_t scale = 255 / ((1u << Depth) - 1);
    for (uint32_t x = 0; x < width; ++x)
        out[x] = uint8_t(packedSample<Depth>(stored, x) * scale);
}

// The tRNS grey becomes alpha 0, every other sample alpha 255; compared as stored.
template <uint32_t Depth>
void expandGreyKeyed(const uint8_t* stored, uint8_t* out, uint32_t width,
                     const PngLayout& layout) {
    constexpr uint32_t scale = Depth == 8 ? 1 : 255 / ((1u << Depth) - 1);
    for (uint32_t x = 0; x < width; ++x) {
        const uint32_t sample = Depth == 8 ? stored[x] : packedSample<Depth>(stored, x);
        out[2 * x] = uint8_t(sample * scale);
        out[2 * x + 1] = sample == layout.key[0] ? 0 : 0xFF;
    }
}

// 16-bit samples from big-endian to little-endian, in place of order.
void swapSamples(const uint8_t* stored, uint8_t* out, uint32_t width, const PngLayout& layout) {
    const size_t samples = size_t(width) * pngChannels(layout.colorType);
    for (size_t i = 0; i < samples; ++i) {
        out[2 * i] = stored[2 * i + 1];
        out[2 * i + 1] = stored[2 * i];
    }
}

void greyWideKeyed(const uint8_t* stored, uint8_t* out, uint32_t width, const PngLayout& layout) {
    for (uint32_t x = 0; x < width; ++x, stored += 2, out += 4) {
        const bool keyed = (stored[0] << 8 | stored[1]) == layout.key[0];
        out[0] = stored[1];
        out[1] = stored[0];
        out[2] = out[3] = keyed ? 0 : 0xFF;
    }
}

void rgbKeyed(const uint8_t* stored, uint8_t* out, uint32_t width, const PngLayout& layout) {
    for (uint32_t x = 0; x < width; ++x, stored += 3, out += 4) {
        const bool keyed =
            stored[0] == layout.key[0] && stored[1] == layout.key[1] && stored[2] == layout.key[2];
        out[0] = stored[2];
        out[1] = stored[1];
        out[2] = stored[0];
        out[3] = keyed ? 0 : 0xFF;
    }
}

// 16-bit red, green, blue (and alpha) as little-endian blue, green, red (alpha).
template <bool Alpha>
void rgbWide(const uint8_t* stored, uint8_t* out, uint32_t width, const PngLayout&) {
    constexpr uint32_t bytes = Alpha ? 8 : 6;
    for (uint32_t x = 0; x < width; ++x, stored += bytes, out += bytes) {
        for (int c = 0; c < 3; ++c) {
            out[2 * c] = stored[2 * (2 - c) + 1];
            out[2 * c + 1] = stored[2 * (2 - c)];
        }
        if (Alpha) {
            out[6] = stored[7];
            out[7] = stored[6];
        }
    }
}

void rgbWideKeyed(const uint8_t* stored, uint8_t* out, uint32_t width, const PngLayout& layout) {
    for (uint32_t x = 0; x < width; ++x, stored += 6, out += 8) {
        bool keyed = true;
        for (int c = 0; c < 3; ++c) {
            keyed &= (stored[2 * c] << 8 | stored[2 * c + 1]) == layout.key[c];
            out[2 * c] = stored[2 * (2 - c) + 1];
            out[2 * c + 1] = stored[2 * (2 - c)];
        }
        out[6] = out[7] = keyed ? 0 : 0xFF;
    }
}

PngRowConversion greyConversion(const PngLayout& layout) {
    const bool key = layout.hasKey;
    switch (layout.bitDepth) {
    case 1:
        return key ? expandGreyKeyed<1> : expandGrey<1>;
    case 2:
        return key ? expandGreyKeyed<2> : expandGrey<2>;
    case 4:
        return key ? expandGreyKeyed<4> : expandGrey<4>;
    case 8:
        return key ? expandGreyKeyed<8> : copyRow;
    }
    return key ? greyWideKeyed : swapSamples;
}

PngRowConversion indexConversion(const PngLayout& layout) {
    switch (layout.bitDepth) {
    case 1:
        return unpackIndices<1>;
    case 2:
        return unpackIndices<2>;
    case 4:
        return unpackIndices<4>;
    }
    return copyRow;
}

} // namespace

void rgbToBgrxRow(const uint8_t* stored, uint8_t* out, uint32_t width, const PngLayout&) {
    for (uint32_t x = 0; x < width; ++x, stored += 3, out += 4) {
        out[0] = stored[2];
        out[1] = stored[1];
        out[2] = stored[0];
        out[3] = 0xFF;
    }
}

void rgbaToBgraRow(const uint8_t* stored, uint8_t* out, uint32_t width, const PngLayout&) {
    for (uint32_t x = 0; x < width; ++x, stored += 4, out += 4) {
        out[0] = stored[2];
        out[1] = stored[1];
        out[2] = stored[0];
        out[3] = stored[3];
    }
}

// The formats follow libpng's path: tRNS adds alpha, 16-bit samples keep their width.
PngPixelPlan plainPngPixelPlan(const PngLayout& layout) {
    const bool wide = layout.bitDepth == 16;
    const bool key = layout.hasKey;
    switch (layout.colorType) {
    case 0:
        return {wide ? (key ? PixelFormatAL16 : PixelFormatL16) : (key ? D3DFMT_A8L8 : D3DFMT_L8),
                (wide ? 2u : 1u) * (key ? 2u : 1u), greyConversion(layout)};
    case 2:
        if (wide)
            return {key ? PixelFormatAR16 : PixelFormatR16, key ? 8u : 6u,
                    key ? rgbWideKeyed : rgbWide<false>};
        return {key ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8, 4, key ? rgbKeyed : rgbToBgrxRow};
    case 3:
        return {D3DFMT_P8, 1, indexConversion(layout)};
    case 4:
        return {wide ? PixelFormatAL16 : D3DFMT_A8L8, wide ? 4u : 2u,
                wide ? swapSamples : copyRow};
    }
    return {wide ? PixelFormatAR16 : D3DFMT_A8R8G8B8, wide ? 8u : 4u,
            wide ? rgbWide<true> : rgbaToBgraRow};
}

PngPixelPlan pngPixelPlan(const PngLayout& layout) {
    // Chosen once, as the processor answer does not change.
    static const bool vectors = isMmxUsable() && pngPixelsSsse3Supported();
    PngPixelPlan plan = plainPngPixelPlan(layout);
    if (vectors && plan.convert == rgbToBgrxRow)
        plan.convert = rgbToBgrxRowSsse3;
    if (vectors && plan.convert == rgbaToBgraRow)
        plan.convert = rgbaToBgraRowSsse3;
    return plan;
}
