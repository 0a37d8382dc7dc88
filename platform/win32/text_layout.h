// DrawText's line breaking and measuring, over the advances of a font's glyphs.
#pragma once

#include "windows.h"

#include <vector>

namespace win32 {

class GlyphAdvances {
public:
    virtual int advance(char32_t character) = 0;

protected:
    ~GlyphAdvances() = default;
};

struct TextLine {
    size_t begin; // first shown character
    size_t end;   // one past the last
    int width;    // pixels
};

// The lines of one DrawText call. The object keeps its buffers between calls, so laying out
// short strings again allocates nothing.
class TextLayout {
public:
    // Lays out `count` characters for a format: mnemonic '&' prefixes removed unless
    // DT_NOPREFIX ("&&" shows one '&'); lines broken at CR, LF and CR LF unless DT_SINGLELINE
    // (a final line break opens no empty line); with DT_WORDBREAK, also between words that would
    // pass wrapWidth, dropping the spaces at the break (a word wider than wrapWidth stays whole).
    void layout(const char32_t* text, size_t count, UINT format, int wrapWidth,
                GlyphAdvances& advances);

    const std::vector<char32_t>& characters() const { return shown_; }
    const std::vector<TextLine>& lines() const { return lines_; }
    int width() const { return width_; } // of the widest line

private:
    int measure(size_t begin, size_t end, GlyphAdvances& advances) const;
    void addLine(size_t begin, size_t end, GlyphAdvances& advances);
    void wrapParagraph(size_t begin, size_t end, int wrapWidth, GlyphAdvances& advances);

    std::vector<char32_t> shown_;
    std::vector<TextLine> lines_;
    int width_ = 0;
};

} // namespace win32
