// The rules of one game: a message box starts it, 30 seconds count down, each target hit
// scores one point, a red status line shows score and time, and at the end a message box rates
// the score before the program quits.
#pragma once

#include "cpu/vector_math.h"
#include "windows.h"

class RenderEngine;

// The length of a game in milliseconds.
inline constexpr DWORD GameDuration = 30000;

class GameSession {
public:
    virtual ~GameSession() = default;

    // Shows the modal start box and starts the clock when the player closes it.
    bool start(RenderEngine& engine);
    // Draws the status line, or ends the game once more than GameDuration has passed.
    bool frame(RenderEngine& engine);
    // Shows the rating box and asks the engine to quit. Called by frame.
    bool finish(RenderEngine& engine);
    // A shot at a client point: stopped by the scenery, or tried on the targets. 1 on a hit.
    int click(const Vector2& point);

    DWORD getScore() const { return score; }

private:
    DWORD score = 0;
    DWORD startTick = 0;
};
