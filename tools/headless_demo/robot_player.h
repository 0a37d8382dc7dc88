// A robot player for the headless demonstration: it looks at every presented frame, finds the
// targets by their red and white rings, and shoots them the way a person would, with a reaction
// time, a hand that takes time to move and does not land exactly, and one target at a time.
#pragma once

#include "platform_ext.h"
#include "windows.h"

#include <chrono>
#include <cstdint>
#include <random>
#include <vector>

class RobotPlayer {
public:
    using Clock = std::chrono::steady_clock;

    explicit RobotPlayer(uint32_t seed);

    // Looks at a presented frame (0xRRGGBB words or R5G6B5) and, when the moment has come,
    // clicks into the window with injected input.
    void look(const platform_ext::FrameView& frame, HWND window, Clock::time_point now);

    int shotsFired() const { return shots; }

private:
    struct Sighting {
        float x, y; // centre of the visible rings, client pixels
    };

    std::vector<Sighting> findTargets(const platform_ext::FrameView& frame) const;
    void shoot(HWND window, float x, float y, Clock::time_point now);

    std::mt19937 random;
    // The target the player is going for, and when the hand will be there.
    bool aiming = false;
    Sighting aim{};
    Clock::time_point readyAt{};
    Clock::time_point lastShot{};
    int shots = 0;
};
