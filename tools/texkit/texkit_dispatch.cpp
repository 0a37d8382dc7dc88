// texkit's verb dispatch: the verb table, the usage and help texts, and the choice of verb from
// the first argument (or the name the program was called by).
#include "tools/texkit/verbs.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <vector>

namespace {

struct VerbRow {
    const char* name;
    const char* summary;
    int (*run)(const Invocation& invocation, std::span<const std::string> arguments);
};

constexpr VerbRow verbTable[] = {
    {"info", "load one picture as the game does and print what it became", runInfo},
    {"convert", "convert pictures and folders of them into DDS files, on every core", runConvert},
    {"compare", "compare two textures level by level: PSNR, largest error, heat map", runCompare},
    {"sheet", "draw every level (cube faces, volume slices) of a texture on one picture", runSheet},
    {"assemble", "build a cube map or a volume DDS file from pictures", runAssemble},
};

void printUsage(FILE* to) {
    std::fputs("usage: texkit VERB [OPTION]... [FILE]...\n"
               "try 'texkit --help' for the verbs\n",
               to);
}

void printHelp() {
    std::puts("usage: texkit VERB [OPTION]... [FILE]...\n"
              "\n"
              "The texture tool of the Bosquetir toolkit. Verbs:\n");
    for (const VerbRow& verb : verbTable)
        std::printf("  %-9s %s\n", verb.name, verb.summary);
    std::puts(
        "\n'texkit VERB --help' lists the options of a verb. Called as texinfo, the program is\n"
        "'texkit info'.");
}

const char* baseName(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return slash != nullptr ? slash + 1 : path;
}

} // namespace

int runTexkit(const char* calledAs, const std::vector<std::string>& arguments) {
    if (calledAs != nullptr && std::strcmp(baseName(calledAs), "texinfo") == 0)
        return runInfo({"texinfo", ""}, arguments);
    if (arguments.empty()) {
        std::fputs("texkit: no verb given\n", stderr);
        printUsage(stderr);
        return 2;
    }
    if (arguments[0] == "--help" || arguments[0] == "-h") {
        printHelp();
        return 0;
    }
    for (const VerbRow& verb : verbTable) {
        if (arguments[0] == verb.name)
            return verb.run({"texkit", verb.name}, std::span(arguments).subspan(1));
    }
    std::fprintf(stderr, "texkit: unknown verb %s\n", arguments[0].c_str());
    printUsage(stderr);
    return 2;
}
