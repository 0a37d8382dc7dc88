// Parsing the command line of texkit assemble.
#include "tools/texkit/assemble_options.h"

#include "blocks/block_format.h"
#include "tools/texkit/format_names.h"

#include <iterator>

namespace {

using Row = OptionRow<AssembleOptions>;

constexpr Row assembleRows[] = {
    {"--cube", nullptr, nullptr,
     [](const std::string&, AssembleOptions* o) { return o->cube = true; }},
    {"--volume", nullptr, nullptr,
     [](const std::string&, AssembleOptions* o) { return o->volume = true; }},
    {"--output", "-o", "OUT.dds",
     [](const std::string& v, AssembleOptions* o) {
         o->outputPath = v;
         return !v.empty();
     }},
};
static_assert(std::size(assembleRows) == 3);

const char assembleHelpText[] =
    "usage: texkit assemble --cube PX NX PY NY PZ NZ -o OUT.dds [OPTION]...\n"
    "       texkit assemble --volume SLICE... -o OUT.dds [OPTION]...\n"
    "\n"
    "Builds a cube map from six square pictures of one size, given in the order +X, -X, +Y,\n"
    "-Y, +Z, -Z, or a volume from two or more pictures of one size, the first slice first,\n"
    "and writes it as a DDS file. Each picture goes through the blit engine into its face or\n"
    "slice (scaled, converted, keyed); the lower levels of a cube are made face by face with\n"
    "the mip kernels below (each face's edges clamped unless --wrap says otherwise), those of a\n"
    "volume by the same kernels, the slices combined along depth first (with the same edge\n"
    "rule), then each filtered as a picture; '--mip-filter box --colorspace linear' gives the\n"
    "loader's volume filter (each texel the mean of eight). A cube or volume in a block\n"
    "format keeps its faces' or slices' size (the edge blocks padded with the edge texels),\n"
    "as convert does; with the loader's chain the size is rounded to whole blocks.\n"
    "Wrong counts, mixed sizes and faces that are not square are refused with status 1, and\n"
    "nothing is written.\n"
    "\n"
    "  --cube, --volume  what to build\n"
    "  -o, --output OUT.dds\n"
    "                    the file to write\n"
    "  --format NAME     D3DFMT_A8R8G8B8, A8R8G8B8, DXT1 to DXT5, BC4, BC5, BC4S, BC5S,\n"
    "                    BC7 ...; by default A8R8G8B8 when a picture has alpha or a colour\n"
    "                    key is given, else X8R8G8B8. A format the device does not sample\n"
    "                    (BC4, BC5, BC7) is made in a scratch texture that keeps it; BC4 and\n"
    "                    BC5 hold no alpha, so a colour key or --alpha-test is refused\n"
    "  --width N, --height N\n"
    "                    face or slice size; by default the pictures'\n"
    "  --levels N        mip levels; 0 (the default) for the full chain\n";

const char assembleHelpTail[] =
    "  --key 0xAARRGGBB  colour key; 0 (the default) for none\n"
    "  --profile NAMES   device capabilities, as for texkit info\n"
    "  --quality Q       the block encoder: high (the default) for the best blocks, exact\n"
    "                    for the blocks a load makes, fast or best for BC7's other levels\n"
    "                    (as texkit convert says)\n"
    "  --help            shows this text\n";

} // namespace

CommandLine parseAssembleOptions(std::span<const std::string> arguments, AssembleOptions* options,
                                 std::string* error) {
    const CommandLine result =
        parseCommandLine(arguments, options, &options->pictures, error,
                         std::span<const Row>(assembleRows), chainOptionTable(),
                         requestOptionTable());
    if (result != CommandLine::Run)
        return result;
    if (!options->check(error))
        return CommandLine::Wrong;
    // One- and two-channel formats drop alpha: a key's transparency or an alpha-tested
    // coverage would be lost without a word.
    const bool noAlpha = options->format == D3DFORMAT(BlockFormatBc4) ||
                         options->format == D3DFORMAT(BlockFormatBc4Signed) ||
                         options->format == D3DFORMAT(BlockFormatBc5) ||
                         options->format == D3DFORMAT(BlockFormatBc5Signed);
    if (noAlpha && (options->colorKey != 0 || options->alphaTest >= 0)) {
        *error = formatName(options->format) + " holds no alpha: --key and --alpha-test do not "
                 "apply";
        return CommandLine::Wrong;
    }
    if (options->cube == options->volume) {
        *error = options->cube ? "--cube and --volume together" : "--cube or --volume is needed";
        return CommandLine::Wrong;
    }
    if (options->outputPath.empty()) {
        *error = "no output file (-o OUT.dds)";
        return CommandLine::Wrong;
    }
    return CommandLine::Run;
}

void printAssembleUsage(FILE* to) {
    std::fputs("usage: texkit assemble --cube PX NX PY NY PZ NZ -o OUT.dds [OPTION]...\n"
               "       texkit assemble --volume SLICE... -o OUT.dds [OPTION]...\n"
               "try 'texkit assemble --help' for the options\n",
               to);
}

void printAssembleHelp(FILE* to) {
    std::fputs(assembleHelpText, to);
    std::fputs(chainOptionsHelp, to);
    std::fputs(assembleHelpTail, to);
}
