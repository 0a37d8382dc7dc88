// A texture from a decoded image: format, palette and staging choices, the requirements
// resolved against the device, then the levels filled from the image, by scaling its last
// level or by the mip filter.
#include "texture/texture_loader.h"

#include "texture/load_file_reads.h"
#include "texture/texture_build.h"

#include "blit/blit_workers.h"
#include "blit/com_ref.h"
#include "blit/filter_texture.h"
#include "blit/level_row_sink.h"
#include "blit/pixel_codec.h"
#include "blit/pixel_format.h"
#include "blit/surface_blitter.h"
#include "blit/surface_lock.h"
#include "blit/surface_load.h"

#include <algorithm>
#include <cstring>

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

thread_local LevelFill lastFill = LevelFill::General;
thread_local bool rowFillOff = false;

// A file level stored in the level's own format, taken whole into a level of its size without
// a key: its rows are copied from the file straight into the locked level, as the blit's raw
// copy would copy them, without making codecs for it. Declines (false) for anything else, and
// for what the blit itself would refuse, which the general load then answers for.
bool copiedAsStored(IDirect3DSurface8* surface, const ImageDecoder& image,
                    const LevelSource& shared, HRESULT* result) {
    D3DSURFACE_DESC desc = {};
    if (rowFillOff || shared.colorKey != 0 || image.bits == nullptr ||
        FAILED(surface->GetDesc(&desc)) || PixelFormat(desc.Format) != image.format ||
        desc.Width != image.width || desc.Height != image.height || image.box.left != 0 ||
        image.box.top != 0 || image.box.right != image.width || image.box.bottom != image.height ||
        !hasPixelCodec(image.format) || isPackedYuv(image.format) ||
        getFormatInfo(image.format).category == Palette ||
        !isValidFilter(shared.filter))
        return false;
    const bool blocks = isBlockCompressed(image.format);
    const uint32_t bits = getFormatInfo(image.format).bitsPerPixel;
    if (!blocks && (bits == 0 || bits % 8 != 0))
        return false;
    // Every row is copied, so the level is locked as one that is written whole.
    SurfaceLock lock;
    if (FAILED(lock.lock(surface, shared.destinationPalette, nullptr, 0, LockWritesAll)))
        return false;
    BlitSurface source;
    source.bits = const_cast<uint8_t*>(image.bits);
    source.format = image.format;
    source.rowPitch = image.rowPitch;
    source.extent = {0, 0, int32_t(image.width), int32_t(image.height), 0, 1};
    source.rect = source.extent;
    const BlitSurface& level = lock.side();
    const uint32_t rows = blocks ? (image.height + 3) / 4 : image.height;
    if (FAILED(checkBlitSides(lock.side(), source, shared.filter))) {
        // Declined after all: the level reads as new, as the promise to write it asks.
        std::memset(level.bits, 0, size_t(level.rowPitch) * rows);
        return false;
    }
    const size_t rowBytes = blocks ? size_t((image.width + 3) / 4) * blockBytes(image.format)
                                   : size_t(image.width) * (bits / 8);
    image.finishRows();
    // Rows that lie back to back in the file and in the level are read from the file at once.
    const bool contiguous = level.rowPitch == rowBytes && image.rowPitch == rowBytes;
    if (contiguous && readFromLoadFile(image.bits, rowBytes * rows, level.bits)) {
        *result = lock.unlock(true);
        lastFill = LevelFill::ReadAsStored;
        return true;
    }
    for (uint32_t y = 0; y < rows; ++y)
        std::memcpy(level.bits + size_t(y) * level.rowPitch,
                    image.bits + size_t(y) * image.rowPitch, rowBytes);
    *result = lock.unlock(true);
    if (lastFill != LevelFill::ReadAsStored)
        lastFill = LevelFill::Stored;
    return true;
}

HRESULT loadLevel(IDirect3DTexture8* texture, UINT level, const ImageDecoder& image,
                  const LevelSource& shared) {
    ComRef<IDirect3DSurface8> surface;
    HRESULT hr = texture->GetSurfaceLevel(level, surface.out());
    if (FAILED(hr))
        return hr;
    if (copiedAsStored(surface.get(), image, shared, &hr))
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

// Everything resolved before the texture exists.
struct TexturePlan {
    UINT width = 0;
    UINT height = 0;
    UINT levels = 0;
    DWORD usage = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    D3DPOOL pool = D3DPOOL_MANAGED;
    ImageFilter filter = 0;
    ImageFilter mipFilter = 0;
    D3DCOLOR colorKey = 0;
    bool useFilterTexture = false;
    bool staging = false;
    PALETTEENTRY sourcePalette[256] = {};
};

// The request's defaults, the format and palette choices and the requirements. The caller's
// palette is written here, before the requirements are resolved, unless `holdPalette` asks
// to leave it to the caller.
HRESULT planTexture(IDirect3DDevice8* device, const ImageDecoder& image, UINT width, UINT height,
                    UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                    ImageFilter filter, ImageFilter mipFilter, D3DCOLOR colorKey,
                    PALETTEENTRY* palette, bool holdPalette, TexturePlan* plan) {
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
    plan->useFilterTexture = filterKind(filter) == FilterNone ||
                             filterKind(mipFilter) == FilterPoint ||
                             filterKind(mipFilter) == FilterBox;
    if (format == D3DFMT_UNKNOWN)
        format = D3DFORMAT(chosenFormat(image.format, colorKey, pool));
    buildSourcePalette(image, &colorKey, plan->sourcePalette);
    if (palette != nullptr) {
        if (!holdPalette)
            std::copy_n(plan->sourcePalette, 256, palette);
    } else {
        format = unpalettedFormat(format, plan->sourcePalette);
    }
    plan->staging = pool == D3DPOOL_DEFAULT && !(usage & D3DUSAGE_DYNAMIC);
    plan->levels = mipLevels;
    const HRESULT hr =
        checkRequirements(device, &width, &height, &plan->levels, usage, &format, pool);
    plan->width = width;
    plan->height = height;
    plan->usage = usage;
    plan->format = format;
    plan->pool = pool;
    plan->filter = filter;
    plan->mipFilter = mipFilter;
    plan->colorKey = colorKey;
    return hr;
}

// Whether the image may go through the row sink: one level of one face, taken whole, into a
// texture whose lower levels the mip filter makes, on one thread.
bool rowsMayFill(const ImageDecoder& image, const TexturePlan& plan) {
    const ImageBox whole = {0, 0, image.width, image.height, 0, image.depth};
    const bool wholeBox = std::equal(&image.box.left, &image.box.back + 1, &whole.left);
    return !rowFillOff && blitWorkers() == nullptr && plan.useFilterTexture &&
           image.nextLevel == nullptr && image.nextFace == nullptr && image.depth == 1 &&
           wholeBox && (image.bits != nullptr || image.rowSource != nullptr) &&
           LevelRowSink::suits(PixelFormat(plan.format), plan.width, plan.height, image.format,
                               image.width, image.height, plan.filter);
}

// Level 0 from the image's rows as they come, the levels below halved on the way, and what
// the sink leaves to the mip filter.
HRESULT fillByRows(IDirect3DTexture8* texture, const ImageDecoder& image, const TexturePlan& plan,
                   bool callerPalette) {
    LevelRowSink::Source source;
    source.format = image.format;
    source.width = image.width;
    source.height = image.height;
    source.rowPitch = image.rowPitch;
    source.palette = plan.sourcePalette;
    source.colorKey = plan.colorKey;
    source.bottomUp = image.rowSource != nullptr && image.rowSource->bottomUp();
    LevelRowSink sink;
    // The caller's palette holds the same entries as the source palette by the end.
    HRESULT hr = sink.open(texture, callerPalette ? plan.sourcePalette : nullptr, source,
                           plan.filter, plan.mipFilter);
    if (FAILED(hr))
        return hr;
    if (image.rowSource != nullptr) {
        hr = image.rowSource->sendRows(sink);
    } else {
        image.finishRows();
        for (UINT y = 0; y < image.height; ++y)
            sink.putRow(image.bits + size_t(y) * image.rowPitch);
    }
    const HRESULT closed = sink.close();
    if (FAILED(hr))
        return hr;
    if (FAILED(closed))
        return closed;
    if (sink.levelsMade() < texture->GetLevelCount())
        return filterTexture(texture, plan.sourcePalette, sink.levelsMade() - 1, plan.mipFilter);
    return D3D_OK;
}

} // namespace

LevelFill lastLevelFill() {
    return lastFill;
}

void setRowFillEnabled(bool enabled) {
    rowFillOff = !enabled;
}

bool rowFillEnabled() {
    return !rowFillOff;
}

HRESULT buildTextureFromImage(IDirect3DDevice8* device, const ImageDecoder& image, UINT width,
                              UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format,
                              D3DPOOL pool, ImageFilter filter, ImageFilter mipFilter,
                              D3DCOLOR colorKey, PALETTEENTRY* palette,
                              IDirect3DTexture8** texture) {
    lastFill = LevelFill::General;
    if (device == nullptr || texture == nullptr)
        return D3DERR_INVALIDCALL;
    // Rows that are handed out later can only go through the sink: any refusal or failure
    // leaves the caller to decode the file again the general way, so the caller's palette is
    // written only once the texture is made.
    const bool rowsOnly = image.rowSource != nullptr;
    TexturePlan plan;
    HRESULT hr = planTexture(device, image, width, height, mipLevels, usage, format, pool, filter,
                             mipFilter, colorKey, palette, rowsOnly, &plan);
    if (FAILED(hr))
        return hr;
    const bool byRows = rowsMayFill(image, plan);
    if (rowsOnly && !byRows)
        return E_FAIL;

    ComRef<IDirect3DTexture8> created;
    hr = device->CreateTexture(plan.width, plan.height, plan.levels, plan.usage, plan.format,
                               plan.pool, created.out());
    if (FAILED(hr))
        return hr;
    ComRef<IDirect3DTexture8> stagingTexture;
    if (plan.staging) {
        hr = device->CreateTexture(plan.width, plan.height, plan.levels, 0, plan.format,
                                   D3DPOOL_SYSTEMMEM, stagingTexture.out());
        if (FAILED(hr))
            return hr;
    }
    IDirect3DTexture8* target = plan.staging ? stagingTexture.get() : created.get();

    bool filledByRows = false;
    if (byRows) {
        hr = fillByRows(target, image, plan, palette != nullptr);
        if (FAILED(hr) && rowsOnly)
            return hr;
        // A picture in memory can still take the general way: it writes every level anew.
        filledByRows = SUCCEEDED(hr);
    }
    if (!filledByRows) {
        const LevelSource shared = {palette, plan.sourcePalette, plan.filter, plan.colorKey};
        hr = fillLevels(target, image, shared, !plan.useFilterTexture);
        if (FAILED(hr))
            return hr;
        const UINT imageLevels = image.levelCount();
        if (plan.useFilterTexture && target->GetLevelCount() > imageLevels) {
            hr = filterTexture(target, plan.sourcePalette, imageLevels - 1, plan.mipFilter);
            if (FAILED(hr))
                return hr;
        }
    }
    if (plan.staging) {
        hr = device->UpdateTexture(stagingTexture.get(), created.get());
        if (FAILED(hr))
            return hr;
    }
    if (rowsOnly && palette != nullptr)
        std::copy_n(plan.sourcePalette, 256, palette);
    created->AddRef();
    *texture = created.get();
    if (filledByRows)
        lastFill = LevelFill::Rows;
    return D3D_OK;
}

HRESULT createTextureFromImage(IDirect3DDevice8* device, const ImageDecoder& image, UINT width,
                               UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format,
                               D3DPOOL pool, ImageFilter filter, ImageFilter mipFilter,
                               D3DCOLOR colorKey, PALETTEENTRY* palette,
                               IDirect3DTexture8** texture) {
    if (image.rowSource != nullptr)
        return D3DERR_INVALIDCALL;
    return buildTextureFromImage(device, image, width, height, mipLevels, usage, format, pool,
                                 filter, mipFilter, colorKey, palette, texture);
}
