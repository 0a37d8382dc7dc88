// Parsing texinfo's command line.
#include "tools/texinfo/texinfo_options.h"

#include "platform_ext.h"
#include "tools/texinfo/format_names.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <strings.h>

const char texinfoUsage[] = "usage: texinfo FILE [OPTION]...\n"
                            "try 'texinfo --help' for the options\n";

const char texinfoHelp[] =
    "usage: texinfo FILE [OPTION]...\n"
    "\n"
    "Loads FILE into a texture of the software Direct3D 8 device, as createTextureFromFile\n"
    "does, and prints the result, what the file held (info.*) and the texture's levels\n"
    "(texture.*). Without options the request is the game's: the image's size, the full mip\n"
    "chain, usage 0, A8R8G8B8, managed pool, filter none, the default mip filter and the\n"
    "colour key 0xFFFF00FF. When the load fails only the result line is printed, the reason\n"
    "goes to standard error in one line, and the status is 1.\n"
    "\n"
    "  --format NAME     D3DFMT_A8R8G8B8, A8R8G8B8, a four-character code such as DXT1,\n"
    "                    or UNKNOWN to let the loader choose\n"
    "  --width N, --height N\n"
    "                    texture size; -1 or 0 takes the image's\n"
    "  --levels N        mip levels; 0 for the full chain\n"
    "  --usage N         D3DUSAGE bits, such as 0x200 for dynamic\n"
    "  --pool POOL       default, managed, systemmem or scratch\n"
    "  --filter WORD     scaling filter: none, point, linear, triangle or box, followed by\n"
    "                    any of +mirroru +mirrorv +mirrorw +mirror +dither; 'default'\n"
    "                    for triangle+dither; or a number\n"
    "  --mip-filter WORD mip filter, in the same words; 'default' for box\n"
    "  --key 0xAARRGGBB  colour key; 0 for none\n"
    "  --profile NAME    device capabilities, for example pow2,nomip (names joined by commas:\n"
    "                    pow2 square nomip pow2cond small noblend untransformed nodynamic\n"
    "                    fewformats desktop16)\n"
    "  --level L         the level that --png and --raw write (default 0)\n"
    "  --png OUT.png     writes the level as an 8-bit RGBA PNG file\n"
    "  --raw OUT.bin     writes the level's bytes as stored, rows without padding\n"
    "  --dds OUT.dds     writes every level, in the texture's format, as a DDS file; a\n"
    "                    paletted texture keeps its palette (use --pool scratch for P8)\n"
    "  --help            shows this text\n"
    "\n"
    "For example, texinfo photo.png --format DXT5 --key 0 --dds photo.dds makes a compressed,\n"
    "mipmapped texture file of any picture.\n";

namespace {

// A whole argument as an unsigned 32-bit number: decimal, 0x hexadecimal, or -1.
bool parseNumber(const std::string& text, uint32_t* value) {
    if (text == "-1") {
        *value = 0xFFFFFFFFu;
        return true;
    }
    if (text.empty() || text[0] == '-' || text[0] == '+')
        return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || parsed > 0xFFFFFFFFull)
        return false;
    *value = uint32_t(parsed);
    return true;
}

bool parsePool(const std::string& text, D3DPOOL* pool) {
    static const char* const names[] = {"default", "managed", "systemmem", "scratch"};
    for (DWORD i = 0; i < 4; ++i) {
        if (strcasecmp(text.c_str(), names[i]) == 0) {
            *pool = D3DPOOL(i);
            return true;
        }
    }
    return false;
}

struct FilterWord {
    const char* name;
    ImageFilter bits;
};

constexpr FilterWord filterKindTable[] = {
    {"none", FilterNone},         {"point", FilterPoint}, {"linear", FilterLinear},
    {"triangle", FilterTriangle}, {"box", FilterBox},
};

constexpr FilterWord filterFlagTable[] = {
    {"mirroru", FilterMirrorU}, {"mirrorv", FilterMirrorV}, {"mirrorw", FilterMirrorW},
    {"mirror", FilterMirror},   {"dither", FilterDither},
};

bool lookUp(const std::string& word, const FilterWord* table, size_t count, ImageFilter* bits) {
    std::string name = word;
    if (strncasecmp(name.c_str(), "Filter", 6) == 0)
        name.erase(0, 6);
    for (size_t i = 0; i < count; ++i) {
        if (strcasecmp(name.c_str(), table[i].name) == 0) {
            *bits = table[i].bits;
            return true;
        }
    }
    return false;
}

// "box", "triangle+dither", "default" or a number. The word is passed on as given; the loader
// refuses filter words it does not know.
bool parseFilter(const std::string& text, ImageFilter* filter) {
    if (strcasecmp(text.c_str(), "default") == 0) {
        *filter = FilterDefault;
        return true;
    }
    if (parseNumber(text, filter))
        return true;
    size_t start = 0;
    ImageFilter word = 0;
    for (bool first = true; start <= text.size(); first = false) {
        const size_t end = std::min(text.find('+', start), text.size());
        ImageFilter bits = 0;
        const std::string part = text.substr(start, end - start);
        const bool known = first ? lookUp(part, filterKindTable, std::size(filterKindTable), &bits)
                                 : lookUp(part, filterFlagTable, std::size(filterFlagTable), &bits);
        if (!known)
            return false;
        word |= bits;
        start = end + 1;
    }
    *filter = word;
    return true;
}

} // namespace

CommandLine parseTexinfoOptions(int argc, char** argv, TexinfoOptions* options,
                                std::string* error) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h")
            return CommandLine::Help;
        if (argument.rfind("--", 0) != 0) {
            if (!options->file.empty()) {
                *error = "more than one file: " + argument;
                return CommandLine::Wrong;
            }
            options->file = argument;
            continue;
        }
        if (i + 1 >= argc) {
            *error = argument + " needs a value";
            return CommandLine::Wrong;
        }
        const std::string value = argv[++i];
        bool ok = true;
        if (argument == "--format") {
            ok = parseFormatName(value, &options->format);
        } else if (argument == "--width") {
            ok = parseNumber(value, &options->width);
        } else if (argument == "--height") {
            ok = parseNumber(value, &options->height);
        } else if (argument == "--levels") {
            ok = parseNumber(value, &options->levels);
        } else if (argument == "--usage") {
            ok = parseNumber(value, &options->usage);
        } else if (argument == "--pool") {
            ok = parsePool(value, &options->pool);
        } else if (argument == "--filter") {
            ok = parseFilter(value, &options->filter);
        } else if (argument == "--mip-filter") {
            ok = parseFilter(value, &options->mipFilter);
        } else if (argument == "--key") {
            ok = parseNumber(value, &options->colorKey);
        } else if (argument == "--profile") {
            options->profileGiven = true;
            ok = platform_ext::parseDeviceProfile(value.c_str(), &options->profile);
        } else if (argument == "--level") {
            ok = parseNumber(value, &options->level);
        } else if (argument == "--png") {
            options->pngPath = value;
        } else if (argument == "--raw") {
            options->rawPath = value;
        } else if (argument == "--dds") {
            options->ddsPath = value;
        } else {
            *error = "unknown option " + argument;
            return CommandLine::Wrong;
        }
        if (!ok) {
            *error = "cannot read " + argument + " " + value;
            return CommandLine::Wrong;
        }
    }
    if (options->file.empty()) {
        *error = "no file given";
        return CommandLine::Wrong;
    }
    return CommandLine::Run;
}
