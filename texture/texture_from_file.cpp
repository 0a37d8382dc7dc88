// Textures from a named image file, through a read-only mapping, and from the file's bytes
// in memory, through the decoders.
#include "texture/texture_loader.h"

#include "blit/blit_workers.h"
#include "texture/load_file_reads.h"
#include "texture/mapped_file.h"
#include "texture/texture_build.h"

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
    const LoadFromFileScope reads(file.file, file.view, file.size);
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
    // Decoders that can hand their rows out later do so when the request may take them by
    // rows. They make every acceptance check at once, so a refusal here is the general
    // load's refusal; a file that turns out bad part-way is decoded again the general way,
    // which answers for it as before.
    if (rowFillEnabled() && blitWorkers() == nullptr) {
        ImageDecoder image;
        image.deferRows = true;
        HRESULT hr = image.load(data, size, nullptr);
        if (FAILED(hr))
            return hr;
        if (image.rowSource == nullptr) {
            if (info != nullptr)
                image.reportInfo(info);
            return buildTextureFromImage(device, image, width, height, mipLevels, usage, format,
                                         pool, filter, mipFilter, colorKey, palette, texture);
        }
        hr = buildTextureFromImage(device, image, width, height, mipLevels, usage, format, pool,
                                   filter, mipFilter, colorKey, palette, texture);
        if (SUCCEEDED(hr)) {
            if (info != nullptr)
                image.reportInfo(info);
            return hr;
        }
    }
    ImageDecoder image;
    const HRESULT hr = image.load(data, size, info);
    if (FAILED(hr))
        return hr;
    return buildTextureFromImage(device, image, width, height, mipLevels, usage, format, pool,
                                 filter, mipFilter, colorKey, palette, texture);
}
