// Format names for people: D3DFMT_ names, short names and four-character codes.
#pragma once

#include "d3d8.h"

#include <cstdint>
#include <string>

// BC4, BC4S, BC5, BC5S, BC7 for the later block formats, else the four characters of a coded
// format ("DXT1"), else the D3DFMT_ name, else the number.
std::string formatName(uint32_t format);

// Accepts "D3DFMT_A8R8G8B8", "A8R8G8B8", a four-character code such as "DXT1", or the name of a
// later block format (BC4, BC5, BC7, with S for signed; ATI1, ATI2, BC4U, BC5U). Names are read
// in any case ("dxt1", "bc7"); other four characters are taken as a code as they are.
bool parseFormatName(const std::string& text, D3DFORMAT* format);
