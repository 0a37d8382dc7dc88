// Which state identifiers exist and what they hold when a device is created.
#include "d3d8/drawing_state.h"

#include <cstring>

namespace d3d8 {

namespace {

struct RenderStateDefault {
    D3DRENDERSTATETYPE state;
    DWORD value;
};

// Every render state of the platform with its initial value (floats as their bits).
const RenderStateDefault RenderStateDefaultTable[] = {
    {D3DRS_ZENABLE, D3DZB_FALSE},
    {D3DRS_FILLMODE, D3DFILL_SOLID},
    {D3DRS_SHADEMODE, D3DSHADE_GOURAUD},
    {D3DRS_LINEPATTERN, 0},
    {D3DRS_ZWRITEENABLE, TRUE},
    {D3DRS_ALPHATESTENABLE, FALSE},
    {D3DRS_LASTPIXEL, TRUE},
    {D3DRS_SRCBLEND, D3DBLEND_ONE},
    {D3DRS_DESTBLEND, D3DBLEND_ZERO},
    {D3DRS_CULLMODE, D3DCULL_CCW},
    {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
    {D3DRS_ALPHAREF, 0},
    {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},
    {D3DRS_DITHERENABLE, FALSE},
    {D3DRS_ALPHABLENDENABLE, FALSE},
    {D3DRS_FOGENABLE, FALSE},
    {D3DRS_SPECULARENABLE, FALSE},
    {D3DRS_ZVISIBLE, 0},
    {D3DRS_FOGCOLOR, 0},
    {D3DRS_FOGTABLEMODE, D3DFOG_NONE},
    {D3DRS_FOGSTART, 0x00000000},   // 0.0f
    {D3DRS_FOGEND, 0x3F800000},     // 1.0f
    {D3DRS_FOGDENSITY, 0x3F800000}, // 1.0f
    {D3DRS_EDGEANTIALIAS, FALSE},
    {D3DRS_ZBIAS, 0},
    {D3DRS_RANGEFOGENABLE, FALSE},
    {D3DRS_STENCILENABLE, FALSE},
    {D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP},
    {D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP},
    {D3DRS_STENCILPASS, D3DSTENCILOP_KEEP},
    {D3DRS_STENCILFUNC, D3DCMP_ALWAYS},
    {D3DRS_STENCILREF, 0},
    {D3DRS_STENCILMASK, 0xFFFFFFFF},
    {D3DRS_STENCILWRITEMASK, 0xFFFFFFFF},
    {D3DRS_TEXTUREFACTOR, 0xFFFFFFFF},
    {D3DRS_WRAP0, 0},
    {D3DRS_WRAP1, 0},
    {D3DRS_WRAP2, 0},
    {D3DRS_WRAP3, 0},
    {D3DRS_WRAP4, 0},
    {D3DRS_WRAP5, 0},
    {D3DRS_WRAP6, 0},
    {D3DRS_WRAP7, 0},
    {D3DRS_CLIPPING, TRUE},
    {D3DRS_LIGHTING, TRUE},
    {D3DRS_AMBIENT, 0},
    {D3DRS_FOGVERTEXMODE, D3DFOG_NONE},
    {D3DRS_COLORVERTEX, TRUE},
    {D3DRS_LOCALVIEWER, TRUE},
    {D3DRS_NORMALIZENORMALS, FALSE},
    {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
    {D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2},
    {D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL},
    {D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL},
    {D3DRS_VERTEXBLEND, D3DVBF_DISABLE},
    {D3DRS_CLIPPLANEENABLE, 0},
    {D3DRS_SOFTWAREVERTEXPROCESSING, FALSE},
    {D3DRS_POINTSIZE, 0x3F800000},     // 1.0f
    {D3DRS_POINTSIZE_MIN, 0x00000000}, // 0.0f
    {D3DRS_POINTSPRITEENABLE, FALSE},
    {D3DRS_POINTSCALEENABLE, FALSE},
    {D3DRS_POINTSCALE_A, 0x3F800000}, // 1.0f
    {D3DRS_POINTSCALE_B, 0x00000000},
    {D3DRS_POINTSCALE_C, 0x00000000},
    {D3DRS_MULTISAMPLEANTIALIAS, TRUE},
    {D3DRS_MULTISAMPLEMASK, 0xFFFFFFFF},
    {D3DRS_PATCHEDGESTYLE, 0},
    {D3DRS_PATCHSEGMENTS, 0x3F800000}, // 1.0f
    {D3DRS_DEBUGMONITORTOKEN, 0},
    {D3DRS_POINTSIZE_MAX, 0x42800000}, // 64.0f
    {D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE},
    {D3DRS_COLORWRITEENABLE, 0x0000000F},
    {D3DRS_TWEENFACTOR, 0x00000000},
    {D3DRS_BLENDOP, D3DBLENDOP_ADD},
    {D3DRS_POSITIONORDER, 3}, // cubic
    {D3DRS_NORMALORDER, 1},   // linear
};
static_assert(sizeof(RenderStateDefaultTable) / sizeof(RenderStateDefaultTable[0]) == 76);

constexpr UINT ViewSlot = 0;
constexpr UINT ProjectionSlot = 1;
constexpr UINT FirstTextureSlot = 2;
constexpr UINT FirstWorldSlot = 10;

} // namespace

bool isRenderState(D3DRENDERSTATETYPE state) {
    for (const RenderStateDefault& entry : RenderStateDefaultTable)
        if (entry.state == state)
            return true;
    return false;
}

bool isStageState(D3DTEXTURESTAGESTATETYPE type) {
    // 1 to 28 except 12, which Direct3D 8 no longer uses.
    return type >= D3DTSS_COLOROP && type <= D3DTSS_RESULTARG && type != 12;
}

int transformSlot(D3DTRANSFORMSTATETYPE state) {
    const DWORD value = state;
    if (value == D3DTS_VIEW)
        return ViewSlot;
    if (value == D3DTS_PROJECTION)
        return ProjectionSlot;
    if (value >= D3DTS_TEXTURE0 && value <= D3DTS_TEXTURE7)
        return int(FirstTextureSlot + value - D3DTS_TEXTURE0);
    if (value >= 256 && value < 512)
        return int(FirstWorldSlot + value - 256);
    return -1;
}

D3DTRANSFORMSTATETYPE transformOfSlot(UINT slot) {
    if (slot == ViewSlot)
        return D3DTS_VIEW;
    if (slot == ProjectionSlot)
        return D3DTS_PROJECTION;
    if (slot < FirstWorldSlot)
        return D3DTRANSFORMSTATETYPE(D3DTS_TEXTURE0 + (slot - FirstTextureSlot));
    return D3DTS_WORLDMATRIX(slot - FirstWorldSlot);
}

void setDefaultDrawingState(DrawingState* state, UINT targetWidth, UINT targetHeight,
                            bool softwareVertexProcessing) {
    std::memset(state, 0, sizeof(*state));
    for (const RenderStateDefault& entry : RenderStateDefaultTable)
        state->renderStates[entry.state] = entry.value;
    state->renderStates[D3DRS_SOFTWAREVERTEXPROCESSING] = softwareVertexProcessing;
    for (UINT stage = 0; stage < StageCount; ++stage) {
        DWORD* s = state->stageStates[stage];
        s[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        s[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        s[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        s[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        s[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        s[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        s[D3DTSS_TEXCOORDINDEX] = stage;
        s[D3DTSS_ADDRESSU] = D3DTADDRESS_WRAP;
        s[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
        s[D3DTSS_ADDRESSW] = D3DTADDRESS_WRAP;
        s[D3DTSS_MAGFILTER] = D3DTEXF_POINT;
        s[D3DTSS_MINFILTER] = D3DTEXF_POINT;
        s[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
        s[D3DTSS_MAXANISOTROPY] = 1;
        s[D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_DISABLE;
        s[D3DTSS_COLORARG0] = D3DTA_CURRENT;
        s[D3DTSS_ALPHAARG0] = D3DTA_CURRENT;
        s[D3DTSS_RESULTARG] = D3DTA_CURRENT;
    }
    for (D3DMATRIX& matrix : state->transforms) {
        matrix._11 = matrix._22 = matrix._33 = matrix._44 = 1.0f;
    }
    state->vertexShader = 0;
    state->streamStride = 0;
    state->viewport = {0, 0, targetWidth, targetHeight, 0.0f, 1.0f};
}

} // namespace d3d8
