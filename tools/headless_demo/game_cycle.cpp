// Tearing down and rebuilding the game's objects between games, the sped-up game clock, and
// the resident memory.
#include "tools/headless_demo/game_cycle.h"

#include "game/game_objects.h"
#include "platform_ext.h"

#include <unistd.h>

#include <cstdio>
#include <memory>

namespace {

RobotPlayer::Clock::time_point clockStart;
int clockSpeed = 1;

DWORD scaledTicks() {
    const auto elapsed = RobotPlayer::Clock::now() - clockStart;
    return DWORD(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() *
                 clockSpeed);
}

} // namespace

void rebuildGameObjects() {
    DestroyWindow(renderEngine.getWindow());
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        continue;
    // The reverse of their definition order (app/game_globals.cpp), then that order again.
    std::destroy_at(&gameLog);
    std::destroy_at(&frameCounter);
    std::destroy_at(&targetLayer);
    std::destroy_at(&foregroundLayer);
    std::destroy_at(&backgroundLayer);
    std::destroy_at(&gameSession);
    std::destroy_at(&renderEngine);
    std::destroy_at(&TargetPaths);
    std::construct_at(&TargetPaths, makeTargetPaths());
    std::construct_at(&renderEngine);
    std::construct_at(&gameSession);
    std::construct_at(&backgroundLayer);
    std::construct_at(&foregroundLayer);
    std::construct_at(&targetLayer);
    std::construct_at(&frameCounter);
    std::construct_at(&gameLog);
}

void startGameClock(int speed) {
    clockStart = RobotPlayer::Clock::now();
    clockSpeed = speed;
    platform_ext::setTickSource(speed == 1 ? nullptr : &scaledTicks);
}

RobotPlayer::Clock::time_point gameTime(RobotPlayer::Clock::time_point real) {
    return clockStart + (real - clockStart) * clockSpeed;
}

uint64_t residentKiB() {
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr)
        return 0;
    unsigned long long size = 0, resident = 0;
    const bool read = std::fscanf(statm, "%llu %llu", &size, &resident) == 2;
    std::fclose(statm);
    return read ? resident * uint64_t(sysconf(_SC_PAGESIZE)) / 1024 : 0;
}
