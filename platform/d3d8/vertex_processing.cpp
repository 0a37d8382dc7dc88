// Vertex fetch, transformation, clipping in homogeneous space, culling and primitive assembly.
#include "d3d8/vertex_processing.h"

#include "d3d8/refusal.h"

#include <cmath>
#include <cstring>

namespace d3d8 {

namespace {

// A vertex as the stream holds it.
struct RawVertex {
    float position[3];
    float rhw;
    float u, v;
    float color[4]; // blue, green, red, alpha
};

// A vertex before the perspective division: clip space for untransformed positions, pixels
// times w for pre-transformed ones that must be clipped.
struct ClipVertex {
    double x, y, z, w;
    float u, v;
    float color[4];
};

struct ClipPlane {
    double x, y, z, w, offset; // inside where x X + y Y + z Z + w W >= offset
};

// Untransformed geometry is clipped this many half-viewports beyond the viewport's edges; the
// rasteriser scissors what lies in between, so coverage does not depend on where clipping cut.
constexpr double GuardBand = 64.0;
constexpr double NearestW = 1.0e-6;
constexpr double ScreenLimit = RasterLimit / 2;

constexpr ClipPlane ClipSpacePlanes[] = {
    {0, 0, 0, 1, NearestW},   {0, 0, 1, 0, 0},          {0, 0, -1, 1, 0},
    {1, 0, 0, GuardBand, 0},  {-1, 0, 0, GuardBand, 0}, {0, 1, 0, GuardBand, 0},
    {0, -1, 0, GuardBand, 0},
};
constexpr ClipPlane ScreenSpacePlanes[] = {
    {0, 0, 0, 1, NearestW},    {1, 0, 0, ScreenLimit, 0},  {-1, 0, 0, ScreenLimit, 0},
    {0, 1, 0, ScreenLimit, 0}, {0, -1, 0, ScreenLimit, 0},
};
constexpr int MaxPolygon = 3 + 7;

float readFloat(const BYTE* p) {
    float value;
    std::memcpy(&value, p, sizeof(value));
    return value;
}

UINT texCoordBytes(DWORD fvf, UINT set) {
    switch ((fvf >> (16 + 2 * set)) & 3) {
    case 1:
        return 12;
    case 2:
        return 16;
    case 3:
        return 4;
    default:
        return 8;
    }
}

RawVertex fetch(const VertexLayout& layout, const BYTE* vertex) {
    RawVertex raw;
    for (int i = 0; i < 3; ++i)
        raw.position[i] = readFloat(vertex + 4 * i);
    raw.rhw = layout.transformed ? readFloat(vertex + 12) : 1.0f;
    raw.u = raw.v = 0.0f;
    if (layout.texture >= 0) {
        raw.u = readFloat(vertex + layout.texture);
        raw.v = readFloat(vertex + layout.texture + 4);
    }
    uint32_t diffuse = 0xFFFFFFFFu;
    if (layout.diffuse >= 0)
        std::memcpy(&diffuse, vertex + layout.diffuse, 4);
    for (int channel = 0; channel < 4; ++channel)
        raw.color[channel] = float((diffuse >> (8 * channel)) & 0xFF);
    return raw;
}

double distance(const ClipPlane& p, const ClipVertex& v) {
    return p.x * v.x + p.y * v.y + p.z * v.z + p.w * v.w - p.offset;
}

ClipVertex between(const ClipVertex& a, const ClipVertex& b, double t) {
    ClipVertex r;
    r.x = a.x + (b.x - a.x) * t;
    r.y = a.y + (b.y - a.y) * t;
    r.z = a.z + (b.z - a.z) * t;
    r.w = a.w + (b.w - a.w) * t;
    r.u = float(a.u + (b.u - a.u) * t);
    r.v = float(a.v + (b.v - a.v) * t);
    for (int c = 0; c < 4; ++c)
        r.color[c] = float(a.color[c] + (b.color[c] - a.color[c]) * t);
    return r;
}

// Sutherland-Hodgman against one plane; returns the new vertex count.
int clipAgainst(const ClipPlane& plane, const ClipVertex* in, int count, ClipVertex* out) {
    int produced = 0;
    for (int i = 0; i < count; ++i) {
        const ClipVertex& a = in[i];
        const ClipVertex& b = in[(i + 1) % count];
        const double da = distance(plane, a), db = distance(plane, b);
        if (da >= 0.0)
            out[produced++] = a;
        if ((da >= 0.0) != (db >= 0.0))
            out[produced++] = between(a, b, da / (da - db));
    }
    return produced;
}

ClipVertex clipVertexOf(const RawVertex& raw, double x, double y, double z, double w) {
    return {x, y, z, w, raw.u, raw.v, {raw.color[0], raw.color[1], raw.color[2], raw.color[3]}};
}

ScreenVertex screenVertexOf(const RawVertex& raw) {
    ScreenVertex s;
    s.x = raw.position[0];
    s.y = raw.position[1];
    s.rhw = raw.rhw;
    s.u = raw.u;
    s.v = raw.v;
    std::memcpy(s.color, raw.color, sizeof(s.color));
    return s;
}

class TriangleDrawer {
public:
    TriangleDrawer(const PrimitiveSetup& setup, PrimitiveSink& sink)
        : setup_(setup), sink_(sink), viewport_(pixelRectOf(setup.viewport)) {}

    // One triangle; `provoking` (0 to 2) gives its colour under flat shading.
    void draw(const BYTE* a, const BYTE* b, const BYTE* c, int provoking) {
        RawVertex raw[3] = {fetch(setup_.layout, a), fetch(setup_.layout, b),
                            fetch(setup_.layout, c)};
        if (setup_.flatShading)
            for (RawVertex& vertex : raw)
                std::memcpy(vertex.color, raw[provoking].color, sizeof(vertex.color));
        if (setup_.layout.transformed)
            drawTransformed(raw);
        else
            drawUntransformed(raw);
    }

    // A quad of two triangles sharing the diagonal a-c, drawn as one rectangle when it is an
    // axis-aligned one that needs no clipping; false when it must go triangle by triangle.
    // The first triangle, whose winding decides culling, is (a, b, c), or (b, a, c) for a strip.
    bool drawQuad(const BYTE* a, const BYTE* b, const BYTE* c, const BYTE* d, bool strip) {
        if (setup_.flatShading)
            return false;
        const BYTE* corners[4] = {a, b, c, d};
        ScreenVertex screen[4];
        for (int i = 0; i < 4; ++i)
            if (!projectUnclipped(fetch(setup_.layout, corners[i]), &screen[i]))
                return false;
        const ScreenVertex triangle[3] = {screen[strip ? 1 : 0], screen[strip ? 0 : 1], screen[2]};
        if (culled(triangle, 3))
            return false;
        TriangleShading shading;
        switch (fitRectangle(screen[0], screen[1], screen[2], screen[3], viewport_, &shading)) {
        case RectangleFit::NotRectangle:
            return false;
        case RectangleFit::Rectangle:
            sink_.rectangle(shading);
            break;
        case RectangleFit::Empty:
            break;
        }
        return true;
    }

private:
    // The screen position of a vertex that needs no clipping; false for one that does.
    bool projectUnclipped(const RawVertex& raw, ScreenVertex* out) const {
        if (setup_.layout.transformed) {
            if (!(raw.rhw > 0.0f) || !std::isfinite(raw.rhw) ||
                !(std::fabs(raw.position[0]) < ScreenLimit) ||
                !(std::fabs(raw.position[1]) < ScreenLimit))
                return false;
            *out = screenVertexOf(raw);
            return true;
        }
        ClipVertex clip = toClipSpace(raw);
        for (const ClipPlane& plane : ClipSpacePlanes)
            if (!(distance(plane, clip) >= 0.0))
                return false;
        *out = project(clip);
        return true;
    }

    ClipVertex toClipSpace(const RawVertex& raw) const {
        const auto& m = setup_.transform;
        const float* p = raw.position;
        double r[4];
        for (int j = 0; j < 4; ++j)
            r[j] = p[0] * m[0][j] + p[1] * m[1][j] + p[2] * m[2][j] + m[3][j];
        return clipVertexOf(raw, r[0], r[1], r[2], r[3]);
    }

    // Pre-transformed vertices go straight to the rasteriser unless they lie beyond its
    // range; a vertex without a positive, finite rhw or position has no place on the screen.
    void drawTransformed(const RawVertex (&raw)[3]) {
        bool far = false;
        ClipVertex polygon[MaxPolygon];
        for (int i = 0; i < 3; ++i) {
            const RawVertex& v = raw[i];
            if (!(v.rhw > 0.0f) || !std::isfinite(v.rhw) || !std::isfinite(v.position[0]) ||
                !std::isfinite(v.position[1]))
                return;
            far = far || !(std::fabs(v.position[0]) < ScreenLimit &&
                           std::fabs(v.position[1]) < ScreenLimit);
            // Pixels times w, so that clipping stays perspective-correct.
            const double w = 1.0 / double(v.rhw);
            polygon[i] =
                clipVertexOf(v, v.position[0] * w, v.position[1] * w, v.position[2] * w, w);
        }
        if (!far) {
            const ScreenVertex screen[3] = {screenVertexOf(raw[0]), screenVertexOf(raw[1]),
                                            screenVertexOf(raw[2])};
            return rasterizePolygon(screen, 3);
        }
        clipAndRasterize(polygon, ScreenSpacePlanes,
                         sizeof(ScreenSpacePlanes) / sizeof(ScreenSpacePlanes[0]));
    }

    void drawUntransformed(const RawVertex (&raw)[3]) {
        ClipVertex polygon[MaxPolygon];
        for (int i = 0; i < 3; ++i) {
            polygon[i] = toClipSpace(raw[i]);
            const ClipVertex& v = polygon[i];
            if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z) ||
                !std::isfinite(v.w))
                return;
        }
        clipAndRasterize(polygon, ClipSpacePlanes,
                         sizeof(ClipSpacePlanes) / sizeof(ClipSpacePlanes[0]));
    }

    void clipAndRasterize(ClipVertex* polygon, const ClipPlane* planes, int planeCount) {
        int count = 3;
        ClipVertex scratch[MaxPolygon];
        for (int p = 0; p < planeCount; ++p) {
            bool inside = true;
            for (int i = 0; i < count; ++i)
                inside = inside && distance(planes[p], polygon[i]) >= 0.0;
            if (inside)
                continue;
            count = clipAgainst(planes[p], polygon, count, scratch);
            if (count < 3)
                return;
            std::memcpy(polygon, scratch, sizeof(ClipVertex) * size_t(count));
        }
        ScreenVertex screen[MaxPolygon];
        for (int i = 0; i < count; ++i) {
            screen[i] = project(polygon[i]);
            // Cutting an edge to a vertex far beyond the guard band (1e38 against 1) rounds the
            // cut point away, even to w = 0: such a polygon has lost its shape, and its
            // positions would overflow the rasteriser's fixed point.
            if (!(std::fabs(screen[i].x) < RasterLimit) || !(std::fabs(screen[i].y) < RasterLimit))
                return;
        }
        rasterizePolygon(screen, count);
    }

    ScreenVertex project(const ClipVertex& v) const {
        ScreenVertex s;
        if (setup_.layout.transformed) {
            s.x = v.x / v.w;
            s.y = v.y / v.w;
        } else {
            const D3DVIEWPORT8& vp = setup_.viewport;
            s.x = vp.X + (1.0 + v.x / v.w) * vp.Width * 0.5;
            s.y = vp.Y + (1.0 - v.y / v.w) * vp.Height * 0.5;
        }
        s.rhw = float(1.0 / v.w);
        s.u = v.u;
        s.v = v.v;
        std::memcpy(s.color, v.color, sizeof(s.color));
        return s;
    }

    bool culled(const ScreenVertex* screen, int count) const {
        double area = 0.0;
        for (int i = 0; i < count; ++i) {
            const ScreenVertex& p = screen[i];
            const ScreenVertex& q = screen[(i + 1) % count];
            area += p.x * q.y - q.x * p.y;
        }
        // With y growing downwards a positive area is clockwise on the screen.
        return (setup_.cullMode == D3DCULL_CW && area > 0.0) ||
               (setup_.cullMode == D3DCULL_CCW && area < 0.0);
    }

    void rasterizePolygon(const ScreenVertex* screen, int count) {
        if (culled(screen, count))
            return;
        for (int i = 1; i + 1 < count; ++i)
            sink_.triangle(screen[0], screen[i], screen[i + 1]);
    }

    const PrimitiveSetup& setup_;
    PrimitiveSink& sink_;
    PixelRect viewport_;
};

} // namespace

HRESULT describeVertexFormat(DWORD fvf, DWORD texCoordSet, VertexLayout* out) {
    const DWORD position = fvf & D3DFVF_POSITION_MASK;
    if (position != D3DFVF_XYZ && position != D3DFVF_XYZRHW)
        return refuse(D3DERR_INVALIDCALL,
                      "vertex format 0x%x: positions are D3DFVF_XYZ or D3DFVF_XYZRHW", fvf);
    VertexLayout layout;
    layout.transformed = position == D3DFVF_XYZRHW;
    UINT offset = layout.transformed ? 16 : 12;
    if (fvf & D3DFVF_NORMAL)
        offset += 12;
    if (fvf & D3DFVF_PSIZE)
        offset += 4;
    if (fvf & D3DFVF_DIFFUSE) {
        layout.diffuse = int(offset);
        offset += 4;
    }
    if (fvf & D3DFVF_SPECULAR)
        offset += 4;
    const UINT sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (sets > 8)
        return refuse(D3DERR_INVALIDCALL, "vertex format 0x%x has %u coordinate sets", fvf, sets);
    for (UINT set = 0; set < sets; ++set) {
        if (set == texCoordSet)
            layout.texture = int(offset);
        offset += texCoordBytes(fvf, set);
    }
    layout.size = offset;
    *out = layout;
    return D3D_OK;
}

uint64_t vertexCountOf(D3DPRIMITIVETYPE type, UINT count) {
    return type == D3DPT_TRIANGLELIST ? uint64_t(count) * 3 : uint64_t(count) + 2;
}

PixelRect pixelRectOf(const D3DVIEWPORT8& vp) {
    return {int(vp.X), int(vp.Y), int(vp.X + vp.Width), int(vp.Y + vp.Height)};
}

void drawTriangles(const PrimitiveSetup& setup, D3DPRIMITIVETYPE type, UINT count,
                   const BYTE* vertices, UINT stride, PrimitiveSink& sink) {
    TriangleDrawer drawer(setup, sink);
    const auto at = [&](uint64_t index) { return vertices + index * stride; };
    // Sprites arrive as quads of two triangles; an axis-aligned one is a single rectangle.
    if (count == 2 && type == D3DPT_TRIANGLEFAN &&
        drawer.drawQuad(at(0), at(1), at(2), at(3), false))
        return;
    if (count == 2 && type == D3DPT_TRIANGLESTRIP &&
        drawer.drawQuad(at(1), at(0), at(2), at(3), true))
        return;
    for (UINT i = 0; i < count; ++i) {
        switch (type) {
        case D3DPT_TRIANGLELIST:
            drawer.draw(at(3 * uint64_t(i)), at(3 * uint64_t(i) + 1), at(3 * uint64_t(i) + 2), 0);
            break;
        case D3DPT_TRIANGLESTRIP:
            // Every other triangle of a strip is turned round to keep one winding.
            if (i % 2 == 0)
                drawer.draw(at(i), at(i + 1), at(uint64_t(i) + 2), 0);
            else
                drawer.draw(at(i + 1), at(i), at(uint64_t(i) + 2), 1);
            break;
        default:
            drawer.draw(at(0), at(i + 1), at(uint64_t(i) + 2), 1);
            break;
        }
    }
}

} // namespace d3d8
