// arbre.png: a broad-leaved tree with a ridged, mossy trunk and a lumpy, sunlit canopy.
// The canopy is dense where the targets of the tree's tracks wait to come out.
#include "tools/make_assets/pictures.h"

#include "tools/make_assets/foliage.h"
#include "tools/make_assets/noise.h"
#include "tools/make_assets/shapes.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace assets {
namespace {

constexpr uint32_t TreeSeed = 0x7EE5EED1u;

const FoliageStyle Canopy = {rgb(0x1A351C), rgb(0x3E7232), rgb(0xA6CC62), 3.4f};

const Color BarkLight = rgb(0x9C7F5E);
const Color BarkMid = rgb(0x5E4835);
const Color BarkDark = rgb(0x33261C);
const Color BarkCrack = rgb(0x1D1510);
const Color Moss = rgb(0x5E7434);

// The trunk between the canopy and the ground: a slightly leaning column whose foot
// flares into roots.
constexpr float TrunkTop = 120.0f;

float trunkCentre(float y) {
    float t = (TreeHeight - y) / (TreeHeight - TrunkTop);
    return 74.0f + 6.0f * t - 3.0f * t * t;
}

float trunkHalfWidth(float y) {
    float t = (TreeHeight - y) / (TreeHeight - TrunkTop);
    float flare = std::max(0.0f, (y - 282.0f) / 48.0f);
    return 15.0f - 5.0f * t + 15.0f * flare * flare;
}

class TrunkShape : public Shape {
public:
    float distance(float x, float y) const override {
        if (y < TrunkTop) {
            return TrunkTop - y + std::fabs(x - trunkCentre(TrunkTop));
        }
        return std::fabs(x - trunkCentre(y)) - trunkHalfWidth(y);
    }
    PixelBounds bounds() const override {
        return {20, static_cast<int>(TrunkTop) - 1, 130, TreeHeight};
    }
};

// Bark seen on a lit cylinder: long vertical ridges, dark cracks between them, moss low on
// the shaded side. (x, y) are picture pixels; `across` runs from -1 (left) to 1 (right).
Color barkColor(float x, float y, float across) {
    float facing =
        std::clamp(0.55f - 0.55f * across + 0.15f * std::sqrt(1.0f - across * across), 0.0f, 1.0f);
    float ridge = fractalNoise(x * 0.45f, y * 0.035f, TreeSeed + 1u, 3);
    float grain = valueNoise(x * 0.9f, y * 0.2f, TreeSeed + 2u);
    Color base = facing > 0.5f ? mix(BarkMid, BarkLight, (facing - 0.5f) * 2.0f)
                               : mix(BarkDark, BarkMid, facing * 2.0f);
    base = scaled(base, 0.82f + 0.3f * ridge + 0.12f * (grain - 0.5f));
    float crack = smoothstep(0.40f, 0.33f, ridge);
    base = mix(base, BarkCrack, crack * 0.85f);
    float mossAmount = smoothstep(0.55f, 0.75f, valueNoise(x * 0.12f, y * 0.08f, TreeSeed + 3u)) *
                       smoothstep(220.0f, 320.0f, y) * smoothstep(-0.2f, 0.8f, across);
    return mix(base, scaled(Moss, 0.6f + 0.5f * facing), mossAmount * 0.8f);
}

void drawTrunk(Canvas& canvas) {
    TrunkShape trunk;
    markOpaque(canvas, trunk);
    fill(canvas, trunk, [](float x, float y) {
        float across = std::clamp((x - trunkCentre(y)) / trunkHalfWidth(y), -0.99f, 0.99f);
        return barkColor(x, y, across);
    });
}

// A root or a bough: a tapering limb from (x0, y0) to (x1, y1).
struct Limb {
    float x0;
    float y0;
    float x1;
    float y1;
    float r0;
    float r1;

    Stroke shape() const { return {x0, y0, x1, y1, r0, r1}; }
    // Where a point lies across the limb, from -1 on its upper or left side to 1 on the
    // other, so that its bark is lit like the trunk's.
    float across(float x, float y) const {
        float dx = x1 - x0;
        float dy = y1 - y0;
        float length = std::sqrt(dx * dx + dy * dy);
        float t = std::clamp(((x - x0) * dx + (y - y0) * dy) / (length * length), 0.0f, 1.0f);
        float side = ((x - x0) * dy - (y - y0) * dx) / length;
        float radius = r0 + (r1 - r0) * t;
        return std::clamp((dx < 0.0f ? side : -side) / radius, -0.99f, 0.99f);
    }
};

// Roots spreading over the ground and two boughs climbing into the canopy.
const Limb Limbs[] = {
    {62.0f, 304.0f, 36.0f, 329.0f, 8.0f, 3.0f},
    {86.0f, 304.0f, 116.0f, 329.0f, 8.0f, 3.0f},
    {82.0f, 196.0f, 116.0f, 156.0f, 6.0f, 3.0f},
    {74.0f, 204.0f, 44.0f, 152.0f, 5.5f, 2.5f},
};

void drawLimbs(Canvas& canvas) {
    for (const Limb& limb : Limbs) {
        Stroke shape = limb.shape();
        markOpaque(canvas, shape);
        fill(canvas, shape,
             [&limb](float x, float y) { return barkColor(x, y, limb.across(x, y)); });
    }
}

// The canopy's envelope: overlapping lobes, the first two placed over the tracks' starts.
const Lobe CanopyLobes[] = {
    {76.0f, 70.0f, 62.0f, 54.0f},  {114.0f, 152.0f, 34.0f, 40.0f}, {36.0f, 122.0f, 30.0f, 28.0f},
    {78.0f, 132.0f, 42.0f, 32.0f}, {118.0f, 84.0f, 26.0f, 36.0f},  {32.0f, 70.0f, 22.0f, 30.0f},
};

float envelopeDistance(float x, float y) {
    return distanceToLobes(CanopyLobes, x, y);
}

// Keeps a clump's bumps off the picture's top and sides, so the outline is never cut.
float fittedRadius(float x, float y, float radius) {
    float room = std::min({x, y, TreeWidth - x}) - 1.0f;
    return std::min(radius, LeafClump::radiusWithin(room));
}

std::vector<LeafClump> canopyClumps() {
    Random random(TreeSeed);
    std::vector<LeafClump> clumps;
    // Inner clumps fill the mass; outer ones, centred just inside the envelope, bulge past
    // it and make the ragged outline.
    while (clumps.size() < 70) {
        float x = random.range(0.0f, TreeWidth);
        float y = random.range(0.0f, 200.0f);
        if (envelopeDistance(x, y) < -10.0f) {
            clumps.emplace_back(x, y, fittedRadius(x, y, random.range(13.0f, 22.0f)),
                                random.nextBits());
        }
    }
    for (int placed = 0; placed < 46;) {
        float x = random.range(0.0f, TreeWidth);
        float y = random.range(0.0f, 200.0f);
        float d = envelopeDistance(x, y);
        if (d > -9.0f && d < -3.0f) {
            clumps.emplace_back(x, y, fittedRadius(x, y, random.range(9.0f, 14.0f)),
                                random.nextBits());
            ++placed;
        }
    }
    // Paint from the shaded lower right to the sunlit upper left.
    std::stable_sort(clumps.begin(), clumps.end(), [](const LeafClump& a, const LeafClump& b) {
        return a.cx() + a.cy() * 1.3f > b.cx() + b.cy() * 1.3f;
    });
    return clumps;
}

void drawCanopy(Canvas& canvas) {
    for (const Lobe& lobe : CanopyLobes) {
        Ellipse core(lobe.cx, lobe.cy, lobe.rx, lobe.ry);
        markOpaque(canvas, core);
        fill(canvas, core, Canopy.shadow);
    }
    std::vector<LeafClump> clumps = canopyClumps();
    for (const LeafClump& clump : clumps) {
        markOpaque(canvas, clump);
    }
    for (const LeafClump& clump : clumps) {
        // Clumps deep inside the mass sit in its shade; those at the rim catch the light.
        float depth = std::clamp(-envelopeDistance(clump.cx(), clump.cy()) / 40.0f, 0.0f, 1.0f);
        float side = (clump.cx() - 60.0f) / 120.0f + (clump.cy() - 90.0f) / 160.0f;
        paintClump(canvas, clump, Canopy, 0.08f - 0.35f * depth - 0.2f * side);
    }
}

// The canopy darkens the top of the trunk and the boughs beneath it.
void shadeUnderCanopy(Canvas& canvas) {
    fill(canvas, Ellipse(78.0f, 175.0f, 50.0f, 40.0f), BarkCrack, 0.55f, 40.0f);
}

// A few blades of grass in front of the foot so it stands in the meadow, not on it.
void drawGrassTufts(Canvas& canvas) {
    Random random(TreeSeed + 9u);
    for (int i = 0; i < 40; ++i) {
        float x = random.range(36.0f, 116.0f);
        float height = random.range(5.0f, 12.0f);
        float lean = random.range(-4.0f, 4.0f);
        Stroke blade(x, TreeHeight + 1.0f, x + lean, TreeHeight - height, 1.1f, 0.4f);
        markOpaque(canvas, blade);
        Color green = mix(rgb(0x3C6B22), rgb(0x8DB04A), random.unit());
        fill(canvas, blade, green);
    }
}

} // namespace

Canvas drawTree() {
    Canvas canvas(TreeWidth, TreeHeight, Canopy.shadow, false);
    drawTrunk(canvas);
    drawLimbs(canvas);
    shadeUnderCanopy(canvas);
    drawCanopy(canvas);
    tidySilhouette(canvas);
    drawGrassTufts(canvas);
    return canvas;
}

} // namespace assets
