// Glyph caches per font file and size, and the resolution of a description to one.
#include "win32/font_faces.h"

#include <map>
#include <new>
#include <tuple>

namespace {

using FaceKey = std::tuple<std::string, int, bool, bool, LONG, LONG>;

std::map<FaceKey, std::shared_ptr<win32::FontFace>>& faces() {
    static std::map<FaceKey, std::shared_ptr<win32::FontFace>> cache;
    return cache;
}

} // namespace

namespace win32 {

FontFace::FontFace(std::unique_ptr<GlyphRasterizer> rasterizer)
    : rasterizer_(std::move(rasterizer)), metrics_(rasterizer_->metrics()) {}

// A glyph that cannot be rendered is kept as an empty one, so it is not tried again.
FontFace::GlyphRecord FontFace::renderGlyph(char32_t character) {
    GlyphRecord record{true};
    if (!rasterizer_->render(character, &scratch_))
        return record;
    const size_t bytes = size_t(scratch_.width) * size_t(scratch_.rows);
    if (scratch_.coverage.size() < bytes)
        return record;
    record.advance = scratch_.advance;
    record.left = scratch_.left;
    record.top = scratch_.top;
    record.width = scratch_.width;
    record.rows = scratch_.rows;
    record.coverageAt = coverage_.size();
    coverage_.insert(coverage_.end(), scratch_.coverage.begin(),
                     scratch_.coverage.begin() + ptrdiff_t(bytes));
    return record;
}

// A glyph whose memory runs out is not kept, and the std::bad_alloc goes on to DrawText,
// which fails: drawing the text without the glyph would report success with a letter missing.
const FontFace::GlyphRecord& FontFace::record(char32_t character) {
    if (character < firstPage_.size()) {
        GlyphRecord& slot = firstPage_[character];
        if (!slot.rendered)
            slot = renderGlyph(character);
        return slot;
    }
    auto found = otherPages_.find(character);
    if (found == otherPages_.end())
        found = otherPages_.emplace(character, renderGlyph(character)).first;
    return found->second;
}

Glyph FontFace::glyph(char32_t character) {
    const GlyphRecord& r = record(character);
    return {r.advance, r.left, r.top, r.width, r.rows, coverage_.data() + r.coverageAt};
}

std::shared_ptr<FontFace> faceFor(const LOGFONTA& description) {
    try {
        FontFileChoice file;
        if (!findFontFile(description, &file))
            return nullptr;
        const FaceKey key{file.path,  file.index,           file.embolden,
                          file.slant, description.lfHeight, description.lfWidth};
        std::shared_ptr<FontFace>& face = faces()[key];
        if (!face) {
            std::unique_ptr<GlyphRasterizer> rasterizer = openGlyphRasterizer(file, description);
            if (!rasterizer) {
                faces().erase(key);
                return nullptr;
            }
            face = std::make_shared<FontFace>(std::move(rasterizer));
        }
        return face;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace win32
