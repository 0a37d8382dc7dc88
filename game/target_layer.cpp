// The targets' places: spawning, motion, drawing and the shot test.
#include "game/target_layer.h"

#include "engine/render_engine.h"
#include "game/game_objects.h"
#include "game/game_random.h"
#include "game/picture_path.h"

namespace {

constexpr int NoTrack = -1;

// At or past the end of the pause, read across the wrap of the tick count: a pause is shorter
// than RespawnDelayRange, so only a due time that lies that close ahead means "wait".
bool spawnIsDue(DWORD now, DWORD due) {
    return due - now - 1 >= DWORD(RespawnDelayRange - 1);
}

} // namespace

TargetLayer::TargetLayer() {
    for (int place = 0; place < TargetPlaceCount; ++place) {
        slots[place] = NoTrack;
        nextSpawn[place] = 0;
    }
}

bool TargetLayer::frame(RenderEngine& engine) {
    for (int place = 0; place < TargetPlaceCount; ++place) {
        if (slots[place] == NoTrack) {
            if (!spawnIsDue(GetTickCount(), nextSpawn[place]))
                continue;
            // A track taken already leaves the place empty; it draws again in the next frame.
            const int track = game::rand() % TargetPathCount;
            if (!TargetPaths[track].isBusy()) {
                TargetPaths[track].activate();
                slots[place] = track;
            }
            continue;
        }
        Vector2 position;
        if (TargetPaths[slots[place]].position(position)) {
            picture.draw(&position, engine);
            continue;
        }
        slots[place] = NoTrack;
        const DWORD pause = DWORD(game::rand() % RespawnDelayRange);
        nextSpawn[place] = pause + GetTickCount();
    }
    return true;
}

bool TargetLayer::init(RenderEngine& engine) {
    if (!buildPicturePath(picture, "\\cible.png") || !engine.loadTexture(picture))
        return false;
    game::srand(GetTickCount());
    return true;
}

int TargetLayer::hitTest(const Vector2& point) {
    for (int place = 0; place < TargetPlaceCount; ++place) {
        Vector2 position;
        if (slots[place] == NoTrack || !TargetPaths[slots[place]].position(position))
            continue;
        if (picture.hitTest(Vector2{point.x - position.x, point.y - position.y})) {
            TargetPaths[slots[place]].stop();
            slots[place] = NoTrack;
            return 1;
        }
    }
    return 0;
}
