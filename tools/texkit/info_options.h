// The command line of texkit info (and texinfo): a picture file and the loader's request,
// whose defaults are the game's own request, plus what to write out: one level, or every level
// as a DDS file.
#pragma once

#include "tools/texkit/command_line.h"
#include "tools/texkit/texture_request.h"

#include <cstdio>
#include <string>

// The request's fields come first; the table of request options reads them.
struct InfoOptions : TextureRequest {
    std::string file;
    UINT level = 0;
    std::string pngPath; // empty: no PNG
    std::string rawPath; // empty: no raw bytes
    std::string ddsPath; // empty: no DDS file
    bool json = false;   // the same facts as one JSON object
    bool poolGiven = false;
};

// Fills `options` from the arguments after the verb; on Wrong, `error` says what was wrong.
CommandLine parseInfoOptions(std::span<const std::string> arguments, InfoOptions* options,
                             std::string* error);

// The one-line usage that follows a usage error, and the whole help.
void printInfoUsage(const Invocation& invocation, FILE* to);
void printInfoHelp(const Invocation& invocation, FILE* to);
