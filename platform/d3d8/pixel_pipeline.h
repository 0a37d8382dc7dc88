// The per-pixel half of the rasteriser: for each span of a triangle it samples the texture,
// runs texture stage 0 with the interpolated diffuse colour and hands the colours to the
// output (alpha test, blending, store). Per triangle it picks the cheapest exact path: a
// texel-for-pixel mapping reads the texture rows directly, and an identity stage passes the
// texels through untouched.
#pragma once

#include "d3d8/span_output.h"
#include "d3d8/texture_sampler.h"
#include "d3d8/texture_stage.h"

#include <cstdint>

namespace d3d8 {

class TextureBase;

// value(x, y) = a * x + b * y + c, at pixel centres.
struct Plane {
    double a = 0.0, b = 0.0, c = 0.0;
    double at(double x, double y) const { return a * x + b * y + c; }
};

// What the triangle set-up hands the pipeline for each triangle.
struct TriangleShading {
    bool perspective = false; // rhw varies: u, v and the colours are premultiplied by rhw
    Plane rhw;
    Plane u, v;
    Plane diffuse[4]; // blue, green, red, alpha, 0 to 255
    bool constantColor = false;
    uint32_t color = 0;                           // ARGB, when constant
    int left = 0, top = 0, right = 0, bottom = 0; // pixels it may cover, inside the viewport
};

struct RenderTarget {
    BYTE* bits;
    size_t pitch;
    D3DFORMAT format;
};

// What a draw configures once: the target, the stage, the output and the sampler. Plain data,
// so that a recorded draw keeps a copy and any thread can shade with it.
struct PipelineSetup {
    RenderTarget target{};
    TextureStage stage{};
    SpanOutput output;
    bool textured = false;
    Sampler sampler;
    D3DTEXTUREFILTERTYPE magFilter = D3DTEXF_POINT;
    D3DTEXTUREFILTERTYPE minFilter = D3DTEXF_POINT;
    bool readsDiffuse = true;
};

class PixelPipeline {
public:
    static constexpr int ChunkPixels = 256;

    // Prepares a draw from the device state, the texture of stage 0 (may be null) and the
    // target; the first refusal's code when the state asks for what the rasteriser lacks.
    HRESULT configure(const DrawingState& state, TextureBase* texture, const RenderTarget& target,
                      const D3DCAPS8& caps);
    // The configured draw, and shading with one configured earlier (perhaps by another pipeline).
    const PipelineSetup& setup() const { return setup_; }
    void use(const PipelineSetup& setup) { setup_ = setup; }

    void beginTriangle(const TriangleShading& shading);
    void shadeSpan(int y, int x0, int x1);

private:
    bool findTexelForPixelMapping();
    const uint32_t* fetchTexels(int y, int x, int n, uint32_t* out) const;
    const uint32_t* diffuseColors(int y, int x, int n, uint32_t* out) const;

    PipelineSetup setup_;

    TriangleShading shading_;
    Plane s_, t_; // texel coordinates (premultiplied by rhw in perspective)
    bool texelForPixel_ = false;
    int texelOffsetX_ = 0, texelOffsetY_ = 0;
    bool passThrough_ = false;
    bool tintBlend_ = false; // constant diffuse times texels, blended in one kernel
    uint32_t constantDiffuse_[ChunkPixels];
};

} // namespace d3d8
