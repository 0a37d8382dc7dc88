// The PNG fast path: chunks through the layout walk, the image data inflated in one call by
// libdeflate, rows unfiltered and converted one at a time while they are in cache.
#include "texture/png_fast_decode.h"

#include <libdeflate.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

namespace {

// As on libpng's path: deflate packs at most 1032 bytes into one.
constexpr uint64_t MaxDeflateRatio = 1032;
constexpr double ScreenGamma = 2.2;

struct DecompressorDeleter {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

// The zlib header's window: zlib refuses a reference further back than the window the header
// declares, libdeflate does not; a small window is safe only when it covers the whole data.
bool windowCoversReferences(const uint8_t* stream, uint64_t inflated) {
    const uint32_t windowLog = (stream[0] >> 4) + 8;
    return windowLog >= 15 || inflated <= (uint64_t(1) << windowLog);
}

// The fields the fast path sets before it knows whether libpng must decode the file after all.
struct SavedShape {
    explicit SavedShape(const ImageDecoder& image)
        : format(image.format), width(image.width), height(image.height), depth(image.depth),
          rowPitch(image.rowPitch), slicePitch(image.slicePitch) {}
    void restore(ImageDecoder& image) const {
        image.format = format;
        image.width = width;
        image.height = height;
        image.depth = depth;
        image.rowPitch = rowPitch;
        image.slicePitch = slicePitch;
    }
    PixelFormat format;
    UINT width, height, depth, rowPitch, slicePitch;
};

// The rows of an accepted, inflated file, unfiltered into the node's buffer as they are needed.
class PngPendingRows final : public PendingRows {
public:
    PngPendingRows(std::unique_ptr<PngRowReader> reader, uint8_t* pixels, uint64_t rowBytes,
                   uint32_t height)
        : PendingRows(pixels, rowBytes, height), reader_(std::move(reader)), pixels_(pixels),
          rowBytes_(rowBytes) {}
    ~PngPendingRows() override { withdraw(); }

private:
    void makeRows(uint32_t first, uint32_t end) override {
        for (uint32_t y = first; y < end; ++y)
            reader_->readRow(pixels_ + uint64_t(y) * rowBytes_);
    }
    std::unique_ptr<PngRowReader> reader_;
    uint8_t* pixels_;
    uint64_t rowBytes_;
};

HRESULT buildPalette(ImageDecoder& image, const PngLayout& layout) {
    uint8_t gamma[256];
    // The file gamma as libpng reports it (the fixed-point value times 0.00001).
    const bool corrected = !layout.srgb && layout.gamma != 0;
    pngGammaTable(corrected ? ScreenGamma : 0.0, corrected ? layout.gamma * 0.00001 : 0.0, gamma);
    PALETTEENTRY* entries = image.allocatePalette();
    if (entries == nullptr)
        return E_OUTOFMEMORY;
    for (uint32_t i = 0; i < layout.paletteCount; ++i) {
        const uint8_t* color = &layout.palette[3 * i];
        entries[i] = {gamma[color[0]], gamma[color[1]], gamma[color[2]],
                      i < layout.alphaCount ? layout.alphas[i] : uint8_t(0xFF)};
    }
    return D3D_OK;
}

} // namespace

void pngGammaTable(double screenGamma, double fileGamma, uint8_t table[256]) {
    const bool corrected = screenGamma > 0.000001 && fileGamma > 0.000001;
    const double exponent = corrected ? 1.0 / (screenGamma * fileGamma) : 1.0;
    for (int i = 0; i < 256; ++i)
        table[i] = corrected ? uint8_t(std::pow(i * 0.00392156862745098, exponent) * 255.0 + 0.5)
                             : uint8_t(i);
}

PngRowReader::~PngRowReader() {
    delete[] ownStored_;
    delete[] scratch_;
}

bool PngRowReader::accept(const uint8_t* data, UINT size) {
    if (!readPngLayout(data, size, &layout_))
        return false;
    data_ = data;
    plan_ = pngPixelPlan(layout_);
    storedRowBytes_ = pngStoredRowBytes(layout_);
    const uint32_t bitsPerPixel = pngChannels(layout_.colorType) * layout_.bitDepth;
    unfilters_ = &pngUnfilters(std::max(1u, bitsPerPixel / 8));
    return true;
}

HRESULT PngRowReader::inflate(uint8_t* target) {
    const uint64_t inflated = inflatedBytes();
    if (target == nullptr) {
        ownStored_ = new (std::nothrow) uint8_t[inflated];
        if (ownStored_ == nullptr)
            return E_OUTOFMEMORY;
        target = ownStored_;
    }
    // One IDAT chunk is inflated where it lies; several are gathered first.
    const uint8_t* stream = data_ + layout_.idatOffset + 8;
    std::unique_ptr<uint8_t[]> gathered;
    if (layout_.idatChunks > 1) {
        gathered.reset(new (std::nothrow) uint8_t[layout_.idatBytes]);
        if (gathered == nullptr)
            return E_OUTOFMEMORY;
        gatherPngData(data_, layout_, gathered.get());
        stream = gathered.get();
    }
    if (layout_.idatBytes < 2 || !windowCoversReferences(stream, inflated))
        return S_FALSE;
    const std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> decompressor(
        libdeflate_alloc_decompressor());
    if (decompressor == nullptr)
        return E_OUTOFMEMORY;
    // libdeflate checks the Adler-32; the stream must fill the rows exactly and end with the data.
    size_t consumed = 0;
    if (libdeflate_zlib_decompress_ex(decompressor.get(), stream, layout_.idatBytes, target,
                                      inflated, &consumed, nullptr) != LIBDEFLATE_SUCCESS ||
        consumed != layout_.idatBytes)
        return S_FALSE;
    for (uint32_t y = 0; y < layout_.height; ++y)
        if (target[y * (storedRowBytes_ + 1)] > 4)
            return S_FALSE;

    scratch_ = new (std::nothrow) uint8_t[2 * storedRowBytes_];
    if (scratch_ == nullptr)
        return E_OUTOFMEMORY;
    // The row above the first is zeros.
    std::memset(scratch_ + storedRowBytes_, 0, storedRowBytes_);
    stored_ = target;
    nextRow_ = 0;
    return D3D_OK;
}

void PngRowReader::readRow(uint8_t* out) {
    const uint32_t y = nextRow_++;
    const uint8_t* row = stored_ + y * (storedRowBytes_ + 1);
    uint8_t* current = scratch_ + (y & 1) * storedRowBytes_;
    const uint8_t* prior = scratch_ + ((y + 1) & 1) * storedRowBytes_;
    unfilterPngRow(*unfilters_, row[0], row + 1, prior, current, storedRowBytes_);
    plan_.convert(current, out, layout_.width, layout_);
}

HRESULT decodePngFast(ImageDecoder& image, const uint8_t* data, UINT size, bool* declined) {
    *declined = true;
    // Rows left pending keep their reader with them.
    std::unique_ptr<PngRowReader> heldReader;
    if (image.pendRows)
        heldReader.reset(new (std::nothrow) PngRowReader);
    PngRowReader localReader;
    PngRowReader& reader = heldReader != nullptr ? *heldReader : localReader;
    if (!reader.accept(data, size))
        return E_FAIL;
    *declined = false;
    // From here the checks of libpng's path, in its order.
    const PngLayout& layout = reader.layout();
    if (!image.admitsPixels(layout.width, layout.height, 1))
        return E_FAIL;
    if (uint64_t(layout.height) * (1 + reader.storedRowBytes()) > uint64_t(size) * MaxDeflateRatio)
        return E_FAIL;
    const uint64_t rowBytes = reader.rowBytes();
    const uint64_t totalBytes = rowBytes * layout.height;
    if (rowBytes > UINT32_MAX || totalBytes > UINT32_MAX)
        return E_FAIL;

    const SavedShape saved(image);
    image.format = reader.plan().format;
    image.width = layout.width;
    image.height = layout.height;
    image.depth = 1;
    image.rowPitch = UINT(rowBytes);
    image.slicePitch = 0;
    // The stored rows are inflated into the end of the pixel buffer and each decoded row is
    // written over stored rows already read: no second picture-sized buffer.
    const uint64_t inflated = reader.inflatedBytes();
    const uint64_t bufferBytes = std::max(totalBytes, inflated);
    uint8_t* pixels = image.allocateBits(bufferBytes);
    if (pixels == nullptr)
        return E_OUTOFMEMORY;
    const HRESULT hr = reader.inflate(pixels + (bufferBytes - inflated));
    if (hr == S_FALSE) {
        image.discard();
        saved.restore(image);
        *declined = true;
        return E_FAIL;
    }
    if (FAILED(hr))
        return hr;
    if (heldReader != nullptr)
        image.pendingRows.reset(new (std::nothrow) PngPendingRows(std::move(heldReader), pixels,
                                                                  rowBytes, layout.height));
    if (image.pendingRows != nullptr)
        image.pendingRows->publish();
    else
        for (uint32_t y = 0; y < layout.height; ++y)
            reader.readRow(pixels + uint64_t(y) * rowBytes);
    if (image.format == D3DFMT_P8)
        return buildPalette(image, layout);
    return D3D_OK;
}
