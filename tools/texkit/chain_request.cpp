// Reading the chain options and choosing between blit's mip chain builder and the loader.
#include "tools/texkit/chain_request.h"

#include "blit/pixel_format.h"

#include <iterator>
#include <strings.h>

namespace {

using Row = OptionRow<ChainRequest>;

struct KernelName {
    const char* name;
    MipKernel kernel;
};

constexpr KernelName kernelNameTable[] = {
    {"box", MipKernel::Box},         {"triangle", MipKernel::Triangle},
    {"kaiser", MipKernel::Kaiser},   {"lanczos", MipKernel::Lanczos},
    {"mitchell", MipKernel::Mitchell},
};

std::optional<MipKernel> kernelNamed(const std::string& text) {
    for (const KernelName& row : kernelNameTable)
        if (strcasecmp(text.c_str(), row.name) == 0)
            return row.kernel;
    return std::nullopt;
}

// A kernel name, or a filter word of the loader (point, linear, triangle+dither, a number...).
bool readFilter(const std::string& text, std::optional<MipKernel>* kernel, ImageFilter* word) {
    *kernel = kernelNamed(text);
    return kernel->has_value() || parseFilter(text, word);
}

constexpr Row chainRows[] = {
    {"--mip-filter", nullptr, "KERNEL",
     [](const std::string& v, ChainRequest* r) {
         r->mipKernelGiven = true;
         return readFilter(v, &r->mipKernel, &r->mipFilter);
     }},
    {"--filter", nullptr, "KERNEL",
     [](const std::string& v, ChainRequest* r) {
         return readFilter(v, &r->resizeKernel, &r->filter);
     }},
    {"--wrap", nullptr, "clamp|repeat|mirror",
     [](const std::string& v, ChainRequest* r) {
         r->wrapGiven = true;
         const char* names[] = {"clamp", "repeat", "mirror"};
         for (int i = 0; i < 3; ++i) {
             if (strcasecmp(v.c_str(), names[i]) == 0) {
                 r->edge = EdgeMode(i);
                 return true;
             }
         }
         return false;
     }},
    {"--colorspace", nullptr, "srgb|linear",
     [](const std::string& v, ChainRequest* r) {
         r->colorSpace = strcasecmp(v.c_str(), "srgb") == 0     ? ColorSpace::Srgb
                         : strcasecmp(v.c_str(), "linear") == 0 ? ColorSpace::Linear
                                                                : ColorSpace::Default;
         return r->colorSpace != ColorSpace::Default;
     }},
    {"--alpha-test", nullptr, "REF",
     [](const std::string& v, ChainRequest* r) {
         uint32_t reference = 0;
         if (!parseNumber(v, &reference) || reference > 255)
             return false;
         r->alphaTest = int(reference);
         return true;
     }},
    {"--normal-map", nullptr, nullptr,
     [](const std::string&, ChainRequest* r) { return r->normalMap = true; }},
};
static_assert(std::size(chainRows) == 6);

// Formats whose colour can carry a vector: red and green at least (a two-channel format keeps
// x and y, the reader rebuilds z).
bool holdsVectors(D3DFORMAT format) {
    const PixelFormatInfo& info = getFormatInfo(format);
    return info.category != Luminance && info.redBits != 0 && info.greenBits != 0;
}

} // namespace

std::span<const OptionRow<ChainRequest>> chainOptionTable() {
    return chainRows;
}

bool ChainRequest::usesChainBuilder() const {
    if (resizeKernel || alphaTest >= 0 || normalMap || wrapGiven)
        return true;
    if (!mipKernel)
        return false;
    return !(*mipKernel == MipKernel::Box && colorSpace == ColorSpace::Linear);
}

MipChainOptions ChainRequest::chainOptions(D3DFORMAT format) const {
    MipChainOptions options;
    options.kernel = mipKernel.value_or(MipKernel::Box);
    options.edge = edge;
    options.normalMap = normalMap;
    options.alphaTest = alphaTest;
    const PixelFormatInfo& info = getFormatInfo(format);
    const bool eightBitColour = info.redBits != 0 && info.redBits <= 8 && info.category != Bump;
    options.srgb = !normalMap && (colorSpace == ColorSpace::Srgb ||
                                  (colorSpace == ColorSpace::Default && eightBitColour));
    return options;
}

bool ChainRequest::check(std::string* error) const {
    if (normalMap && colorSpace == ColorSpace::Srgb) {
        *error = "--normal-map filters vectors, without the sRGB curve: --colorspace srgb "
                 "does not apply";
        return false;
    }
    if (normalMap && format != D3DFMT_UNKNOWN && !holdsVectors(format)) {
        *error = "--normal-map needs a format with red and green channels at least";
        return false;
    }
    if (!mipKernel && (alphaTest >= 0 || normalMap || wrapGiven)) {
        *error = "--alpha-test, --normal-map and --wrap need a --mip-filter of box, triangle, "
                 "kaiser, lanczos or mitchell";
        return false;
    }
    return true;
}

const char chainOptionsHelp[] =
    "  --mip-filter KERNEL\n"
    "                    the lower levels, each made from the one above it: box (area\n"
    "                    average), triangle (tent, radius 1), kaiser (the default; Kaiser-\n"
    "                    windowed sinc, radius 3, alpha 4, stretch 1), lanczos (radius 3) or\n"
    "                    mitchell (B = C = 1/3, radius 2), radii in output texels; or a\n"
    "                    filter word of the loader (point, linear, triangle+dither ...), which\n"
    "                    builds the chain as a load does. '--mip-filter box --colorspace\n"
    "                    linear' gives the chain a load makes, byte for byte\n"
    "  --filter KERNEL   resizing when --width or --height change the size: one of the kernels\n"
    "                    above, or a filter word of the loader; the default is the loader's\n"
    "                    triangle+dither\n"
    "  --wrap EDGE       what the kernels see beyond an edge: clamp (the default; the edge\n"
    "                    texel), repeat (the texture tiles) or mirror\n"
    "  --colorspace CS   srgb: colour decoded with the sRGB curve to linear light, filtered,\n"
    "                    encoded back with rounding (the default for formats of 8 bits or\n"
    "                    fewer a colour channel); linear: the values filtered as they are.\n"
    "                    Either way colour is weighted by alpha, so transparent texels lend\n"
    "                    none of their colour\n"
    "  --alpha-test REF  0 to 255: every level keeps the share of texels with alpha >= REF\n"
    "                    that level 0 has (each level's alpha scaled to it); off by default\n"
    "  --normal-map      red, green, blue are a vector (0..255 for -1..1): filtered as\n"
    "                    vectors, made unit length at every level, no sRGB curve; refused\n"
    "                    with a format of one colour channel (L8, A8 ...)\n";
