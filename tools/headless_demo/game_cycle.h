// What it takes to play several games in one process: the game's objects torn down and built
// again between games, as a new process would have them; a game clock that can run faster than
// real time; and the process's resident memory.
#pragma once

#include "tools/headless_demo/robot_player.h"

#include <cstdint>

// Ends the finished game as the end of the process would (its window destroyed, the quit
// message it posts taken from the queue) and builds the game's objects anew, in their order.
void rebuildGameObjects();

// From now on the game's tick count and gameTime run `speed` times faster than real time.
void startGameClock(int speed);
RobotPlayer::Clock::time_point gameTime(RobotPlayer::Clock::time_point real);

// Resident memory of this process in KiB, from /proc/self/statm; 0 when unreadable.
uint64_t residentKiB();
