// The pictures of the module's resources (the target icon at 16 and 256 colours and the
// crosshair cursor), written as a C++ header of palettes and readable rows.
#pragma once

#include <string>

namespace assets {

// Writes the header to path; false (with a message on stderr) when it cannot.
bool writeResourcePictures(const std::string& path);

} // namespace assets
