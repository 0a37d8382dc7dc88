// Capabilities of the software device per profile. Each profile flag changes only its own
// capabilities; the rest describes what the rasteriser really does.
#include "d3d8/device_caps.h"

#include "d3d8/format_layout.h"
#include "platform_ext.h"

#include <cstring>

namespace d3d8 {

namespace {

constexpr DWORD AllBlendFactors =
    D3DPBLENDCAPS_ZERO | D3DPBLENDCAPS_ONE | D3DPBLENDCAPS_SRCCOLOR | D3DPBLENDCAPS_INVSRCCOLOR |
    D3DPBLENDCAPS_SRCALPHA | D3DPBLENDCAPS_INVSRCALPHA | D3DPBLENDCAPS_DESTALPHA |
    D3DPBLENDCAPS_INVDESTALPHA | D3DPBLENDCAPS_DESTCOLOR | D3DPBLENDCAPS_INVDESTCOLOR;

constexpr DWORD AllComparisons =
    D3DPCMPCAPS_NEVER | D3DPCMPCAPS_LESS | D3DPCMPCAPS_EQUAL | D3DPCMPCAPS_LESSEQUAL |
    D3DPCMPCAPS_GREATER | D3DPCMPCAPS_NOTEQUAL | D3DPCMPCAPS_GREATEREQUAL | D3DPCMPCAPS_ALWAYS;

bool has(uint32_t profile, uint32_t flag) {
    return (profile & flag) != 0;
}

} // namespace

D3DFORMAT desktopFormat(uint32_t profile) {
    return has(profile, platform_ext::ProfileDesktop16) ? D3DFMT_R5G6B5 : D3DFMT_X8R8G8B8;
}

void fillDeviceCaps(uint32_t profile, D3DCAPS8* caps) {
    std::memset(caps, 0, sizeof(*caps));
    caps->DeviceType = D3DDEVTYPE_HAL;
    caps->AdapterOrdinal = 0;
    caps->Caps2 = D3DCAPS2_CANRENDERWINDOWED | D3DCAPS2_DYNAMICTEXTURES;
    if (has(profile, platform_ext::ProfileNoDynamic))
        caps->Caps2 &= ~DWORD(D3DCAPS2_DYNAMICTEXTURES);
    caps->PresentationIntervals = D3DPRESENT_INTERVAL_ONE | D3DPRESENT_INTERVAL_IMMEDIATE;
    caps->DevCaps = D3DDEVCAPS_EXECUTESYSTEMMEMORY | D3DDEVCAPS_TLVERTEXSYSTEMMEMORY |
                    D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_CANRENDERAFTERFLIP;
    caps->PrimitiveMiscCaps = D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW |
                              D3DPMISCCAPS_CLIPTLVERTS | D3DPMISCCAPS_BLENDOP;
    if (has(profile, platform_ext::ProfileUntransformed))
        caps->PrimitiveMiscCaps &= ~DWORD(D3DPMISCCAPS_CLIPTLVERTS);
    caps->SrcBlendCaps = AllBlendFactors;
    caps->DestBlendCaps = AllBlendFactors;
    if (has(profile, platform_ext::ProfileNoBlend)) {
        caps->SrcBlendCaps &= ~DWORD(D3DPBLENDCAPS_SRCALPHA | D3DPBLENDCAPS_INVSRCALPHA);
        caps->DestBlendCaps &= ~DWORD(D3DPBLENDCAPS_SRCALPHA | D3DPBLENDCAPS_INVSRCALPHA);
    }
    caps->AlphaCmpCaps = AllComparisons;
    caps->ShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_ALPHAGOURAUDBLEND;

    caps->TextureCaps =
        D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_MIPMAP;
    if (has(profile, platform_ext::ProfilePow2))
        caps->TextureCaps |= D3DPTEXTURECAPS_POW2;
    if (has(profile, platform_ext::ProfileSquare))
        caps->TextureCaps |= D3DPTEXTURECAPS_SQUAREONLY;
    if (has(profile, platform_ext::ProfileNoMip))
        caps->TextureCaps &= ~DWORD(D3DPTEXTURECAPS_MIPMAP);
    if (has(profile, platform_ext::ProfilePow2Cond))
        caps->TextureCaps |= D3DPTEXTURECAPS_NONPOW2CONDITIONAL;
    caps->TextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR |
                              D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR;
    caps->TextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR |
                               D3DPTADDRESSCAPS_CLAMP | D3DPTADDRESSCAPS_BORDER |
                               D3DPTADDRESSCAPS_INDEPENDENTUV;

    const UINT extent =
        has(profile, platform_ext::ProfileSmall) ? SmallTextureExtent : MaxTextureExtent;
    caps->MaxTextureWidth = extent;
    caps->MaxTextureHeight = extent;
    caps->MaxVolumeExtent = MaxVolumeExtent;
    caps->MaxTextureRepeat = 8192;
    caps->MaxTextureAspectRatio = MaxTextureExtent;
    caps->MaxAnisotropy = 1;
    caps->MaxVertexW = 1.0e10f;
    caps->GuardBandLeft = -1048576.0f;
    caps->GuardBandTop = -1048576.0f;
    caps->GuardBandRight = 1048576.0f;
    caps->GuardBandBottom = 1048576.0f;
    caps->FVFCaps = 1;
    caps->TextureOpCaps = D3DTEXOPCAPS_DISABLE | D3DTEXOPCAPS_SELECTARG1 | D3DTEXOPCAPS_SELECTARG2 |
                          D3DTEXOPCAPS_MODULATE;
    caps->MaxTextureBlendStages = 1;
    caps->MaxSimultaneousTextures = 1;
    caps->MaxPointSize = 1.0f;
    caps->MaxPrimitiveCount = 0xFFFFF;
    caps->MaxVertexIndex = 0xFFFFF;
    caps->MaxStreams = 1;
    caps->MaxStreamStride = 255;
}

HRESULT checkResourceFormat(uint32_t profile, DWORD usage, D3DRESOURCETYPE type, D3DFORMAT format) {
    const FormatLayout* layout = findFormatLayout(format);
    if (layout == nullptr)
        return D3DERR_NOTAVAILABLE;
    switch (type) {
    case D3DRTYPE_SURFACE:
        // Plain surfaces of any stored format; no render targets or depth buffers of our own.
        return usage == 0 ? D3D_OK : D3DERR_NOTAVAILABLE;
    case D3DRTYPE_TEXTURE:
    case D3DRTYPE_CUBETEXTURE:
    case D3DRTYPE_VOLUMETEXTURE: {
        const bool dynamicOffered = !has(profile, platform_ext::ProfileNoDynamic);
        if (usage != 0 && !(usage == D3DUSAGE_DYNAMIC && dynamicOffered))
            return D3DERR_NOTAVAILABLE;
        if (!layout->sampled)
            return D3DERR_NOTAVAILABLE;
        if (has(profile, platform_ext::ProfileFewFormats) && !layout->fewFormats)
            return D3DERR_NOTAVAILABLE;
        return D3D_OK;
    }
    default:
        return D3DERR_NOTAVAILABLE;
    }
}

} // namespace d3d8
