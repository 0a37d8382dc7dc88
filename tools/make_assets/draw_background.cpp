// fond.png: a sunny forest clearing. Sky shows through the crowns of tall trees at the back,
// light falls in soft rays, a meadow fills the front and holds the shadows of the tree and
// the bush that the game draws over it.
#include "tools/make_assets/pictures.h"

#include "tools/make_assets/foliage.h"
#include "tools/make_assets/noise.h"
#include "tools/make_assets/shapes.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace assets {
namespace {

constexpr uint32_t BackgroundSeed = 0xF04D0001u;

// Where the meadow meets the foot of the wood.
constexpr float Horizon = 282.0f;
constexpr float SunX = 170.0f;
constexpr float SunY = -10.0f;

const Color SkyTop = rgb(0x6EA4D6);
const Color SkyLow = rgb(0xDCE8DC);
const Color Haze = rgb(0xB4CABE);
const Color SunGlow = rgb(0xFFF2CF);
const Color MeadowFar = rgb(0xAEB85E);
const Color MeadowMid = rgb(0x7DA442);
const Color MeadowNear = rgb(0x47782A);
const Color GroundShadow = rgb(0x1C2E12);

const FoliageStyle FarWood = {rgb(0x5F8272), rgb(0x84A293), rgb(0xB3C8B2), 6.0f};
const FoliageStyle Crowns = {rgb(0x15281A), rgb(0x2E5430), rgb(0x79A553), 3.6f};
const FoliageStyle Undergrowth = {rgb(0x14261A), rgb(0x2C502C), rgb(0x6E9448), 3.2f};

void paintSky(Canvas& canvas) {
    for (int y = 0; y < canvas.height(); ++y) {
        float t = smoothstep(-40.0f, Horizon, static_cast<float>(y));
        Color row = mix(SkyTop, SkyLow, t);
        for (int x = 0; x < canvas.width(); ++x) {
            float dx = (x - SunX) / 300.0f;
            float dy = (y - SunY) / 260.0f;
            float glow = std::max(0.0f, 1.0f - std::sqrt(dx * dx + dy * dy));
            canvas.setPixel(x, y, mix(row, SunGlow, glow * glow * 0.85f));
        }
    }
}

// Foliage far away takes on the colour of the air.
FoliageStyle hazed(const FoliageStyle& style, float amount) {
    return {mix(style.shadow, Haze, amount), mix(style.mid, Haze, amount),
            mix(style.light, Haze, amount), style.leafSize};
}

// The far side of the clearing: a hazy wall of crowns of many heights, closed below.
void paintFarWood(Canvas& canvas) {
    Random random(BackgroundSeed + 1u);
    fill(canvas, Stroke(-40.0f, Horizon - 10.0f, 680.0f, Horizon - 10.0f, 18.0f, 18.0f),
         mix(FarWood.shadow, Haze, 0.3f), 1.0f, 14.0f);
    for (float x = -10.0f; x < canvas.width() + 10.0f; x += random.range(7.0f, 15.0f)) {
        float ridge = 200.0f + 40.0f * fractalNoise(x / 70.0f, 3.5f, BackgroundSeed, 3);
        float r = random.range(10.0f, 22.0f);
        LeafClump clump(x, ridge + r, r, random.nextBits());
        paintClump(canvas, clump, hazed(FarWood, random.range(0.0f, 0.3f)), 0.0f);
    }
}

struct TallTree {
    float x;     // where the trunk meets the ground
    float width; // trunk width at the ground
    float lean;  // horizontal drift from foot to top of the picture
    float depth; // 0 at the front of the wood, 1 at its back
};

std::vector<TallTree> tallTrees() {
    Random random(BackgroundSeed + 3u);
    std::vector<TallTree> trees;
    // Two rows at the back spread over the whole width; the front row frames the clearing
    // at both sides and leaves the sunny middle open.
    for (float depth : {1.0f, 0.7f}) {
        float gap = 40.0f + 50.0f * (1.0f - depth);
        for (float x = random.range(0.0f, 30.0f); x < 650.0f; x += random.range(gap, 2.0f * gap)) {
            trees.push_back({x, random.range(6.0f, 10.0f) * (1.6f - depth * 0.8f),
                             random.range(-14.0f, 14.0f), depth});
        }
    }
    const float frontRow[] = {14.0f, 70.0f, 566.0f, 624.0f};
    for (float x : frontRow) {
        trees.push_back({x + random.range(-6.0f, 6.0f), random.range(17.0f, 24.0f),
                         random.range(-10.0f, 10.0f), 0.0f});
    }
    std::stable_sort(trees.begin(), trees.end(),
                     [](const TallTree& a, const TallTree& b) { return a.depth > b.depth; });
    return trees;
}

float footOf(const TallTree& tree) {
    return Horizon + 26.0f * (1.0f - tree.depth) + 2.0f;
}

void paintTrunk(Canvas& canvas, const TallTree& tree) {
    float foot = footOf(tree);
    float haze = tree.depth * 0.55f;
    Color lit = mix(rgb(0x7A6650), Haze, haze);
    Color dark = mix(rgb(0x221A14), Haze, haze);
    Shader bark = [&](float x, float y) {
        float along = std::max(0.0f, (foot - y) / (foot + 20.0f));
        float centre = tree.x + tree.lean * along;
        float half = tree.width * (0.5f - 0.22f * along);
        float across = std::clamp((x - centre) / half, -1.0f, 1.0f);
        float ridge = fractalNoise(x * 0.7f + tree.x, y * 0.04f, BackgroundSeed + 4u, 2);
        Color c = mix(lit, dark, 0.35f + 0.35f * across + 0.4f * (ridge - 0.5f));
        // A warm edge where the sun grazes the trunk.
        return mix(c, SunGlow, std::max(0.0f, -across - 0.55f) * 0.45f);
    };
    // The foot stands in its own shadow and flares a little into the ground.
    fill(canvas, Ellipse(tree.x + tree.width * 0.3f, foot, tree.width * 1.4f, tree.width * 0.3f),
         GroundShadow, 0.45f * (1.0f - haze), 4.0f);
    fill(canvas,
         Stroke(tree.x, foot, tree.x + tree.lean, -20.0f, tree.width * 0.5f, tree.width * 0.28f),
         bark);
    fill(canvas,
         Stroke(tree.x, foot - 1.0f, tree.x, foot - tree.width * 1.5f, tree.width * 0.75f,
                tree.width * 0.5f),
         bark);
}

// The crown of a tall tree, most of it above the picture: clumps hanging from the top,
// lower and wider for nearer trees.
void paintCrown(Canvas& canvas, const TallTree& tree, Random& random) {
    float nearness = 1.0f - tree.depth;
    int count = 12 + static_cast<int>(12.0f * nearness);
    FoliageStyle style = hazed(Crowns, tree.depth * 0.55f);
    for (int i = 0; i < count; ++i) {
        // Clumps gather near the top and thin out downwards, so crowns hang as one mass.
        float drop = random.unit();
        float y = -40.0f + drop * drop * (90.0f + 70.0f * nearness);
        float spread = (26.0f + 36.0f * nearness) * (1.0f - drop * 0.5f);
        float x = tree.x + tree.lean * (1.0f - y / 300.0f) + random.range(-spread, spread);
        float r = random.range(14.0f, 24.0f) * (0.8f + 0.4f * nearness);
        paintClump(canvas, LeafClump(x, y, r, random.nextBits()), style, 0.05f - 0.15f * drop);
    }
}

// The roof of the wood along the top of the picture, open around the sun.
void paintLeafRoof(Canvas& canvas) {
    Random random(BackgroundSeed + 12u);
    FoliageStyle style = hazed(Crowns, 0.3f);
    for (float x = -10.0f; x < canvas.width() + 20.0f; x += random.range(14.0f, 30.0f)) {
        float open = smoothstep(70.0f, 140.0f, x) * smoothstep(280.0f, 210.0f, x);
        if (random.unit() < open) {
            continue;
        }
        float r = random.range(16.0f, 30.0f);
        float y = random.range(-24.0f, 16.0f) * (1.0f - open);
        paintClump(canvas, LeafClump(x, y, r, random.nextBits()), style, 0.0f);
    }
}

// Sunbeams through the crowns: streaks fanning out from the sun, fading with distance.
void paintSunRays(Canvas& canvas) {
    for (int y = 0; y < static_cast<int>(Horizon) + 90; ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            float dy = y - SunY + 40.0f;
            float slope = (x - SunX) / dy;
            float streak =
                smoothstep(0.5f, 0.8f, fractalNoise(slope * 7.0f, 0.5f, BackgroundSeed + 7u, 2));
            float fade = std::clamp(1.0f - dy / 420.0f, 0.0f, 1.0f);
            canvas.blend(x, y, SunGlow, streak * fade * 0.28f);
        }
    }
}

void paintMeadow(Canvas& canvas) {
    for (int y = static_cast<int>(Horizon); y < canvas.height(); ++y) {
        float t = (y - Horizon) / (canvas.height() - Horizon);
        Color row = t < 0.4f ? mix(MeadowFar, MeadowMid, t / 0.4f)
                             : mix(MeadowMid, MeadowNear, (t - 0.4f) / 0.6f);
        // Patches shrink with distance: stretch the noise by the row's depth.
        float scale = 0.3f + 1.7f * t;
        for (int x = 0; x < canvas.width(); ++x) {
            float patch =
                fractalNoise(x * 0.02f / scale, y * 0.06f / scale, BackgroundSeed + 8u, 4);
            float dx = (x - 380.0f) / 260.0f;
            float dy = (y - 330.0f) / 70.0f;
            float sun = std::max(0.0f, 1.0f - std::sqrt(dx * dx + dy * dy));
            Color c = scaled(row, 0.8f + 0.4f * patch);
            c = mix(c, SunGlow, sun * 0.35f);
            float edge = smoothstep(Horizon + 1.0f, Horizon - 1.0f, static_cast<float>(y));
            canvas.blend(x, y, c, 1.0f - edge);
        }
    }
}

// Shrubs along the foot of the wood, thinner where the clearing opens towards the sun,
// and those that stand behind the left side of the bush the game draws at (400, 300).
void paintUndergrowth(Canvas& canvas) {
    Random random(BackgroundSeed + 9u);
    for (float x = random.range(-10.0f, 0.0f); x < canvas.width() + 10.0f;
         x += random.range(12.0f, 26.0f)) {
        float open = smoothstep(250.0f, 320.0f, x) * smoothstep(530.0f, 460.0f, x);
        float size = random.range(10.0f, 22.0f);
        int clumps = 1 + random.below(3);
        for (int i = 0; i < clumps; ++i) {
            float r = size * random.range(0.6f, 1.0f);
            float cx = x + random.range(-size, size) * 0.7f;
            // Towards the open middle the shrubs sink into the grass and catch the sun.
            float cy = Horizon + 10.0f - r * random.range(0.3f, 0.8f) * (1.0f - 0.6f * open);
            paintClump(canvas, LeafClump(cx, cy, r, random.nextBits()), Undergrowth,
                       random.range(-0.1f, 0.1f) + 0.2f * open);
        }
    }
    const float shrubs[][3] = {{372.0f, 420.0f, 26.0f},
                               {392.0f, 392.0f, 24.0f},
                               {404.0f, 432.0f, 22.0f},
                               {360.0f, 444.0f, 20.0f}};
    for (const auto& s : shrubs) {
        paintClump(canvas, LeafClump(s[0], s[1], s[2], random.nextBits()), Undergrowth, -0.15f);
    }
}

// Soft shadows under the tree and the bush, thrown a little to the right by the sun.
void paintCastShadows(Canvas& canvas) {
    fill(canvas, Ellipse(186.0f, 430.0f, 84.0f, 13.0f), GroundShadow, 0.5f, 18.0f);
    fill(canvas, Ellipse(520.0f, 450.0f, 120.0f, 14.0f), GroundShadow, 0.5f, 18.0f);
}

void paintGrass(Canvas& canvas) {
    Random random(BackgroundSeed + 10u);
    std::vector<float> rows(9000);
    for (float& y : rows) {
        y = Horizon + 2.0f + std::sqrt(random.unit()) * (canvas.height() - Horizon + 6.0f);
    }
    std::sort(rows.begin(), rows.end());
    for (float y : rows) {
        float t = (y - Horizon) / (canvas.height() - Horizon);
        float x = random.range(-4.0f, canvas.width() + 4.0f);
        float length = 2.0f + 14.0f * t * random.range(0.6f, 1.2f);
        float lean = random.range(-0.35f, 0.35f) * length;
        int px = std::clamp(static_cast<int>(x), 0, canvas.width() - 1);
        int py = std::clamp(static_cast<int>(y), 0, canvas.height() - 1);
        Color ground = canvas.pixel(px, py);
        Color tip = random.unit() < 0.5f ? scaled(ground, 0.7f) : mix(ground, rgb(0xD6E08A), 0.35f);
        Stroke blade(x, y, x + lean, y - length, 0.4f + 0.8f * t, 0.2f);
        fill(canvas, blade, tip, 0.85f);
    }
}

void paintFlowers(Canvas& canvas) {
    Random random(BackgroundSeed + 11u);
    const Color petals[] = {rgb(0xF7F4EA), rgb(0xF5DC5A), rgb(0xF2F0F8)};
    for (int i = 0; i < 90; ++i) {
        float y = Horizon + 8.0f + random.unit() * (canvas.height() - Horizon - 8.0f);
        float t = (y - Horizon) / (canvas.height() - Horizon);
        float x = random.range(0.0f, static_cast<float>(canvas.width()));
        Color petal = petals[random.below(3)];
        fill(canvas, Disc(x, y, 0.6f + 1.4f * t), petal, 0.9f);
    }
}

void paintVignette(Canvas& canvas) {
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            float dx = (x - 320.0f) / 320.0f;
            float dy = (y - 240.0f) / 240.0f;
            float dark = smoothstep(0.7f, 1.45f, std::sqrt(dx * dx + dy * dy));
            canvas.setPixel(x, y, scaled(canvas.pixel(x, y), 1.0f - 0.3f * dark));
        }
    }
}

} // namespace

Canvas drawBackground() {
    Canvas canvas(SceneWidth, SceneHeight, SkyTop, true);
    paintSky(canvas);
    paintFarWood(canvas);
    paintMeadow(canvas);
    std::vector<TallTree> trees = tallTrees();
    Random crowns(BackgroundSeed + 5u);
    auto paintRow = [&](bool front) {
        for (const TallTree& tree : trees) {
            if ((tree.depth == 0.0f) == front) {
                paintTrunk(canvas, tree);
                paintCrown(canvas, tree, crowns);
            }
        }
    };
    paintRow(false);
    paintLeafRoof(canvas);
    paintSunRays(canvas);
    paintUndergrowth(canvas);
    paintRow(true);
    paintCastShadows(canvas);
    paintGrass(canvas);
    paintFlowers(canvas);
    paintVignette(canvas);
    return canvas;
}

} // namespace assets
