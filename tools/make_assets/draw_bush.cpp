// buisson.png: a round, leafy bush standing in the grass, a few pale blossoms in its
// leaves. Its left side is dense to the picture's edge, where a target waits behind it.
#include "tools/make_assets/pictures.h"

#include "tools/make_assets/foliage.h"
#include "tools/make_assets/noise.h"
#include "tools/make_assets/shapes.h"

#include <algorithm>
#include <vector>

namespace assets {
namespace {

constexpr uint32_t BushSeed = 0xB0535EEDu;

const FoliageStyle Leaves = {rgb(0x11301F), rgb(0x2F6C3C), rgb(0x92C86A), 2.9f};

// The first lobe reaches past the left edge, the second rises over the right-hand track.
const Lobe BushLobes[] = {
    {36.0f, 104.0f, 44.0f, 48.0f},  {122.0f, 84.0f, 56.0f, 50.0f}, {110.0f, 100.0f, 104.0f, 50.0f},
    {178.0f, 104.0f, 32.0f, 40.0f}, {70.0f, 64.0f, 32.0f, 28.0f},  {160.0f, 62.0f, 28.0f, 26.0f},
};

float envelopeDistance(float x, float y) {
    return distanceToLobes(BushLobes, x, y);
}

// Keeps a clump's bumps off the picture's top and right side, and off its left side away
// from the rows where the target of the left-hand track must stay hidden: the outline is
// cut by the picture's edge only there. The foot stands in the grass.
float fittedRadius(float x, float y, float radius) {
    float room = std::min(y, BushWidth - x);
    if (y < 86.0f || y > 122.0f) {
        room = std::min(room, x);
    }
    return std::min(radius, LeafClump::radiusWithin(room - 1.0f));
}

std::vector<LeafClump> bushClumps() {
    Random random(BushSeed);
    std::vector<LeafClump> clumps;
    while (clumps.size() < 80) {
        float x = random.range(0.0f, BushWidth);
        float y = random.range(0.0f, BushHeight);
        if (envelopeDistance(x, y) < -8.0f) {
            clumps.emplace_back(x, y, fittedRadius(x, y, random.range(11.0f, 18.0f)),
                                random.nextBits());
        }
    }
    for (int placed = 0; placed < 56;) {
        float x = random.range(0.0f, BushWidth);
        float y = random.range(0.0f, BushHeight - 16.0f);
        float d = envelopeDistance(x, y);
        if (d > -8.0f && d < -3.0f) {
            clumps.emplace_back(x, y, fittedRadius(x, y, random.range(8.0f, 12.0f)),
                                random.nextBits());
            ++placed;
        }
    }
    std::stable_sort(clumps.begin(), clumps.end(), [](const LeafClump& a, const LeafClump& b) {
        return a.cx() * 0.6f + a.cy() > b.cx() * 0.6f + b.cy();
    });
    return clumps;
}

void drawLeaves(Canvas& canvas) {
    for (const Lobe& lobe : BushLobes) {
        Ellipse core(lobe.cx, lobe.cy, lobe.rx, lobe.ry);
        markOpaque(canvas, core);
    }
    std::vector<LeafClump> clumps = bushClumps();
    for (const LeafClump& clump : clumps) {
        markOpaque(canvas, clump);
    }
    for (const LeafClump& clump : clumps) {
        float depth = std::clamp(-envelopeDistance(clump.cx(), clump.cy()) / 36.0f, 0.0f, 1.0f);
        float low = (clump.cy() - 70.0f) / 110.0f;
        // The left edge stands in the shade of the trees, so its cut-off rim stays quiet.
        float leftShade = smoothstep(40.0f, 0.0f, clump.cx()) * 0.2f;
        paintClump(canvas, clump, Leaves, 0.08f - 0.22f * depth - 0.25f * low - leftShade);
    }
}

void drawBlossoms(Canvas& canvas) {
    Random random(BushSeed + 5u);
    for (int placed = 0; placed < 26;) {
        float x = random.range(0.0f, BushWidth);
        float y = random.range(0.0f, BushHeight);
        if (envelopeDistance(x, y) > -6.0f || y > 125.0f) {
            continue;
        }
        Color petal = mix(rgb(0xF4F1E4), rgb(0xF2E6A8), random.unit());
        fill(canvas, Disc(x, y, 1.7f), scaled(petal, 0.8f));
        fill(canvas, Disc(x - 0.4f, y - 0.4f, 1.1f), petal);
        ++placed;
    }
}

// Tufts of grass grow up in front of the bush's foot so it does not end on a straight line.
void drawGrass(Canvas& canvas) {
    Random random(BushSeed + 9u);
    for (int tuft = 0; tuft < 34; ++tuft) {
        float x = random.range(8.0f, BushWidth - 8.0f);
        if (envelopeDistance(x, BushHeight - 6.0f) > -2.0f) {
            continue;
        }
        int blades = 4 + random.below(5);
        for (int i = 0; i < blades; ++i) {
            float height = random.range(5.0f, 17.0f);
            float lean = random.range(-0.5f, 0.5f) * height;
            float foot = x + random.range(-3.0f, 3.0f);
            Stroke blade(foot, BushHeight + 1.0f, foot + lean, BushHeight - height, 1.1f, 0.4f);
            markOpaque(canvas, blade);
            fill(canvas, blade, mix(rgb(0x2F5A1C), rgb(0x93B44C), random.unit()));
        }
    }
}

} // namespace

Canvas drawBush() {
    Canvas canvas(BushWidth, BushHeight, Leaves.shadow, false);
    drawLeaves(canvas);
    tidySilhouette(canvas);
    drawBlossoms(canvas);
    drawGrass(canvas);
    return canvas;
}

} // namespace assets
