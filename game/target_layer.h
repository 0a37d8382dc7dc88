// The targets: up to three at once, each running out and back along one of the six tracks,
// all drawn with the one picture "cible.png". An emptied place is refilled after a random pause,
// or at once after a hit.
#pragma once

#include "cpu/vector_math.h"
#include "engine/texture.h"
#include "game/layer.h"
#include "game/target_path.h"
#include "windows.h"

inline constexpr int TargetPlaceCount = 3;

class TargetLayer : public Layer {
public:
    TargetLayer();
    // Advances and draws the three places; always true.
    bool frame(RenderEngine& engine) override;
    // Loads the picture and, once it is there, seeds the random numbers with the tick count.
    bool init(RenderEngine& engine) override;
    // 1 when the client point lies on an opaque pixel of a running target, which is removed
    // (the one of the lowest place when targets overlap); else 0.
    virtual int hitTest(const Vector2& point);
    virtual ~TargetLayer() = default;

    // The track the place's target runs on, or -1 while the place is empty.
    int trackOf(int place) const { return slots[place]; }

private:
    Texture picture;
    int slots[TargetPlaceCount];
    DWORD nextSpawn[TargetPlaceCount];
};
