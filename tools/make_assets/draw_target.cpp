// cible.png (and the icon): a round target, red and white rings on a paper face held in a
// turned wooden rim, lit from the upper left. Its outline is hard; the rings are smooth.
#include "tools/make_assets/pictures.h"

#include "tools/make_assets/noise.h"
#include "tools/make_assets/shapes.h"

#include <algorithm>
#include <cmath>

namespace assets {
namespace {

constexpr uint32_t TargetSeed = 0xC1B1E5EDu;
constexpr int Subsamples = 4;

const Color Paper = rgb(0xF6F2E6);
const Color Red = rgb(0xD2202A);
const Color Wood = rgb(0xA8703C);
const Color WoodDark = rgb(0x5A351A);
const Color Groove = rgb(0x2E1C10);

// Ring edges as fractions of the radius, outside in: the rim, then red and white by turns.
constexpr float RimInner = 0.84f;
constexpr float RingEdges[] = {0.68f, 0.52f, 0.36f, 0.20f};

// (u, v): position relative to the centre in radii; r its length.
Color rimColor(float u, float v, float r, float x, float y, float diameter) {
    float lit = -(u * -0.6f + v * -0.8f);
    float across = (r - RimInner) / (1.0f - RimInner); // 0 inner edge, 1 outer edge
    float bevel = 1.0f - 2.0f * std::fabs(across - 0.45f);
    float grain = valueNoise(x * 6.0f / diameter, y * 40.0f / diameter, TargetSeed);
    Color c = mix(WoodDark, Wood, 0.55f + 0.3f * lit * bevel + 0.25f * (grain - 0.5f));
    c = mix(c, Groove, smoothstep(0.7f, 1.0f, across) * 0.6f);
    return mix(c, Groove, smoothstep(0.25f, 0.0f, across) * 0.8f);
}

// 0 for the outer red ring, 1 for the white one inside it, and so on to the bullseye.
int ringAt(float r) {
    int ring = 0;
    for (float edge : RingEdges) {
        if (r < edge) {
            ++ring;
        }
    }
    return ring;
}

Color faceColor(float u, float v, float r) {
    Color c = ringAt(r) % 2 == 0 ? Red : Paper;
    // The face is slightly domed towards the light, and the rim shades its upper left.
    float lit = -(u * -0.6f + v * -0.8f);
    c = scaled(c, 0.94f + 0.06f * lit);
    float rimShadow = smoothstep(RimInner - 0.12f, RimInner, r) * std::max(0.0f, -u - v) * 0.5f;
    return scaled(c, 1.0f - 0.35f * rimShadow);
}

} // namespace

Canvas drawTarget(int diameter) {
    float radius = diameter * 0.5f;
    Canvas canvas(diameter, diameter, Paper, false);
    markOpaque(canvas, Disc(radius, radius, radius));
    for (int y = 0; y < diameter; ++y) {
        for (int x = 0; x < diameter; ++x) {
            if (!canvas.opaque(x, y)) {
                continue;
            }
            // Average a grid of samples: the rings stay round and smooth; samples past the
            // outline count as rim, so the outline itself is never blended.
            float r = 0.0f, g = 0.0f, b = 0.0f;
            for (int sy = 0; sy < Subsamples; ++sy) {
                for (int sx = 0; sx < Subsamples; ++sx) {
                    float px = x + (sx + 0.5f) / Subsamples;
                    float py = y + (sy + 0.5f) / Subsamples;
                    float u = (px - radius) / radius;
                    float v = (py - radius) / radius;
                    float dist = std::sqrt(u * u + v * v);
                    Color c = dist >= RimInner ? rimColor(u, v, std::min(dist, 1.0f), px, py,
                                                          static_cast<float>(diameter))
                                               : faceColor(u, v, dist);
                    r += c.r;
                    g += c.g;
                    b += c.b;
                }
            }
            constexpr float Share = 1.0f / (Subsamples * Subsamples);
            canvas.setPixel(x, y, {r * Share, g * Share, b * Share});
        }
    }
    return canvas;
}

Canvas drawFlatTarget(int diameter, Color rim, Color red, Color white, Color outline) {
    float radius = diameter * 0.5f;
    Canvas canvas(diameter, diameter, outline, false);
    markOpaque(canvas, Disc(radius, radius, radius));
    for (int y = 0; y < diameter; ++y) {
        for (int x = 0; x < diameter; ++x) {
            float dx = x + 0.5f - radius;
            float dy = y + 0.5f - radius;
            float dist = std::sqrt(dx * dx + dy * dy);
            float r = dist / radius;
            if (dist >= radius - 1.0f) {
                continue; // the outline, already its colour
            }
            canvas.setPixel(x, y, r >= RimInner ? rim : ringAt(r) % 2 == 0 ? red : white);
        }
    }
    return canvas;
}

} // namespace assets
