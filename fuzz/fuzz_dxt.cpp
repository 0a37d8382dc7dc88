// libFuzzer target: any bytes as "DXT1".."DXT5", BC4 and BC5 blocks. Every block decodes to
// values in [0, 1] ([-1, 1] for the signed formats) that encode and decode again within that
// range; and the block pixel codec reads a
// rectangle of the bytes seen as a small surface, whose size and rectangle the first four
// bytes choose, so that its edge handling is tried on partial blocks too.
#include "blit/pixel_codec.h"
#include "blit/pixel_format.h"
#include "blocks/dxt_block.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

constexpr PixelFormat blockFormatTable[] = {
    D3DFMT_DXT1,    D3DFMT_DXT2,          D3DFMT_DXT3,    D3DFMT_DXT4,         D3DFMT_DXT5,
    BlockFormatBc4, BlockFormatBc4Signed, BlockFormatBc5, BlockFormatBc5Signed};
static_assert(std::size(blockFormatTable) == 9);

// The lowest value a format's blocks decode to: -1 for the signed ones.
float lowest(PixelFormat format) {
    return getFormatInfo(format).category == Bump ? -1.0f : 0.0f;
}

void requireRange(const FloatColor* values, size_t count, float low) {
    for (size_t i = 0; i < count; ++i)
        for (float v : {values[i].r, values[i].g, values[i].b, values[i].a})
            if (!(v >= low && v <= 1.0f))
                std::abort();
}

void decodeEachBlock(const BlockFormat& format, const uint8_t* bytes, size_t size) {
    for (size_t at = 0; at + format.blockBytes <= size; at += format.blockBytes) {
        FloatColor values[16];
        format.decode(bytes + at, values);
        requireRange(values, 16, lowest(format.format));
        uint8_t encoded[16];
        format.encode(values, encoded);
        format.decode(encoded, values);
        requireRange(values, 16, lowest(format.format));
    }
}

// The bytes are copied to a buffer of exactly the surface's size, so a read past a block row
// or past the last row is an AddressSanitizer report.
void decodeAsSurface(const BlockFormat& format, const uint8_t* shape, const uint8_t* bytes,
                     size_t size) {
    const int32_t width = 1 + shape[0] % 24;
    const int32_t height = 1 + shape[1] % 24;
    const uint32_t rowPitch = uint32_t(width + 3) / 4 * format.blockBytes;
    const size_t needed = size_t(height + 3) / 4 * rowPitch;
    if (size < needed)
        return;
    std::vector<uint8_t> copy(bytes, bytes + needed);
    BlitSurface surface;
    surface.bits = copy.data();
    surface.format = format.format;
    surface.rowPitch = rowPitch;
    surface.extent = {0, 0, width, height, 0, 1};
    surface.rect = {shape[2] % width, shape[3] % height, width, height, 0, 1};
    std::unique_ptr<PixelCodec> codec = createPixelCodec(surface);
    if (codec == nullptr)
        std::abort();
    std::vector<FloatColor> row(codec->width);
    for (uint32_t y = 0; y < codec->height; ++y) {
        codec->decodeRow(y, 0, row.data());
        requireRange(row.data(), row.size(), lowest(format.format));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4)
        return 0;
    for (PixelFormat format : blockFormatTable) {
        const BlockFormat* row = findBlockFormat(format);
        if (row == nullptr)
            std::abort();
        decodeEachBlock(*row, data + 4, size - 4);
        decodeAsSurface(*row, data, data + 4, size - 4);
    }
    return 0;
}
