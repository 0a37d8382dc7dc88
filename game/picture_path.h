// Where a layer finds its picture: the process's current directory followed by the file's suffix.
#pragma once

#include "engine/texture.h"

// Writes the current directory and the suffix ("\fond.png") into texture.path. False, with an
// empty path, when the directory cannot be read or is too long for its 256 characters: a
// truncated directory would name some other file.
bool buildPicturePath(Texture& texture, const char* suffix);
