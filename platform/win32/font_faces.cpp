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

std::unique_ptr<GlyphBitmap> FontFace::rendered(char32_t character) {
    std::unique_ptr<GlyphBitmap> glyph(new (std::nothrow) GlyphBitmap);
    if (glyph && !rasterizer_->render(character, glyph.get()))
        glyph.reset();
    return glyph;
}

const GlyphBitmap& FontFace::glyph(char32_t character) {
    try {
        if (character < firstPage_.size()) {
            std::unique_ptr<GlyphBitmap>& slot = firstPage_[character];
            if (!slot)
                slot = rendered(character);
            return slot ? *slot : empty_;
        }
        auto found = otherPages_.find(character);
        if (found == otherPages_.end())
            found = otherPages_.emplace(character, rendered(character)).first;
        return found->second ? *found->second : empty_;
    } catch (const std::bad_alloc&) {
        return empty_;
    }
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
