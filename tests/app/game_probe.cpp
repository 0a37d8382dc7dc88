// The real game (its objects, WinMain and loop) on a hand-driven clock, for the program tests.
// Every presented frame moves the clock on; every message box is answered with OK and written to
// standard output as "box <type in hex> <text>". The scenario, the first argument:
// - "escape": 100 ms a frame; Escape is pressed after the 25th game frame;
// - "timeout": 1000 ms a frame, so the game runs out after 31 frames.
// The exit code is WinMain's.
#include "game/game_objects.h"
#include "platform_ext.h"
#include "windows.h"

#include <cstdio>
#include <cstring>

namespace {

DWORD tickNow = 1000000;
DWORD tickStep = 100;
int presents = 0;
int escapeAfter = 0; // game frames; 0 for never

DWORD fakeTick() {
    return tickNow;
}

// The device's first present is its black frame; game frames follow.
void onPresent(IDirect3DDevice8*, const platform_ext::FrameView&, void*) {
    tickNow += tickStep;
    ++presents;
    if (escapeAfter > 0 && presents == escapeAfter + 1)
        platform_ext::injectKey(renderEngine.getWindow(), VK_ESCAPE, true);
}

int answerBox(const platform_ext::MessageBoxCall& call, void*) {
    std::printf("box %X %s\n", call.type, call.text.c_str());
    std::fflush(stdout);
    return IDOK;
}

} // namespace

int main(int argc, char** argv) {
    const char* scenario = argc > 1 ? argv[1] : "";
    if (std::strcmp(scenario, "escape") == 0) {
        escapeAfter = 25;
    } else if (std::strcmp(scenario, "timeout") == 0) {
        tickStep = 1000;
    } else {
        std::fprintf(stderr, "usage: game_probe escape|timeout\n");
        return 2;
    }
    platform_ext::setTickSource(&fakeTick);
    platform_ext::setPresentObserver(&onPresent, nullptr);
    platform_ext::setMessageBoxObserver(&answerBox, nullptr);
    return WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWDEFAULT);
}
