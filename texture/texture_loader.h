// Textures from image files: the loader from a named file or from the file's bytes in memory,
// the same from an already decoded image, and the resolution of texture requirements against
// a device's capabilities with the creation of an empty texture.
#pragma once

#include "blit/blit_surface.h"
#include "d3d8.h"
#include "texture/image_decoder.h"
#include "texture/image_info.h"

// Sizes and level counts of 0 or 0xFFFFFFFF let the loader choose (the image's size, the full
// chain); a usage of 0xFFFFFFFF counts as 0; format D3DFMT_UNKNOWN lets the loader choose.
// Filter words of FilterDefault ask for FilterTriangle | FilterDither when scaling and for
// FilterBox when building mip levels; colorKey 0 means none. `info` (optional) receives what
// the file held as soon as it is decoded; `palette` (optional, 256 entries) receives the
// image's palette. On success *texture holds one reference, which the caller releases; on
// failure it is left alone.
HRESULT createTextureFromFile(IDirect3DDevice8* device, const char* fileName, UINT width,
                              UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format,
                              D3DPOOL pool, ImageFilter filter, ImageFilter mipFilter,
                              D3DCOLOR colorKey, ImageInfo* info, PALETTEENTRY* palette,
                              IDirect3DTexture8** texture);

// The same with the file's bytes in memory; they are only read, and only during the call.
HRESULT createTextureFromMemory(IDirect3DDevice8* device, const void* data, UINT size, UINT width,
                                UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format,
                                D3DPOOL pool, ImageFilter filter, ImageFilter mipFilter,
                                D3DCOLOR colorKey, ImageInfo* info, PALETTEENTRY* palette,
                                IDirect3DTexture8** texture);

// The same from an image that load (or a caller building its own chains) has filled: levels
// the image holds are copied, the others scaled from its last level or built by the mip
// filter. The image's bytes must stay valid during the call.
HRESULT createTextureFromImage(IDirect3DDevice8* device, const ImageDecoder& image, UINT width,
                               UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format,
                               D3DPOOL pool, ImageFilter filter, ImageFilter mipFilter,
                               D3DCOLOR colorKey, PALETTEENTRY* palette,
                               IDirect3DTexture8** texture);

// Resolves width, height, level count and format in place for a two-dimensional texture of
// the device. Null pointers let the loader choose on input and are not written on output.
HRESULT checkRequirements(IDirect3DDevice8* device, UINT* width, UINT* height, UINT* mipLevels,
                          DWORD usage, D3DFORMAT* format, D3DPOOL pool);

// Creates an empty texture of the resolved requirements; *texture holds one reference.
HRESULT createTexture(IDirect3DDevice8* device, UINT width, UINT height, UINT mipLevels,
                      DWORD usage, D3DFORMAT format, D3DPOOL pool, IDirect3DTexture8** texture);

// How the last texture load on this thread filled its levels: the general way (each level
// loaded whole, then the mip filter), by rows (each decoded row converted straight into level
// 0, the levels below halved from the rows above on the way), or with file levels copied as
// stored (levels in the texture's own format copied from the file without codecs, the rest
// the general way), and when a named file was loaded, those levels read from it straight into
// the level memory. The bytes are the same.
enum class LevelFill { General, Rows, Stored, ReadAsStored };
LevelFill lastLevelFill();

// On by default, per thread. Off, every load on this thread takes the general way: the
// reference that tests and benchmarks hold the row fill to.
void setRowFillEnabled(bool enabled);
bool rowFillEnabled();
