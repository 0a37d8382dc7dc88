// Why a texture load failed, in words for someone converting a pile of files.
#pragma once

#include "d3d8.h"

#include <string>

// "no decoder accepts this file (InvalidData)", "cannot be opened (No such file or directory)"
// and the like. The loader
// answers InvalidData for a file it cannot open as for one it does not recognise, so the file
// is tried once more to tell the two apart.
std::string loadFailureReason(const std::string& path, HRESULT hr);

// "cannot be opened", with the system's reason when reading the file fails
// ("cannot be opened (Is a directory)").
std::string openFailureReason(const std::string& path);
