// The game's pictures, each drawn by one function from fixed seeds, and the sizes and
// places the game gives them.
#pragma once

#include "tools/make_assets/canvas.h"

namespace assets {

inline constexpr int SceneWidth = 640;
inline constexpr int SceneHeight = 480;

inline constexpr int TreeWidth = 156;
inline constexpr int TreeHeight = 330;
inline constexpr int TreeLeft = 100; // client position of the tree's top-left corner
inline constexpr int TreeTop = 100;

inline constexpr int BushWidth = 220;
inline constexpr int BushHeight = 150;
inline constexpr int BushLeft = 400;
inline constexpr int BushTop = 300;

inline constexpr int TargetSize = 48;

// fond.png: the forest clearing behind everything, fully opaque.
Canvas drawBackground();
// arbre.png: the tree in front, on a transparent ground.
Canvas drawTree();
// buisson.png: the bush in front, on a transparent ground.
Canvas drawBush();
// cible.png at TargetSize, or the same target at another diameter (the icon).
Canvas drawTarget(int diameter);
// The same rings in four flat colours and a one-pixel outline, for small palettes.
Canvas drawFlatTarget(int diameter, Color rim, Color red, Color white, Color outline);

} // namespace assets
