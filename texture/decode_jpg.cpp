// The JPEG decoder: libjpeg reads the file from memory through a source manager of our own,
// and its grey or red-green-blue rows become L8 or X8R8G8B8 pixels.
//
// libjpeg reports errors by a long jump back into decodeJpg. Only plain data lives in the frames
// it crosses; the decompressor is destroyed after the jump, and the pixel buffer already belongs
// to the node, which load discards.
#include "texture/image_decoder.h"

#include "blit/level_row_sink.h"
#include "cpu/processor_features.h"
#include "texture/rgb_repack.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>

#include <jerror.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <memory>
#include <new>

namespace {

// What a file cut short continues with, so that libjpeg ends the image where the data ends.
const JOCTET endOfImageMarker[] = {0xFF, JPEG_EOI};

// libjpeg's source manager followed by the file it reads.
struct MemorySource {
    jpeg_source_mgr manager;
    const uint8_t* data;
    UINT size;
    bool fileHandedOut;
};

void startReading(j_decompress_ptr) {}

void stopReading(j_decompress_ptr) {}

// The whole file on the first call. Asked again, the file is exhausted: an end-of-image marker
// lets libjpeg pad what is missing and stop, and it is never handed the start of the file again.
boolean fillFromMemory(j_decompress_ptr decompressor) {
    auto* source = reinterpret_cast<MemorySource*>(decompressor->src);
    if (!source->fileHandedOut && source->size != 0) {
        source->fileHandedOut = true;
        source->manager.next_input_byte = source->data;
        source->manager.bytes_in_buffer = source->size;
    } else {
        WARNMS(decompressor, JWRN_JPEG_EOF);
        source->manager.next_input_byte = endOfImageMarker;
        source->manager.bytes_in_buffer = sizeof(endOfImageMarker);
    }
    return TRUE;
}

// Skipping past the end stops at the end; the next read then meets the end-of-image marker.
void skipInMemory(j_decompress_ptr decompressor, long count) {
    jpeg_source_mgr& manager = *decompressor->src;
    if (count <= 0)
        return;
    const size_t skipped = std::min(size_t(count), manager.bytes_in_buffer);
    manager.next_input_byte += skipped;
    manager.bytes_in_buffer -= skipped;
}

// libjpeg's standard error manager followed by the point its errors jump back to.
struct ErrorRecord {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void jumpToDecoder(j_common_ptr decompressor) {
    std::longjmp(reinterpret_cast<ErrorRecord*>(decompressor->err)->jump, 1);
}

// Warnings and errors are never shown or written anywhere.
void stayQuiet(j_common_ptr) {}

void useMemorySource(jpeg_decompress_struct& decompressor, const uint8_t* data, UINT size) {
    auto* source = static_cast<MemorySource*>((*decompressor.mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(&decompressor), JPOOL_PERMANENT, sizeof(MemorySource)));
    source->manager.next_input_byte = nullptr;
    source->manager.bytes_in_buffer = 0;
    source->manager.init_source = startReading;
    source->manager.fill_input_buffer = fillFromMemory;
    source->manager.skip_input_data = skipInMemory;
    source->manager.resync_to_restart = jpeg_resync_to_restart;
    source->manager.term_source = stopReading;
    source->data = data;
    source->size = size;
    source->fileHandedOut = false;
    decompressor.src = &source->manager;
}

// The header, the DCT choice and the size checks: everything before decompression starts.
HRESULT readJpegHeader(ImageDecoder& image, jpeg_decompress_struct& decompressor,
                       const uint8_t* data, UINT size) {
    jpeg_create_decompress(&decompressor);
    useMemorySource(decompressor, data, size);
    jpeg_read_header(&decompressor, TRUE);
    if (!isMmxUsable())
        decompressor.dct_method = JDCT_IFAST;

    // The output size and component count are known before decompression starts: refuse a
    // picture we cannot hold before libjpeg allocates for it.
    jpeg_calc_output_dimensions(&decompressor);
    const int components = decompressor.output_components;
    if (components != 1 && components != 3)
        return E_FAIL;
    const uint64_t width = decompressor.output_width;
    const uint64_t height = decompressor.output_height;
    const uint64_t rowPitch = components == 1 ? width : 4 * width;
    const uint64_t totalBytes = rowPitch * height;
    if (rowPitch > UINT32_MAX || totalBytes > UINT32_MAX)
        return E_FAIL;
    // Every 8 x 8 block of the picture takes at least one bit of the file: a header announcing
    // more blocks than the file has bits would have a few hundred bytes allocate gigabytes.
    if ((width + 7) / 8 * ((height + 7) / 8) > uint64_t(size) * 8)
        return E_FAIL;
    if (!image.admitsPixels(width, height, 1))
        return E_FAIL;
    image.format = components == 1 ? D3DFMT_L8 : D3DFMT_X8R8G8B8;
    image.width = UINT(width);
    image.height = UINT(height);
    image.depth = 1;
    image.rowPitch = UINT(rowPitch);
    image.slicePitch = 0;
    return D3D_OK;
}

// Reads every scanline into two alternating sample rows and hands each on only after libjpeg
// has written the next one: read at once, its wide loads would wait for libjpeg's last stores
// to the row to drain.
template <typename HandOn>
void readScanlinesOneLate(jpeg_decompress_struct& decompressor, JSAMPARRAY rows, HandOn handOn) {
    while (decompressor.output_scanline < decompressor.output_height) {
        const JDIMENSION y = decompressor.output_scanline;
        jpeg_read_scanlines(&decompressor, &rows[y & 1], 1);
        if (y > 0)
            handOn(y - 1);
    }
    handOn(decompressor.output_height - 1);
}

// Everything between the jump point and the clean-up; a libjpeg error leaves it by the jump.
HRESULT readJpeg(ImageDecoder& image, jpeg_decompress_struct& decompressor, const uint8_t* data,
                 UINT size) {
    const HRESULT hr = readJpegHeader(image, decompressor, data, size);
    if (FAILED(hr))
        return hr;
    jpeg_start_decompress(&decompressor);
    const int components = decompressor.output_components;
    const uint64_t width = image.width;
    const uint64_t rowPitch = image.rowPitch;
    uint8_t* pixels = image.allocateBits(rowPitch * image.height);
    if (pixels == nullptr)
        return E_OUTOFMEMORY;

    JSAMPARRAY rows =
        (*decompressor.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&decompressor),
                                          JPOOL_IMAGE, JDIMENSION(width * components), 2);
    const RgbRepackRoutine repack = rgbRepackRoutine();
    const auto copyOut = [&](JDIMENSION y) {
        const JSAMPROW row = rows[y & 1];
        uint8_t* out = pixels + uint64_t(y) * rowPitch;
        if (components == 1)
            std::memcpy(out, row, width);
        else
            repack(row, out, UINT(width));
    };
    readScanlinesOneLate(decompressor, rows, copyOut);
    jpeg_finish_decompress(&decompressor);
    return D3D_OK;
}

// A decompressor whose header is read, handing its rows out later. Colour rows come from
// libjpeg in the level's own byte order (blue, green, red, filler), so the sink's 32-bit
// converter only keys them; the same colour conversion gives the same samples as red, green,
// blue rows.
class JpegRows final : public ImageRowSource {
public:
    JpegRows() {
        decompressor_.err = jpeg_std_error(&errors_.manager);
        errors_.manager.error_exit = jumpToDecoder;
        errors_.manager.output_message = stayQuiet;
    }
    ~JpegRows() override { jpeg_destroy_decompress(&decompressor_); }
    JpegRows(const JpegRows&) = delete;
    JpegRows& operator=(const JpegRows&) = delete;

    HRESULT readHeader(ImageDecoder& image, const uint8_t* data, UINT size) {
        volatile HRESULT result = E_FAIL;
        if (setjmp(errors_.jump) == 0) {
            result = readJpegHeader(image, decompressor_, data, size);
            if (SUCCEEDED(result) && decompressor_.output_components == 3)
                decompressor_.out_color_space = JCS_EXT_BGRA;
        }
        return result;
    }

    HRESULT sendRows(LevelRowSink& sink) override {
        volatile HRESULT result = E_FAIL;
        if (setjmp(errors_.jump) == 0)
            result = readRows(sink);
        return result;
    }

private:
    HRESULT readRows(LevelRowSink& sink) {
        jpeg_start_decompress(&decompressor_);
        const JDIMENSION width = decompressor_.output_width;
        const int components = decompressor_.output_components;
        JSAMPARRAY rows =
            (*decompressor_.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&decompressor_),
                                               JPOOL_IMAGE, width * JDIMENSION(components), 2);
        // The general decoder leaves the unused byte 0; only a raw copy keeps it.
        const bool clearFiller = components == 4 && sink.copiesRaw();
        const auto handOn = [&](JDIMENSION y) {
            JSAMPROW row = rows[y & 1];
            if (clearFiller)
                for (JDIMENSION x = 0; x < width; ++x)
                    row[4 * size_t(x) + 3] = 0;
            sink.putRow(row);
        };
        readScanlinesOneLate(decompressor_, rows, handOn);
        jpeg_finish_decompress(&decompressor_);
        return D3D_OK;
    }

    jpeg_decompress_struct decompressor_ = {};
    ErrorRecord errors_;
};

} // namespace

HRESULT ImageDecoder::decodeJpg(const uint8_t* data, UINT size) {
    if (deferRows) {
        std::unique_ptr<JpegRows> rows(new (std::nothrow) JpegRows);
        if (rows) {
            const HRESULT hr = rows->readHeader(*this, data, size);
            if (SUCCEEDED(hr))
                rowSource = std::move(rows);
            return hr;
        }
    }
    jpeg_decompress_struct decompressor = {};
    ErrorRecord errors;
    decompressor.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jumpToDecoder;
    errors.manager.output_message = stayQuiet;

    volatile HRESULT result = E_FAIL;
    if (setjmp(errors.jump) == 0)
        result = readJpeg(*this, decompressor, data, size);
    jpeg_destroy_decompress(&decompressor);
    return result;
}
