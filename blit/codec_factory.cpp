// The codec factory: the one place that sorts formats into codec families.
#include "blit/codec_families.h"

#include "blit/field_layout.h"

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
    case D3DFMT_DXT1:
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5:
        return CodecFamily::Block;
    default:
        return CodecFamily::Field;
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
    return familyOf(format) != CodecFamily::Field || findFieldLayout(format) != nullptr;
}
