// Clear and the drawing calls: the checks of the device's state before a draw and the hand-over
// of the vertices to the rasteriser.
#include "d3d8/device.h"
#include "d3d8/pixel_math.h"
#include "d3d8/refusal.h"
#include "d3d8/surface.h"
#include "d3d8/texture_base.h"
#include "d3d8/vertex_processing.h"
#include "internal/frame_breakdown.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace d3d8 {

namespace {

void fillRect(LevelStore& target, LONG left, LONG top, LONG right, LONG bottom, D3DCOLOR color) {
    const UINT pitch = target.geometry().rowPitch;
    for (LONG y = top; y < bottom; ++y) {
        BYTE* row = target.bits() + size_t(y) * pitch;
        if (target.format() == D3DFMT_R5G6B5) {
            const uint16_t pixel = r5g6b5OfArgb(color);
            for (LONG x = left; x < right; ++x)
                std::memcpy(row + 2 * x, &pixel, 2);
        } else {
            const uint32_t pixel = color | 0xFF000000u;
            for (LONG x = left; x < right; ++x)
                std::memcpy(row + 4 * x, &pixel, 4);
        }
    }
    target.markChanged();
}

void multiply(const D3DMATRIX& a, const double (&b)[4][4], double (&out)[4][4]) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            out[i][j] = a.m[i][0] * b[0][j] + a.m[i][1] * b[1][j] + a.m[i][2] * b[2][j] +
                        a.m[i][3] * b[3][j];
}

// world x view x projection, in double precision.
void combinedTransform(const DrawingState& state, double (&out)[4][4]) {
    const D3DMATRIX& given = state.transforms[transformSlot(D3DTS_PROJECTION)];
    double projection[4][4], viewProjection[4][4];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            projection[i][j] = given.m[i][j];
    multiply(state.transforms[transformSlot(D3DTS_VIEW)], projection, viewProjection);
    multiply(state.transforms[transformSlot(D3DTS_WORLD)], viewProjection, out);
}

bool isTriangleType(D3DPRIMITIVETYPE type) {
    return type == D3DPT_TRIANGLELIST || type == D3DPT_TRIANGLESTRIP || type == D3DPT_TRIANGLEFAN;
}

} // namespace

HRESULT Device::Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float,
                      DWORD) {
    if ((Flags & ~DWORD(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) != 0 || Flags == 0)
        return refuse(D3DERR_INVALIDCALL, "Clear flags 0x%x", Flags);
    if (Flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL))
        return refuse(D3DERR_INVALIDCALL, "the device has no depth or stencil buffer to clear");
    if (Count != 0 && pRects == nullptr)
        return refuse(D3DERR_INVALIDCALL, "Clear of %u rectangles without an array", Count);
    LevelStore& target = backBuffer_->store();
    if (target.locked())
        return refuse(D3DERR_INVALIDCALL, "Clear of a locked render target");
    playRecordedDraws();
    const D3DVIEWPORT8& v = state_.viewport;
    const LONG left = LONG(v.X), top = LONG(v.Y);
    const LONG right = LONG(v.X + v.Width), bottom = LONG(v.Y + v.Height);
    if (Count == 0) {
        fillRect(target, left, top, right, bottom, Color);
        return D3D_OK;
    }
    for (DWORD i = 0; i < Count; ++i) {
        const D3DRECT& r = pRects[i];
        const LONG x1 = std::max(r.x1, left), y1 = std::max(r.y1, top);
        const LONG x2 = std::min(r.x2, right), y2 = std::min(r.y2, bottom);
        if (x1 < x2 && y1 < y2)
            fillRect(target, x1, y1, x2, y2, Color);
    }
    return D3D_OK;
}

// States whose effect the rasteriser does not reproduce must hold their neutral values; a
// draw that asks for more fails visibly instead of drawing something else.
HRESULT Device::checkDrawState(bool untransformedPositions) const {
    const DWORD* rs = state_.renderStates;
    if (rs[D3DRS_FILLMODE] != D3DFILL_SOLID)
        return refuse(D3DERR_INVALIDCALL, "fill mode %u: solid triangles only", rs[D3DRS_FILLMODE]);
    if (untransformedPositions && rs[D3DRS_LIGHTING])
        return refuse(D3DERR_INVALIDCALL, "lighting is not supported: set D3DRS_LIGHTING FALSE");
    if (rs[D3DRS_FOGENABLE] || rs[D3DRS_SPECULARENABLE])
        return refuse(D3DERR_INVALIDCALL, "fog and specular colours are not supported");
    if (rs[D3DRS_VERTEXBLEND] != D3DVBF_DISABLE || rs[D3DRS_INDEXEDVERTEXBLENDENABLE])
        return refuse(D3DERR_INVALIDCALL, "vertex blending is not supported");
    if (rs[D3DRS_WRAP0] != 0 || rs[D3DRS_CLIPPLANEENABLE] != 0)
        return refuse(D3DERR_INVALIDCALL, "coordinate wrapping and clip planes are not supported");
    if (rs[D3DRS_COLORWRITEENABLE] != 0xF)
        return refuse(D3DERR_INVALIDCALL, "colour write masks are not supported");
    if (rs[D3DRS_SHADEMODE] != D3DSHADE_FLAT && rs[D3DRS_SHADEMODE] != D3DSHADE_GOURAUD)
        return refuse(D3DERR_INVALIDCALL, "shade mode %u", rs[D3DRS_SHADEMODE]);
    const DWORD* stage = state_.stageStates[0];
    if (stage[D3DTSS_TEXCOORDINDEX] > 0xFFFF)
        return refuse(D3DERR_INVALIDCALL, "generated texture coordinates are not supported");
    if (stage[D3DTSS_TEXTURETRANSFORMFLAGS] != D3DTTFF_DISABLE)
        return refuse(D3DERR_INVALIDCALL, "texture transforms are not supported");
    return D3D_OK;
}

HRESULT Device::ValidateDevice(DWORD* pNumPasses) {
    if (pNumPasses == nullptr)
        return refuse(D3DERR_INVALIDCALL, "ValidateDevice without an output");
    VertexLayout layout;
    HRESULT hr = describeVertexFormat(state_.vertexShader,
                                      state_.stageStates[0][D3DTSS_TEXCOORDINDEX], &layout);
    if (SUCCEEDED(hr))
        hr = checkDrawState(!layout.transformed);
    LevelStore& target = backBuffer_->store();
    const RenderTarget renderTarget = {target.bits(), target.geometry().rowPitch, target.format()};
    PixelPipeline pipeline;
    if (SUCCEEDED(hr))
        hr = pipeline.configure(state_, state_.textures[0], renderTarget, caps_);
    if (FAILED(hr))
        return hr;
    *pNumPasses = 1;
    return D3D_OK;
}

HRESULT Device::DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                                const void* pVertexStreamZeroData, UINT VertexStreamZeroStride) {
    const platform_internal::FramePartScope part(platform_ext::PartDraw);
    if (pVertexStreamZeroData == nullptr || VertexStreamZeroStride == 0)
        return refuse(D3DERR_INVALIDCALL, "DrawPrimitiveUP without vertices or stride");
    if (!inScene_)
        return refuse(D3DERR_INVALIDCALL, "DrawPrimitiveUP outside BeginScene and EndScene");
    if (!isTriangleType(PrimitiveType))
        return refuse(D3DERR_INVALIDCALL, "primitive type %u: triangles only",
                      unsigned(PrimitiveType));
    if (PrimitiveCount == 0 || PrimitiveCount > caps_.MaxPrimitiveCount)
        return refuse(D3DERR_INVALIDCALL, "%u primitives", PrimitiveCount);
    LevelStore& target = backBuffer_->store();
    if (target.locked())
        return refuse(D3DERR_INVALIDCALL, "drawing into a locked render target");
    PrimitiveSetup setup;
    HRESULT hr = describeVertexFormat(state_.vertexShader,
                                      state_.stageStates[0][D3DTSS_TEXCOORDINDEX], &setup.layout);
    if (FAILED(hr))
        return hr;
    if (VertexStreamZeroStride < setup.layout.size)
        return refuse(D3DERR_INVALIDCALL, "stride %u is shorter than the %u-byte vertex",
                      VertexStreamZeroStride, setup.layout.size);
    hr = checkDrawState(!setup.layout.transformed);
    if (FAILED(hr))
        return hr;
    const RenderTarget renderTarget = {target.bits(), target.geometry().rowPitch, target.format()};
    PixelPipeline pipeline;
    hr = pipeline.configure(state_, state_.textures[0], renderTarget, caps_);
    if (FAILED(hr))
        return hr;
    // Pretransformed vertices are already in screen space.
    if (!setup.layout.transformed)
        combinedTransform(state_, setup.transform);
    setup.viewport = state_.viewport;
    setup.cullMode = state_.renderStates[D3DRS_CULLMODE];
    setup.flatShading = state_.renderStates[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
    const BYTE* vertices = static_cast<const BYTE*>(pVertexStreamZeroData);
    if (drawThreadCount_ > 1) {
        recordDraw(setup, pipeline, PrimitiveType, PrimitiveCount, vertices,
                   VertexStreamZeroStride);
    } else {
        ImmediateSink sink(pixelRectOf(setup.viewport), pipeline);
        drawTriangles(setup, PrimitiveType, PrimitiveCount, vertices, VertexStreamZeroStride, sink);
    }
    target.markChanged();
    return D3D_OK;
}

// The vertices are processed now, as the caller's memory is only there during the call; the
// pixels wait for playRecordedDraws.
void Device::recordDraw(const PrimitiveSetup& setup, const PixelPipeline& pipeline,
                        D3DPRIMITIVETYPE type, UINT count, const BYTE* vertices, UINT stride) {
    TextureBase* sampled = pipeline.setup().textured ? state_.textures[0] : nullptr;
    if (sampled != nullptr)
        sampled->sampledSurface()->store().markSampled(drawBatch_);
    const PixelRect viewport = pixelRectOf(setup.viewport);
    try {
        PrimitiveSink& sink = recorded_.beginDraw(pipeline.setup(), sampled, viewport);
        drawTriangles(setup, type, count, vertices, stride, sink);
        recorded_.endDraw();
    } catch (const std::bad_alloc&) {
        // Without memory to record it, the draw is shaded at once, after those before it.
        recorded_.abandonDraw();
        playRecordedDraws();
        PixelPipeline immediate;
        immediate.use(pipeline.setup());
        ImmediateSink sink(viewport, immediate);
        drawTriangles(setup, type, count, vertices, stride, sink);
        return;
    }
    if (recorded_.full())
        playRecordedDraws();
    else
        launchRecordedDraws();
}

} // namespace d3d8
