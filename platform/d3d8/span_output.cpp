// Alpha test, blending and the store into the render target. Blended channels are
// round((source * source factor +/- dest * dest factor) / 255), clamped to 0..255; the target
// formats have no alpha, so the destination alpha reads as 255.
#include "d3d8/span_output.h"

#include "d3d8/pixel_math.h"
#include "d3d8/refusal.h"
#include "d3d8/span_kernels.h"

#include <algorithm>
#include <cstring>

namespace d3d8 {

namespace {

bool isBlendFactor(DWORD factor) {
    return factor >= D3DBLEND_ZERO && factor <= D3DBLEND_BOTHINVSRCALPHA;
}

bool usesSourceAlpha(DWORD factor) {
    return factor == D3DBLEND_SRCALPHA || factor == D3DBLEND_INVSRCALPHA ||
           factor == D3DBLEND_BOTHSRCALPHA || factor == D3DBLEND_BOTHINVSRCALPHA;
}

uint32_t channelOf(uint32_t color, int channel) {
    return (color >> (8 * channel)) & 0xFF;
}

// The factor of one channel (0 blue .. 3 alpha), 0 to 255.
uint32_t factorOf(DWORD factor, uint32_t source, uint32_t dest, int channel) {
    const uint32_t sa = source >> 24, da = dest >> 24;
    switch (factor) {
    case D3DBLEND_ZERO:
        return 0;
    case D3DBLEND_ONE:
        return 255;
    case D3DBLEND_SRCCOLOR:
        return channelOf(source, channel);
    case D3DBLEND_INVSRCCOLOR:
        return 255 - channelOf(source, channel);
    case D3DBLEND_SRCALPHA:
    case D3DBLEND_BOTHSRCALPHA:
        return sa;
    case D3DBLEND_INVSRCALPHA:
    case D3DBLEND_BOTHINVSRCALPHA:
        return 255 - sa;
    case D3DBLEND_DESTALPHA:
        return da;
    case D3DBLEND_INVDESTALPHA:
        return 255 - da;
    case D3DBLEND_DESTCOLOR:
        return channelOf(dest, channel);
    case D3DBLEND_INVDESTCOLOR:
        return 255 - channelOf(dest, channel);
    case D3DBLEND_SRCALPHASAT:
        return channel == 3 ? 255 : std::min(sa, 255 - da);
    default:
        return 0;
    }
}

uint32_t roundedDiv255(int32_t x) {
    return x <= 0 ? 0 : std::min(255u, uint32_t(2 * x + 255) / 510);
}

uint32_t readTarget(const BYTE* row, int x, D3DFORMAT format) {
    if (format == D3DFMT_R5G6B5) {
        uint16_t pixel;
        std::memcpy(&pixel, row + 2 * x, 2);
        return argbOfR5G6B5(pixel);
    }
    uint32_t pixel;
    std::memcpy(&pixel, row + 4 * x, 4);
    return pixel | 0xFF000000u;
}

void writeTarget(BYTE* row, int x, D3DFORMAT format, uint32_t color) {
    if (format == D3DFMT_R5G6B5) {
        const uint16_t pixel = r5g6b5OfArgb(color);
        std::memcpy(row + 2 * x, &pixel, 2);
        return;
    }
    const uint32_t pixel = color | 0xFF000000u;
    std::memcpy(row + 4 * x, &pixel, 4);
}

} // namespace

HRESULT SpanOutput::configure(const DrawingState& state, D3DFORMAT target, const D3DCAPS8& caps) {
    const DWORD* rs = state.renderStates;
    target_ = target;
    blend_ = rs[D3DRS_ALPHABLENDENABLE] != FALSE;
    sourceFactor_ = rs[D3DRS_SRCBLEND];
    destFactor_ = rs[D3DRS_DESTBLEND];
    operation_ = rs[D3DRS_BLENDOP];
    alphaTest_ = rs[D3DRS_ALPHATESTENABLE] != FALSE;
    alphaFunction_ = rs[D3DRS_ALPHAFUNC];
    alphaReference_ = rs[D3DRS_ALPHAREF] & 0xFF;
    if (alphaTest_ && (alphaFunction_ < D3DCMP_NEVER || alphaFunction_ > D3DCMP_ALWAYS))
        return refuse(D3DERR_INVALIDCALL, "alpha function %u is not a comparison", alphaFunction_);
    if (blend_) {
        if (!isBlendFactor(sourceFactor_) || !isBlendFactor(destFactor_))
            return refuse(D3DERR_INVALIDCALL, "blend factors %u, %u", sourceFactor_, destFactor_);
        if (operation_ < D3DBLENDOP_ADD || operation_ > D3DBLENDOP_MAX)
            return refuse(D3DERR_INVALIDCALL, "blend operation %u", operation_);
        const DWORD sourceAlphaCaps = D3DPBLENDCAPS_SRCALPHA | D3DPBLENDCAPS_INVSRCALPHA;
        if ((usesSourceAlpha(sourceFactor_) || usesSourceAlpha(destFactor_)) &&
            (caps.SrcBlendCaps & sourceAlphaCaps) != sourceAlphaCaps)
            return refuse(D3DERR_INVALIDCALL,
                          "this device cannot blend with the source alpha; use the alpha test");
        // The "both" factors set the destination factor too.
        if (sourceFactor_ == D3DBLEND_BOTHSRCALPHA)
            destFactor_ = D3DBLEND_INVSRCALPHA;
        if (sourceFactor_ == D3DBLEND_BOTHINVSRCALPHA)
            destFactor_ = D3DBLEND_SRCALPHA;
    }
    const bool sourceOver =
        blend_ && operation_ == D3DBLENDOP_ADD &&
        (sourceFactor_ == D3DBLEND_SRCALPHA || sourceFactor_ == D3DBLEND_BOTHSRCALPHA) &&
        destFactor_ == D3DBLEND_INVSRCALPHA;
    const bool replaces =
        !blend_ || (operation_ == D3DBLENDOP_ADD && sourceFactor_ == D3DBLEND_ONE &&
                    destFactor_ == D3DBLEND_ZERO);
    path_ = Path::PerPixel;
    if (target == D3DFMT_X8R8G8B8 && !alphaTest_)
        path_ = replaces ? Path::Opaque32 : sourceOver ? Path::SourceOver32 : Path::PerPixel;
    if (target == D3DFMT_R5G6B5 && !alphaTest_)
        path_ = replaces ? Path::Opaque16 : sourceOver ? Path::SourceOver16 : Path::PerPixel;
    return D3D_OK;
}

bool SpanOutput::passesAlphaTest(uint32_t alpha) const {
    const uint32_t ref = alphaReference_;
    switch (alphaFunction_) {
    case D3DCMP_NEVER:
        return false;
    case D3DCMP_LESS:
        return alpha < ref;
    case D3DCMP_EQUAL:
        return alpha == ref;
    case D3DCMP_LESSEQUAL:
        return alpha <= ref;
    case D3DCMP_GREATER:
        return alpha > ref;
    case D3DCMP_NOTEQUAL:
        return alpha != ref;
    case D3DCMP_GREATEREQUAL:
        return alpha >= ref;
    default:
        return true;
    }
}

uint32_t SpanOutput::blend(uint32_t source, uint32_t dest) const {
    uint32_t result = 0;
    for (int channel = 0; channel < 4; ++channel) {
        const int32_t s = int32_t(channelOf(source, channel));
        const int32_t d = int32_t(channelOf(dest, channel));
        const int32_t fs = int32_t(factorOf(sourceFactor_, source, dest, channel));
        const int32_t fd = int32_t(factorOf(destFactor_, source, dest, channel));
        uint32_t value;
        switch (operation_) {
        case D3DBLENDOP_SUBTRACT:
            value = roundedDiv255(s * fs - d * fd);
            break;
        case D3DBLENDOP_REVSUBTRACT:
            value = roundedDiv255(d * fd - s * fs);
            break;
        case D3DBLENDOP_MIN:
            value = uint32_t(std::min(s, d));
            break;
        case D3DBLENDOP_MAX:
            value = uint32_t(std::max(s, d));
            break;
        default:
            value = roundedDiv255(s * fs + d * fd);
            break;
        }
        result |= value << (8 * channel);
    }
    return result;
}

void SpanOutput::writePerPixel(BYTE* row, int x, const uint32_t* colors, int n) const {
    for (int i = 0; i < n; ++i) {
        const uint32_t color = colors[i];
        if (alphaTest_ && !passesAlphaTest(color >> 24))
            continue;
        writeTarget(row, x + i, target_,
                    blend_ ? blend(color, readTarget(row, x + i, target_)) : color);
    }
}

void SpanOutput::write(BYTE* row, int x, const uint32_t* colors, int n) const {
    switch (path_) {
    case Path::Opaque32:
        spanKernels().storeOpaque(reinterpret_cast<uint32_t*>(row) + x, colors, n);
        break;
    case Path::SourceOver32:
        spanKernels().blendSourceOver(reinterpret_cast<uint32_t*>(row) + x, colors, n);
        break;
    case Path::Opaque16:
        spanKernels().storeOpaque16(reinterpret_cast<uint16_t*>(row) + x, colors, n);
        break;
    case Path::SourceOver16:
        spanKernels().blendSourceOver16(reinterpret_cast<uint16_t*>(row) + x, colors, n);
        break;
    case Path::PerPixel:
        writePerPixel(row, x, colors, n);
        break;
    }
}

} // namespace d3d8
