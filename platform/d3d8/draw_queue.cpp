// Recording draws, splitting the rows between threads by the work recorded on them, and playing
// a band of rows.
#include "d3d8/draw_queue.h"

#include "d3d8/texture_base.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace d3d8 {

namespace {

// Enough for several frames of the game; a scene that records more is played in parts.
constexpr size_t MaxRecordedDraws = 4096;
constexpr size_t MaxRecordedPrimitives = 65536;

// Rows and columns a triangle's vertices may cover inside the viewport, widened by a pixel so
// that snapping can never move a covered pixel centre outside: false when none is left.
bool triangleRows(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                  const PixelRect& viewport, PixelRect* out) {
    const double top = std::floor(std::min({a.y, b.y, c.y})) - 1.0;
    const double bottom = std::ceil(std::max({a.y, b.y, c.y})) + 1.0;
    const double left = std::floor(std::min({a.x, b.x, c.x})) - 1.0;
    const double right = std::ceil(std::max({a.x, b.x, c.x})) + 1.0;
    out->top = top > viewport.top ? int(std::min(top, double(viewport.bottom))) : viewport.top;
    out->bottom =
        bottom < viewport.bottom ? int(std::max(bottom, double(viewport.top))) : viewport.bottom;
    out->left = left > viewport.left ? int(std::min(left, double(viewport.right))) : viewport.left;
    out->right =
        right < viewport.right ? int(std::max(right, double(viewport.left))) : viewport.right;
    return out->top < out->bottom && out->left < out->right;
}

} // namespace

DrawQueue::~DrawQueue() {
    clear();
}

bool DrawQueue::full() const {
    return draws_.size() >= MaxRecordedDraws || primitives_.size() >= MaxRecordedPrimitives;
}

PrimitiveSink& DrawQueue::beginDraw(const PipelineSetup& setup, TextureBase* texture,
                                    const PixelRect& viewport) {
    if (rowWork_.size() < size_t(std::max(viewport.bottom, 0)) + 1)
        rowWork_.resize(size_t(std::max(viewport.bottom, 0)) + 1, 0);
    const uint32_t first = uint32_t(primitives_.size());
    draws_.push_back({setup, texture, viewport, first, 0, viewport.bottom, viewport.top});
    if (texture != nullptr)
        texture->addBinding();
    drawOpen_ = true;
    openVertices_ = vertices_.size();
    openRectangles_ = rectangles_.size();
    return *this;
}

void DrawQueue::abandonDraw() {
    if (!drawOpen_)
        return;
    drawOpen_ = false;
    const Draw& draw = draws_.back();
    if (draw.texture != nullptr)
        draw.texture->releaseBinding();
    // Its work stays counted on its rows, which only shifts the next split a little.
    primitives_.resize(draw.firstPrimitive);
    vertices_.resize(openVertices_);
    rectangles_.resize(openRectangles_);
    draws_.pop_back();
}

void DrawQueue::endDraw() {
    drawOpen_ = false;
    Draw& draw = draws_.back();
    draw.primitiveCount = uint32_t(primitives_.size()) - draw.firstPrimitive;
    // A draw that clipping or culling emptied need not be kept.
    if (draw.primitiveCount == 0) {
        if (draw.texture != nullptr)
            draw.texture->releaseBinding();
        draws_.pop_back();
    }
}

void DrawQueue::addWork(int top, int bottom, int width) {
    Draw& draw = draws_.back();
    draw.top = std::min(draw.top, top);
    draw.bottom = std::max(draw.bottom, bottom);
    rowWork_[size_t(top)] += width;
    rowWork_[size_t(bottom)] -= width;
    work_ += int64_t(width) * (bottom - top);
}

void DrawQueue::swap(DrawQueue& other) noexcept {
    draws_.swap(other.draws_);
    primitives_.swap(other.primitives_);
    vertices_.swap(other.vertices_);
    rectangles_.swap(other.rectangles_);
    rowWork_.swap(other.rowWork_);
    std::swap(work_, other.work_);
    std::swap(drawOpen_, other.drawOpen_);
    std::swap(openVertices_, other.openVertices_);
    std::swap(openRectangles_, other.openRectangles_);
}

void DrawQueue::triangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c) {
    PixelRect rows;
    if (!triangleRows(a, b, c, draws_.back().viewport, &rows))
        return;
    primitives_.push_back({false, uint32_t(vertices_.size())});
    vertices_.push_back(a);
    vertices_.push_back(b);
    vertices_.push_back(c);
    // A triangle covers about half of its bounds.
    addWork(rows.top, rows.bottom, std::max(1, (rows.right - rows.left) / 2));
}

void DrawQueue::rectangle(const TriangleShading& shading) {
    primitives_.push_back({true, uint32_t(rectangles_.size())});
    rectangles_.push_back(shading);
    addWork(shading.top, shading.bottom, shading.right - shading.left);
}

void DrawQueue::splitRows(unsigned count, RowRange* bands) const {
    int64_t total = 0, running = 0;
    for (int64_t difference : rowWork_) {
        running += difference;
        total += running;
    }
    // Band k ends after the row where the work done reaches (k + 1) / count of the total.
    unsigned band = 0;
    int begin = AllRows.begin;
    int64_t done = 0;
    running = 0;
    for (size_t y = 0; y < rowWork_.size() && band + 1 < count; ++y) {
        running += rowWork_[y];
        done += running;
        while (band + 1 < count && done * int64_t(count) >= total * int64_t(band + 1)) {
            bands[band++] = {begin, int(y) + 1};
            begin = int(y) + 1;
        }
    }
    for (; band < count; ++band) {
        bands[band] = {begin, band + 1 < count ? begin : AllRows.end};
    }
}

void DrawQueue::play(RowRange rows) const {
    if (rows.begin >= rows.end)
        return;
    PixelPipeline pipeline;
    for (const Draw& draw : draws_) {
        if (draw.bottom <= rows.begin || draw.top >= rows.end)
            continue;
        pipeline.use(draw.setup);
        const Primitive* primitive = primitives_.data() + draw.firstPrimitive;
        for (uint32_t i = 0; i < draw.primitiveCount; ++i, ++primitive) {
            if (primitive->rectangle) {
                rasterizeRectangle(rectangles_[primitive->index], pipeline, rows);
            } else {
                const ScreenVertex* v = vertices_.data() + primitive->index;
                rasterizeTriangle(v[0], v[1], v[2], draw.viewport, pipeline, rows);
            }
        }
    }
}

void DrawQueue::clear() {
    for (const Draw& draw : draws_)
        if (draw.texture != nullptr)
            draw.texture->releaseBinding();
    draws_.clear();
    primitives_.clear();
    vertices_.clear();
    rectangles_.clear();
    std::fill(rowWork_.begin(), rowWork_.end(), 0);
    work_ = 0;
}

} // namespace d3d8
