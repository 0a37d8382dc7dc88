// Leaf clumps: the rounded, ragged-edged masses of leaves that make the tree's canopy, the
// bush and the forest behind them, shaded as lumps lit from above and a little to the left.
#pragma once

#include "tools/make_assets/canvas.h"
#include "tools/make_assets/shapes.h"

#include <cstdint>
#include <span>

namespace assets {

// How a kind of foliage looks: colours from its shadowed to its sunlit side, and the size
// of one leaf in pixels.
struct FoliageStyle {
    Color shadow;
    Color mid;
    Color light;
    float leafSize;
};

// One of the overlapping ellipses that outline a mass of foliage.
struct Lobe {
    float cx;
    float cy;
    float rx;
    float ry;
};

// Distance from (x, y) to the outline of the lobes' union: negative inside the mass.
float distanceToLobes(std::span<const Lobe> lobes, float x, float y);

// A disc whose outline is pushed in and out by noise into leaf-sized bumps.
class LeafClump : public Shape {
public:
    LeafClump(float cx, float cy, float radius, uint32_t seed);

    // The largest radius whose bumps stay within `room` pixels of the centre.
    static float radiusWithin(float room);
    float distance(float x, float y) const override;
    PixelBounds bounds() const override;

    float cx() const { return cx_; }
    float cy() const { return cy_; }
    float radius() const { return radius_; }
    uint32_t seed() const { return seed_; }

private:
    float cx_;
    float cy_;
    float radius_;
    float ragged_;
    uint32_t seed_;
};

// Paints the clump as a lit lump covered in leaves. `brightness` shifts the whole clump
// (negative for clumps deep in the mass, positive for those in front).
void paintClump(Canvas& canvas, const LeafClump& clump, const FoliageStyle& style, float brightness,
                float opacity = 1.0f);

} // namespace assets
