// Laying out a contact sheet.
#include "tools/texkit/sheet_layout.h"

#include <algorithm>
#include <cstdio>

namespace {

// Column and row of each face in the cross, in face order +X, -X, +Y, -Y, +Z, -Z.
struct CrossPlace {
    UINT column;
    UINT row;
};
constexpr CrossPlace crossTable[6] = {{2, 1}, {0, 1}, {1, 0}, {1, 2}, {1, 1}, {3, 1}};

// A volume's levels keep their depth in the label, even at one slice.
std::string sizeText(const DecodedLevel& level, bool volume) {
    char text[48];
    if (volume)
        std::snprintf(text, sizeof text, "%ux%ux%u", level.width, level.height, level.depth);
    else
        std::snprintf(text, sizeof text, "%ux%u", level.width, level.height);
    return text;
}

} // namespace

SheetLayout layOutSheet(const DecodedTexture& texture) {
    SheetLayout layout;
    const bool cube = texture.type == D3DRTYPE_CUBETEXTURE && texture.faceCount() == 6;
    UINT left = SheetMargin, tallest = 0;
    for (UINT level = 0; level < texture.levelCount(); ++level) {
        const DecodedLevel& top = texture.faces[0][level];
        SheetCell cell;
        cell.level = level;
        cell.width = top.width;
        cell.height = top.height;
        cell.text = sizeText(top, texture.type == D3DRTYPE_VOLUMETEXTURE);
        UINT contentWidth = 0, contentHeight = 0;
        if (cube) {
            for (UINT face = 0; face < 6; ++face)
                cell.tiles.push_back({face, 0, left + crossTable[face].column * top.width,
                                      SheetMargin + crossTable[face].row * top.height});
            contentWidth = 4 * top.width;
            contentHeight = 3 * top.height;
        } else {
            for (UINT slice = 0; slice < top.depth; ++slice)
                cell.tiles.push_back({0, slice, left + slice * top.width, SheetMargin});
            contentWidth = top.depth * top.width;
            contentHeight = top.height;
        }
        const UINT cellWidth = std::max(contentWidth, MinCellWidth);
        const UINT labelTop = SheetMargin + contentHeight;
        cell.label = {LONG(left), LONG(labelTop), LONG(left + cellWidth),
                      LONG(labelTop + LabelHeight)};
        layout.cells.push_back(std::move(cell));
        left += cellWidth + SheetGap;
        tallest = std::max(tallest, contentHeight);
    }
    layout.width = left - SheetGap + SheetMargin;
    layout.height = SheetMargin + tallest + LabelHeight + SheetMargin;
    return layout;
}
