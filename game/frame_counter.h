// The frame counter: frames per second, shown in green at the top-left corner and written to
// the log once a second.
#pragma once

#include "windows.h"

class RenderEngine;

class FrameCounter {
public:
    virtual ~FrameCounter() = default;

    // Draws "fps: " and the last figure; returns the figure.
    int draw(RenderEngine& engine);
    // Counts the frame just presented; once an interval of more than a second is over,
    // computes the new figure and logs it. Returns the figure.
    int count();

private:
    int fps = 0;
    DWORD lastTick = 0;
    DWORD frames = 0;
};
