// The background layer.
#include "game/background_layer.h"

#include "engine/render_engine.h"
#include "game/picture_path.h"

bool BackgroundLayer::frame(RenderEngine& engine) {
    return picture.draw(nullptr, engine);
}

bool BackgroundLayer::init(RenderEngine& engine) {
    return buildPicturePath(picture, "\\fond.png") && engine.loadTexture(picture);
}
