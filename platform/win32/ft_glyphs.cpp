// Glyphs rendered by FreeType at a LOGFONTA's size.
//
// Implements: the cell height of a positive lfHeight and the character (em) height of a
// negative one, measured with the face's OS/2 Windows ascent and descent as GDI measures them,
// so a 16-pixel cell is exactly 16 pixels; lfWidth as the average character width; hinted
// outlines with whole-pixel advances, rendered as 8-bit anti-aliased coverage; emboldening and
// slanting when the file lacks the weight or the italic.
// Does not: kerning (GDI's DrawText does not kern), bitmap strikes, sub-pixel rendering.
#include "win32/glyph_rasterizer.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int DefaultCellHeight = 16;

FT_Library library() {
    // Kept for the whole run: faces live in the glyph caches until the process ends.
    static FT_Library instance = [] {
        FT_Library created = nullptr;
        return FT_Init_FreeType(&created) == 0 ? created : nullptr;
    }();
    return instance;
}

struct VerticalExtent {
    double ascent; // font units
    double descent;
};

// GDI's measure: the OS/2 table's Windows ascent and descent, else the horizontal header's.
VerticalExtent verticalExtent(FT_Face face) {
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 != nullptr && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0)
        return VerticalExtent{double(os2->usWinAscent), double(os2->usWinDescent)};
    return VerticalExtent{double(face->ascender), double(-face->descender)};
}

double averageWidthUnits(FT_Face face) {
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 != nullptr && os2->version != 0xFFFF && os2->xAvgCharWidth > 0)
        return os2->xAvgCharWidth;
    return face->units_per_EM / 2.0;
}

class FreeTypeRasterizer final : public win32::GlyphRasterizer {
public:
    FreeTypeRasterizer(FT_Face face, const win32::FontMetrics& metrics, bool embolden, bool slant)
        : face_(face), metrics_(metrics), embolden_(embolden), slant_(slant) {}
    ~FreeTypeRasterizer() override { FT_Done_Face(face_); }

    win32::FontMetrics metrics() const override { return metrics_; }

    bool render(char32_t character, win32::GlyphBitmap* glyph) override {
        const FT_UInt index = FT_Get_Char_Index(face_, character);
        if (FT_Load_Glyph(face_, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0)
            return false;
        FT_GlyphSlot slot = face_->glyph;
        if (slant_)
            FT_GlyphSlot_Oblique(slot);
        if (embolden_)
            FT_GlyphSlot_Embolden(slot);
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
            return false;
        const FT_Bitmap& bitmap = slot->bitmap;
        glyph->advance = int((slot->advance.x + 32) >> 6);
        glyph->left = slot->bitmap_left;
        glyph->top = slot->bitmap_top;
        glyph->width = int(bitmap.width);
        glyph->rows = int(bitmap.rows);
        glyph->coverage.resize(size_t(bitmap.width) * bitmap.rows);
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            const unsigned char* source = bitmap.buffer + ptrdiff_t(row) * bitmap.pitch;
            std::memcpy(glyph->coverage.data() + size_t(row) * bitmap.width, source, bitmap.width);
        }
        return true;
    }

private:
    FT_Face face_;
    win32::FontMetrics metrics_;
    bool embolden_;
    bool slant_;
};

} // namespace

namespace win32 {

std::unique_ptr<GlyphRasterizer> openGlyphRasterizer(const FontFileChoice& file,
                                                     const LOGFONTA& description) {
    FT_Face face = nullptr;
    if (library() == nullptr || FT_New_Face(library(), file.path.c_str(), file.index, &face) != 0)
        return nullptr;
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
        FT_Done_Face(face);
        return nullptr;
    }
    const double unitsPerEm = face->units_per_EM;
    const VerticalExtent extent = verticalExtent(face);
    const double cellUnits = extent.ascent + extent.descent;
    double emPixels;
    int cell;
    if (description.lfHeight < 0) {
        emPixels = -double(description.lfHeight);
        cell = int(std::lround(emPixels * cellUnits / unitsPerEm));
    } else {
        cell = description.lfHeight > 0 ? int(description.lfHeight) : DefaultCellHeight;
        emPixels = cell * unitsPerEm / cellUnits;
    }
    double widthPixels = emPixels;
    if (description.lfWidth > 0)
        widthPixels = description.lfWidth * unitsPerEm / averageWidthUnits(face);
    if (FT_Set_Char_Size(face, FT_F26Dot6(std::lround(widthPixels * 64)),
                         FT_F26Dot6(std::lround(emPixels * 64)), 72, 72) != 0) {
        FT_Done_Face(face);
        return nullptr;
    }
    FontMetrics metrics;
    metrics.ascent = int(std::lround(emPixels * extent.ascent / unitsPerEm));
    metrics.descent = std::max(0, cell - metrics.ascent);
    metrics.averageWidth = int(std::lround(averageWidthUnits(face) * widthPixels / unitsPerEm));
    std::unique_ptr<GlyphRasterizer> rasterizer(
        new (std::nothrow) FreeTypeRasterizer(face, metrics, file.embolden, file.slant));
    if (!rasterizer)
        FT_Done_Face(face);
    return rasterizer;
}

} // namespace win32
