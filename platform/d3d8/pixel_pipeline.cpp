// Span shading: texture sampling, texture stage 0 and output, with the per-triangle choice of
// the texel-for-pixel path, which gives the same bytes as the general path it replaces.
#include "d3d8/pixel_pipeline.h"

#include "d3d8/format_layout.h"
#include "d3d8/refusal.h"
#include "d3d8/span_kernels.h"
#include "d3d8/surface.h"
#include "d3d8/texture_base.h"

#include <algorithm>
#include <cmath>

namespace d3d8 {

namespace {

// A texel coordinate this close to a texel centre reads that texel alone: its bilinear
// weight rounds to zero, and a point sample picks the same texel.
constexpr double TexelCentreTolerance = 1.0 / 1024.0;

bool isFilter(DWORD filter) {
    return filter == D3DTEXF_POINT || filter == D3DTEXF_LINEAR;
}

bool isAddressMode(DWORD mode) {
    return mode >= D3DTADDRESS_WRAP && mode <= D3DTADDRESS_MIRRORONCE;
}

uint32_t byteOf(double value) {
    if (!(value > 0.0))
        return 0;
    return value >= 255.0 ? 255u : uint32_t(value + 0.5);
}

} // namespace

HRESULT PixelPipeline::configure(const DrawingState& state, TextureBase* texture,
                                 const RenderTarget& target, const D3DCAPS8& caps) {
    PipelineSetup& p = setup_;
    p.target = target;
    HRESULT hr = p.stage.configure(state);
    if (FAILED(hr))
        return hr;
    hr = p.output.configure(state, target.format, caps);
    if (FAILED(hr))
        return hr;
    p.readsDiffuse = p.stage.readsDiffuse();
    p.textured = texture != nullptr && p.stage.readsTexture();
    if (!p.textured)
        return D3D_OK;

    const DWORD* s = state.stageStates[0];
    Surface* level = texture->sampledSurface();
    if (level == nullptr)
        return refuse(D3DERR_WRONGTEXTUREFORMAT, "the rasteriser samples 2D textures only");
    // A locked level may still be written until its unlock, which a draw played later on the
    // draw threads would see and one drawn at once would not.
    if (level->store().locked())
        return refuse(D3DERR_INVALIDCALL, "drawing with a locked texture level");
    if (!isFilter(s[D3DTSS_MAGFILTER]) || !isFilter(s[D3DTSS_MINFILTER]))
        return refuse(D3DERR_UNSUPPORTEDTEXTUREFILTER, "filters %u, %u: point or linear only",
                      s[D3DTSS_MAGFILTER], s[D3DTSS_MINFILTER]);
    if (s[D3DTSS_MIPFILTER] > D3DTEXF_LINEAR)
        return refuse(D3DERR_UNSUPPORTEDTEXTUREFILTER, "mip filter %u", s[D3DTSS_MIPFILTER]);
    if (!isAddressMode(s[D3DTSS_ADDRESSU]) || !isAddressMode(s[D3DTSS_ADDRESSV]))
        return refuse(D3DERR_INVALIDCALL, "address modes %u, %u", s[D3DTSS_ADDRESSU],
                      s[D3DTSS_ADDRESSV]);
    const LevelStore& top = texture->level(0, 0);
    const bool powers = isPowerOfTwo(top.width()) && isPowerOfTwo(top.height());
    if ((caps.TextureCaps & D3DPTEXTURECAPS_NONPOW2CONDITIONAL) && !powers &&
        (s[D3DTSS_ADDRESSU] != D3DTADDRESS_CLAMP || s[D3DTSS_ADDRESSV] != D3DTADDRESS_CLAMP))
        return refuse(D3DERR_INVALIDCALL,
                      "a texture that is not a power of two needs clamp addressing here");
    p.magFilter = D3DTEXTUREFILTERTYPE(s[D3DTSS_MAGFILTER]);
    p.minFilter = D3DTEXTUREFILTERTYPE(s[D3DTSS_MINFILTER]);
    p.sampler.addressU = D3DTEXTUREADDRESS(s[D3DTSS_ADDRESSU]);
    p.sampler.addressV = D3DTEXTUREADDRESS(s[D3DTSS_ADDRESSV]);
    p.sampler.border = s[D3DTSS_BORDERCOLOR];
    return prepareSampleImage(*level, &p.sampler.image);
}

void PixelPipeline::beginTriangle(const TriangleShading& shading) {
    shading_ = shading;
    texelForPixel_ = false;
    const bool diffuseConstant = shading.constantColor || !setup_.readsDiffuse;
    const uint32_t diffuse = shading.constantColor ? shading.color : 0xFFFFFFFFu;
    passThrough_ = setup_.textured && setup_.stage.passesTexelThrough(diffuseConstant, diffuse);
    tintBlend_ = setup_.textured && !passThrough_ && shading.constantColor &&
                 setup_.stage.modulatesTextureByDiffuse() && setup_.output.blendsSourceOver32();
    if (shading.constantColor && !passThrough_ && !tintBlend_)
        std::fill(constantDiffuse_, constantDiffuse_ + ChunkPixels, shading.color);
    if (!setup_.textured)
        return;

    const double width = setup_.sampler.image.width, height = setup_.sampler.image.height;
    s_ = {shading.u.a * width, shading.u.b * width, shading.u.c * width};
    t_ = {shading.v.a * height, shading.v.b * height, shading.v.c * height};

    // Texels per pixel decide between the magnification and the minification filter.
    double dsdx = s_.a, dsdy = s_.b, dtdx = t_.a, dtdy = t_.b;
    if (shading.perspective) {
        const double cx = 0.5 * (shading.left + shading.right);
        const double cy = 0.5 * (shading.top + shading.bottom);
        const double q = shading.rhw.at(cx, cy);
        const double sq = s_.at(cx, cy), tq = t_.at(cx, cy);
        dsdx = (s_.a * q - sq * shading.rhw.a) / (q * q);
        dsdy = (s_.b * q - sq * shading.rhw.b) / (q * q);
        dtdx = (t_.a * q - tq * shading.rhw.a) / (q * q);
        dtdy = (t_.b * q - tq * shading.rhw.b) / (q * q);
    }
    const double footprint = std::max(dsdx * dsdx + dtdx * dtdx, dsdy * dsdy + dtdy * dtdy);
    setup_.sampler.linear =
        (footprint > 1.0 ? setup_.minFilter : setup_.magFilter) == D3DTEXF_LINEAR;

    if (!shading.perspective)
        texelForPixel_ = findTexelForPixelMapping();
}

// True when every pixel of the triangle's bounds reads exactly texel (x + dx, y + dy) of the
// image, for fixed integers dx and dy, without addressing.
bool PixelPipeline::findTexelForPixelMapping() {
    const TriangleShading& sh = shading_;
    const double corners[4][2] = {{double(sh.left), double(sh.top)},
                                  {double(sh.right - 1), double(sh.top)},
                                  {double(sh.left), double(sh.bottom - 1)},
                                  {double(sh.right - 1), double(sh.bottom - 1)}};
    const auto offset = [&](const Plane& plane, bool alongX, int* result) {
        const double first =
            plane.at(corners[0][0], corners[0][1]) - 0.5 - corners[0][alongX ? 0 : 1];
        const double rounded = std::nearbyint(first);
        if (!(std::fabs(rounded) < 1.0e6))
            return false;
        for (const auto& corner : corners) {
            const double e = plane.at(corner[0], corner[1]) - 0.5 - corner[alongX ? 0 : 1];
            if (!(std::fabs(e - rounded) < TexelCentreTolerance))
                return false;
        }
        *result = int(rounded);
        return true;
    };
    if (!offset(s_, true, &texelOffsetX_) || !offset(t_, false, &texelOffsetY_))
        return false;
    return sh.left + texelOffsetX_ >= 0 &&
           sh.right - 1 + texelOffsetX_ < setup_.sampler.image.width &&
           sh.top + texelOffsetY_ >= 0 &&
           sh.bottom - 1 + texelOffsetY_ < setup_.sampler.image.height;
}

const uint32_t* PixelPipeline::fetchTexels(int y, int x, int n, uint32_t* out) const {
    if (texelForPixel_)
        return setup_.sampler.image.row(y + texelOffsetY_) + x + texelOffsetX_;
    double s[ChunkPixels], t[ChunkPixels];
    if (shading_.perspective) {
        for (int i = 0; i < n; ++i) {
            const double q = shading_.rhw.at(x + i, y);
            s[i] = s_.at(x + i, y) / q - 0.5;
            t[i] = t_.at(x + i, y) / q - 0.5;
        }
    } else {
        const double s0 = s_.at(x, y) - 0.5, t0 = t_.at(x, y) - 0.5;
        if (t_.a == 0.0) {
            sampleRow(setup_.sampler, s0, s_.a, t0, n, out);
            return out;
        }
        for (int i = 0; i < n; ++i) {
            s[i] = s0 + s_.a * i;
            t[i] = t0 + t_.a * i;
        }
    }
    sampleTexels(setup_.sampler, s, t, n, out);
    return out;
}

const uint32_t* PixelPipeline::diffuseColors(int y, int x, int n, uint32_t* out) const {
    if (shading_.constantColor)
        return constantDiffuse_;
    for (int i = 0; i < n; ++i) {
        const double q = shading_.perspective ? shading_.rhw.at(x + i, y) : 1.0;
        uint32_t color = 0;
        for (int channel = 0; channel < 4; ++channel)
            color |= byteOf(shading_.diffuse[channel].at(x + i, y) / q) << (8 * channel);
        out[i] = color;
    }
    return out;
}

void PixelPipeline::shadeSpan(int y, int x0, int x1) {
    BYTE* row = setup_.target.bits + size_t(y) * setup_.target.pitch;
    uint32_t texelBuffer[ChunkPixels];
    uint32_t diffuseBuffer[ChunkPixels];
    uint32_t colorBuffer[ChunkPixels];
    const bool direct = texelForPixel_ && (passThrough_ || tintBlend_);
    for (int x = x0; x < x1;) {
        const int n = direct ? x1 - x : std::min(x1 - x, ChunkPixels);
        const uint32_t* texels = setup_.textured ? fetchTexels(y, x, n, texelBuffer) : nullptr;
        if (tintBlend_) {
            spanKernels().tintBlendSourceOver(reinterpret_cast<uint32_t*>(row) + x, texels,
                                              shading_.color, n);
            x += n;
            continue;
        }
        const uint32_t* colors = texels;
        if (!passThrough_) {
            const uint32_t* diffuse =
                setup_.readsDiffuse ? diffuseColors(y, x, n, diffuseBuffer) : nullptr;
            setup_.stage.combine(texels, diffuse, n, colorBuffer);
            colors = colorBuffer;
        }
        setup_.output.write(row, x, colors, n);
        x += n;
    }
}

} // namespace d3d8
