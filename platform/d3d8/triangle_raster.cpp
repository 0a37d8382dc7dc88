// Edge walking in exact integer arithmetic: each row's span runs from the first pixel centre
// on or right of the left edge to the last one strictly left of the right edge, and covers the
// rows from the top vertex (included) to the bottom one (excluded).
#include "d3d8/triangle_raster.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace d3d8 {

namespace {

constexpr int64_t SubPixels = 256;

int64_t ceilDiv(int64_t numerator, int64_t denominator) {
    const int64_t quotient = numerator / denominator;
    return quotient + (numerator % denominator != 0 && numerator > 0 ? 1 : 0);
}

// An edge from its upper to its lower end, in sub-pixels; dy > 0 wherever it is used.
struct Edge {
    int64_t x0, y0, dx, dy;

    Edge(int64_t xa, int64_t ya, int64_t xb, int64_t yb)
        : x0(xa), y0(ya), dx(xb - xa), dy(yb - ya) {}

    // The first pixel column whose centre lies on or right of the edge on sub-pixel row y.
    int64_t columnAt(int64_t y) const { return ceilDiv(x0 * dy + (y - y0) * dx, SubPixels * dy); }
};

struct SnappedVertex {
    int64_t x, y;
    const ScreenVertex* source;
};

// The plane through three values at the snapped positions.
Plane planeThrough(const SnappedVertex (&v)[3], double f0, double f1, double f2) {
    const double x0 = double(v[0].x) / SubPixels, y0 = double(v[0].y) / SubPixels;
    const double x1 = double(v[1].x) / SubPixels - x0, y1 = double(v[1].y) / SubPixels - y0;
    const double x2 = double(v[2].x) / SubPixels - x0, y2 = double(v[2].y) / SubPixels - y0;
    const double det = x1 * y2 - x2 * y1;
    Plane plane;
    plane.a = ((f1 - f0) * y2 - (f2 - f0) * y1) / det;
    plane.b = (x1 * (f2 - f0) - x2 * (f1 - f0)) / det;
    plane.c = f0 - plane.a * x0 - plane.b * y0;
    return plane;
}

uint32_t packColor(const float color[4]) {
    uint32_t packed = 0;
    for (int channel = 0; channel < 4; ++channel) {
        const float c = std::min(255.0f, std::max(0.0f, color[channel]));
        packed |= uint32_t(c + 0.5f) << (8 * channel);
    }
    return packed;
}

TriangleShading shadingOf(const SnappedVertex (&v)[3]) {
    const ScreenVertex& a = *v[0].source;
    const ScreenVertex& b = *v[1].source;
    const ScreenVertex& c = *v[2].source;
    TriangleShading shading;
    shading.perspective = !(a.rhw == b.rhw && b.rhw == c.rhw);
    const double qa = shading.perspective ? a.rhw : 1.0;
    const double qb = shading.perspective ? b.rhw : 1.0;
    const double qc = shading.perspective ? c.rhw : 1.0;
    shading.rhw = planeThrough(v, qa, qb, qc);
    shading.u = planeThrough(v, a.u * qa, b.u * qb, c.u * qc);
    shading.v = planeThrough(v, a.v * qa, b.v * qb, c.v * qc);
    shading.constantColor = true;
    for (int channel = 0; channel < 4; ++channel) {
        shading.diffuse[channel] =
            planeThrough(v, a.color[channel] * qa, b.color[channel] * qb, c.color[channel] * qc);
        if (a.color[channel] != b.color[channel] || b.color[channel] != c.color[channel])
            shading.constantColor = false;
    }
    if (shading.constantColor)
        shading.color = packColor(a.color);
    return shading;
}

} // namespace

void rasterizeTriangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                       const PixelRect& viewport, PixelPipeline& pipeline) {
    SnappedVertex v[3] = {{std::llround(a.x * SubPixels), std::llround(a.y * SubPixels), &a},
                          {std::llround(b.x * SubPixels), std::llround(b.y * SubPixels), &b},
                          {std::llround(c.x * SubPixels), std::llround(c.y * SubPixels), &c}};
    const int64_t area =
        (v[1].x - v[0].x) * (v[2].y - v[0].y) - (v[2].x - v[0].x) * (v[1].y - v[0].y);
    if (area == 0)
        return;

    const int64_t minX = std::min({v[0].x, v[1].x, v[2].x});
    const int64_t maxX = std::max({v[0].x, v[1].x, v[2].x});
    const int64_t minY = std::min({v[0].y, v[1].y, v[2].y});
    const int64_t maxY = std::max({v[0].y, v[1].y, v[2].y});
    const int left = int(std::max<int64_t>(viewport.left, ceilDiv(minX, SubPixels)));
    const int right = int(std::min<int64_t>(viewport.right, ceilDiv(maxX, SubPixels)));
    const int top = int(std::max<int64_t>(viewport.top, ceilDiv(minY, SubPixels)));
    const int bottom = int(std::min<int64_t>(viewport.bottom, ceilDiv(maxY, SubPixels)));
    if (left >= right || top >= bottom)
        return;

    TriangleShading shading = shadingOf(v);
    shading.left = left;
    shading.right = right;
    shading.top = top;
    shading.bottom = bottom;
    pipeline.beginTriangle(shading);

    std::sort(v, v + 3, [](const SnappedVertex& p, const SnappedVertex& q) { return p.y < q.y; });
    const Edge longEdge(v[0].x, v[0].y, v[2].x, v[2].y);
    const Edge upper(v[0].x, v[0].y, v[1].x, v[1].y);
    const Edge lower(v[1].x, v[1].y, v[2].x, v[2].y);
    for (int y = top; y < bottom; ++y) {
        const int64_t row = int64_t(y) * SubPixels;
        const int64_t across = longEdge.columnAt(row);
        const int64_t side = row < v[1].y ? upper.columnAt(row) : lower.columnAt(row);
        const int x0 = int(std::max<int64_t>(left, std::min(across, side)));
        const int x1 = int(std::min<int64_t>(right, std::max(across, side)));
        if (x0 < x1)
            pipeline.shadeSpan(y, x0, x1);
    }
}

} // namespace d3d8
