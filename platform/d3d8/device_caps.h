// What the software device offers under a capability profile: the desktop format, the
// D3DCAPS8 it reports and the formats it accepts for each usage and resource type.
#pragma once

#include "d3d8.h"

#include <cstdint>

namespace d3d8 {

constexpr UINT MaxTextureExtent = 4096;
constexpr UINT SmallTextureExtent = 256;
constexpr UINT MaxVolumeExtent = 256;
// Scratch resources, image surfaces and back buffers are not bound by the texture caps.
constexpr UINT MaxSurfaceExtent = 16384;
constexpr UINT DesktopWidth = 1024;
constexpr UINT DesktopHeight = 768;
constexpr UINT DesktopRefreshRate = 60;

D3DFORMAT desktopFormat(uint32_t profile);

void fillDeviceCaps(uint32_t profile, D3DCAPS8* caps);

// The answer of CheckDeviceFormat for a usage, resource type and format (after the adapter
// arguments were checked): D3D_OK or D3DERR_NOTAVAILABLE.
HRESULT checkResourceFormat(uint32_t profile, DWORD usage, D3DRESOURCETYPE type, D3DFORMAT format);

} // namespace d3d8
