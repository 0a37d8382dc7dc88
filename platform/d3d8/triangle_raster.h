// Triangle set-up and traversal: vertices snapped to 1/256 pixel, coverage by Direct3D's rules
// (pixel centres at integer coordinates, top-left fill convention, so triangles sharing an
// edge cover each pixel once), attribute planes for the pixel pipeline, spans clipped to the
// viewport.
#pragma once

#include "d3d8/pixel_pipeline.h"

namespace d3d8 {

struct ScreenVertex {
    double x = 0.0, y = 0.0; // pixels
    float rhw = 1.0f;        // 1 / w, positive
    float u = 0.0f, v = 0.0f;
    float color[4] = {255.0f, 255.0f, 255.0f, 255.0f}; // blue, green, red, alpha
};

// Pixels [left, right) x [top, bottom) of the render target.
struct PixelRect {
    int left, top, right, bottom;
};

// Rows [begin, end) that one call may write: a draw thread's band, or every row.
struct RowRange {
    int begin, end;
};
constexpr RowRange AllRows = {-2147483647 - 1, 2147483647};

// Farthest a snapped vertex may lie from the origin; farther geometry is clipped first.
constexpr double RasterLimit = 1048576.0;

// Shades the pixels of the triangle inside the viewport and the rows. Its set-up does not
// depend on the rows, so bands drawn one by one give the bytes of the whole.
void rasterizeTriangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                       const PixelRect& viewport, PixelPipeline& pipeline, RowRange rows = AllRows);

enum class RectangleFit { NotRectangle, Empty, Rectangle };

// Whether the two triangles (a, b, c) and (a, c, d) form an axis-aligned rectangle over a single
// attribute plane, which covers the same pixels row by row without edge arithmetic; for one
// that covers pixels of the viewport, its shading and pixel bounds.
RectangleFit fitRectangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                          const ScreenVertex& d, const PixelRect& viewport,
                          TriangleShading* shading);

// Shades the rows of a fitted rectangle that lie in `rows`.
void rasterizeRectangle(const TriangleShading& shading, PixelPipeline& pipeline,
                        RowRange rows = AllRows);

} // namespace d3d8
