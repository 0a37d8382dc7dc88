// Packed YUV ("UYVY", "YUY2"): two pixels share one U and one V in a 32-bit group, so rows
// pass through a line buffer of whole pairs, decoded and encoded with the BT.601 studio-range
// equations.
#include "blit/codec_families.h"

#include <algorithm>
#include <new>

namespace {

// Byte positions inside a 4-byte pair group.
struct YuvLayout {
    PixelFormat format;
    uint32_t y0, u, y1, v;
};

constexpr YuvLayout yuvLayoutTable[] = {
    {D3DFMT_UYVY, 1, 0, 3, 2},
    {D3DFMT_YUY2, 0, 1, 2, 3},
};

float clampUnit(float v) {
    return std::clamp(v, 0.0f, 1.0f);
}

// trunc(x + 0.5) + offset, clamped to a byte.
uint8_t roundedComponent(double x, int offset) {
    const double v = x + 0.5;
    if (!(v > -1024.0))
        return 0;
    if (v > 1024.0)
        return 255;
    return uint8_t(std::clamp(int(v) + offset, 0, 255));
}

class YuvCodec final : public PixelCodec {
public:
    YuvCodec(const BlitSurface& surface, const YuvLayout& layout)
        : PixelCodec(surface, UnitRange, 0), layout_(layout), spanLeft_(rect.left & ~1),
          spanRight_((rect.right + 1) & ~1),
          line_(new (std::nothrow) FloatColor[size_t(spanRight_ - spanLeft_)]) {}

    ~YuvCodec() override { writeLine(); }

    void decodeRow(uint32_t row, uint32_t slice, FloatColor* out) override {
        if (!fetch(row, slice, true))
            return;
        std::copy_n(line_.get() + (rect.left - spanLeft_), width, out);
        applyColorKey(out, width);
    }

    void encodeRow(uint32_t row, uint32_t slice, const FloatColor* in) override {
        const FloatColor* values = encodeInput(in);
        const bool coversSpan = rect.left == spanLeft_ && rect.right == spanRight_;
        if (!fetch(row, slice, !coversSpan))
            return;
        std::copy_n(values, width, line_.get() + (rect.left - spanLeft_));
        dirty_ = true;
    }

    // The key is compared as converted from its ARGB word, without quantizing.
    void prepareColorKey() override {}

private:
    uint8_t* groupAddress(uint32_t row, uint32_t slice) const {
        return bits + size_t(uint32_t(rect.top) + row) * rowPitch +
               size_t(uint32_t(rect.front) + slice) * slicePitch + size_t(spanLeft_) * 2;
    }

    bool fetch(uint32_t row, uint32_t slice, bool read) {
        if (!line_) {
            outOfMemory = true;
            return false;
        }
        if (held_ && row == row_ && slice == slice_)
            return true;
        writeLine();
        held_ = true;
        row_ = row;
        slice_ = slice;
        if (read)
            readLine();
        return true;
    }

    void readLine() {
        const uint8_t* group = groupAddress(row_, slice_);
        FloatColor* out = line_.get();
        for (int32_t x = spanLeft_; x < spanRight_; x += 2, group += 4, out += 2) {
            const float u = float(group[layout_.u]) - 128.0f;
            const float v = float(group[layout_.v]) - 128.0f;
            out[0] = pixelFrom(float(group[layout_.y0]) - 16.0f, u, v);
            out[1] = pixelFrom(float(group[layout_.y1]) - 16.0f, u, v);
        }
    }

    static FloatColor pixelFrom(float y, float u, float v) {
        return {clampUnit(y * 0.00456621f + v * 0.00625893f),
                clampUnit(y * 0.00456621f - u * 0.00153632f - v * 0.00318811f),
                clampUnit(y * 0.00456621f + u * 0.00791071f), 1.0f};
    }

    void writeLine() {
        if (!dirty_)
            return;
        dirty_ = false;
        uint8_t* group = groupAddress(row_, slice_);
        const FloatColor* in = line_.get();
        for (int32_t x = spanLeft_; x < spanRight_; x += 2, group += 4, in += 2) {
            group[layout_.y0] = lumaOf(in[0]);
            group[layout_.y1] = lumaOf(in[1]);
            // The chroma comes from the first pixel of the pair alone.
            const FloatColor& c = in[0];
            group[layout_.u] = roundedComponent(
                112.0f * double(c.b) - 74.203f * double(c.g) - 37.797f * double(c.r), 128);
            group[layout_.v] = roundedComponent(
                112.0f * double(c.r) - 93.786f * double(c.g) - 18.214f * double(c.b), 128);
        }
    }

    static uint8_t lumaOf(const FloatColor& c) {
        return roundedComponent(
            65.481f * double(c.r) + 128.553f * double(c.g) + 24.966f * double(c.b), 16);
    }

    YuvLayout layout_;
    int32_t spanLeft_;
    int32_t spanRight_;
    std::unique_ptr<FloatColor[]> line_;
    bool held_ = false;
    bool dirty_ = false;
    uint32_t row_ = 0;
    uint32_t slice_ = 0;
};

} // namespace

std::unique_ptr<PixelCodec> createYuvCodec(const BlitSurface& surface) {
    for (const YuvLayout& layout : yuvLayoutTable) {
        if (layout.format == surface.format)
            return std::unique_ptr<PixelCodec>(new (std::nothrow) YuvCodec(surface, layout));
    }
    return nullptr;
}
