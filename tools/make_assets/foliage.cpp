// Ragged leaf clumps and their lit, leaf-covered painting.
#include "tools/make_assets/foliage.h"

#include "tools/make_assets/noise.h"

#include <algorithm>
#include <cmath>

namespace assets {
namespace {

// Direction the light travels: down and a little to the right, from a high sun.
constexpr float LightX = -0.45f;
constexpr float LightY = -0.89f;

// Colour of the style for a shade in [0, 1] (0 shadow, 0.5 mid, 1 light).
Color foliageColor(const FoliageStyle& style, float shade) {
    shade = std::clamp(shade, 0.0f, 1.0f);
    if (shade < 0.5f) {
        return mix(style.shadow, style.mid, shade * 2.0f);
    }
    return mix(style.mid, style.light, shade * 2.0f - 1.0f);
}

} // namespace

LeafClump::LeafClump(float cx, float cy, float radius, uint32_t seed)
    : cx_(cx), cy_(cy), radius_(radius), ragged_(std::min(radius * 0.45f, 7.0f)), seed_(seed) {}

float distanceToLobes(std::span<const Lobe> lobes, float x, float y) {
    float best = 1e9f;
    for (const Lobe& lobe : lobes)
        best = std::min(best, Ellipse(lobe.cx, lobe.cy, lobe.rx, lobe.ry).distance(x, y));
    return best;
}

float LeafClump::radiusWithin(float room) {
    // The bumps reach min(0.45 r, 7) past the radius.
    return std::max(0.0f, std::max(room / 1.45f, room - 7.0f));
}

float LeafClump::distance(float x, float y) const {
    float dx = x - cx_;
    float dy = y - cy_;
    float bump = fractalNoise(x * 0.22f, y * 0.22f, seed_, 2) - 0.5f;
    return std::sqrt(dx * dx + dy * dy) - radius_ + bump * 2.0f * ragged_;
}

PixelBounds LeafClump::bounds() const {
    float reach = radius_ + ragged_;
    return {static_cast<int>(std::floor(cx_ - reach)), static_cast<int>(std::floor(cy_ - reach)),
            static_cast<int>(std::ceil(cx_ + reach)) + 1,
            static_cast<int>(std::ceil(cy_ + reach)) + 1};
}

void paintClump(Canvas& canvas, const LeafClump& clump, const FoliageStyle& style, float brightness,
                float opacity) {
    float cx = clump.cx();
    float cy = clump.cy();
    float reach = clump.radius() + 5.0f;
    uint32_t seed = clump.seed();
    Shader shader = [=, &style](float x, float y) {
        float nx = (x - cx) / reach;
        float ny = (y - cy) / reach;
        float facing = -(nx * LightX + ny * LightY);
        float bulge = std::sqrt(std::max(0.0f, 1.0f - nx * nx - ny * ny));
        float shade = 0.38f + 0.42f * facing + 0.2f * bulge + brightness;
        // The rim turned from the light falls into the shadow of the clumps around it.
        shade -= std::max(0.0f, -facing) * (1.0f - bulge) * 0.35f;
        // Leaves: a body brighter towards its middle, each a little different, and a dark
        // seam where two leaves overlap.
        CellSample leaf = cellNoise(x / style.leafSize, y / style.leafSize, seed);
        float seam = smoothstep(0.0f, 0.3f, leaf.second - leaf.nearest);
        shade += 0.24f * (leaf.cellValue - 0.5f) + 0.14f * (0.6f - leaf.nearest);
        shade -= (1.0f - seam) * 0.22f;
        return foliageColor(style, shade);
    };
    fill(canvas, clump, shader, opacity);
}

} // namespace assets
