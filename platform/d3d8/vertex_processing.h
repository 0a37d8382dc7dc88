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

// Draws `count` primitives of a triangle type from vertices `stride` bytes apart, which the
// caller checked to be there.
void drawTriangles(const PrimitiveSetup& setup, D3DPRIMITIVETYPE type, UINT count,
                   const BYTE* vertices, UINT stride, PixelPipeline& pipeline);

// Vertices that `count` primitives of the type use.
uint64_t vertexCountOf(D3DPRIMITIVETYPE type, UINT count);

} // namespace d3d8
