// The robot player: target finding on a coarse grid of the frame, then human-like shooting.
#include "tools/headless_demo/robot_player.h"

#include <algorithm>
#include <cmath>

namespace {

// The target picture is 48 pixels square; its rings are saturated red and near white, colours
// that the forest, the tree and the bush never show.
constexpr int Grid = 4;
constexpr int TargetSize = 48;
// The shot lands this far right of and below the cursor's hot spot.
constexpr int AimShift = 15;

struct Rgb {
    int r, g, b;
};

Rgb pixelAt(const platform_ext::FrameView& frame, UINT x, UINT y) {
    const auto* row = static_cast<const uint8_t*>(frame.bits) + size_t(y) * frame.pitch;
    if (frame.format == D3DFMT_R5G6B5) {
        const uint16_t p = uint16_t(row[x * 2] | row[x * 2 + 1] << 8);
        return Rgb{(p >> 11) * 255 / 31, ((p >> 5) & 63) * 255 / 63, (p & 31) * 255 / 31};
    }
    const uint8_t* p = row + size_t(x) * 4;
    return Rgb{p[2], p[1], p[0]};
}

enum Mark : uint8_t { Nothing, Red, White };

Mark markOf(Rgb c) {
    if (c.r > 170 && c.g < 90 && c.b < 90)
        return Red;
    if (c.r > 215 && c.g > 215 && c.b > 215)
        return White;
    return Nothing;
}

} // namespace

RobotPlayer::RobotPlayer(uint32_t seed) : random(seed) {}

std::vector<RobotPlayer::Sighting>
RobotPlayer::findTargets(const platform_ext::FrameView& frame) const {
    const int columns = int(frame.width) / Grid;
    const int rows = int(frame.height) / Grid;
    std::vector<uint8_t> marks(size_t(columns) * rows);
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column)
            marks[size_t(row) * columns + column] =
                markOf(pixelAt(frame, UINT(column * Grid), UINT(row * Grid)));

    // Groups of marked cells, joined when they lie within two cells of each other; a group with
    // both colours and at most a target's size is a target (two that overlap count as one).
    std::vector<Sighting> found;
    std::vector<int> stack;
    for (int start = 0; start < columns * rows; ++start) {
        if (marks[start] == Nothing)
            continue;
        int left = columns, right = -1, top = rows, bottom = -1;
        bool red = false, white = false;
        stack.assign(1, start);
        while (!stack.empty()) {
            const int cell = stack.back();
            stack.pop_back();
            if (marks[cell] == Nothing)
                continue;
            red |= marks[cell] == Red;
            white |= marks[cell] == White;
            marks[cell] = Nothing;
            const int x = cell % columns, y = cell / columns;
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = std::max(bottom, y);
            for (int dy = -2; dy <= 2; ++dy)
                for (int dx = -2; dx <= 2; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx >= 0 && ny >= 0 && nx < columns && ny < rows &&
                        marks[size_t(ny) * columns + nx] != Nothing)
                        stack.push_back(ny * columns + nx);
                }
        }
        const int width = (right - left + 1) * Grid, height = (bottom - top + 1) * Grid;
        if (red && white && width <= 2 * TargetSize && height <= 2 * TargetSize)
            found.push_back(
                Sighting{(left + right + 1) * Grid / 2.0f, (top + bottom + 1) * Grid / 2.0f});
    }
    return found;
}

void RobotPlayer::look(const platform_ext::FrameView& frame, HWND window, Clock::time_point now) {
    const std::vector<Sighting> targets = findTargets(frame);
    if (targets.empty()) {
        aiming = false;
        return;
    }
    // Follow the chosen target: the sighting nearest to where it was seen last.
    const Sighting from = aiming ? aim : Sighting{320, 240};
    const auto nearest =
        std::min_element(targets.begin(), targets.end(), [&](const Sighting& a, const Sighting& b) {
            return std::hypot(a.x - from.x, a.y - from.y) < std::hypot(b.x - from.x, b.y - from.y);
        });
    if (!aiming || std::hypot(nearest->x - aim.x, nearest->y - aim.y) > TargetSize) {
        // A new target: see it, decide, move the hand there (longer for a longer way).
        const float distance = std::hypot(nearest->x - aim.x, nearest->y - aim.y);
        std::uniform_int_distribution<int> reaction(250, 420);
        const auto moving = std::chrono::milliseconds(reaction(random) + 80 + int(distance * 0.6f));
        readyAt = std::max(now + moving, lastShot + std::chrono::milliseconds(300));
        aiming = true;
    }
    aim = *nearest;
    if (now >= readyAt) {
        shoot(window, aim.x, aim.y, now);
        aiming = false;
    }
}

void RobotPlayer::shoot(HWND window, float x, float y, Clock::time_point now) {
    // A hand is never exact: a few pixels off, now and then a shot beside the rings.
    std::normal_distribution<float> error(0.0f, 8.0f);
    // The hot spot cannot leave the client area: above or left of it lies the frame.
    const int hotX = std::max(0, int(std::lround(x + error(random))) - AimShift);
    const int hotY = std::max(0, int(std::lround(y + error(random))) - AimShift);
    platform_ext::injectMouseMove(window, hotX, hotY);
    platform_ext::injectMouseButton(window, 0, true, hotX, hotY);
    platform_ext::injectMouseButton(window, 0, false, hotX, hotY);
    lastShot = now;
    ++shots;
}
