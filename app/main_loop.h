// The message and frame loop: every pending message is handled, one per pass, before another
// frame is drawn; there is no frame limiter.
#pragma once

#include "windows.h"

// Runs until the quit message arrives and returns its exit code.
WPARAM runMainLoop();

// One frame: the layers back to front, the frame-rate figure, the session, the present and the
// frame count. False, with nothing drawn or counted, when the frame could not begin.
bool runFrame();
