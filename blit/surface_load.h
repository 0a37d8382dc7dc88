// Copying pixels into device surfaces and volumes, from caller memory or from another
// surface or volume, converting formats, applying a colour key and resizing with a filter.
// The filter word 0xFFFFFFFF (FilterDefault) stands for FilterTriangle | FilterDither.
#pragma once

#include "blit/blit_surface.h"
#include "d3d8.h"

// Copies sourceRect of the caller's pixels (required; relative to sourceBits) into
// destinationRect of the surface (null: the whole surface). Palettes hold 256 entries or
// are null. Source pixels equal to colorKey (ARGB, 0 for none) become transparent black.
HRESULT loadSurfaceFromMemory(IDirect3DSurface8* destination,
                              const PALETTEENTRY* destinationPalette, const RECT* destinationRect,
                              const void* sourceBits, PixelFormat sourceFormat, UINT sourcePitch,
                              const PALETTEENTRY* sourcePalette, const RECT* sourceRect,
                              ImageFilter filter, D3DCOLOR colorKey);

// Copies between two surfaces (null rectangles: the whole surface). Equal-size copies without
// key, box filter or palette change go through the device's CopyRects first.
HRESULT loadSurfaceFromSurface(IDirect3DSurface8* destination,
                               const PALETTEENTRY* destinationPalette, const RECT* destinationRect,
                               IDirect3DSurface8* source, const PALETTEENTRY* sourcePalette,
                               const RECT* sourceRect, ImageFilter filter, D3DCOLOR colorKey);

HRESULT loadVolumeFromMemory(IDirect3DVolume8* destination, const PALETTEENTRY* destinationPalette,
                             const D3DBOX* destinationBox, const void* sourceBits,
                             PixelFormat sourceFormat, UINT sourceRowPitch, UINT sourceSlicePitch,
                             const PALETTEENTRY* sourcePalette, const D3DBOX* sourceBox,
                             ImageFilter filter, D3DCOLOR colorKey);

// The volume lock makes no private copy, so a volume cannot be copied onto itself.
HRESULT loadVolumeFromVolume(IDirect3DVolume8* destination, const PALETTEENTRY* destinationPalette,
                             const D3DBOX* destinationBox, IDirect3DVolume8* source,
                             const PALETTEENTRY* sourcePalette, const D3DBOX* sourceBox,
                             ImageFilter filter, D3DCOLOR colorKey);
