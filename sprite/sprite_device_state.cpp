// The sprite batch's device state: the render and texture stage states it draws with, recorded
// once into two state blocks, and its pixel-to-clip world matrix.
#include "sprite/sprite_device_state.h"

#include "sprite/sprite_vertex.h"

#include <cstring>
#include <iterator>

namespace {

struct RenderStateValue {
    D3DRENDERSTATETYPE state;
    DWORD value;
};

struct StageStateValue {
    DWORD stage;
    D3DTEXTURESTAGESTATETYPE type;
    DWORD value;
};

const RenderStateValue SpriteRenderStateTable[] = {
    {D3DRS_ZENABLE, D3DZB_FALSE},
    {D3DRS_FILLMODE, D3DFILL_SOLID},
    {D3DRS_CULLMODE, D3DCULL_NONE},
    {D3DRS_WRAP0, 0},
    {D3DRS_CLIPPING, TRUE},
    {D3DRS_VERTEXBLEND, D3DVBF_DISABLE},
    {D3DRS_CLIPPLANEENABLE, 0},
    {D3DRS_PATCHSEGMENTS, 1}, // the raw value 1, not the float 1.0
    {D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE},
};
static_assert(sizeof(SpriteRenderStateTable) / sizeof(SpriteRenderStateTable[0]) == 9);

// Only untransformed vertices go through fog, lighting and the material sources.
const RenderStateValue UntransformedRenderStateTable[] = {
    {D3DRS_FOGENABLE, FALSE},
    {D3DRS_SPECULARENABLE, FALSE},
    {D3DRS_STENCILENABLE, FALSE},
    {D3DRS_LIGHTING, FALSE},
    {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
};
static_assert(sizeof(UntransformedRenderStateTable) / sizeof(UntransformedRenderStateTable[0]) ==
              5);

// Texel times vertex colour, bilinear from the top level, edge texels beyond [0, 1].
const StageStateValue SpriteStageStateTable[] = {
    {0, D3DTSS_COLOROP, D3DTOP_MODULATE},
    {0, D3DTSS_COLORARG1, D3DTA_TEXTURE},
    {0, D3DTSS_COLORARG2, D3DTA_DIFFUSE},
    {0, D3DTSS_ALPHAOP, D3DTOP_MODULATE},
    {0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE},
    {0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE},
    {1, D3DTSS_COLOROP, D3DTOP_DISABLE},
    {1, D3DTSS_ALPHAOP, D3DTOP_DISABLE},
    {0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR},
    {0, D3DTSS_MINFILTER, D3DTEXF_LINEAR},
    {0, D3DTSS_MIPFILTER, D3DTEXF_NONE},
    {0, D3DTSS_TEXCOORDINDEX, 0},
    {0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP},
    {0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP},
    {0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE},
};
static_assert(sizeof(SpriteStageStateTable) / sizeof(SpriteStageStateTable[0]) == 15);

D3DMATRIX identityMatrix() {
    D3DMATRIX m;
    std::memset(&m, 0, sizeof(m));
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

void setRenderStates(IDirect3DDevice8* device, const RenderStateValue* first,
                     const RenderStateValue* last) {
    for (; first != last; ++first)
        device->SetRenderState(first->state, first->value);
}

// The calls between BeginStateBlock and EndStateBlock; their results are not examined, since
// a state the device refuses simply stays out of the block.
void setPassStates(IDirect3DDevice8* device, SpriteStatePass pass, bool usePretransformed,
                   bool canAlphaBlend) {
    const bool saved = pass == SpriteStatePass::Saved;
    device->SetVertexShader(usePretransformed ? SpriteVertexTransformedFvf : SpriteVertexFvf);
    if (!usePretransformed) {
        const D3DMATRIX identity = identityMatrix();
        device->SetTransform(D3DTS_VIEW, &identity);
        device->SetTransform(D3DTS_PROJECTION, &identity);
        if (saved)
            device->SetTransform(D3DTS_WORLD, &identity);
    }
    setRenderStates(device, std::begin(SpriteRenderStateTable), std::end(SpriteRenderStateTable));
    if (!usePretransformed)
        setRenderStates(device, std::begin(UntransformedRenderStateTable),
                        std::end(UntransformedRenderStateTable));
    for (const StageStateValue& s : SpriteStageStateTable)
        device->SetTextureStageState(s.stage, s.type, s.value);
    if (canAlphaBlend) {
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    } else {
        device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
        device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
        device->SetRenderState(D3DRS_ALPHAREF, 127);
    }
    if (saved) {
        device->SetTexture(0, nullptr);
        device->SetStreamSource(0, nullptr, 0);
    }
}

} // namespace

HRESULT recordSpriteStateBlock(IDirect3DDevice8* device, SpriteStatePass pass,
                               bool usePretransformed, bool canAlphaBlend,
                               StateBlockHolder* block) {
    block->reset();
    const HRESULT hr = device->BeginStateBlock();
    if (hr < 0)
        return hr;
    setPassStates(device, pass, usePretransformed, canAlphaBlend);
    return block->endRecording(device);
}

D3DMATRIX pixelToClipMatrix(const D3DVIEWPORT8& viewport) {
    const float width = float(viewport.Width);
    const float height = float(viewport.Height);
    D3DMATRIX m;
    std::memset(&m, 0, sizeof(m));
    m._11 = 2.0f / width;
    m._41 = -1.0f / width - 1.0f;
    m._22 = -2.0f / height;
    m._42 = 1.0f / height + 1.0f;
    m._44 = 1.0f;
    return m;
}
