// What the text code needs from the font host: a font file for a LOGFONTA (fontconfig) and a
// rasteriser of its glyphs at the font's size (FreeType). The plain tier sees only this.
#pragma once

#include "windows.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace win32 {

struct FontMetrics {
    int ascent = 0;  // pixels above the baseline
    int descent = 0; // pixels below it; ascent + descent is the cell height
    int averageWidth = 0;
};

// One rendered glyph: anti-aliased coverage, 0 to 255, rows top first.
struct GlyphBitmap {
    int advance = 0; // pixels the pen moves after the glyph
    int left = 0;    // from the pen to the bitmap's left column
    int top = 0;     // from the baseline up to the bitmap's top row
    int width = 0;
    int rows = 0;
    std::vector<uint8_t> coverage; // width x rows
};

class GlyphRasterizer {
public:
    virtual ~GlyphRasterizer() = default;
    virtual FontMetrics metrics() const = 0;
    // Renders a character (the font's missing-glyph shape when it has none); false when the
    // font cannot render at all.
    virtual bool render(char32_t character, GlyphBitmap* glyph) = 0;
};

struct FontFileChoice {
    std::string path;
    int index = 0;
    bool embolden = false; // the request is bold and the file is not
    bool slant = false;    // the request is italic and the file is upright
};

// The installed font that serves a description best; false when there is none at all.
bool findFontFile(const LOGFONTA& description, FontFileChoice* choice);

// A rasteriser of the file at the description's size (lfHeight: positive for the cell height,
// negative for the character height, 0 for a 16-pixel cell; lfWidth: average width, 0 for the
// face's own); null when the file cannot be read.
std::unique_ptr<GlyphRasterizer> openGlyphRasterizer(const FontFileChoice& file,
                                                     const LOGFONTA& description);

} // namespace win32
