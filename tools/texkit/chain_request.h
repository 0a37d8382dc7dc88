// How convert and assemble make mip levels and resize: the kernels of blit's mip chain builder
// (or a filter word of the loader, as before), edges, colour space, alpha-tested coverage and
// normal maps, with the options that say them.
#pragma once

#include "blit/mip_chain.h"
#include "tools/texkit/texture_request.h"

#include <optional>
#include <string>

enum class ColorSpace { Default, Srgb, Linear };

struct ChainRequest : TextureRequest {
    // Unset: the loader's filter word in mipFilter (or filter) does the work, as texkit info's
    // loads do.
    std::optional<MipKernel> mipKernel = MipKernel::Kaiser;
    bool mipKernelGiven = false; // --mip-filter was on the command line
    std::optional<MipKernel> resizeKernel;
    bool wrapGiven = false;
    EdgeMode edge = EdgeMode::Clamp;
    ColorSpace colorSpace = ColorSpace::Default; // sRGB for 8-bit colour formats
    int alphaTest = -1;
    bool normalMap = false;

    // Whether blit's mip chain builder makes the texture; otherwise the loader alone does,
    // which `--mip-filter box --colorspace linear` asks for: the chain a load makes.
    bool usesChainBuilder() const;
    // The builder's options for a texture of `format`.
    MipChainOptions chainOptions(D3DFORMAT format) const;
    // A combination that cannot be honoured, named in *error.
    bool check(std::string* error) const;
};

// --filter, --mip-filter, --wrap, --colorspace, --alpha-test and --normal-map; put before the
// texture request's table so that its --filter and --mip-filter rows are not reached.
std::span<const OptionRow<ChainRequest>> chainOptionTable();

// The --help lines of those options.
extern const char chainOptionsHelp[];
