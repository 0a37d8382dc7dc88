// Parsing the command line of texkit info.
#include "tools/texkit/info_options.h"

#include <iterator>

namespace {

using Row = OptionRow<InfoOptions>;

// The request's options are shared with the other verbs; these are info's own.
constexpr Row infoRows[] = {
    {"--usage", nullptr, "N",
     [](const std::string& v, InfoOptions* o) { return parseNumber(v, &o->usage); }},
    {"--pool", nullptr, "POOL",
     [](const std::string& v, InfoOptions* o) {
         o->poolGiven = true;
         return parsePool(v, &o->pool);
     }},
    {"--level", nullptr, "L",
     [](const std::string& v, InfoOptions* o) { return parseNumber(v, &o->level); }},
    {"--png", nullptr, "OUT.png",
     [](const std::string& v, InfoOptions* o) {
         o->pngPath = v;
         return true;
     }},
    {"--raw", nullptr, "OUT.bin",
     [](const std::string& v, InfoOptions* o) {
         o->rawPath = v;
         return true;
     }},
    {"--dds", nullptr, "OUT.dds",
     [](const std::string& v, InfoOptions* o) {
         o->ddsPath = v;
         return true;
     }},
    {"--json", nullptr, nullptr, [](const std::string&, InfoOptions* o) { return o->json = true; }},
};
static_assert(std::size(infoRows) == 7);

const char infoHelpText[] =
    "\n"
    "Loads FILE into a texture of the software Direct3D 8 device, as createTextureFromFile\n"
    "does, and prints the result, what the file held (info.*) and the texture's levels\n"
    "(texture.*). Without options the request is the game's: the image's size, the full mip\n"
    "chain, usage 0, A8R8G8B8, managed pool, filter none, the default mip filter and the\n"
    "colour key 0xFFFF00FF. When the load fails only the result line is printed, the reason\n"
    "goes to standard error in one line, and the status is 1.\n"
    "\n"
    "  --format NAME     D3DFMT_A8R8G8B8, A8R8G8B8, a four-character code such as DXT1,\n"
    "                    BC4, BC5, BC4S, BC5S, BC7, or UNKNOWN to let the loader choose\n"
    "  --width N, --height N\n"
    "                    texture size; -1 or 0 takes the image's\n"
    "  --levels N        mip levels; 0 for the full chain\n"
    "  --usage N         D3DUSAGE bits, such as 0x200 for dynamic\n"
    "  --pool POOL       default, managed, systemmem or scratch; with --dds, a block format\n"
    "                    the device does not sample (BC4, BC5, BC7) is made in scratch, so\n"
    "                    that the file holds it, and another pool or a usage is refused\n"
    "  --filter WORD     scaling filter: none, point, linear, triangle or box, followed by\n"
    "                    any of +mirroru +mirrorv +mirrorw +mirror +dither; 'default'\n"
    "                    for triangle+dither; or a number\n"
    "  --mip-filter WORD mip filter, in the same words; 'default' for box\n"
    "  --key 0xAARRGGBB  colour key; 0 for none\n"
    "  --profile NAME    device capabilities, for example pow2,nomip (names joined by commas:\n"
    "                    pow2 square nomip pow2cond small noblend untransformed nodynamic\n"
    "                    fewformats desktop16)\n"
    "  --quality Q       the block encoder: exact (the default), the blocks a load makes,\n"
    "                    or high, the converter's slower and closer ones (fast and best:\n"
    "                    BC7's other levels, as texkit convert says)\n"
    "  --level L         the level that --png and --raw write (default 0)\n"
    "  --png OUT.png     writes the level as an 8-bit RGBA PNG file\n"
    "  --raw OUT.bin     writes the level's bytes as stored, rows without padding\n"
    "  --dds OUT.dds     writes every level, in the texture's format, as a DDS file (BC7\n"
    "                    with the DX10 header); a paletted texture keeps its palette (use\n"
    "                    --pool scratch for P8)\n"
    "  --json            prints the same facts as one JSON object on one line: result,\n"
    "                    info {width, height, depth, mipLevels, format, resourceType,\n"
    "                    imageFileFormat} and texture {levels, level: [{width, height,\n"
    "                    format}]}; a failed load prints the result only\n"
    "  --help            shows this text\n"
    "\n"
    "For example, %s photo.png --format DXT5 --key 0 --dds photo.dds makes a compressed,\n"
    "mipmapped texture file of any picture.\n";

} // namespace

CommandLine parseInfoOptions(std::span<const std::string> arguments, InfoOptions* options,
                             std::string* error) {
    std::vector<std::string> files;
    const CommandLine result = parseCommandLine(
        arguments, options, &files, error, std::span<const Row>(infoRows), requestOptionTable());
    if (result != CommandLine::Run)
        return result;
    if (files.empty()) {
        *error = "no file given";
        return CommandLine::Wrong;
    }
    if (files.size() > 1) {
        *error = "more than one file: " + files[1];
        return CommandLine::Wrong;
    }
    options->file = files[0];
    return CommandLine::Run;
}

void printInfoUsage(const Invocation& invocation, FILE* to) {
    std::fprintf(to, "usage: %s FILE [OPTION]...\ntry '%s --help' for the options\n",
                 invocation.command().c_str(), invocation.command().c_str());
}

void printInfoHelp(const Invocation& invocation, FILE* to) {
    std::fprintf(to, "usage: %s FILE [OPTION]...\n", invocation.command().c_str());
    std::fprintf(to, infoHelpText, invocation.command().c_str());
}
