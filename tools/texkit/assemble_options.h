// The command line of texkit assemble: a cube map from six pictures or a volume from slices,
// the texture request with a converter's defaults, and the DDS file to write.
#pragma once

#include "tools/texkit/command_line.h"
#include "tools/texkit/chain_request.h"

#include <cstdio>
#include <string>
#include <vector>

struct AssembleOptions : ChainRequest {
    // As convert: the pictures' size and a format that keeps them, the full chain by the Kaiser
    // kernel in linear light (a volume's too, along depth first), no colour key, the high-quality
    // block encoder.
    AssembleOptions() {
        format = D3DFMT_UNKNOWN;
        filter = FilterDefault;
        mipFilter = FilterBox;
        colorKey = 0;
        highQualityBlocks = true;
    }

    bool cube = false;
    bool volume = false;
    std::vector<std::string> pictures; // faces +X -X +Y -Y +Z -Z, or slices front to back
    std::string outputPath;
};

// Fills `options` from the arguments after the verb; on Wrong, `error` says what was wrong.
CommandLine parseAssembleOptions(std::span<const std::string> arguments, AssembleOptions* options,
                                 std::string* error);

void printAssembleUsage(FILE* to);
void printAssembleHelp(FILE* to);
