// The codec factory: the one place that sorts formats into codec families.
#include "blit/codec_families.h"

#include "blit/field_layout.h"
#include "blocks/block_format.h"

namespace {

enum class CodecFamily { Palette, Yuv, Block, Field };

CodecFamily familyOf(PixelFormat format) {
    switch (format) {
    case D3DFMT_P8:
    case D3DFMT_A8P8:
        return CodecFamily::Palette;
    case D3DFMT_UYVY:
    case D3DFMT_YUY2:
        return CodecFamily::Yuv;
    default:
        return isBlockCompressed(format) ? CodecFamily::Block : CodecFamily::Field;
    }
}

} // namespace

std::unique_ptr<PixelCodec> createPixelCodec(const BlitSurface& surface) {
    std::unique_ptr<PixelCodec> codec;
    switch (familyOf(surface.format)) {
    case CodecFamily::Palette:
        codec = createPaletteCodec(surface);
        break;
    case CodecFamily::Yuv:
        codec = createYuvCodec(surface);
        break;
    case CodecFamily::Block:
        codec = createBlockCodec(surface);
        break;
    case CodecFamily::Field:
        codec = createFieldCodec(surface);
        break;
    }
    if (codec && codec->keyEnabled)
        codec->prepareColorKey();
    return codec;
}

bool hasPixelCodec(PixelFormat format) {
    switch (familyOf(format)) {
    case CodecFamily::Field:
        return findFieldLayout(format) != nullptr;
    case CodecFamily::Block:
        // A block format whose codec this build lacks has no codec, rather than failing for
        // memory.
        return findBlockFormat(format) != nullptr;
    default:
        return true;
    }
}
