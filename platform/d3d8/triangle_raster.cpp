// Edge walking in exact integer arithmetic: each row's span runs from the first pixel centre
// on or right of the left edge to the last one strictly left of the right edge, and covers the
// rows from the top vertex (included) to the bottom one (excluded).
#include "d3d8/triangle_raster.h"

#include <algorithm>
#include <cmath>
#include <cstring>
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

// The pixel bounds of a triangle or rectangle inside the viewport; false when empty.
bool pixelBounds(const SnappedVertex* v, int count, const PixelRect& viewport, TriangleShading* s) {
    int64_t minX = v[0].x, maxX = v[0].x, minY = v[0].y, maxY = v[0].y;
    for (int i = 1; i < count; ++i) {
        minX = std::min(minX, v[i].x);
        maxX = std::max(maxX, v[i].x);
        minY = std::min(minY, v[i].y);
        maxY = std::max(maxY, v[i].y);
    }
    s->left = int(std::max<int64_t>(viewport.left, ceilDiv(minX, SubPixels)));
    s->right = int(std::min<int64_t>(viewport.right, ceilDiv(maxX, SubPixels)));
    s->top = int(std::max<int64_t>(viewport.top, ceilDiv(minY, SubPixels)));
    s->bottom = int(std::min<int64_t>(viewport.bottom, ceilDiv(maxY, SubPixels)));
    return s->left < s->right && s->top < s->bottom;
}

// Whether `plane` gives `value` at the vertex, to well within what the pipeline resolves.
bool predicts(const Plane& plane, const SnappedVertex& v, double value) {
    const double x = double(v.x) / SubPixels, y = double(v.y) / SubPixels;
    return std::fabs(plane.at(x, y) - value) <= 1.0e-9 * (1.0 + std::fabs(value));
}

} // namespace

void rasterizeTriangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                       const PixelRect& viewport, PixelPipeline& pipeline, RowRange rows) {
    SnappedVertex v[3] = {{std::llround(a.x * SubPixels), std::llround(a.y * SubPixels), &a},
                          {std::llround(b.x * SubPixels), std::llround(b.y * SubPixels), &b},
                          {std::llround(c.x * SubPixels), std::llround(c.y * SubPixels), &c}};
    const int64_t area =
        (v[1].x - v[0].x) * (v[2].y - v[0].y) - (v[2].x - v[0].x) * (v[1].y - v[0].y);
    if (area == 0)
        return;

    TriangleShading bounds;
    if (!pixelBounds(v, 3, viewport, &bounds))
        return;
    const int left = bounds.left, right = bounds.right, top = bounds.top, bottom = bounds.bottom;
    const int first = std::max(top, rows.begin), end = std::min(bottom, rows.end);
    if (first >= end)
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
    for (int y = first; y < end; ++y) {
        const int64_t row = int64_t(y) * SubPixels;
        const int64_t across = longEdge.columnAt(row);
        const int64_t side = row < v[1].y ? upper.columnAt(row) : lower.columnAt(row);
        const int x0 = int(std::max<int64_t>(left, std::min(across, side)));
        const int x1 = int(std::min<int64_t>(right, std::max(across, side)));
        if (x0 < x1)
            pipeline.shadeSpan(y, x0, x1);
    }
}

RectangleFit fitRectangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                          const ScreenVertex& d, const PixelRect& viewport,
                          TriangleShading* shading) {
    const SnappedVertex v[4] = {{std::llround(a.x * SubPixels), std::llround(a.y * SubPixels), &a},
                                {std::llround(b.x * SubPixels), std::llround(b.y * SubPixels), &b},
                                {std::llround(c.x * SubPixels), std::llround(c.y * SubPixels), &c},
                                {std::llround(d.x * SubPixels), std::llround(d.y * SubPixels), &d}};
    // a and c are opposite corners and b and d the other two, all on two columns and two rows.
    const bool rectangle =
        a.rhw == b.rhw && a.rhw == c.rhw && a.rhw == d.rhw && v[0].x != v[2].x &&
        v[0].y != v[2].y &&
        ((v[1].x == v[0].x && v[1].y == v[2].y && v[3].x == v[2].x && v[3].y == v[0].y) ||
         (v[1].x == v[2].x && v[1].y == v[0].y && v[3].x == v[0].x && v[3].y == v[2].y));
    if (!rectangle)
        return RectangleFit::NotRectangle;
    const SnappedVertex first[3] = {v[0], v[1], v[2]};
    *shading = shadingOf(first);
    // The fourth corner must lie on the first triangle's planes, or the halves would differ.
    bool onePlane = predicts(shading->u, v[3], d.u) && predicts(shading->v, v[3], d.v);
    for (int channel = 0; channel < 4; ++channel)
        onePlane = onePlane && predicts(shading->diffuse[channel], v[3], d.color[channel]);
    if (!onePlane ||
        (shading->constantColor && std::memcmp(a.color, d.color, sizeof(a.color)) != 0))
        return RectangleFit::NotRectangle;
    return pixelBounds(v, 4, viewport, shading) ? RectangleFit::Rectangle : RectangleFit::Empty;
}

void rasterizeRectangle(const TriangleShading& shading, PixelPipeline& pipeline, RowRange rows) {
    const int first = std::max(shading.top, rows.begin), end = std::min(shading.bottom, rows.end);
    if (first >= end)
        return;
    pipeline.beginTriangle(shading);
    for (int y = first; y < end; ++y)
        pipeline.shadeSpan(y, shading.left, shading.right);
}

} // namespace d3d8
