// Fonts at one size with their rendered glyphs, shared by every GDI font that resolves to
// the same file and size.
#pragma once

#include "win32/glyph_rasterizer.h"

#include <array>
#include <memory>
#include <unordered_map>
#include <vector>

namespace win32 {

// A rendered glyph as drawing reads it. `coverage` points into the face's glyph store and
// stays valid until the face renders another glyph.
struct Glyph {
    int advance = 0;
    int left = 0;
    int top = 0;
    int width = 0;
    int rows = 0;
    const uint8_t* coverage = nullptr; // width x rows
};

// Each glyph is rendered once and kept, as GDI caches them, so drawing the same strings again
// is copying coverage and allocates nothing. The glyphs' measures sit in one table and their
// coverage in one buffer: a string's glyphs are a few neighbouring cache lines, not a chain of
// separate allocations, which matters when text is drawn after the caches have gone cold.
class FontFace {
public:
    explicit FontFace(std::unique_ptr<GlyphRasterizer> rasterizer);

    const FontMetrics& metrics() const { return metrics_; }
    int cellHeight() const { return metrics_.ascent + metrics_.descent; }

    // The glyph of a character; an empty one when it cannot be rendered. Both throw
    // std::bad_alloc when memory runs out (DrawText turns it into a failure).
    Glyph glyph(char32_t character);
    int advance(char32_t character) { return record(character).advance; }

private:
    struct GlyphRecord {
        bool rendered = false;
        int advance = 0, left = 0, top = 0, width = 0, rows = 0;
        size_t coverageAt = 0; // into coverage_
    };

    const GlyphRecord& record(char32_t character);
    GlyphRecord renderGlyph(char32_t character);

    std::unique_ptr<GlyphRasterizer> rasterizer_;
    FontMetrics metrics_;
    std::array<GlyphRecord, 256> firstPage_;
    std::unordered_map<char32_t, GlyphRecord> otherPages_;
    std::vector<uint8_t> coverage_;
    GlyphBitmap scratch_; // the rasteriser's output, kept so rendering reuses its buffer
};

// The face of a description; null when no installed font can serve it.
std::shared_ptr<FontFace> faceFor(const LOGFONTA& description);

} // namespace win32
