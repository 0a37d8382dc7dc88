// The loader's own entry between decoding and the texture: createTextureFromImage for images
// whose rows a decoder hands out later too (ImageDecoder::rowSource).
#pragma once

#include "texture/texture_loader.h"

// As createTextureFromImage. An image with a row source goes only through the row sink: when
// that is refused or fails, the result is a failure and nothing is written to the caller's
// palette, so that the caller can decode the file again the general way.
HRESULT buildTextureFromImage(IDirect3DDevice8* device, const ImageDecoder& image, UINT width,
                              UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format,
                              D3DPOOL pool, ImageFilter filter, ImageFilter mipFilter,
                              D3DCOLOR colorKey, PALETTEENTRY* palette,
                              IDirect3DTexture8** texture);
