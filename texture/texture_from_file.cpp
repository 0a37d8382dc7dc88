// Textures from a named image file, through a read-only mapping, and from the file's bytes
// in memory, through the decoders.
#include "texture/texture_loader.h"

#include "texture/mapped_file.h"

HRESULT createTextureFromFile(IDirect3DDevice8* device, const char* fileName, UINT width,
                              UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format,
                              D3DPOOL pool, ImageFilter filter, ImageFilter mipFilter,
                              D3DCOLOR colorKey, ImageInfo* info, PALETTEENTRY* palette,
                              IDirect3DTexture8** texture) {
    if (device == nullptr || fileName == nullptr || texture == nullptr)
        return D3DERR_INVALIDCALL;
    // Decoded pixels may point into the mapping, so it stays open until the texture is filled.
    MappedFile file;
    const HRESULT hr = file.open(fileName);
    if (FAILED(hr))
        return hr;
    return createTextureFromMemory(device, file.view, file.size, width, height, mipLevels, usage,
                                   format, pool, filter, mipFilter, colorKey, info, palette,
                                   texture);
}

HRESULT createTextureFromMemory(IDirect3DDevice8* device, const void* data, UINT size, UINT width,
                                UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format,
                                D3DPOOL pool, ImageFilter filter, ImageFilter mipFilter,
                                D3DCOLOR colorKey, ImageInfo* info, PALETTEENTRY* palette,
                                IDirect3DTexture8** texture) {
    if (device == nullptr || data == nullptr || size == 0 || texture == nullptr)
        return D3DERR_INVALIDCALL;
    ImageDecoder image;
    const HRESULT hr = image.load(data, size, info);
    if (FAILED(hr))
        return hr;
    return createTextureFromImage(device, image, width, height, mipLevels, usage, format, pool,
                                  filter, mipFilter, colorKey, palette, texture);
}
