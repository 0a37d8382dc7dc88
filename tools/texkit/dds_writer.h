// Writing a texture, cube texture or volume texture as a DDS file: every level (of every face),
// in the texture's own format.
#pragma once

#include "d3d8.h"

#include <cstdio>
#include <string>

// Which description a file gets: the legacy one where the format has it (BC7 has none, and gets
// the DX10 header whatever is asked), or the DX10 header with the DXGI format where it has one.
enum class DdsHeaderKind { Legacy, Dx10 };

// `palette` holds the 256 entries of a paletted texture and is not read for other formats.
// D3DERR_NOTAVAILABLE for a format no DDS file holds, D3DERR_INVALIDCALL for a paletted
// texture without a palette, E_FAIL when the file cannot be written (nothing is left of it).
HRESULT writeDdsFile(IDirect3DTexture8* texture, const PALETTEENTRY* palette,
                     const std::string& path, DdsHeaderKind kind = DdsHeaderKind::Legacy);
// The same bytes to an open stream, flushed; E_FAIL when a write fails (the caller owns what
// was written).
HRESULT writeDdsFile(IDirect3DTexture8* texture, const PALETTEENTRY* palette, FILE* file,
                     DdsHeaderKind kind = DdsHeaderKind::Legacy);

// The faces in the order +X, -X, +Y, -Y, +Z, -Z, each with its whole chain. Paletted formats
// are refused with D3DERR_INVALIDCALL.
HRESULT writeDdsFile(IDirect3DCubeTexture8* texture, const std::string& path,
                     DdsHeaderKind kind = DdsHeaderKind::Legacy);

// Each level slice after slice. Paletted formats are refused with D3DERR_INVALIDCALL.
HRESULT writeDdsFile(IDirect3DVolumeTexture8* texture, const std::string& path,
                     DdsHeaderKind kind = DdsHeaderKind::Legacy);

// A two-dimensional texture held as one surface a level, level 0 `width` x `height` (which the
// header says): a block format's levels are surfaces of whole blocks around their texels.
HRESULT writeDdsLevels(IDirect3DSurface8* const* levels, UINT levelCount, UINT width, UINT height,
                       const std::string& path, DdsHeaderKind kind = DdsHeaderKind::Legacy);
// The same bytes to an open stream, flushed.
HRESULT writeDdsLevels(IDirect3DSurface8* const* levels, UINT levelCount, UINT width, UINT height,
                       FILE* file, DdsHeaderKind kind = DdsHeaderKind::Legacy);
// A cube map held the same way: six chains of levelCount surfaces, faces +X to -Z, level 0
// of each `edge` x `edge` (which the header says).
HRESULT writeDdsCubeLevels(IDirect3DSurface8* const* levels, UINT levelCount, UINT edge,
                           const std::string& path, DdsHeaderKind kind = DdsHeaderKind::Legacy);
// A volume held as one surface a slice: level after level, each level's max(1, depth >> L)
// slices in order, level 0 width x height x depth (which the header says).
HRESULT writeDdsVolumeLevels(IDirect3DSurface8* const* slices, UINT levelCount, UINT width,
                             UINT height, UINT depth, const std::string& path,
                             DdsHeaderKind kind = DdsHeaderKind::Legacy);
