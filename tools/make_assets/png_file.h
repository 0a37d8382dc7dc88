// Writes a canvas as an 8-bit RGB PNG file (no alpha, no transparency chunk), the form the
// game's loader expects of its pictures.
#pragma once

#include "tools/make_assets/canvas.h"

#include <string>

namespace assets {

// Returns false, with the reason on standard error, when the file cannot be written.
bool writeCanvasPng(const std::string& path, const Canvas& canvas);

} // namespace assets
