// The module's resources: icon groups and monochrome cursors, registered by the
// application before WinMain runs, and found by LoadIconA and LoadCursorA by number.
#pragma once

#include "windef.h"

// One image of an icon group: palette indices plus a transparency mask.
struct IconImageResource {
    int width;
    int height;
    int colorCount;       // 16 or 256 palette entries
    const DWORD* palette; // colorCount entries, 0x00RRGGBB
    const BYTE* indices;  // width x height palette indices, top row first
    const BYTE* andMask;  // 1 bit a pixel, most significant bit first, rows of width / 8 bytes;
                          // a set bit is transparent
};

struct IconGroupResource {
    WORD id;
    const IconImageResource* images;
    int imageCount;
};

// A monochrome cursor. Per pixel: AND 1 XOR 0 transparent, AND 0 XOR 0 black,
// AND 0 XOR 1 white, AND 1 XOR 1 inverted screen.
struct CursorResource {
    WORD id;
    int width;
    int height;
    int hotSpotX;
    int hotSpotY;
    const BYTE* andMask; // rows of width / 8 bytes, top row first
    const BYTE* xorMask; // the same layout
};

struct ModuleResources {
    const IconGroupResource* iconGroups;
    int iconGroupCount;
    const CursorResource* cursors;
    int cursorCount;
};

// Makes the resources those of the program's module (GetModuleHandleA(NULL)). The tables
// must outlive the program; a later call replaces the earlier one.
void RegisterModuleResources(const ModuleResources* resources);
