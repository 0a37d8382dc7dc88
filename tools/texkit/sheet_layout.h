// Where texkit sheet puts things: one cell per mip level, largest first, from left to right,
// each holding the level's pictures (a flat level, a cube map's six faces in a cross, a
// volume's slices in a row) with its size written under them.
#pragma once

#include "tools/texkit/decoded_texture.h"

#include <string>
#include <vector>

inline constexpr UINT SheetMargin = 8;   // around everything
inline constexpr UINT SheetGap = 8;      // between cells
inline constexpr UINT MinCellWidth = 64; // so that the label of a tiny level fits
inline constexpr UINT LabelHeight = 20;  // under a cell's pictures, the system font's line

// One face or slice of a level, at (left, top) of the sheet.
struct SheetTile {
    UINT face = 0;
    UINT slice = 0;
    UINT left = 0;
    UINT top = 0;
};

struct SheetCell {
    UINT level = 0;
    UINT width = 0; // of one tile
    UINT height = 0;
    std::vector<SheetTile> tiles;
    RECT label = {}; // the box the size is written in, centred
    std::string text;
};

struct SheetLayout {
    UINT width = 0;
    UINT height = 0;
    std::vector<SheetCell> cells;
};

// The faces of a cube map are laid out as the horizontal cross: +Y above -X +Z +X -Z, -Y below.
SheetLayout layOutSheet(const DecodedTexture& texture);
