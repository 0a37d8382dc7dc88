// A program on the layer's main: prints what WinMain received and exits with 42.
#include "windows.h"

#include <cstdio>

int WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nShowCmd) {
    std::printf("instance=%s previous=%s show=%d line=[%s]\n",
                hInstance == GetModuleHandleA(nullptr) ? "module" : "other",
                hPrevInstance == nullptr ? "null" : "set", nShowCmd, lpCmdLine);
    return 42;
}
