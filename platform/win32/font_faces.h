// Fonts at one size with their rendered glyphs, shared by every GDI font that resolves to
// the same file and size.
#pragma once

#include "win32/glyph_rasterizer.h"

#include <array>
#include <memory>
#include <unordered_map>

namespace win32 {

// Each glyph is rendered once and kept, as GDI caches them, so drawing the same strings again
// is copying coverage and allocates nothing.
class FontFace {
public:
    explicit FontFace(std::unique_ptr<GlyphRasterizer> rasterizer);

    const FontMetrics& metrics() const { return metrics_; }
    int cellHeight() const { return metrics_.ascent + metrics_.descent; }

    // The glyph of a character; an empty one when it cannot be rendered.
    const GlyphBitmap& glyph(char32_t character);
    int advance(char32_t character) { return glyph(character).advance; }

private:
    std::unique_ptr<GlyphBitmap> rendered(char32_t character);

    std::unique_ptr<GlyphRasterizer> rasterizer_;
    FontMetrics metrics_;
    std::array<std::unique_ptr<GlyphBitmap>, 256> firstPage_;
    std::unordered_map<char32_t, std::unique_ptr<GlyphBitmap>> otherPages_;
    GlyphBitmap empty_;
};

// The face of a description; null when no installed font can serve it.
std::shared_ptr<FontFace> faceFor(const LOGFONTA& description);

} // namespace win32
