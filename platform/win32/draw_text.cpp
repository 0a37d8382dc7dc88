// DrawText into a memory DC's 32-bit DIB section.
//
// Implements: DrawTextA (Windows-1252) and DrawTextW (UTF-16) with DT_LEFT, DT_CENTER, DT_RIGHT
// (which wins over DT_CENTER), DT_TOP, DT_VCENTER and DT_BOTTOM (with DT_SINGLELINE, as on
// Windows), DT_SINGLELINE, DT_WORDBREAK, line breaks, DT_NOCLIP, DT_CALCRECT (the rectangle
// gets the text's extent, nothing is drawn) and DT_NOPREFIX; the answer is the text's height
// (with DT_VCENTER or DT_BOTTOM, the offset from the rectangle's top to the text's bottom).
// Each line is placed on its own: centred lines start (width - line width) / 2 rounded down
// from the left edge. Glyphs are anti-aliased in the text colour over the DIB; in OPAQUE mode
// each line's cells are filled with the background colour first. DIB words are blue in the
// lowest byte, then green and red; the fourth byte of every pixel written is 0.
// Does not: DT_EXPANDTABS, DT_TABSTOP, DT_EXTERNALLEADING and the other flags (refused with
// ERROR_NOT_SUPPORTED and 0), mnemonic underlines, drawing into the 1 x 1 stock bitmap (text
// is measured and nothing is drawn).
#include "internal/frame_breakdown.h"
#include "win32/code_pages.h"
#include "win32/gdi_objects.h"
#include "win32/text_layout.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr UINT SupportedFormats = DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM | DT_WORDBREAK |
                                  DT_SINGLELINE | DT_NOCLIP | DT_CALCRECT | DT_NOPREFIX;

class FaceAdvances final : public win32::GlyphAdvances {
public:
    explicit FaceAdvances(win32::FontFace& face) : face_(face) {}
    int advance(char32_t character) override { return face_.advance(character); }

private:
    win32::FontFace& face_;
};

int64_t floorHalf(int64_t value) {
    return value >= 0 ? value / 2 : -((-value + 1) / 2);
}

uint32_t dibPixel(COLORREF colour) {
    return (uint32_t(GetRValue(colour)) << 16) | (uint32_t(GetGValue(colour)) << 8) |
           GetBValue(colour);
}

uint32_t blendChannel(uint32_t under, uint32_t over, uint32_t coverage) {
    return (under * (255 - coverage) + over * coverage + 127) / 255;
}

uint32_t blend(uint32_t under, uint32_t over, uint32_t coverage) {
    if (coverage == 255)
        return over;
    return (blendChannel((under >> 16) & 0xFF, (over >> 16) & 0xFF, coverage) << 16) |
           (blendChannel((under >> 8) & 0xFF, (over >> 8) & 0xFF, coverage) << 8) |
           blendChannel(under & 0xFF, over & 0xFF, coverage);
}

// Glyph pixels over the line's own background, nearly all of them in OPAQUE mode, take their
// colour from the 256 coverage levels blended once per call.
// Kept between calls: text is drawn in the same colours frame after frame.
struct CoverageTable {
    bool built = false;
    uint32_t under = 0;
    uint32_t over = 0;
    uint32_t pixel[256];
    // White on black, as the text renderer draws: each entry is its coverage in all three
    // channels, which vector code computes faster than it looks entries up.
    bool grey = false;

    void prepare(uint32_t background, uint32_t colour) {
        if (built && under == background && over == colour)
            return;
        for (uint32_t coverage = 0; coverage < 256; ++coverage)
            pixel[coverage] = blend(background, colour, coverage);
        built = true;
        under = background;
        over = colour;
        grey = background == 0 && colour == 0xFFFFFF;
    }
};

// pixels[i] = coverage[i] in blue, green and red, 0 in the fourth byte.
void greyRow(uint32_t* pixels, const uint8_t* coverage, int64_t n) {
    int64_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(coverage + i));
        const __m128i words[2] = {_mm_unpacklo_epi8(bytes, zero), _mm_unpackhi_epi8(bytes, zero)};
        for (int half = 0; half < 2; ++half)
            for (int quarter = 0; quarter < 2; ++quarter) {
                const __m128i c = quarter == 0 ? _mm_unpacklo_epi16(words[half], zero)
                                               : _mm_unpackhi_epi16(words[half], zero);
                const __m128i rgb =
                    _mm_or_si128(_mm_or_si128(c, _mm_slli_epi32(c, 8)), _mm_slli_epi32(c, 16));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels + i + 8 * half + 4 * quarter),
                                 rgb);
            }
    }
#endif
    for (; i < n; ++i)
        pixels[i] = coverage[i] * 0x010101u;
}

// Buffers kept between calls so that drawing the same strings again allocates nothing.
struct DrawScratch {
    std::vector<char32_t> text;
    win32::TextLayout layout;
    CoverageTable coverage;
};

DrawScratch& scratch() {
    static DrawScratch instance;
    return instance;
}

// Positions are 64-bit so that rectangles near the ends of the 32-bit range cannot overflow.
struct Clip {
    int64_t left, top, right, bottom;
    bool empty() const { return left >= right || top >= bottom; }
};

void fill(win32::BitmapObject& target, const Clip& clip, int64_t left, int64_t top, int64_t right,
          int64_t bottom, uint32_t pixel) {
    left = std::max(left, clip.left);
    top = std::max(top, clip.top);
    right = std::min(right, clip.right);
    bottom = std::min(bottom, clip.bottom);
    if (left >= right)
        return;
    for (int64_t y = top; y < bottom; ++y)
        std::fill(target.row(int(y)) + left, target.row(int(y)) + right, pixel);
}

// Rows of the target known to hold nothing but the line's background under a glyph: its cell,
// when no earlier glyph of the line reached into the glyph's columns.
struct BackgroundRows {
    int64_t top = 0, bottom = 0;
};

void drawGlyph(win32::BitmapObject& target, const Clip& clip, const win32::Glyph& glyph,
               int64_t originX, int64_t baseline, uint32_t colour, const CoverageTable* table,
               BackgroundRows background) {
    const int64_t left = originX + glyph.left;
    const int64_t top = baseline - glyph.top;
    const int64_t firstRow = std::max<int64_t>(0, clip.top - top);
    const int64_t lastRow = std::min<int64_t>(glyph.rows, clip.bottom - top);
    const int64_t firstColumn = std::max<int64_t>(0, clip.left - left);
    const int64_t lastColumn = std::min<int64_t>(glyph.width, clip.right - left);
    for (int64_t row = firstRow; row < lastRow; ++row) {
        const uint8_t* coverage = glyph.coverage + size_t(row) * size_t(glyph.width);
        uint32_t* pixels = target.row(int(top + row)) + left;
        if (table != nullptr && top + row >= background.top && top + row < background.bottom) {
            if (table->grey) {
                greyRow(pixels + firstColumn, coverage + firstColumn, lastColumn - firstColumn);
                continue;
            }
            for (int64_t column = firstColumn; column < lastColumn; ++column)
                pixels[column] = table->pixel[coverage[column]];
            continue;
        }
        if (table != nullptr) {
            // Where another glyph reached, a pixel still holding the background takes the
            // table's entry and any other is blended.
            for (int64_t column = firstColumn; column < lastColumn; ++column) {
                const uint32_t c = coverage[column];
                uint32_t& pixel = pixels[column];
                if (pixel == table->under)
                    pixel = table->pixel[c];
                else if (c != 0)
                    pixel = blend(pixel, colour, c);
            }
            continue;
        }
        for (int64_t column = firstColumn; column < lastColumn; ++column)
            if (const uint32_t c = coverage[column])
                pixels[column] = blend(pixels[column], colour, c);
    }
}

Clip clipFor(const win32::BitmapObject& target, const RECT& rect, UINT format) {
    Clip clip{0, 0, target.width, target.height};
    if (!(format & DT_NOCLIP)) {
        clip.left = std::max<int64_t>(clip.left, rect.left);
        clip.top = std::max<int64_t>(clip.top, rect.top);
        clip.right = std::min<int64_t>(clip.right, rect.right);
        clip.bottom = std::min<int64_t>(clip.bottom, rect.bottom);
    }
    return clip;
}

void render(const win32::DeviceContext& dc, win32::BitmapObject& target, win32::FontFace& face,
            const win32::TextLayout& layout, const RECT& rect, UINT format, int64_t top) {
    const Clip clip = clipFor(target, rect, format);
    if (clip.empty() || !target.bits)
        return;
    const int cell = face.cellHeight();
    const int64_t rectWidth = int64_t(rect.right) - rect.left;
    const uint32_t textColour = dibPixel(dc.textColor);
    const bool opaque = dc.backgroundMode == OPAQUE;
    CoverageTable& table = scratch().coverage;
    if (opaque)
        table.prepare(dibPixel(dc.backgroundColor), textColour);
    int64_t lineTop = top;
    for (const win32::TextLine& line : layout.lines()) {
        int64_t x = rect.left;
        if (format & DT_RIGHT)
            x = int64_t(rect.right) - line.width;
        else if (format & DT_CENTER)
            x = rect.left + floorHalf(rectWidth - line.width);
        if (opaque)
            fill(target, clip, x, lineTop, x + line.width, lineTop + cell,
                 dibPixel(dc.backgroundColor));
        const int64_t baseline = lineTop + face.metrics().ascent;
        const int64_t lineLeft = x, lineRight = x + line.width;
        int64_t reached = lineLeft; // right end of the glyphs drawn so far on this line
        for (size_t i = line.begin; i < line.end; ++i) {
            const win32::Glyph glyph = face.glyph(layout.characters()[i]);
            const int64_t left = x + glyph.left, right = left + glyph.width;
            BackgroundRows background;
            if (left >= reached && right <= lineRight)
                background = {lineTop, lineTop + cell};
            drawGlyph(target, clip, glyph, x, baseline, textColour, opaque ? &table : nullptr,
                      background);
            if (glyph.width > 0)
                reached = std::max(reached, right);
            x += glyph.advance;
        }
        lineTop += cell;
    }
}

int drawText(HDC hdc, const std::vector<char32_t>& text, LPRECT rect, UINT format) {
    win32::DeviceContext* dc = win32::findDeviceContext(hdc);
    if (dc == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (rect == nullptr || (format & ~SupportedFormats) != 0) {
        SetLastError(rect == nullptr ? ERROR_INVALID_PARAMETER : ERROR_NOT_SUPPORTED);
        return 0;
    }
    auto* font = win32::findGdiObject<win32::FontObject>(dc->font);
    win32::FontFace* face = font != nullptr ? font->face() : nullptr;
    if (face == nullptr) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    FaceAdvances advances(*face);
    win32::TextLayout& layout = scratch().layout;
    const int64_t rectWidth = int64_t(rect->right) - rect->left;
    const int wrapWidth = int(std::clamp<int64_t>(rectWidth, INT32_MIN, INT32_MAX));
    layout.layout(text.data(), text.size(), format, wrapWidth, advances);
    const int64_t height = int64_t(layout.lines().size()) * face->cellHeight();
    if (height > INT32_MAX) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (format & DT_CALCRECT) {
        rect->right =
            LONG(std::clamp<int64_t>(int64_t(rect->left) + layout.width(), INT32_MIN, INT32_MAX));
        rect->bottom = LONG(std::clamp<int64_t>(rect->top + height, INT32_MIN, INT32_MAX));
        return int(height);
    }
    int64_t top = rect->top;
    const bool aligned = (format & DT_SINGLELINE) && (format & (DT_VCENTER | DT_BOTTOM));
    if (aligned && (format & DT_BOTTOM))
        top = rect->bottom - height;
    else if (aligned)
        top = rect->top + floorHalf(int64_t(rect->bottom) - rect->top - height);
    if (auto* target = win32::findGdiObject<win32::BitmapObject>(dc->bitmap))
        render(*dc, *target, *face, layout, *rect, format, top);
    const int64_t result = aligned ? top - rect->top + height : height;
    return int(std::clamp<int64_t>(result, INT32_MIN, INT32_MAX));
}

} // namespace

int DrawTextA(HDC hdc, LPCSTR lpchText, int cchText, LPRECT lprc, UINT format) {
    const platform_internal::FramePartScope part(platform_ext::PartText);
    if (lpchText == nullptr || cchText < -1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    try {
        const size_t count = cchText == -1 ? std::strlen(lpchText) : size_t(cchText);
        std::vector<char32_t>& text = scratch().text;
        text.clear();
        for (size_t i = 0; i < count; ++i)
            text.push_back(win32::codePointFromAnsi(static_cast<unsigned char>(lpchText[i])));
        return drawText(hdc, text, lprc, format);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
}

int DrawTextW(HDC hdc, LPCWSTR lpchText, int cchText, LPRECT lprc, UINT format) {
    const platform_internal::FramePartScope part(platform_ext::PartText);
    if (lpchText == nullptr || cchText < -1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    try {
        size_t count = size_t(cchText);
        if (cchText == -1)
            for (count = 0; lpchText[count] != 0; ++count) {
            }
        std::vector<char32_t>& text = scratch().text;
        text.clear();
        for (size_t i = 0; i < count; ++i) {
            char32_t c = lpchText[i];
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < count && lpchText[i + 1] >= 0xDC00 &&
                lpchText[i + 1] <= 0xDFFF)
                c = 0x10000 + ((c - 0xD800) << 10) + (lpchText[++i] - 0xDC00);
            text.push_back(c);
        }
        return drawText(hdc, text, lprc, format);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
}
