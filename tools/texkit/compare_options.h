// The command line of texkit compare: two texture files, the level to compare (all by
// default), the heat map to write and the quality a build may require.
#pragma once

#include "tools/texkit/command_line.h"

#include <cstdio>
#include <string>

struct CompareOptions {
    std::string first;
    std::string second;
    bool levelGiven = false;
    UINT level = 0;
    std::string heatMapPath; // empty: none
    bool minimumGiven = false;
    double minimumPsnr = 0; // dB of RGB PSNR every compared level must reach
    int alphaTest = -1;     // 0 to 255: print each level's coverage in both files
    bool normalMap = false; // print the angles between the files' normals
};

// Fills `options` from the arguments after the verb; on Wrong, `error` says what was wrong.
CommandLine parseCompareOptions(std::span<const std::string> arguments, CompareOptions* options,
                                std::string* error);

void printCompareUsage(FILE* to);
void printCompareHelp(FILE* to);
