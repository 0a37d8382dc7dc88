// Icons and cursors of the module's resource table, behind their handles.
#pragma once

#include "module_resources.h"
#include "windows.h"

#include <cstdint>
#include <vector>

namespace win32 {

// The image of an icon group the host should show (the largest, then the most colours);
// null for a handle that is not an icon.
const IconImageResource* bestIconImage(HICON icon);

// The cursor of a handle; null for a handle that is not a cursor.
const CursorResource* cursorOf(HCURSOR cursor);

// An icon image as 0xAARRGGBB words, top row first: palette colours, transparent where the
// mask says so. False when the image is malformed (a size, count or missing table).
bool iconPixels(const IconImageResource& image, std::vector<uint32_t>* argb);

} // namespace win32
