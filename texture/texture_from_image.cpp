// A texture from a decoded image: format, palette and staging choices, the requirements
// resolved against the device, then the levels filled from the image, by scaling its last
// level or by the mip filter.
#include "texture/texture_loader.h"

#include "blit/com_ref.h"
#include "blit/filter_texture.h"
#include "blit/pixel_format.h"
#include "blit/surface_load.h"

#include <algorithm>

namespace {

constexpr UINT Choose = 0xFFFFFFFFu;

// The image's own format, with a one-bit alpha channel added when a colour key must be able
// to make pixels transparent, as the outside names it; 24-bit pixels only in scratch memory.
PixelFormat chosenFormat(PixelFormat imageFormat, D3DCOLOR colorKey, D3DPOOL pool) {
    PixelFormat format = imageFormat;
    const PixelFormatInfo& info = getFormatInfo(imageFormat);
    const bool keyable =
        info.category == Rgb || info.category == Palette || info.category == Luminance;
    if (colorKey != 0 && keyable && info.alphaBits == 0) {
        PixelFormatInfo keyed = info;
        keyed.format = D3DFMT_UNKNOWN;
        keyed.alphaBits = 1;
        const PixelFormat found = findClosestDeviceFormat(nullptr, 0, D3DRTYPE_TEXTURE, keyed);
        if (found != D3DFMT_UNKNOWN)
            format = found;
    }
    format = findClosestExternalFormat(format);
    if (pool != D3DPOOL_SCRATCH && format == D3DFMT_R8G8B8)
        format = D3DFMT_X8R8G8B8;
    return format;
}

bool sameEntry(const PALETTEENTRY& a, const PALETTEENTRY& b) {
    return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue &&
           a.peFlags == b.peFlags;
}

// The palette every load reads the source through. An image palette takes the colour key
// itself (keyed entries become transparent black), so *colorKey is cleared for the loads.
void buildSourcePalette(const ImageDecoder& image, D3DCOLOR* colorKey, PALETTEENTRY* entries) {
    if (image.palette == nullptr) {
        std::fill_n(entries, 256, PALETTEENTRY{0xFF, 0xFF, 0xFF, 0xFF});
        return;
    }
    const PALETTEENTRY key = {BYTE(*colorKey >> 16), BYTE(*colorKey >> 8), BYTE(*colorKey),
                              BYTE(*colorKey >> 24)};
    for (int i = 0; i < 256; ++i)
        entries[i] = sameEntry(image.palette[i], key) ? PALETTEENTRY{0, 0, 0, 0} : image.palette[i];
    *colorKey = 0;
}

// Without a caller's palette to describe its indices, a paletted texture would be unreadable.
D3DFORMAT unpalettedFormat(D3DFORMAT format, const PALETTEENTRY* entries) {
    if (format == D3DFMT_A8P8)
        return D3DFMT_A8R8G8B8;
    if (format != D3DFMT_P8)
        return format;
    const bool translucent = std::any_of(entries, entries + 256,
                                         [](const PALETTEENTRY& e) { return e.peFlags != 0xFF; });
    return translucent ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
}

// What every level load shares.
struct LevelSource {
    const PALETTEENTRY* destinationPalette;
    const PALETTEENTRY* sourcePalette;
    ImageFilter filter;
    D3DCOLOR colorKey;
};

HRESULT loadLevel(IDirect3DTexture8* texture, UINT level, const ImageDecoder& image,
                  const LevelSource& shared) {
    ComRef<IDirect3DSurface8> surface;
    const HRESULT hr = texture->GetSurfaceLevel(level, surface.out());
    if (FAILED(hr))
        return hr;
    const RECT rect = {LONG(image.box.left), LONG(image.box.top), LONG(image.box.right),
                       LONG(image.box.bottom)};
    return loadSurfaceFromMemory(surface.get(), shared.destinationPalette, nullptr, image.bits,
                                 image.format, image.rowPitch, shared.sourcePalette, &rect,
                                 shared.filter, shared.colorKey);
}

// Every face goes into the same levels in turn: first the levels the file holds, then, when
// the mip filter will not build them, the rest scaled from the face's last file level.
HRESULT fillLevels(IDirect3DTexture8* texture, const ImageDecoder& image, const LevelSource& shared,
                   bool scaleMissingLevels) {
    const UINT textureLevels = texture->GetLevelCount();
    for (const ImageDecoder* face = &image; face != nullptr; face = face->nextFace.get()) {
        const ImageDecoder* source = face;
        UINT level = 0;
        while (level < textureLevels) {
            const HRESULT hr = loadLevel(texture, level++, *source, shared);
            if (FAILED(hr))
                return hr;
            if (source->nextLevel == nullptr)
                break;
            source = source->nextLevel.get();
        }
        for (; scaleMissingLevels && level < textureLevels; ++level) {
            const HRESULT hr = loadLevel(texture, level, *source, shared);
            if (FAILED(hr))
                return hr;
        }
    }
    return D3D_OK;
}

} // namespace

HRESULT createTextureFromImage(IDirect3DDevice8* device, const ImageDecoder& image, UINT width,
                               UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format,
                               D3DPOOL pool, ImageFilter filter, ImageFilter mipFilter,
                               D3DCOLOR colorKey, PALETTEENTRY* palette,
                               IDirect3DTexture8** texture) {
    if (device == nullptr || texture == nullptr)
        return D3DERR_INVALIDCALL;
    if (usage == Choose)
        usage = 0;
    if (width == 0 || width == Choose)
        width = image.width;
    if (height == 0 || height == Choose)
        height = image.height;
    if (filter == FilterDefault)
        filter = FilterLoadDefault;
    if (mipFilter == FilterDefault)
        mipFilter = FilterBox;
    const bool useFilterTexture = filterKind(filter) == FilterNone ||
                                  filterKind(mipFilter) == FilterPoint ||
                                  filterKind(mipFilter) == FilterBox;

    if (format == D3DFMT_UNKNOWN)
        format = D3DFORMAT(chosenFormat(image.format, colorKey, pool));
    PALETTEENTRY sourcePalette[256];
    buildSourcePalette(image, &colorKey, sourcePalette);
    if (palette != nullptr)
        std::copy_n(sourcePalette, 256, palette);
    else
        format = unpalettedFormat(format, sourcePalette);
    const bool staging = pool == D3DPOOL_DEFAULT && !(usage & D3DUSAGE_DYNAMIC);

    UINT levels = mipLevels;
    HRESULT hr = checkRequirements(device, &width, &height, &levels, usage, &format, pool);
    if (FAILED(hr))
        return hr;
    ComRef<IDirect3DTexture8> created;
    hr = device->CreateTexture(width, height, levels, usage, format, pool, created.out());
    if (FAILED(hr))
        return hr;
    ComRef<IDirect3DTexture8> stagingTexture;
    if (staging) {
        hr = device->CreateTexture(width, height, levels, 0, format, D3DPOOL_SYSTEMMEM,
                                   stagingTexture.out());
        if (FAILED(hr))
            return hr;
    }
    IDirect3DTexture8* target = staging ? stagingTexture.get() : created.get();

    const LevelSource shared = {palette, sourcePalette, filter, colorKey};
    hr = fillLevels(target, image, shared, !useFilterTexture);
    if (FAILED(hr))
        return hr;
    const UINT imageLevels = image.levelCount();
    if (useFilterTexture && target->GetLevelCount() > imageLevels) {
        hr = filterTexture(target, sourcePalette, imageLevels - 1, mipFilter);
        if (FAILED(hr))
            return hr;
    }
    if (staging) {
        hr = device->UpdateTexture(stagingTexture.get(), created.get());
        if (FAILED(hr))
            return hr;
    }
    created->AddRef();
    *texture = created.get();
    return D3D_OK;
}
