// Palette-indexed formats: D3DFMT_P8 (index) and D3DFMT_A8P8 (alpha and index). Encoding
// looks for the nearest palette entry; on a tie the lower index wins.
#include "blit/codec_families.h"

#include <new>

namespace {

class PaletteCodec final : public WholePixelCodec {
public:
    PaletteCodec(const BlitSurface& surface, bool hasAlpha)
        : WholePixelCodec(surface, UnitRange, hasAlpha ? 2 : 1), hasAlpha_(hasAlpha) {
        const float scale = unsignedFieldScale(8);
        for (int i = 0; i < 256; ++i) {
            if (surface.palette == nullptr) {
                entries_[i] = {1.0f, 1.0f, 1.0f, 1.0f};
                continue;
            }
            const PALETTEENTRY& e = surface.palette[i];
            entries_[i] = {float(e.peRed) * scale, float(e.peGreen) * scale,
                           float(e.peBlue) * scale, float(e.peFlags) * scale};
        }
        palette = entries_;
    }

    void decodePixels(const uint8_t* src, FloatColor* out, uint32_t count) const override {
        for (uint32_t x = 0; x < count; ++x) {
            if (hasAlpha_) {
                out[x] = entries_[src[2 * x]];
                out[x].a = float(src[2 * x + 1]) * unsignedFieldScale(8);
            } else {
                out[x] = entries_[src[x]];
            }
        }
    }

    void encodePixels(uint8_t* dst, const FloatColor* in, uint32_t count,
                      const float* offsets) const override {
        for (uint32_t x = 0; x < count; ++x) {
            if (hasAlpha_) {
                dst[2 * x] = nearestEntry(in[x], false);
                dst[2 * x + 1] = uint8_t(quantizeUnsigned(in[x].a, 255, offsets[x & 3]));
            } else {
                dst[x] = nearestEntry(in[x], true);
            }
        }
    }

private:
    // Smallest sum of squared differences over red, green, blue (and alpha when asked).
    uint8_t nearestEntry(const FloatColor& c, bool withAlpha) const {
        int best = 0;
        float bestDistance = 0.0f;
        for (int i = 0; i < 256; ++i) {
            const FloatColor& e = entries_[i];
            const float dr = c.r - e.r, dg = c.g - e.g, db = c.b - e.b, da = c.a - e.a;
            float distance = dr * dr + dg * dg + db * db;
            if (withAlpha)
                distance += da * da;
            if (i == 0 || distance < bestDistance) {
                best = i;
                bestDistance = distance;
            }
        }
        return uint8_t(best);
    }

    bool hasAlpha_;
    FloatColor entries_[256];
};

} // namespace

std::unique_ptr<PixelCodec> createPaletteCodec(const BlitSurface& surface) {
    if (surface.format != D3DFMT_P8 && surface.format != D3DFMT_A8P8)
        return nullptr;
    return std::unique_ptr<PixelCodec>(new (std::nothrow)
                                           PaletteCodec(surface, surface.format == D3DFMT_A8P8));
}
