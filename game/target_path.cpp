// The motion of a target along its track.
#include "game/target_path.h"

#include <cmath>

TargetPath::TargetPath(float startX, float startY, float endX, float endY)
    : startX(startX), startY(startY), endX(endX), endY(endY) {}

void TargetPath::activate() {
    idle = false;
    outbound = true;
    legStart = GetTickCount();
}

void TargetPath::stop() {
    idle = true;
}

bool TargetPath::position(Vector2& out) {
    if (idle)
        return false;
    const float dx = endX - startX;
    const float dy = endY - startY;
    const float length = float(std::sqrt(double(dx) * dx + double(dy) * dy));
    // The distance is kept in double precision: with the float speed slightly above 0.2, a leg
    // of 130 pixels is complete after exactly 650 ms, and the turn must happen then.
    const DWORD elapsed = GetTickCount() - legStart;
    double distance = double(elapsed) * TargetSpeed;
    if (distance > length) {
        if (!outbound) {
            idle = true;
            return false;
        }
        outbound = false;
        legStart = GetTickCount();
        distance -= length;
    }
    const double fraction = distance / length;
    const double offsetX = fraction * dx;
    const double offsetY = fraction * dy;
    if (outbound)
        out = Vector2{float(startX + offsetX), float(startY + offsetY)};
    else
        out = Vector2{float(endX - offsetX), float(endY - offsetY)};
    return true;
}

TargetPathTable makeTargetPaths() {
    return TargetPathTable{
        TargetPath(140, 150, 270, 150), // from behind the tree, to the right
        TargetPath(500, 350, 400, 250), // from behind the bush, up and to the left
        TargetPath(400, 380, 300, 380), // from behind the bush, to the left
        TargetPath(140, 150, 10, 170),  // from behind the tree, to the left
        TargetPath(190, 230, 250, 350), // from behind the tree, down and to the right
        TargetPath(140, 130, 140, 0),   // from behind the tree, straight up
    };
}
