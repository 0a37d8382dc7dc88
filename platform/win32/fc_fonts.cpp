// Font files chosen by fontconfig for a LOGFONTA.
//
// Implements: the face name (Windows-1252, converted) first, then the family its pitch and
// family bits ask for (FF_ROMAN serif, FF_MODERN or FIXED_PITCH monospace, otherwise sans-serif),
// the weight (FW_* mapped to fontconfig's scale, FW_DONTCARE as FW_NORMAL) and italic; a bold or
// italic request that the chosen file cannot meet is met by emboldening or slanting. Names that
// no installed font carries (the stock "System") fall through to the family, so the system font
// is the bold sans face of the machine (DejaVu Sans Bold with fonts-dejavu-core).
// Does not: character sets, output precision or quality; underline and strikeout are refused
// earlier, at font creation.
#include "win32/glyph_rasterizer.h"

#include "win32/code_pages.h"

#include <fontconfig/fontconfig.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

FcConfig* configuration() {
    // Loaded once; fontconfig keeps it for the process.
    static FcConfig* config = FcInitLoadConfigAndFonts();
    return config;
}

const char* familyOf(BYTE pitchAndFamily) {
    const BYTE family = pitchAndFamily & 0xF0;
    if (family == FF_ROMAN)
        return "serif";
    if (family == FF_MODERN || (pitchAndFamily & 0x03) == FIXED_PITCH)
        return "monospace";
    return "sans-serif";
}

// Patterns are freed on every way out, the std::bad_alloc of a string included.
struct PatternRelease {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using PatternHolder = std::unique_ptr<FcPattern, PatternRelease>;

std::string faceName(const LOGFONTA& description) {
    const size_t length = strnlen(description.lfFaceName, LF_FACESIZE);
    return win32::utf8FromAnsi(std::string_view(description.lfFaceName, length));
}

} // namespace

namespace win32 {

bool findFontFile(const LOGFONTA& description, FontFileChoice* choice) {
    FcConfig* config = configuration();
    if (config == nullptr)
        return false;
    const PatternHolder pattern(FcPatternCreate());
    if (pattern == nullptr)
        return false;
    const std::string name = faceName(description);
    if (!name.empty())
        FcPatternAddString(pattern.get(), FC_FAMILY,
                           reinterpret_cast<const FcChar8*>(name.c_str()));
    FcPatternAddString(pattern.get(), FC_FAMILY,
                       reinterpret_cast<const FcChar8*>(familyOf(description.lfPitchAndFamily)));
    const int weight = description.lfWeight > 0 ? int(description.lfWeight) : FW_NORMAL;
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, FcWeightFromOpenType(weight));
    FcPatternAddInteger(pattern.get(), FC_SLANT,
                        description.lfItalic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());

    FcResult result = FcResultNoMatch;
    const PatternHolder match(FcFontMatch(config, pattern.get(), &result));
    if (match == nullptr)
        return false;
    FcChar8* file = nullptr;
    int index = 0;
    int matchedWeight = FC_WEIGHT_REGULAR;
    int matchedSlant = FC_SLANT_ROMAN;
    const bool found = FcPatternGetString(match.get(), FC_FILE, 0, &file) == FcResultMatch;
    FcPatternGetInteger(match.get(), FC_INDEX, 0, &index);
    FcPatternGetInteger(match.get(), FC_WEIGHT, 0, &matchedWeight);
    FcPatternGetInteger(match.get(), FC_SLANT, 0, &matchedSlant);
    if (found) {
        choice->path = reinterpret_cast<const char*>(file);
        choice->index = index;
        choice->embolden = weight >= FW_SEMIBOLD && matchedWeight < FC_WEIGHT_DEMIBOLD;
        choice->slant = description.lfItalic && matchedSlant == FC_SLANT_ROMAN;
    }
    return found;
}

} // namespace win32
