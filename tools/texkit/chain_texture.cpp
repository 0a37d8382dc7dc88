// The levels of a chain request: size and format through the loader, the rest through the
// builder.
#include "tools/texkit/chain_texture.h"

#include "blit/pixel_format.h"
#include "blit/surface_load.h"
#include "texture/texture_loader.h"

#include <algorithm>
#include <cstring>

namespace {

ImageFilter blockFlag(const ChainRequest& request) {
    return request.highQualityBlocks ? ImageFilter(FilterHighQualityBlocks) | request.blockLevel
                                     : ImageFilter(0);
}

UINT wholeBlocks(UINT size, D3DFORMAT format) {
    return isBlockCompressed(format) ? (size + 3) / 4 * 4 : size;
}

// The picture in A8R8G8B8 at width x height (the loader's scaling and colour key applied).
HRESULT loadArgb(IDirect3DDevice8* device, const ImageDecoder& image, UINT width, UINT height,
                 ImageFilter filter, D3DCOLOR colorKey, ArgbImage* argb) {
    ComRef<IDirect3DTexture8> texture;
    HRESULT hr = createTextureFromImage(device, image, width, height, 1, 0, D3DFMT_A8R8G8B8,
                                        D3DPOOL_SYSTEMMEM, filter, FilterNone, colorKey, nullptr,
                                        texture.out());
    ComRef<IDirect3DSurface8> surface;
    if (SUCCEEDED(hr))
        hr = texture->GetSurfaceLevel(0, surface.out());
    return SUCCEEDED(hr) ? readArgbSurface(surface.get(), argb) : hr;
}

bool holdsVectors(D3DFORMAT format) {
    const PixelFormatInfo& info = getFormatInfo(format);
    return info.category != Luminance && info.redBits != 0 && info.greenBits != 0;
}

// The size the texture keeps: the loader's, unless only its rounding to whole blocks moved it
// away from the size asked for (or the picture's).
void keptSize(const ImageDecoder& image, const ChainRequest& request, D3DFORMAT format,
              UINT* width, UINT* height) {
    const UINT askedWidth =
        request.width == 0 || request.width == 0xFFFFFFFFu ? image.width : request.width;
    const UINT askedHeight =
        request.height == 0 || request.height == 0xFFFFFFFFu ? image.height : request.height;
    if (isBlockCompressed(format) && *width == wholeBlocks(askedWidth, format) &&
        *height == wholeBlocks(askedHeight, format)) {
        *width = askedWidth;
        *height = askedHeight;
    }
}

// Levels from width x height down to 1 x 1.
UINT fullChainLength(UINT width, UINT height) {
    UINT count = 1;
    for (; width > 1 || height > 1; ++count) {
        width = std::max(1u, width / 2);
        height = std::max(1u, height / 2);
    }
    return count;
}

// `level` with its right column and bottom row repeated out to width x height, in *padded.
void padTo(const ArgbImage& level, UINT width, UINT height, ArgbImage* padded) {
    padded->width = width;
    padded->height = height;
    padded->texels.resize(size_t(width) * height);
    for (UINT y = 0; y < height; ++y) {
        const uint32_t* source = &level.texels[size_t(std::min(y, level.height - 1)) * level.width];
        uint32_t* row = &padded->texels[size_t(y) * width];
        std::copy_n(source, level.width, row);
        std::fill(row + level.width, row + width, source[level.width - 1]);
    }
}

// Empty surfaces for `levels` levels of a width x height texture, each of whole blocks.
HRESULT makeLevelSurfaces(IDirect3DDevice8* device, UINT width, UINT height, UINT levels,
                          D3DFORMAT format, ChainLevels* out) {
    out->width = width;
    out->height = height;
    out->format = format;
    out->levels.clear();
    out->levels.resize(levels);
    HRESULT hr = D3D_OK;
    for (UINT level = 0; level < levels && SUCCEEDED(hr); ++level)
        hr = device->CreateImageSurface(wholeBlocks(std::max(1u, width >> level), format),
                                        wholeBlocks(std::max(1u, height >> level), format), format,
                                        out->levels[level].out());
    return hr;
}

} // namespace

bool wideTexels(const ImageDecoder& image, D3DCOLOR colorKey, UINT width, UINT height,
                WideArgbImage* wide) {
    const PixelFormat format = image.format;
    const bool sixteen = format == PixelFormatAR16 || format == PixelFormatR16 ||
                         format == PixelFormatL16 || format == PixelFormatAL16;
    if (!sixteen || image.bits == nullptr || colorKey != 0 || width != image.width ||
        height != image.height || image.box.left != 0 || image.box.top != 0 ||
        image.box.right != image.width || image.box.bottom != image.height)
        return false;
    // Read straight from the bits, not through the blit engine: pending rows are made first.
    image.finishRows();
    const UINT bytes = getFormatInfo(format).bitsPerPixel / 8;
    wide->width = width;
    wide->height = height;
    wide->texels.resize(size_t(width) * height);
    for (UINT y = 0; y < height; ++y) {
        const uint8_t* row = image.bits + size_t(y) * image.rowPitch;
        for (UINT x = 0; x < width; ++x) {
            uint16_t sample[4] = {0, 0, 0, 0xFFFF};
            std::memcpy(sample, row + size_t(x) * bytes, bytes);
            uint64_t word;
            if (format == PixelFormatL16 || format == PixelFormatAL16) {
                const uint64_t grey = sample[0],
                               alpha = format == PixelFormatAL16 ? sample[1] : 0xFFFF;
                word = alpha << 48 | grey << 32 | grey << 16 | grey;
            } else {
                word = uint64_t(sample[3]) << 48 | uint64_t(sample[2]) << 32 |
                       uint64_t(sample[1]) << 16 | sample[0];
            }
            wide->texels[size_t(y) * width + x] = word;
        }
    }
    return true;
}

HRESULT readArgbSurface(IDirect3DSurface8* surface, ArgbImage* image) {
    D3DSURFACE_DESC desc = {};
    HRESULT hr = surface->GetDesc(&desc);
    if (FAILED(hr))
        return hr;
    if (desc.Format != D3DFMT_A8R8G8B8)
        return D3DERR_INVALIDCALL;
    D3DLOCKED_RECT locked = {};
    hr = surface->LockRect(&locked, nullptr, D3DLOCK_READONLY);
    if (FAILED(hr))
        return hr;
    image->width = desc.Width;
    image->height = desc.Height;
    const auto* texels = static_cast<const uint32_t*>(locked.pBits);
    if (UINT(locked.Pitch) == desc.Width * 4) {
        // One pass over a large picture's memory rather than a clearing pass and a copy.
        image->texels.assign(texels, texels + size_t(desc.Width) * desc.Height);
    } else {
        image->texels.resize(size_t(desc.Width) * desc.Height);
        for (UINT y = 0; y < desc.Height; ++y)
            std::memcpy(&image->texels[size_t(y) * desc.Width],
                        static_cast<const uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch,
                        size_t(desc.Width) * 4);
    }
    surface->UnlockRect();
    return D3D_OK;
}

HRESULT writeArgbLevel(IDirect3DSurface8* surface, const ArgbImage& level, ImageFilter filterWord) {
    D3DSURFACE_DESC desc = {};
    const HRESULT hr = surface->GetDesc(&desc);
    if (FAILED(hr))
        return hr;
    const UINT width = std::max(desc.Width, level.width);
    const UINT height = std::max(desc.Height, level.height);
    // Only a block format's surface reaches beyond the level; the others are written from it.
    ArgbImage padded;
    if (width != level.width || height != level.height)
        padTo(level, width, height, &padded);
    const ArgbImage& source = padded.texels.empty() ? level : padded;
    const RECT whole = {0, 0, LONG(desc.Width), LONG(desc.Height)};
    return loadSurfaceFromMemory(surface, nullptr, nullptr, source.texels.data(), D3DFMT_A8R8G8B8,
                                 source.width * 4, nullptr, &whole, filterWord, 0);
}

HRESULT createChainLevels(IDirect3DDevice8* device, const ImageDecoder& image,
                          const ChainRequest& request, ChainLevels* out, std::string* reason) {
    // Level 0 in the texture's format, as a load makes it: it settles size and format.
    const ImageFilter scaling =
        request.resizeKernel ? ImageFilter(FilterTriangle) : request.filterWord();
    ComRef<IDirect3DTexture8> first;
    HRESULT hr = createTextureFromImage(device, image, request.width, request.height, 1, 0,
                                        request.format, request.pool, scaling, FilterNone,
                                        request.colorKey, nullptr, first.out());
    if (FAILED(hr))
        return hr;
    D3DSURFACE_DESC top = {};
    first->GetLevelDesc(0, &top);
    if (request.normalMap && !holdsVectors(top.Format)) {
        *reason = "--normal-map needs red and green channels at least; the picture has one";
        return D3DERR_INVALIDCALL;
    }
    UINT width = top.Width, height = top.Height, levels = request.levels;
    D3DFORMAT format = top.Format;
    hr = checkRequirements(device, &width, &height, &levels, 0, &format, request.pool);
    if (FAILED(hr))
        return hr;
    keptSize(image, request, format, &width, &height);
    // Whole blocks may hold one level more than the kept size (63 rounds to 64).
    levels = std::min(levels, fullChainLength(width, height));
    hr = makeLevelSurfaces(device, width, height, levels, format, out);
    if (FAILED(hr))
        return hr;

    const MipChainOptions options = request.chainOptions(format);
    const ImageFilter encoding = FilterNone | blockFlag(request);
    ArgbImage argb;
    const bool resized = width != image.width || height != image.height;
    if (request.resizeKernel && resized) {
        ArgbImage picture;
        hr = loadArgb(device, image, 0, 0, FilterNone, request.colorKey, &picture);
        MipChainOptions resizing = options;
        resizing.kernel = *request.resizeKernel;
        if (SUCCEEDED(hr) && !resampleImage(picture, width, height, resizing, &argb))
            hr = E_OUTOFMEMORY;
        if (SUCCEEDED(hr))
            hr = writeArgbLevel(out->levels[0].get(), argb, encoding);
    } else {
        hr = loadArgb(device, image, width, height, scaling, request.colorKey, &argb);
        ComRef<IDirect3DSurface8> made;
        if (SUCCEEDED(hr) && top.Width == width && top.Height == height) {
            // The load's own level 0, converted from the picture's format.
            hr = first->GetSurfaceLevel(0, made.out());
            if (SUCCEEDED(hr))
                hr = loadSurfaceFromSurface(out->levels[0].get(), nullptr, nullptr, made.get(),
                                            nullptr, nullptr, FilterNone, 0);
        } else if (SUCCEEDED(hr)) {
            hr = writeArgbLevel(out->levels[0].get(), argb, encoding);
        }
    }
    const auto levelSurface = [out](UINT level, IDirect3DSurface8** surface) {
        out->levels[level]->AddRef();
        *surface = out->levels[level].get();
        return D3D_OK;
    };
    // A 16-bit picture's lower levels come from its own values, not from level 0's 8 bits.
    WideArgbImage wide;
    if (SUCCEEDED(hr) && levels > 1 && !(request.resizeKernel && resized) &&
        wideTexels(image, request.colorKey, width, height, &wide))
        return writeLowerLevels(wide, levels, options, encoding, levelSurface);
    if (SUCCEEDED(hr))
        hr = writeLowerLevels(argb, levels, options, encoding, levelSurface);
    return hr;
}

HRESULT createStoredLevels(IDirect3DDevice8* device, const ImageDecoder& image,
                           const ChainRequest& request, ChainLevels* out) {
    // Level 0 as a load makes it settles the format and the size in whole blocks.
    ComRef<IDirect3DTexture8> first;
    HRESULT hr = createTextureFromImage(device, image, request.width, request.height, 1, 0,
                                        request.format, request.pool, request.filterWord(),
                                        FilterNone, request.colorKey, nullptr, first.out());
    if (FAILED(hr))
        return hr;
    D3DSURFACE_DESC top = {};
    first->GetLevelDesc(0, &top);
    UINT width = top.Width, height = top.Height, levels = request.levels;
    D3DFORMAT format = top.Format;
    hr = checkRequirements(device, &width, &height, &levels, 0, &format, request.pool);
    if (FAILED(hr))
        return hr;
    keptSize(image, request, format, &width, &height);
    if (width == top.Width && height == top.Height)
        return S_FALSE;
    // The stored levels at the kept size in A8R8G8B8 (any the file lacks made by the mip
    // filter, as a load makes them), each then written into its block surface.
    ComRef<IDirect3DTexture8> argb;
    hr = createTextureFromImage(device, image, width, height,
                                std::min(levels, fullChainLength(width, height)), 0,
                                D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, request.filterWord(),
                                request.mipFilterWord(), request.colorKey, nullptr, argb.out());
    if (SUCCEEDED(hr))
        hr = makeLevelSurfaces(device, width, height, argb->GetLevelCount(), format, out);
    const ImageFilter encoding = FilterNone | blockFlag(request);
    for (UINT level = 0; level < out->levels.size() && SUCCEEDED(hr); ++level) {
        ComRef<IDirect3DSurface8> stored;
        ArgbImage texels;
        hr = argb->GetSurfaceLevel(level, stored.out());
        if (SUCCEEDED(hr))
            hr = readArgbSurface(stored.get(), &texels);
        if (SUCCEEDED(hr))
            hr = writeArgbLevel(out->levels[level].get(), texels, encoding);
    }
    return hr;
}
