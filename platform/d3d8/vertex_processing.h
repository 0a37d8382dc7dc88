// The vertex half of the rasteriser: flexible vertex formats, world x view x projection and
// the viewport for untransformed positions, clipping against the near and far planes and a
// guard band, culling, flat shading and the assembly of triangle lists, strips and fans.
#pragma once

#include "d3d8/triangle_raster.h"

namespace d3d8 {

// Byte offsets inside one vertex; -1 for an element the format lacks.
struct VertexLayout {
    bool transformed = false; // D3DFVF_XYZRHW, else D3DFVF_XYZ
    UINT size = 0;            // bytes of the elements the format names
    int diffuse = -1;
    int texture = -1; // the coordinate set stage 0 reads
};

// Reads a flexible vertex format: D3D_OK, or D3DERR_INVALIDCALL for positions the rasteriser
// does not take (blend weights). Stage 0 reads `texCoordSet`; when the format lacks that set
// the coordinates read (0, 0).
HRESULT describeVertexFormat(DWORD fvf, DWORD texCoordSet, VertexLayout* out);

struct PrimitiveSetup {
    VertexLayout layout;
    double transform[4][4]; // world x view x projection, row vectors
    D3DVIEWPORT8 viewport;
    DWORD cullMode;
    bool flatShading;
};

// Where assembled primitives go: to the pipeline at once, or into a recording of the draw.
class PrimitiveSink {
public:
    virtual void triangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c) = 0;
    virtual void rectangle(const TriangleShading& shading) = 0;

protected:
    ~PrimitiveSink() = default;
};

// Shades every primitive at once through one pipeline.
class ImmediateSink final : public PrimitiveSink {
public:
    ImmediateSink(const PixelRect& viewport, PixelPipeline& pipeline)
        : viewport_(viewport), pipeline_(pipeline) {}
    void triangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c) override {
        rasterizeTriangle(a, b, c, viewport_, pipeline_);
    }
    void rectangle(const TriangleShading& shading) override {
        rasterizeRectangle(shading, pipeline_);
    }

private:
    PixelRect viewport_;
    PixelPipeline& pipeline_;
};

PixelRect pixelRectOf(const D3DVIEWPORT8& viewport);

// Assembles `count` primitives of a triangle type from vertices `stride` bytes apart, which
// the caller checked to be there, and hands what survives clipping and culling to the sink.
void drawTriangles(const PrimitiveSetup& setup, D3DPRIMITIVETYPE type, UINT count,
                   const BYTE* vertices, UINT stride, PrimitiveSink& sink);

// Vertices that `count` primitives of the type use.
uint64_t vertexCountOf(D3DPRIMITIVETYPE type, UINT count);

} // namespace d3d8
