// The subset of the Win32 interface that the game and the toolkit use, provided on Linux by
// the platform layer (SDL2 for windows and input, FreeType for text, POSIX for files).
#pragma once

#include "windef.h"
#include "winerror.h"
#include "guiddef.h"
#include "unknwn.h"
#include "winbase.h"
#include "winnls.h"
#include "winreg.h"
#include "wingdi.h"
#include "winuser.h"
