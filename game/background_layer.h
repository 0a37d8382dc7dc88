// The background layer: the forest clearing "fond.png", drawn first in every frame at the
// client origin.
#pragma once

#include "engine/texture.h"
#include "game/layer.h"

class BackgroundLayer : public Layer {
public:
    bool frame(RenderEngine& engine) override;
    bool init(RenderEngine& engine) override;
    virtual ~BackgroundLayer() = default;

private:
    Texture picture;
};
