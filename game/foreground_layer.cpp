// The foreground scenery, fixed in place.
#include "game/foreground_layer.h"

#include "engine/render_engine.h"
#include "game/picture_path.h"

namespace {

constexpr Vector2 TreePosition{100, 100};
constexpr Vector2 BushPosition{400, 300};

Vector2 relativeTo(const Vector2& point, const Vector2& origin) {
    return Vector2{point.x - origin.x, point.y - origin.y};
}

} // namespace

bool ForegroundLayer::frame(RenderEngine& engine) {
    // The bush covers the tree where they overlap.
    if (!tree.draw(&TreePosition, engine))
        return false;
    return bush.draw(&BushPosition, engine);
}

bool ForegroundLayer::init(RenderEngine& engine) {
    if (!buildPicturePath(tree, "\\arbre.png") || !engine.loadTexture(tree))
        return false;
    return buildPicturePath(bush, "\\buisson.png") && engine.loadTexture(bush);
}

int ForegroundLayer::hitTest(const Vector2& point) {
    // The tree is asked first although the bush is drawn over it: either one stops the shot.
    if (tree.hitTest(relativeTo(point, TreePosition)))
        return 1;
    return bush.hitTest(relativeTo(point, BushPosition)) ? 1 : 0;
}
