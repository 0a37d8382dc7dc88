// The command line of texkit convert: inputs (files, folders, @LIST files), the output folder,
// the texture request with a converter's defaults, and how the run behaves.
#pragma once

#include "tools/texkit/command_line.h"
#include "tools/texkit/chain_request.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct ConvertOptions : ChainRequest {
    // A converter keeps the picture as it is unless asked: its size (so no scaling) and format,
    // and no colour key; the full chain by the Kaiser kernel in linear light; and, as it works
    // offline, it writes the best blocks it can.
    ConvertOptions() {
        format = D3DFMT_UNKNOWN;
        filter = FilterDefault;
        mipFilter = FilterBox;
        colorKey = 0;
        highQualityBlocks = true;
    }

    std::vector<std::string> inputs;
    std::string outputFolder;
    bool recursive = false;
    bool png = false;    // level 0 as a PNG file instead of a DDS file of every level
    bool force = false;  // replace existing outputs
    bool update = false; // skip outputs newer than their input, replace older ones
    unsigned jobs = 0;   // workers; 0 for one per processor
    uint64_t maxPixels = uint64_t(16384) * 16384;
    bool quiet = false;
    bool json = false;
    bool dds10 = false; // the DX10 header for every format with a DXGI code
};

// Fills `options` from the arguments after the verb; on Wrong, `error` says what was wrong.
CommandLine parseConvertOptions(std::span<const std::string> arguments, ConvertOptions* options,
                                std::string* error);

void printConvertUsage(FILE* to);
void printConvertHelp(FILE* to);
