// Texture stage 0: argument selection and the four operations, in 8-bit arithmetic with
// rounded products (modulating by 255 leaves a value unchanged).
#include "d3d8/texture_stage.h"

#include "d3d8/pixel_math.h"
#include "d3d8/refusal.h"
#include "d3d8/span_kernels.h"

namespace d3d8 {

namespace {

constexpr DWORD ModifierMask = D3DTA_COMPLEMENT | D3DTA_ALPHAREPLICATE;

bool isOperation(DWORD op) {
    return op == D3DTOP_DISABLE || op == D3DTOP_SELECTARG1 || op == D3DTOP_SELECTARG2 ||
           op == D3DTOP_MODULATE;
}

bool isArgument(DWORD arg) {
    if ((arg & ~(D3DTA_SELECTMASK | ModifierMask)) != 0)
        return false;
    const DWORD selector = arg & D3DTA_SELECTMASK;
    return selector == D3DTA_DIFFUSE || selector == D3DTA_CURRENT || selector == D3DTA_TEXTURE ||
           selector == D3DTA_TFACTOR || selector == D3DTA_SPECULAR;
}

bool selects(DWORD op, DWORD arg1, DWORD arg2, DWORD selector) {
    const bool first = op == D3DTOP_SELECTARG1 || op == D3DTOP_MODULATE;
    const bool second = op == D3DTOP_SELECTARG2 || op == D3DTOP_MODULATE;
    return (first && (arg1 & D3DTA_SELECTMASK) == selector) ||
           (second && (arg2 & D3DTA_SELECTMASK) == selector);
}

// A plain texture argument or the diffuse colour (CURRENT is the diffuse colour at stage 0).
bool isPlainTexture(DWORD arg) {
    return arg == D3DTA_TEXTURE;
}
bool isPlainDiffuse(DWORD arg) {
    return arg == D3DTA_DIFFUSE || arg == D3DTA_CURRENT;
}

uint32_t argument(DWORD arg, uint32_t texel, uint32_t diffuse, uint32_t factor) {
    uint32_t value;
    switch (arg & D3DTA_SELECTMASK) {
    case D3DTA_TEXTURE:
        value = texel;
        break;
    case D3DTA_TFACTOR:
        value = factor;
        break;
    case D3DTA_SPECULAR:
        value = 0; // the rasteriser carries no specular colour
        break;
    default:
        value = diffuse;
        break;
    }
    if (arg & D3DTA_COMPLEMENT)
        value = ~value;
    if (arg & D3DTA_ALPHAREPLICATE)
        value = (value >> 24) * 0x01010101u;
    return value;
}

uint32_t modulate(uint32_t a, uint32_t b) {
    uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8)
        result |= div255(((a >> shift) & 0xFF) * ((b >> shift) & 0xFF)) << shift;
    return result;
}

uint32_t operate(DWORD op, DWORD arg1, DWORD arg2, uint32_t texel, uint32_t diffuse,
                 uint32_t factor) {
    switch (op) {
    case D3DTOP_SELECTARG1:
        return argument(arg1, texel, diffuse, factor);
    case D3DTOP_SELECTARG2:
        return argument(arg2, texel, diffuse, factor);
    case D3DTOP_MODULATE:
        return modulate(argument(arg1, texel, diffuse, factor),
                        argument(arg2, texel, diffuse, factor));
    default: // disabled: the current colour, which is the diffuse colour at stage 0
        return diffuse;
    }
}

} // namespace

HRESULT TextureStage::configure(const DrawingState& state) {
    const DWORD* s = state.stageStates[0];
    colorOp = s[D3DTSS_COLOROP];
    colorArg1 = s[D3DTSS_COLORARG1];
    colorArg2 = s[D3DTSS_COLORARG2];
    alphaOp = s[D3DTSS_ALPHAOP];
    alphaArg1 = s[D3DTSS_ALPHAARG1];
    alphaArg2 = s[D3DTSS_ALPHAARG2];
    factor = state.renderStates[D3DRS_TEXTUREFACTOR];
    if (!isOperation(colorOp))
        return refuse(D3DERR_UNSUPPORTEDCOLOROPERATION, "colour operation %u is not supported",
                      colorOp);
    if (!isOperation(alphaOp))
        return refuse(D3DERR_UNSUPPORTEDALPHAOPERATION, "alpha operation %u is not supported",
                      alphaOp);
    if (!isArgument(colorArg1) || !isArgument(colorArg2))
        return refuse(D3DERR_UNSUPPORTEDCOLORARG, "colour arguments 0x%x, 0x%x", colorArg1,
                      colorArg2);
    if (!isArgument(alphaArg1) || !isArgument(alphaArg2))
        return refuse(D3DERR_UNSUPPORTEDALPHAARG, "alpha arguments 0x%x, 0x%x", alphaArg1,
                      alphaArg2);
    if (s[D3DTSS_RESULTARG] != D3DTA_CURRENT)
        return refuse(D3DERR_UNSUPPORTEDCOLORARG, "stage results go to the current colour only");
    if (colorOp != D3DTOP_DISABLE && state.stageStates[1][D3DTSS_COLOROP] != D3DTOP_DISABLE)
        return refuse(D3DERR_TOOMANYOPERATIONS, "one texture stage only: disable stage 1");
    return D3D_OK;
}

bool TextureStage::readsTexture() const {
    if (colorOp == D3DTOP_DISABLE)
        return false;
    return selects(colorOp, colorArg1, colorArg2, D3DTA_TEXTURE) ||
           selects(alphaOp, alphaArg1, alphaArg2, D3DTA_TEXTURE);
}

bool TextureStage::readsDiffuse() const {
    if (colorOp == D3DTOP_DISABLE || alphaOp == D3DTOP_DISABLE)
        return true;
    return selects(colorOp, colorArg1, colorArg2, D3DTA_DIFFUSE) ||
           selects(colorOp, colorArg1, colorArg2, D3DTA_CURRENT) ||
           selects(alphaOp, alphaArg1, alphaArg2, D3DTA_DIFFUSE) ||
           selects(alphaOp, alphaArg1, alphaArg2, D3DTA_CURRENT);
}

bool TextureStage::passesTexelThrough(bool diffuseIsConstant, uint32_t diffuse) const {
    const auto passes = [&](DWORD op, DWORD arg1, DWORD arg2, uint32_t mask) {
        if (op == D3DTOP_SELECTARG1)
            return isPlainTexture(arg1);
        if (op == D3DTOP_SELECTARG2)
            return isPlainTexture(arg2);
        if (op != D3DTOP_MODULATE || !diffuseIsConstant || (diffuse & mask) != mask)
            return false;
        return (isPlainTexture(arg1) && isPlainDiffuse(arg2)) ||
               (isPlainDiffuse(arg1) && isPlainTexture(arg2));
    };
    return passes(colorOp, colorArg1, colorArg2, 0x00FFFFFFu) &&
           passes(alphaOp, alphaArg1, alphaArg2, 0xFF000000u);
}

bool TextureStage::modulatesTextureByDiffuse() const {
    const auto modulatesTexture = [](DWORD op, DWORD arg1, DWORD arg2) {
        return op == D3DTOP_MODULATE && ((isPlainTexture(arg1) && isPlainDiffuse(arg2)) ||
                                         (isPlainDiffuse(arg1) && isPlainTexture(arg2)));
    };
    return modulatesTexture(colorOp, colorArg1, colorArg2) &&
           modulatesTexture(alphaOp, alphaArg1, alphaArg2);
}

void TextureStage::combine(const uint32_t* texels, const uint32_t* diffuse, int n,
                           uint32_t* out) const {
    // The sprite batch's stage, texture times diffuse in colour and alpha, four or eight
    // pixels at a time.
    if (texels != nullptr && diffuse != nullptr && modulatesTextureByDiffuse())
        return spanKernels().modulate(out, texels, diffuse, n);
    for (int i = 0; i < n; ++i) {
        const uint32_t t = texels != nullptr ? texels[i] : 0xFFFFFFFFu;
        const uint32_t d = diffuse != nullptr ? diffuse[i] : 0xFFFFFFFFu;
        if (colorOp == D3DTOP_DISABLE) {
            out[i] = d;
            continue;
        }
        const uint32_t color = operate(colorOp, colorArg1, colorArg2, t, d, factor);
        const uint32_t alpha = operate(alphaOp, alphaArg1, alphaArg2, t, d, factor);
        out[i] = (color & 0x00FFFFFFu) | (alpha & 0xFF000000u);
    }
}

} // namespace d3d8
