// Signed distances of the generator's shapes and the loops that lay them on a canvas.
#include "tools/make_assets/shapes.h"

#include <algorithm>
#include <cmath>

namespace assets {
namespace {

PixelBounds boxAround(float x0, float y0, float x1, float y1) {
    return {static_cast<int>(std::floor(x0)), static_cast<int>(std::floor(y0)),
            static_cast<int>(std::ceil(x1)) + 1, static_cast<int>(std::ceil(y1)) + 1};
}

PixelBounds clipped(PixelBounds b, const Canvas& canvas, float margin) {
    int grow = static_cast<int>(std::ceil(margin));
    return {std::max(b.x0 - grow, 0), std::max(b.y0 - grow, 0),
            std::min(b.x1 + grow, canvas.width()), std::min(b.y1 + grow, canvas.height())};
}

// Coverage of a pixel centre at signed distance d for an edge `softness` pixels wide.
float edgeCoverage(float d, float softness) {
    return std::clamp(0.5f - d / softness, 0.0f, 1.0f);
}

template <typename ColorAt>
void layShape(Canvas& canvas, const Shape& shape, ColorAt colorAt, float opacity, float softness) {
    PixelBounds area = clipped(shape.bounds(), canvas, softness);
    for (int y = area.y0; y < area.y1; ++y) {
        for (int x = area.x0; x < area.x1; ++x) {
            float px = x + 0.5f;
            float py = y + 0.5f;
            float coverage = edgeCoverage(shape.distance(px, py), softness) * opacity;
            if (coverage > 0.0f) {
                canvas.blend(x, y, colorAt(px, py), coverage);
            }
        }
    }
}

} // namespace

float Disc::distance(float x, float y) const {
    float dx = x - cx_;
    float dy = y - cy_;
    return std::sqrt(dx * dx + dy * dy) - radius_;
}

PixelBounds Disc::bounds() const {
    return boxAround(cx_ - radius_, cy_ - radius_, cx_ + radius_, cy_ + radius_);
}

float Ellipse::distance(float x, float y) const {
    // Distance of the scaled point, rescaled by the local gradient: close to the true
    // distance near the outline, which is all an edge needs.
    float nx = (x - cx_) / rx_;
    float ny = (y - cy_) / ry_;
    float k0 = std::sqrt(nx * nx + ny * ny);
    float gx = nx / rx_;
    float gy = ny / ry_;
    float k1 = std::sqrt(gx * gx + gy * gy);
    if (k1 == 0.0f) {
        return -std::min(rx_, ry_);
    }
    return k0 * (k0 - 1.0f) / k1;
}

PixelBounds Ellipse::bounds() const {
    return boxAround(cx_ - rx_, cy_ - ry_, cx_ + rx_, cy_ + ry_);
}

float Stroke::distance(float x, float y) const {
    float dx = x1_ - x0_;
    float dy = y1_ - y0_;
    float lengthSquared = dx * dx + dy * dy;
    float t = 0.0f;
    if (lengthSquared > 0.0f) {
        t = std::clamp(((x - x0_) * dx + (y - y0_) * dy) / lengthSquared, 0.0f, 1.0f);
    }
    float ox = x - (x0_ + dx * t);
    float oy = y - (y0_ + dy * t);
    return std::sqrt(ox * ox + oy * oy) - (r0_ + (r1_ - r0_) * t);
}

PixelBounds Stroke::bounds() const {
    float r = std::max(r0_, r1_);
    return boxAround(std::min(x0_, x1_) - r, std::min(y0_, y1_) - r, std::max(x0_, x1_) + r,
                     std::max(y0_, y1_) + r);
}

float smoothstep(float edge0, float edge1, float x) {
    float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

void fill(Canvas& canvas, const Shape& shape, Color color, float opacity, float softness) {
    layShape(
        canvas, shape, [color](float, float) { return color; }, opacity, softness);
}

void fill(Canvas& canvas, const Shape& shape, const Shader& shader, float opacity, float softness) {
    layShape(canvas, shape, shader, opacity, softness);
}

void markOpaque(Canvas& canvas, const Shape& shape) {
    PixelBounds area = clipped(shape.bounds(), canvas, 0.0f);
    for (int y = area.y0; y < area.y1; ++y) {
        for (int x = area.x0; x < area.x1; ++x) {
            if (shape.distance(x + 0.5f, y + 0.5f) < 0.0f) {
                canvas.setOpaque(x, y, true);
            }
        }
    }
}

void tidySilhouette(Canvas& canvas) {
    Canvas before = canvas;
    auto opaqueAt = [&before](int x, int y) {
        return before.contains(x, y) && before.opaque(x, y);
    };
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            int neighbours =
                opaqueAt(x - 1, y) + opaqueAt(x + 1, y) + opaqueAt(x, y - 1) + opaqueAt(x, y + 1);
            if (before.opaque(x, y) && neighbours < 2) {
                canvas.setOpaque(x, y, false);
            } else if (!before.opaque(x, y) && neighbours >= 3) {
                canvas.setOpaque(x, y, true);
            }
        }
    }
}

} // namespace assets
