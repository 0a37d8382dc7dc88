// Writing a texture, cube texture or volume texture as a DDS file: every level (of every face),
// in the texture's own format.
#pragma once

#include "d3d8.h"

#include <cstdio>
#include <string>

// `palette` holds the 256 entries of a paletted texture and is not read for other formats.
// D3DERR_NOTAVAILABLE for a format no DDS file holds, D3DERR_INVALIDCALL for a paletted
// texture without a palette, E_FAIL when the file cannot be written (nothing is left of it).
HRESULT writeDdsFile(IDirect3DTexture8* texture, const PALETTEENTRY* palette,
                     const std::string& path);
// The same bytes to an open stream, flushed; E_FAIL when a write fails (the caller owns what
// was written).
HRESULT writeDdsFile(IDirect3DTexture8* texture, const PALETTEENTRY* palette, FILE* file);

// The faces in the order +X, -X, +Y, -Y, +Z, -Z, each with its whole chain. Paletted formats
// are refused with D3DERR_INVALIDCALL.
HRESULT writeDdsFile(IDirect3DCubeTexture8* texture, const std::string& path);

// Each level slice after slice. Paletted formats are refused with D3DERR_INVALIDCALL.
HRESULT writeDdsFile(IDirect3DVolumeTexture8* texture, const std::string& path);
