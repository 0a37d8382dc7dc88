// Direct converters: bit operations between the 24- and 32-bit RGB formats, and lookup tables
// built from the codecs' own quantizers for the other packed formats with fields of up to 8 bits.
#include "blit/direct_convert.h"

#include "blit/convert_565_sse2.h"
#include "blit/convert_rgb24.h"
#include "blit/field_layout.h"

#include <cstring>
#include <new>

namespace {

// The source key as stored bits: a pixel is keyed exactly when its significant bits equal it,
// because decoding is one-to-one on every field and fills are constants.
struct StoredKey {
    uint32_t mask = 0;
    uint32_t value = 1; // never matched while the key is off
};

uint32_t significantBits(const FieldLayout& layout) {
    uint64_t mask = 0;
    for (int i = 0; i < 4; ++i)
        mask |= layout.channel(i).mask();
    return uint32_t(mask);
}

StoredKey storedKeyOf(const WholePixelCodec& source, const FieldLayout& layout) {
    StoredKey key;
    if (!source.keyEnabled)
        return key;
    uint8_t pixel[8] = {};
    source.encodePixels(pixel, &source.keyColor, 1, plainDitherTable.row(0, 0));
    uint32_t word = 0;
    std::memcpy(&word, pixel, layout.bytes);
    key.mask = significantBits(layout);
    key.value = word & key.mask;
    return key;
}

template <int Bytes> uint32_t load(const uint8_t* p) {
    uint32_t word = 0;
    std::memcpy(&word, p, Bytes);
    return word;
}

template <int Bytes> void store(uint8_t* p, uint32_t word) {
    std::memcpy(p, &word, Bytes);
}

// Whole-word forms that the vectorizer follows.
inline uint16_t load16(const uint8_t* p) {
    uint16_t word;
    std::memcpy(&word, p, 2);
    return word;
}

inline void store16(uint8_t* p, uint16_t word) {
    std::memcpy(p, &word, 2);
}

// A8R8G8B8 and X8R8G8B8 into each other: 8-bit fields survive decode and encode unchanged
// with any offset table, and an absent alpha decodes to 1 and encodes to 255.
class Word32Converter final : public DirectConverter {
public:
    Word32Converter(WholePixelCodec& destination, WholePixelCodec& source, StoredKey key)
        : destination_(destination), source_(source), key_(key),
          orMask_(source.format == D3DFMT_X8R8G8B8 ? 0xFF000000u : 0u),
          andMask_(destination.format == D3DFMT_X8R8G8B8 ? 0x00FFFFFFu : 0xFFFFFFFFu) {}

    void convertRow(uint32_t row, uint32_t slice, uint32_t count) override {
        const uint8_t* src = source_.rowAddress(row, slice);
        uint8_t* dst = destination_.rowAddress(row, slice);
        const uint32_t orMask = orMask_, andMask = andMask_;
        const uint32_t keyMask = key_.mask, keyValue = key_.value;
        const size_t done = word32Routine()(src, dst, count, orMask, andMask, keyMask, keyValue);
        for (size_t x = done; x < count; ++x) {
            const uint32_t p = load<4>(src + 4 * x);
            const uint32_t keep = (p & keyMask) == keyValue ? 0u : 0xFFFFFFFFu;
            store<4>(dst + 4 * x, ((p | orMask) & andMask) & keep);
        }
    }

private:
    WholePixelCodec& destination_;
    WholePixelCodec& source_;
    StoredKey key_;
    uint32_t orMask_;
    uint32_t andMask_;
};

// R8G8B8 into A8R8G8B8 or X8R8G8B8: the same 8-bit fields in a wider word, with the alpha
// that the source lacks decoding to 1.
class Word24Converter final : public DirectConverter {
public:
    Word24Converter(WholePixelCodec& destination, WholePixelCodec& source, StoredKey key)
        : destination_(destination), source_(source), key_(key),
          andMask_(destination.format == D3DFMT_X8R8G8B8 ? 0x00FFFFFFu : 0xFFFFFFFFu) {}

    void convertRow(uint32_t row, uint32_t slice, uint32_t count) override {
        const uint8_t* src = source_.rowAddress(row, slice);
        uint8_t* dst = destination_.rowAddress(row, slice);
        const uint32_t orMask = 0xFF000000u, andMask = andMask_;
        const uint32_t keyMask = key_.mask, keyValue = key_.value;
        const size_t done = rgb24Routine()(src, dst, count, orMask, andMask, keyMask, keyValue);
        for (size_t x = done; x < count; ++x) {
            // Assembled from bytes: a 3-byte copy into a word stalls the load that follows it.
            const uint8_t* s = src + 3 * x;
            const uint32_t p = uint32_t(s[0]) | uint32_t(s[1]) << 8 | uint32_t(s[2]) << 16;
            const uint32_t keep = (p & keyMask) == keyValue ? 0u : 0xFFFFFFFFu;
            store<4>(dst + 4 * x, ((p | orMask) & andMask) & keep);
        }
    }

private:
    WholePixelCodec& destination_;
    WholePixelCodec& source_;
    StoredKey key_;
    uint32_t andMask_;
};

// R5G6B5 into A8R8G8B8 or X8R8G8B8 with the plain offset: trunc(k / 31 x 255 + 0.5) equals
// (k x 527 + 23) >> 6 for every 5-bit k and trunc(k / 63 x 255 + 0.5) equals
// (k x 259 + 33) >> 6 for every 6-bit k, in integers that vectorize.
class From565Converter final : public DirectConverter {
public:
    From565Converter(WholePixelCodec& destination, WholePixelCodec& source, StoredKey key)
        : destination_(destination), source_(source), key_(key),
          alpha_(destination.format == D3DFMT_A8R8G8B8 ? 0xFF000000u : 0u) {}

    void convertRow(uint32_t row, uint32_t slice, uint32_t count) override {
        const uint8_t* src = source_.rowAddress(row, slice);
        uint8_t* dst = destination_.rowAddress(row, slice);
        const uint32_t alpha = alpha_, keyMask = key_.mask, keyValue = key_.value;
        const size_t done =
            convertFrom565Sse2(src, dst, count, uint8_t(alpha >> 24), keyMask, keyValue);
        for (size_t x = done; x < count; ++x) {
            const uint32_t p = load16(src + 2 * x);
            const uint32_t r = ((p >> 11) * 527u + 23u) >> 6;
            const uint32_t g = (((p >> 5) & 63u) * 259u + 33u) >> 6;
            const uint32_t b = ((p & 31u) * 527u + 23u) >> 6;
            const uint32_t keep = (p & keyMask) == keyValue ? 0u : 0xFFFFFFFFu;
            store<4>(dst + 4 * x, (alpha | r << 16 | g << 8 | b) & keep);
        }
    }

private:
    WholePixelCodec& destination_;
    WholePixelCodec& source_;
    StoredKey key_;
    uint32_t alpha_;
};

// A8R8G8B8 or X8R8G8B8 into R5G6B5 with either offset table. With the offset d = m / 32
// (m odd for the dither table, 16 for the plain one), the exact value k x n / 255 + d is
// never within 1/8160 of an integer, while the codec's single-precision path stays within
// 1e-5 of it; so both truncate to floor((k x n + floor(255 d)) / 255), which this computes
// in 16-bit integers that vectorize.
class To565Converter final : public DirectConverter {
public:
    To565Converter(WholePixelCodec& destination, WholePixelCodec& source, StoredKey key)
        : destination_(destination), source_(source), key_(key) {}

    void convertRow(uint32_t row, uint32_t slice, uint32_t count) override {
        const uint8_t* src = source_.rowAddress(row, slice);
        uint8_t* dst = destination_.rowAddress(row, slice);
        const float* offsets = destination_.ditherTable->row(row, slice);
        uint16_t bias[4];
        for (int i = 0; i < 4; ++i)
            bias[i] = uint16_t(int32_t(offsets[i] * 32.0f) * 255 / 32);
        const uint32_t keyMask = key_.mask, keyValue = key_.value;
        const size_t done = convertTo565Sse2(src, dst, count, bias, keyMask, keyValue);
        for (size_t x = done; x < count; ++x) {
            const uint32_t p = load<4>(src + 4 * x);
            const uint16_t c = bias[x & 3];
            const uint16_t r = uint16_t(uint16_t((p >> 16) & 0xFF) * 31u + c) / 255u;
            const uint16_t g = uint16_t(uint16_t((p >> 8) & 0xFF) * 63u + c) / 255u;
            const uint16_t b = uint16_t(uint16_t(p & 0xFF) * 31u + c) / 255u;
            const uint16_t keep = (p & keyMask) == keyValue ? 0 : 0xFFFF;
            store16(dst + 2 * x, uint16_t((r << 11 | g << 5 | b) & keep));
        }
    }

private:
    WholePixelCodec& destination_;
    WholePixelCodec& source_;
    StoredKey key_;
};

// Per destination channel and offset slot, the encoded (and shifted) value for every stored
// source value; channels the source lacks contribute a constant per slot.
class LutConverter final : public DirectConverter {
public:
    LutConverter(WholePixelCodec& destination, WholePixelCodec& source,
                 const FieldLayout& destinationLayout, const FieldLayout& sourceLayout,
                 StoredKey key)
        : destination_(destination), source_(source), key_(key),
          dithered_(destination.ditherTable == &orderedDitherTable),
          slotCount_(dithered_ ? 16 : 1) {
        build(destinationLayout, sourceLayout);
        rowFunction_ = selectRowFunction(sourceLayout.bytes, destinationLayout.bytes);
    }

    static uint64_t tableEntries(const FieldLayout& destinationLayout,
                                 const FieldLayout& sourceLayout, bool dithered) {
        uint64_t entries = 0;
        for (int i = 0; i < 4; ++i) {
            if (destinationLayout.channel(i).width != 0 && sourceLayout.channel(i).width != 0)
                entries += uint64_t(1) << sourceLayout.channel(i).width;
        }
        return entries * (dithered ? 16 : 1);
    }

    bool valid() const { return rowFunction_ != nullptr && !failed_; }

    void convertRow(uint32_t row, uint32_t slice, uint32_t count) override {
        (this->*rowFunction_)(source_.rowAddress(row, slice), destination_.rowAddress(row, slice),
                              row, slice, count);
    }

private:
    struct ChannelTable {
        uint32_t shift;         // of the source field
        uint32_t mask;          // of the source field, unshifted
        const uint32_t* values; // slotCount_ rows of (mask + 1) entries
    };

    using RowFunction = void (LutConverter::*)(const uint8_t*, uint8_t*, uint32_t, uint32_t,
                                               uint32_t) const;

    // The offset slot of pixel x: the dither pattern's cell, or the single plain offset.
    uint32_t slotOf(uint32_t x, uint32_t row, uint32_t slice) const {
        return dithered_ ? (row & 3) * 4 + ((x + slice) & 3) : 0;
    }

    void build(const FieldLayout& destinationLayout, const FieldLayout& sourceLayout) {
        const uint64_t entries = tableEntries(destinationLayout, sourceLayout, dithered_);
        storage_.reset(new (std::nothrow) uint32_t[entries == 0 ? 1 : entries]);
        if (!storage_) {
            failed_ = true;
            return;
        }
        uint32_t* cursor = storage_.get();
        for (int i = 0; i < 4; ++i) {
            const Field& out = destinationLayout.channel(i);
            const Field& in = sourceLayout.channel(i);
            if (out.width == 0)
                continue;
            const uint32_t outMax = (1u << out.width) - 1;
            if (in.width == 0) {
                const float fill = i == 0   ? sourceLayout.fill.r
                                   : i == 1 ? sourceLayout.fill.g
                                   : i == 2 ? sourceLayout.fill.b
                                            : sourceLayout.fill.a;
                for (uint32_t slot = 0; slot < slotCount_; ++slot)
                    constants_[slot] |= quantizeUnsigned(fill, outMax, offsetOf(slot)) << out.shift;
                continue;
            }
            const uint32_t inValues = 1u << in.width;
            uint32_t* values = cursor;
            cursor += size_t(inValues) * slotCount_;
            const float inScale = unsignedFieldScale(in.width);
            for (uint32_t slot = 0; slot < slotCount_; ++slot) {
                for (uint32_t v = 0; v < inValues; ++v) {
                    // The same float decode and quantizer as the codecs.
                    const float decoded = float(v) * inScale;
                    values[size_t(slot) * inValues + v] =
                        quantizeUnsigned(decoded, outMax, offsetOf(slot)) << out.shift;
                }
            }
            channels_[channelCount_++] = {in.shift, inValues - 1, values};
        }
    }

    float offsetOf(uint32_t slot) const {
        if (!dithered_)
            return plainDitherTable.offset[0][0];
        return orderedDitherTable.offset[slot / 4][slot % 4];
    }

    template <int SrcBytes, int DstBytes>
    void convert(const uint8_t* src, uint8_t* dst, uint32_t row, uint32_t slice,
                 uint32_t count) const {
        for (uint32_t x = 0; x < count; ++x) {
            const uint32_t p = load<SrcBytes>(src + SrcBytes * x);
            uint32_t out = 0;
            if ((p & key_.mask) != key_.value) {
                const uint32_t slot = slotOf(x, row, slice);
                out = constants_[slot];
                for (uint32_t c = 0; c < channelCount_; ++c) {
                    const ChannelTable& t = channels_[c];
                    out |= t.values[slot * (t.mask + 1) + ((p >> t.shift) & t.mask)];
                }
            }
            store<DstBytes>(dst + DstBytes * x, out);
        }
    }

    template <int SrcBytes> static RowFunction rowFunctionFor(uint32_t destinationBytes) {
        switch (destinationBytes) {
        case 1:
            return &LutConverter::convert<SrcBytes, 1>;
        case 2:
            return &LutConverter::convert<SrcBytes, 2>;
        case 3:
            return &LutConverter::convert<SrcBytes, 3>;
        case 4:
            return &LutConverter::convert<SrcBytes, 4>;
        default:
            return nullptr;
        }
    }

    static RowFunction selectRowFunction(uint32_t sourceBytes, uint32_t destinationBytes) {
        switch (sourceBytes) {
        case 1:
            return rowFunctionFor<1>(destinationBytes);
        case 2:
            return rowFunctionFor<2>(destinationBytes);
        case 3:
            return rowFunctionFor<3>(destinationBytes);
        case 4:
            return rowFunctionFor<4>(destinationBytes);
        default:
            return nullptr;
        }
    }

    WholePixelCodec& destination_;
    WholePixelCodec& source_;
    StoredKey key_;
    bool dithered_;
    uint32_t slotCount_;
    bool failed_ = false;
    RowFunction rowFunction_ = nullptr;
    uint32_t constants_[16] = {};
    std::unique_ptr<uint32_t[]> storage_;
    ChannelTable channels_[4] = {};
    uint32_t channelCount_ = 0;
};

bool isWord32(PixelFormat format) {
    return format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8;
}

bool fieldsFitTables(const FieldLayout& layout) {
    for (int i = 0; i < 4; ++i) {
        if (layout.channel(i).width > 8)
            return false;
    }
    return true;
}

} // namespace

std::unique_ptr<DirectConverter> findDirectConverter(PixelCodec& destination, PixelCodec& source,
                                                     uint64_t pixelCount) {
    auto* dst = dynamic_cast<WholePixelCodec*>(&destination);
    auto* src = dynamic_cast<WholePixelCodec*>(&source);
    if (dst == nullptr || src == nullptr || dst->sourceRange != 0)
        return nullptr;
    const FieldLayout* dstLayout = findPackedFieldLayout(dst->format);
    const FieldLayout* srcLayout = findPackedFieldLayout(src->format);
    if (dstLayout == nullptr || srcLayout == nullptr)
        return nullptr;
    const StoredKey key = storedKeyOf(*src, *srcLayout);
    if (isWord32(dst->format) && isWord32(src->format))
        return std::unique_ptr<DirectConverter>(new (std::nothrow)
                                                    Word32Converter(*dst, *src, key));
    if (isWord32(dst->format) && src->format == D3DFMT_R8G8B8)
        return std::unique_ptr<DirectConverter>(new (std::nothrow)
                                                    Word24Converter(*dst, *src, key));
    if (dst->format == D3DFMT_R5G6B5 && isWord32(src->format))
        return std::unique_ptr<DirectConverter>(new (std::nothrow) To565Converter(*dst, *src, key));
    if (isWord32(dst->format) && src->format == D3DFMT_R5G6B5 &&
        dst->ditherTable == &plainDitherTable)
        return std::unique_ptr<DirectConverter>(new (std::nothrow)
                                                    From565Converter(*dst, *src, key));
    if (!fieldsFitTables(*dstLayout) || !fieldsFitTables(*srcLayout))
        return nullptr;
    const bool dithered = dst->ditherTable == &orderedDitherTable;
    // Building the tables must not cost more than the pixels it saves.
    if (LutConverter::tableEntries(*dstLayout, *srcLayout, dithered) * 4 > pixelCount)
        return nullptr;
    std::unique_ptr<LutConverter> converter(
        new (std::nothrow) LutConverter(*dst, *src, *dstLayout, *srcLayout, key));
    if (!converter || !converter->valid())
        return nullptr;
    return converter;
}
