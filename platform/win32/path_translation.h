// File names between the program's view (Windows-1252 bytes, backslashes) and the host's
// (UTF-8, slashes).
#pragma once

#include <string>

namespace win32 {

// The host path of a program file name: Windows-1252 converted to UTF-8 and every backslash a
// directory separator ("<cwd>\fond.png" names <cwd>/fond.png). False for the forms the host has
// no equivalent of: an empty name, a drive letter ("C:...") or a network name ("\\server").
bool hostPathFromAnsi(const char* name, std::string* hostPath);

// A host path as the program sees it, in Windows-1252 ('?' for what the code page lacks).
std::string ansiFromHostPath(const std::string& hostPath);

} // namespace win32
