// The foreground scenery: a tree and a bush drawn over the targets, which hide the targets
// passing behind them and stop the shots that land on them.
#pragma once

#include "cpu/vector_math.h"
#include "engine/texture.h"
#include "game/layer.h"

class ForegroundLayer : public Layer {
public:
    bool frame(RenderEngine& engine) override;
    // Loads the tree, then the bush; a missing tree leaves the bush unloaded.
    bool init(RenderEngine& engine) override;
    // 1 when the client point lies on an opaque pixel of the tree or the bush, else 0.
    virtual int hitTest(const Vector2& point);
    // The tree is released first, then the bush.
    virtual ~ForegroundLayer() = default;

private:
    Texture bush;
    Texture tree;
};
