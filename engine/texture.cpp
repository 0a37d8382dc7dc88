// The Texture record's drawing and hit test.
#include "engine/texture.h"

#include "engine/render_engine.h"

Texture::~Texture() {
    if (texture != nullptr)
        texture->Release();
}

bool Texture::draw(const Vector2* position, RenderEngine& engine) {
    return engine.drawSprite(texture, source, position);
}

bool Texture::hitTest(const Vector2& point) {
    // Written so that a point with a NaN coordinate lands outside too.
    const bool inside = point.x >= 0 && point.y >= 0 && point.x <= float(source.right) &&
                        point.y <= float(source.bottom);
    if (!inside)
        return false;
    return renderEngine.isOpaqueAt(point, texture);
}
