// Parsing the command line of texkit convert.
#include "tools/texkit/convert_options.h"

#include "blit/pixel_codec.h"
#include "tools/texkit/format_names.h"

#include <iterator>

namespace {

using Row = OptionRow<ConvertOptions>;

// "N" pixels, or "W x H" / "WxH".
bool parsePixelCount(const std::string& text, uint64_t* pixels) {
    const size_t x = text.find_first_of("xX");
    uint32_t first = 0, second = 1;
    if (x == std::string::npos) {
        if (!parseNumber(text, &first))
            return false;
    } else if (!parseNumber(text.substr(0, x), &first) ||
               !parseNumber(text.substr(x + 1), &second)) {
        return false;
    }
    *pixels = uint64_t(first) * second;
    return *pixels != 0 && first != 0xFFFFFFFFu && second != 0xFFFFFFFFu;
}

bool setSwitch(bool* flag) {
    *flag = true;
    return true;
}

constexpr Row convertRows[] = {
    {"--output", "-o", "DIR",
     [](const std::string& v, ConvertOptions* o) {
         o->outputFolder = v;
         return !v.empty();
     }},
    {"--recursive", "-r", nullptr,
     [](const std::string&, ConvertOptions* o) { return setSwitch(&o->recursive); }},
    {"--png", nullptr, nullptr,
     [](const std::string&, ConvertOptions* o) { return setSwitch(&o->png); }},
    {"--force", nullptr, nullptr,
     [](const std::string&, ConvertOptions* o) { return setSwitch(&o->force); }},
    {"--update", nullptr, nullptr,
     [](const std::string&, ConvertOptions* o) { return setSwitch(&o->update); }},
    {"--jobs", "-j", "N",
     [](const std::string& v, ConvertOptions* o) {
         uint32_t jobs = 0;
         if (!parseNumber(v, &jobs) || jobs == 0 || jobs > 256)
             return false;
         o->jobs = jobs;
         return true;
     }},
    {"--max-pixels", nullptr, "N",
     [](const std::string& v, ConvertOptions* o) { return parsePixelCount(v, &o->maxPixels); }},
    {"--quiet", "-q", nullptr,
     [](const std::string&, ConvertOptions* o) { return setSwitch(&o->quiet); }},
    {"--json", nullptr, nullptr,
     [](const std::string&, ConvertOptions* o) { return setSwitch(&o->json); }},
    {"--dds10", nullptr, nullptr,
     [](const std::string&, ConvertOptions* o) { return setSwitch(&o->dds10); }},
};
static_assert(std::size(convertRows) == 10);

} // namespace

CommandLine parseConvertOptions(std::span<const std::string> arguments, ConvertOptions* options,
                                std::string* error) {
    const CommandLine result =
        parseCommandLine(arguments, options, &options->inputs, error,
                         std::span<const Row>(convertRows), chainOptionTable(),
                         requestOptionTable());
    if (result != CommandLine::Run)
        return result;
    if (!options->check(error))
        return CommandLine::Wrong;
    if (options->inputs.empty()) {
        *error = "no input given";
        return CommandLine::Wrong;
    }
    if (options->outputFolder.empty()) {
        *error = "no output folder given (-o DIR)";
        return CommandLine::Wrong;
    }
    // A block format whose encoder this build lacks is refused before any file is read.
    if (isBlockCompressed(options->format) && !hasPixelCodec(options->format)) {
        *error = "this build cannot make " + formatName(options->format) + " blocks";
        return CommandLine::Wrong;
    }
    return CommandLine::Run;
}

void printConvertUsage(FILE* to) {
    std::fputs("usage: texkit convert INPUT... -o DIR [OPTION]...\n"
               "try 'texkit convert --help' for the options\n",
               to);
}

void printConvertHelp(FILE* to) {
    std::fputs(
        "usage: texkit convert INPUT... -o DIR [OPTION]...\n"
        "\n"
        "Converts pictures into DDS files (every mip level, in the texture's format), on every\n"
        "core, with the same bytes whatever the number of workers. An INPUT is a picture file\n"
        "(read by whichever decoder accepts its bytes), a folder (its .bmp .dib .tga .ppm .png\n"
        ".jpg .jpeg and .dds files, in any case) or @LIST (a file naming one input a line).\n"
        "Each output lands under DIR at the input's path relative to the folder it was found\n"
        "in, with .dds (or .png). Inputs are never written over; an output is written to a\n"
        "temporary file beside it and renamed into place when complete.\n"
        "\n"
        "Without options the texture keeps the picture's size and format, has the full mip\n"
        "chain made by the Kaiser kernel in linear light (clamped edges, colour weighted by\n"
        "alpha), no colour key (magenta stays magenta), and blocks from the high-quality\n"
        "encoder. A DDS input that holds its own levels keeps them (and its size).\n"
        "\n"
        "  -o, --output DIR  the folder the outputs are written under (made when missing)\n"
        "  -r, --recursive   descend into the subfolders of a folder input\n"
        "  --format NAME     A8R8G8B8, DXT1 ... DXT5, any format texkit info knows, or UNKNOWN\n"
        "                    (the default) to keep the picture's; also BC4 (one channel, the\n"
        "                    picture's grey; ATI1), BC5 (red and green; ATI2), BC4S and BC5S\n"
        "                    (signed), BC7 (colour and alpha). No device samples these, so\n"
        "                    their textures are made outside any --profile's limits\n"
        "  --width N, --height N\n"
        "                    texture size; -1 or 0 (the default) takes the picture's\n"
        "  --levels N        mip levels; 0 (the default) for the full chain\n",
        to);
    std::fputs(chainOptionsHelp, to);
    std::fputs(
        "  --key 0xAARRGGBB  colour key: pixels of this colour become transparent black;\n"
        "                    the default 0 is none\n"
        "  --profile NAMES   device capabilities, for example pow2,nomip\n"
        "  --quality Q       the block encoder (high by default): exact, the blocks a load\n"
        "                    makes; high, slower and closer to the picture; fast and best\n"
        "                    choose BC7's quickest and closest levels (on photographs about\n"
        "                    44.9, 45.7 and 45.9 dB; the encoder alone makes 12, 2.5 and 0.44\n"
        "                    megapixels a second a core for fast, high, best, a whole run\n"
        "                    with its mip chain about half that); the other formats have one\n"
        "                    searching encoder, which fast, high and best all take\n"
        "  --dds10           writes the DX10 header (with the DXGI format) for formats that\n"
        "                    also have the older one; BC7 always has it\n"
        "  --png             writes level 0 as an 8-bit RGBA PNG file instead\n"
        "  --force           replaces existing outputs (else they are left alone and reported)\n"
        "  --update          skips outputs newer than their input, replaces older ones\n"
        "  -j, --jobs N      workers (default: one per processor)\n"
        "  --max-pixels N    refuses, from its header, a picture that declares more pixels\n"
        "                    (N or WxH; default 16384x16384)\n"
        "  -q, --quiet       prints only failures\n"
        "  --json            one JSON object per input on standard output\n"
        "  --help            shows this text\n"
        "\n"
        "Exit status: 0 when every input was converted or skipped as up to date, 1 when any\n"
        "failed, 2 for a usage error. Ctrl-C stops the run within one texture; outputs already\n"
        "written stay, temporary files are removed.\n",
        to);
}
