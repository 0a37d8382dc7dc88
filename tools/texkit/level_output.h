// Writing one texture level out of the device: as an 8-bit RGBA picture, or as the bytes the
// level stores, row after row without padding.
#pragma once

#include "d3d8.h"

#include <cstdio>
#include <string>

// Converts the level to RGBA through the blitter and writes it as a PNG file; when the file
// cannot be written, *error says why.
HRESULT writeLevelPng(IDirect3DTexture8* texture, UINT level, const std::string& path,
                      std::string* error);

// The same for the top-left width x height texels of a surface.
HRESULT writeSurfacePng(IDirect3DSurface8* surface, UINT width, UINT height,
                        const std::string& path, std::string* error);

// The same two to an open stream, flushed.
HRESULT writeLevelPng(IDirect3DTexture8* texture, UINT level, FILE* file, std::string* error);
HRESULT writeSurfacePng(IDirect3DSurface8* surface, UINT width, UINT height, FILE* file,
                        std::string* error);

// Rows of pixels, of pixel pairs, or of 4 x 4 blocks for the block-compressed formats.
HRESULT writeLevelRaw(IDirect3DTexture8* texture, UINT level, const std::string& path);
