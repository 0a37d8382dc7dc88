// The targets' tracks: six straight out-and-back tracks, each carrying at most one target, whose
// motion is worked out from the tick count alone, never from the frame rate.
#pragma once

#include "cpu/vector_math.h"
#include "windows.h"

#include <array>

// Pixels per millisecond (200 pixels a second).
inline constexpr float TargetSpeed = 0.2f;
// A respawn pause is a random number of milliseconds below this.
inline constexpr int RespawnDelayRange = 2000;

class TargetPath {
public:
    // The points are client positions of the target picture's top-left corner.
    TargetPath(float startX, float startY, float endX, float endY);
    virtual ~TargetPath() = default;

    // Begins a run from the start point now.
    void activate();
    // Ends the run at once.
    void stop();
    bool isBusy() const { return !idle; }

    // Advances the run to the present tick and writes the target's top-left corner. False when
    // no target runs, also when this evaluation finds the return leg complete (the run ends).
    bool position(Vector2& out);

private:
    bool outbound = true;
    bool idle = true;
    float startX;
    float startY;
    float endX;
    float endY;
    DWORD legStart = 0;
};

inline constexpr int TargetPathCount = 6;
using TargetPathTable = std::array<TargetPath, TargetPathCount>;

// The six tracks of the scene, from behind the tree and the bush; built once for the global.
TargetPathTable makeTargetPaths();
