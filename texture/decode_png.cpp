// The PNG decoder: the fast path (png_fast_decode.cpp) takes the files it can decode exactly as
// libpng would; for the others libpng reads the file from memory and is asked for the
// transformations that turn each colour type and bit depth into one of the toolkit's formats.
//
// libpng reports errors by a long jump back into decodePngWithLibpng. Only plain data lives in the frames
// it crosses, and what decodePng must release after the jump is kept in volatile locals.
#include "texture/image_decoder.h"

#include "texture/png_fast_decode.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <new>

namespace {

constexpr uint64_t MaxDeflateRatio = 1032;

// The bytes libpng has not read yet.
struct MemorySource {
    const uint8_t* next;
    UINT left;
};

void readFromMemory(png_structp png, png_bytep out, size_t count) {
    auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
    if (count > source->left)
        png_error(png, "read error");
    std::memcpy(out, source->next, count);
    source->next += count;
    source->left -= UINT(count);
}

[[noreturn]] void jumpOnError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

struct StoredPalette {
    png_color colors[256];
    int count;
};

PixelFormat formatOfColorType(int colorType) {
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
        return D3DFMT_L8;
    case PNG_COLOR_TYPE_RGB:
        return D3DFMT_R8G8B8;
    case PNG_COLOR_TYPE_PALETTE:
        return D3DFMT_P8;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return D3DFMT_A8L8;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        return D3DFMT_A8R8G8B8;
    }
    return D3DFMT_UNKNOWN;
}

// The 16-bit-per-channel code of an 8-bit format, or 0 when it has none.
PixelFormat sixteenBitFormat(PixelFormat format) {
    switch (format) {
    case D3DFMT_R8G8B8:
        return PixelFormatR16;
    case D3DFMT_A8R8G8B8:
        return PixelFormatAR16;
    case D3DFMT_L8:
        return PixelFormatL16;
    case D3DFMT_A8L8:
        return PixelFormatAL16;
    }
    return D3DFMT_UNKNOWN;
}

// The same format once a tRNS chunk has become an alpha channel.
PixelFormat withAlpha(PixelFormat format) {
    switch (format) {
    case D3DFMT_R8G8B8:
        return D3DFMT_A8R8G8B8;
    case D3DFMT_L8:
        return D3DFMT_A8L8;
    case PixelFormatL16:
        return PixelFormatAL16;
    case PixelFormatR16:
        return PixelFormatAR16;
    }
    return format;
}

UINT expectedChannels(PixelFormat format) {
    switch (format) {
    case D3DFMT_R8G8B8:
    case PixelFormatR16:
        return 3;
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case PixelFormatAR16:
        return 4;
    case D3DFMT_A8L8:
    case PixelFormatAL16:
        return 2;
    }
    return 1;
}

bool hasChunk(png_structp png, png_infop info, png_uint_32 chunk) {
    return png_get_valid(png, info, chunk) != 0;
}

// Asks libpng for the transformations the file needs and returns the resulting format, or 0
// for a combination no format stands for. `screenGamma` and `fileGamma` stay 0 unless gamma
// correction was requested.
PixelFormat requestTransformations(png_structp png, png_infop info, int colorType, int bitDepth,
                                   double* screenGamma, double* fileGamma) {
    PixelFormat format = formatOfColorType(colorType);
    if (bitDepth == 16) {
        png_set_swap(png);
        format = sixteenBitFormat(format);
        if (format == D3DFMT_UNKNOWN)
            return D3DFMT_UNKNOWN;
    }
    if (bitDepth < 8) {
        png_set_packing(png);
        if (colorType == PNG_COLOR_TYPE_GRAY)
            png_set_expand(png);
    }

    int intent = 0;
    double gamma = 0.0;
    if (png_get_sRGB(png, info, &intent) != 0) {
        png_set_sRGB(png, info, intent);
    } else if (png_get_gAMA(png, info, &gamma) != 0) {
        *screenGamma = 2.2;
        *fileGamma = gamma;
        png_set_gamma(png, *screenGamma, *fileGamma);
    }

    if (format != D3DFMT_P8 && hasChunk(png, info, PNG_INFO_tRNS)) {
        png_set_expand(png);
        format = withAlpha(format);
    }
    if (format == D3DFMT_R8G8B8 || format == D3DFMT_A8R8G8B8 || format == PixelFormatR16 ||
        format == PixelFormatAR16)
        png_set_bgr(png);
    if (format == D3DFMT_R8G8B8) {
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
        format = D3DFMT_X8R8G8B8;
    }
    return format;
}

// The palette as the file stores it. Taken before png_read_update_info: when other
// transformations are requested (packing, for instance), libpng applies its own gamma to the
// palette it later returns, and the gamma table would then correct it a second time.
void storePalette(png_structp png, png_infop info, StoredPalette* stored) {
    png_colorp colors = nullptr;
    int count = 0;
    if (hasChunk(png, info, PNG_INFO_PLTE) && png_get_PLTE(png, info, &colors, &count) != 0) {
        stored->count = std::clamp(count, 0, 256);
        std::memcpy(stored->colors, colors, size_t(stored->count) * sizeof(png_color));
    }
}

// Entry i carries the tRNS alpha below the tRNS count, opaque up to the PLTE count, and opaque
// white beyond; the stored colours go through the gamma table once.
HRESULT buildPalette(ImageDecoder& image, png_structp png, png_infop info,
                     const StoredPalette& stored, double screenGamma, double fileGamma) {
    uint8_t gamma[256];
    pngGammaTable(screenGamma, fileGamma, gamma);

    png_bytep alphas = nullptr;
    int alphaCount = 0;
    if (hasChunk(png, info, PNG_INFO_tRNS))
        png_get_tRNS(png, info, &alphas, &alphaCount, nullptr);

    PALETTEENTRY* entries = image.allocatePalette();
    if (entries == nullptr)
        return E_OUTOFMEMORY;
    for (int i = 0; i < stored.count; ++i) {
        const png_color& color = stored.colors[i];
        entries[i] = {gamma[color.red], gamma[color.green], gamma[color.blue],
                      i < alphaCount ? alphas[i] : uint8_t(0xFF)};
    }
    return D3D_OK;
}

// Everything between the jump point and the clean-up. A libpng error leaves this function by
// the long jump; the row array is handed out through `rows` as soon as it exists so that
// decodePng can free it either way.
HRESULT readPng(ImageDecoder& image, png_structp png, png_infop info, UINT fileSize,
                png_bytep* volatile* rows) {
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
    if (!image.admitsPixels(width, height, 1))
        return E_FAIL;
    // Deflate packs at most 1032 bytes into one: a file too short for the rows its header
    // announces cannot decode, and is refused before memory is taken for pixels that will
    // never come.
    const uint64_t storedBytes = uint64_t(height) * (1 + uint64_t(png_get_rowbytes(png, info)));
    if (storedBytes > uint64_t(fileSize) * MaxDeflateRatio)
        return E_FAIL;
    StoredPalette stored = {};
    storePalette(png, info, &stored);

    double screenGamma = 0.0, fileGamma = 0.0;
    const PixelFormat format =
        requestTransformations(png, info, colorType, bitDepth, &screenGamma, &fileGamma);
    if (format == D3DFMT_UNKNOWN)
        return E_FAIL;
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_channels(png, info) != expectedChannels(format))
        return E_FAIL;

    // Row pitch and buffer size are 32-bit quantities everywhere downstream.
    const uint64_t rowBytes = png_get_rowbytes(png, info);
    const uint64_t totalBytes = rowBytes * height;
    if (rowBytes > UINT32_MAX || totalBytes > UINT32_MAX)
        return E_FAIL;

    image.format = format;
    image.width = width;
    image.height = height;
    image.depth = 1;
    image.rowPitch = UINT(rowBytes);
    image.slicePitch = 0;
    uint8_t* pixels = image.allocateBits(totalBytes);
    if (pixels == nullptr)
        return E_OUTOFMEMORY;
    *rows = new (std::nothrow) png_bytep[height];
    if (*rows == nullptr)
        return E_OUTOFMEMORY;
    for (png_uint_32 y = 0; y < height; ++y)
        (*rows)[y] = pixels + uint64_t(y) * rowBytes;
    png_read_image(png, *rows);

    if (format == D3DFMT_P8)
        return buildPalette(image, png, info, stored, screenGamma, fileGamma);
    return D3D_OK;
}

thread_local PngDecodePath lastPath = PngDecodePath::None;

} // namespace

PngDecodePath lastPngDecodePath() {
    return lastPath;
}

// The fast path first; libpng decides every file it declines.
HRESULT ImageDecoder::decodePng(const uint8_t* data, UINT size) {
    bool declined = true;
    const HRESULT fast = decodePngFast(*this, data, size, &declined);
    lastPath = declined ? PngDecodePath::Libpng : PngDecodePath::Fast;
    return declined ? decodePngWithLibpng(*this, data, size) : fast;
}

HRESULT decodePngWithLibpng(ImageDecoder& image, const uint8_t* data, UINT size) {
    if (png_sig_cmp(data, 0, size) != 0)
        return E_FAIL;
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, jumpOnError, ignoreWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_read_struct(png != nullptr ? &png : nullptr, nullptr, nullptr);
        return E_OUTOFMEMORY;
    }

    MemorySource source = {data, size};
    png_bytep* volatile rows = nullptr;
    volatile HRESULT result = E_FAIL;
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_set_read_fn(png, &source, readFromMemory);
        result = readPng(image, png, info, size, &rows);
    }
    png_destroy_read_struct(&png, &info, nullptr);
    delete[] rows;
    return result;
}
