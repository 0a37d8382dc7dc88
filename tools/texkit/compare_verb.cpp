// texkit compare: decodes two texture files and prints how they differ, level by level and for
// the whole chain; writes the heat map of the differences and fails a build on a quality drop.
#include "tools/png_writer.h"
#include "tools/texkit/compare_options.h"
#include "tools/texkit/heat_map.h"
#include "tools/texkit/level_measures.h"
#include "tools/texkit/texture_difference.h"
#include "tools/texkit/verbs.h"

#include <cmath>
#include <cstdio>

namespace {

std::string decibels(double value) {
    if (std::isinf(value))
        return "inf";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

std::string figures(const LevelDifference& d) {
    return "rgb_psnr=" + decibels(rgbPsnr(d.rgbSquares, d.pixels)) +
           " alpha_psnr=" + decibels(alphaPsnr(d.alphaSquares, d.pixels)) +
           " max_error=" + std::to_string(d.largestError) +
           " differing=" + std::to_string(d.differing);
}

void printLevel(const LevelDifference& d) {
    char size[64];
    int used = std::snprintf(size, sizeof size, "%ux%u", d.width, d.height);
    if (d.volume)
        used += std::snprintf(size + used, sizeof size - used, "x%u", d.depth);
    if (d.faces > 1)
        std::snprintf(size + used, sizeof size - used, " faces=%u", d.faces);
    std::printf("level=%u size=%s %s\n", d.level, size, figures(d).c_str());
}

bool decode(const std::string& path, DecodedTexture* texture) {
    std::string reason;
    if (SUCCEEDED(decodeTextureFile(path, texture, &reason)))
        return true;
    std::fprintf(stderr, "texkit compare: %s: %s\n", path.c_str(), reason.c_str());
    return false;
}

} // namespace

int runCompare(const Invocation&, std::span<const std::string> arguments) {
    CompareOptions options;
    std::string error;
    switch (parseCompareOptions(arguments, &options, &error)) {
    case CommandLine::Help:
        printCompareHelp(stdout);
        return 0;
    case CommandLine::Wrong:
        std::fprintf(stderr, "texkit compare: %s\n", error.c_str());
        printCompareUsage(stderr);
        return 2;
    case CommandLine::Run:
        break;
    }
    DecodedTexture first, second;
    if (!decode(options.first, &first) || !decode(options.second, &second))
        return 1;
    std::string refusal;
    const std::vector<UINT> levels =
        comparableLevels(first, second, options.levelGiven ? &options.level : nullptr, &refusal);
    if (levels.empty()) {
        std::fprintf(stderr, "texkit compare: %s and %s are not compared: %s\n",
                     options.first.c_str(), options.second.c_str(), refusal.c_str());
        return 1;
    }

    std::vector<LevelDifference> differences;
    for (const UINT level : levels) {
        differences.push_back(compareLevel(first, second, level, !options.heatMapPath.empty()));
        printLevel(differences.back());
        if (options.alphaTest >= 0)
            std::printf("level=%u alpha_test=%d coverage_a=%.4f coverage_b=%.4f\n", level,
                        options.alphaTest, levelCoverage(first, level, uint8_t(options.alphaTest)),
                        levelCoverage(second, level, uint8_t(options.alphaTest)));
        if (options.normalMap) {
            const NormalAngles angles = normalAngles(first, second, level);
            std::printf("level=%u mean_angle=%.3f max_angle=%.3f\n", level, angles.meanDegrees,
                        angles.largestDegrees);
        }
    }
    const LevelDifference total = totalOf(differences);
    std::printf("chain levels=%zu pixels=%llu %s\n", differences.size(),
                static_cast<unsigned long long>(total.pixels), figures(total).c_str());
    std::fflush(stdout);

    if (!options.heatMapPath.empty()) {
        const HeatPicture heat = drawHeatMap(differences);
        if (!tools::writePng(options.heatMapPath, heat.pixels.data(), heat.width, heat.height,
                             heat.width, false, &error)) {
            std::fprintf(stderr, "texkit compare: %s\n", error.c_str());
            return 1;
        }
    }
    if (options.minimumGiven) {
        for (const LevelDifference& d : differences) {
            const double psnr = rgbPsnr(d.rgbSquares, d.pixels);
            if (psnr < options.minimumPsnr) {
                std::fprintf(stderr, "texkit compare: level %u: RGB PSNR %s dB is below %s dB\n",
                             d.level, decibels(psnr).c_str(),
                             decibels(options.minimumPsnr).c_str());
                return 1;
            }
        }
    }
    return 0;
}
