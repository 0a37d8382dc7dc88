// Format names for people: D3DFMT_ names, short names and four-character codes.
#pragma once

#include "d3d8.h"

#include <cstdint>
#include <string>

// The four characters of a coded format ("DXT1"), else the D3DFMT_ name, else the number.
std::string formatName(uint32_t format);

// Accepts "D3DFMT_A8R8G8B8", "A8R8G8B8" or a four-character code such as "DXT1".
bool parseFormatName(const std::string& text, D3DFORMAT* format);
