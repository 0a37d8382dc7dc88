// Parsing the command line of texkit compare.
#include "tools/texkit/compare_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <iterator>

namespace {

using Row = OptionRow<CompareOptions>;

bool parseDecibels(const std::string& text, double* value) {
    errno = 0;
    char* end = nullptr;
    const double parsed = std::strtod(text.c_str(), &end);
    if (text.empty() || errno != 0 || *end != '\0' || std::isnan(parsed))
        return false;
    *value = parsed;
    return true;
}

constexpr Row compareRows[] = {
    {"--level", nullptr, "L",
     [](const std::string& v, CompareOptions* o) {
         o->levelGiven = true;
         return parseNumber(v, &o->level);
     }},
    {"--heatmap", nullptr, "OUT.png",
     [](const std::string& v, CompareOptions* o) {
         o->heatMapPath = v;
         return !v.empty();
     }},
    {"--min-psnr", nullptr, "DB",
     [](const std::string& v, CompareOptions* o) {
         o->minimumGiven = true;
         return parseDecibels(v, &o->minimumPsnr);
     }},
    {"--alpha-test", nullptr, "REF",
     [](const std::string& v, CompareOptions* o) {
         uint32_t reference = 0;
         if (!parseNumber(v, &reference) || reference > 255)
             return false;
         o->alphaTest = int(reference);
         return true;
     }},
    {"--normal-map", nullptr, nullptr,
     [](const std::string&, CompareOptions* o) { return o->normalMap = true; }},
};
static_assert(std::size(compareRows) == 5);

const char compareHelpText[] =
    "usage: texkit compare A B [OPTION]...\n"
    "\n"
    "Decodes two texture files (any container and format the loader reads, block-compressed\n"
    "levels decoded, no colour key) and compares them level by level. Each line gives a\n"
    "level's size, its RGB PSNR (the squared errors of red, green and blue pooled), its alpha\n"
    "PSNR, the largest error of any channel and the number of pixels that differ in any\n"
    "channel; the last line does the same for every compared level together. Equal pixels give\n"
    "a PSNR of inf. The levels of a cube map are its six faces, of a volume its slices.\n"
    "\n"
    "Which levels: every level, when both files have as many; only level 0 when one of them\n"
    "is a single picture (a PNG file against the DDS file made from it). Two chains of\n"
    "different lengths, levels of different sizes or a cube map against a flat texture are\n"
    "refused before anything is compared, with status 1.\n"
    "\n"
    "  --level L         compares only level L, which both files must have\n"
    "  --heatmap OUT.png writes every compared level side by side, each pixel coloured by its\n"
    "                    largest channel error: 0 black, then blue (8), green (16), yellow\n"
    "                    (24) and red from 32 on; the ramp is drawn as a strip below\n"
    "  --min-psnr DB     status 1 when the RGB PSNR of any compared level is below DB\n"
    "  --alpha-test REF  also prints, per level, the share of texels with alpha >= REF (0 to\n"
    "                    255) in each file: 'level=L alpha_test=REF coverage_a=... coverage_b=...'\n"
    "  --normal-map      also prints, per level, the mean and largest angle in degrees between\n"
    "                    the two files' normals (red, green, blue as -1..1, made unit length;\n"
    "                    a file of red and green only, BC5 or G16R16, has z rebuilt from them):\n"
    "                    'level=L mean_angle=... max_angle=...'\n"
    "  --help            shows this text\n"
    "\n"
    "Status: 0 compared (and good enough), 1 refused, unreadable or below --min-psnr, 2 a\n"
    "usage error.\n";

} // namespace

CommandLine parseCompareOptions(std::span<const std::string> arguments, CompareOptions* options,
                                std::string* error) {
    std::vector<std::string> files;
    const CommandLine result =
        parseCommandLine(arguments, options, &files, error, std::span<const Row>(compareRows));
    if (result != CommandLine::Run)
        return result;
    if (files.size() != 2) {
        *error = files.size() < 2 ? "two files are compared" : "more than two files: " + files[2];
        return CommandLine::Wrong;
    }
    options->first = files[0];
    options->second = files[1];
    return CommandLine::Run;
}

void printCompareUsage(FILE* to) {
    std::fputs(
        "usage: texkit compare A B [OPTION]...\ntry 'texkit compare --help' for the options\n", to);
}

void printCompareHelp(FILE* to) {
    std::fputs(compareHelpText, to);
}
