// The codec factory: the one place that sorts formats into codec families.
#include "blit/codec_families.h"

std::unique_ptr<PixelCodec> createPixelCodec(const BlitSurface& surface) {
    std::unique_ptr<PixelCodec> codec;
    switch (surface.format) {
    case D3DFMT_P8:
    case D3DFMT_A8P8:
        codec = createPaletteCodec(surface);
        break;
    case D3DFMT_UYVY:
    case D3DFMT_YUY2:
        codec = createYuvCodec(surface);
        break;
    case D3DFMT_DXT1:
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5:
        codec = createBlockCodec(surface);
        break;
    default:
        codec = createFieldCodec(surface);
        break;
    }
    if (codec && codec->keyEnabled)
        codec->prepareColorKey();
    return codec;
}
