// Composes the background, targets on their tracks, the tree and the bush in the game's
// drawing order and places.
#include "tools/make_assets/preview.h"

#include "tools/make_assets/pictures.h"
#include "tools/make_assets/png_file.h"

namespace assets {
namespace {

void drawSprite(Canvas& scene, const Canvas& sprite, int left, int top) {
    for (int y = 0; y < sprite.height(); ++y) {
        for (int x = 0; x < sprite.width(); ++x) {
            if (sprite.opaque(x, y) && scene.contains(left + x, top + y)) {
                scene.setPixel(left + x, top + y, sprite.pixel(x, y));
            }
        }
    }
}

// Targets part-way along tracks 0, 1, 2, 4 and 5 (top-left corners): some in the open,
// some still half behind the tree or the bush.
constexpr int TargetSpots[][2] = {{230, 150}, {478, 328}, {362, 380}, {250, 350}, {140, 70}};

} // namespace

bool writePreview(const std::string& path) {
    Canvas scene = drawBackground();
    Canvas target = drawTarget(TargetSize);
    for (const auto& spot : TargetSpots) {
        drawSprite(scene, target, spot[0], spot[1]);
    }
    drawSprite(scene, drawTree(), TreeLeft, TreeTop);
    drawSprite(scene, drawBush(), BushLeft, BushTop);
    return writeCanvasPng(path, scene);
}

} // namespace assets
