// The command line of texinfo: a picture file and the loader's request, whose defaults are the
// game's own request, plus what to write out: one level, or every level as a DDS file.
#pragma once

#include "blit/blit_surface.h"
#include "d3d8.h"

#include <cstdint>
#include <string>

struct TexinfoOptions {
    std::string file;
    UINT width = 0xFFFFFFFFu; // the image's
    UINT height = 0xFFFFFFFFu;
    UINT levels = 0; // the full chain
    DWORD usage = 0;
    D3DFORMAT format = D3DFMT_A8R8G8B8;
    D3DPOOL pool = D3DPOOL_MANAGED;
    ImageFilter filter = FilterNone;
    ImageFilter mipFilter = FilterDefault;
    D3DCOLOR colorKey = 0xFFFF00FF;
    bool profileGiven = false;
    uint32_t profile = 0;
    UINT level = 0;
    std::string pngPath; // empty: no PNG
    std::string rawPath; // empty: no raw bytes
    std::string ddsPath; // empty: no DDS file
};

enum class CommandLine { Run, Help, Wrong };

// Fills `options` from the arguments; on Wrong, `error` says what was wrong.
CommandLine parseTexinfoOptions(int argc, char** argv, TexinfoOptions* options, std::string* error);

// The one-line usage that follows a usage error, and the whole help.
extern const char texinfoUsage[];
extern const char texinfoHelp[];
