// The three strategies that do not resample: raw copy, converting copy and FilterNone.
#include "blit/blit_strategies.h"

#include "blit/direct_convert.h"
#include "blit/row_buffer.h"

#include <algorithm>
#include <cstring>

namespace {

bool sameSize(const PixelCodec& a, const PixelCodec& b) {
    return a.width == b.width && a.height == b.height && a.depth == b.depth;
}

bool samePalettes(const PixelCodec& a, const PixelCodec& b) {
    if (a.palette == nullptr || b.palette == nullptr)
        return a.palette == b.palette;
    return std::equal(a.palette, a.palette + 256, b.palette);
}

// Each edge on the 4 x 4 grid, or a right or bottom edge where the surface ends: the partial
// blocks there are stored whole like any other, so copying them loses nothing, while decoding
// and encoding them again would.
bool coversWholeBlocks(const PixelCodec& side) {
    const BlitBox& r = side.rect;
    const BlitBox& e = side.extent;
    return r.left % 4 == 0 && r.top % 4 == 0 && (r.right % 4 == 0 || r.right == e.right) &&
           (r.bottom % 4 == 0 || r.bottom == e.bottom);
}

// Whole 4 x 4 blocks, block row by block row; the codecs keep their rectangles as given.
HRESULT copyBlocks(PixelCodec& dst, const PixelCodec& src) {
    if (!coversWholeBlocks(dst) || !coversWholeBlocks(src))
        return E_FAIL;
    const BlitBox& d = dst.rect;
    const BlitBox& s = src.rect;
    const uint32_t blockSize = blockBytes(dst.format);
    const size_t rowBytes = size_t((dst.width + 3) / 4) * blockSize;
    for (uint32_t z = 0; z < dst.depth; ++z) {
        for (uint32_t blockRow = 0; blockRow < (dst.height + 3) / 4; ++blockRow) {
            const uint8_t* from = src.bits + size_t(uint32_t(s.front) + z) * src.slicePitch +
                                  size_t(uint32_t(s.top) / 4 + blockRow) * src.rowPitch +
                                  size_t(uint32_t(s.left) / 4) * blockSize;
            uint8_t* to = dst.bits + size_t(uint32_t(d.front) + z) * dst.slicePitch +
                          size_t(uint32_t(d.top) / 4 + blockRow) * dst.rowPitch +
                          size_t(uint32_t(d.left) / 4) * blockSize;
            std::memmove(to, from, rowBytes);
        }
    }
    return D3D_OK;
}

} // namespace

HRESULT rawCopy(SurfaceBlitter& blitter) {
    PixelCodec& dst = *blitter.destination;
    const PixelCodec& src = *blitter.source;
    if (dst.format != src.format || src.keyEnabled || !sameSize(dst, src))
        return E_FAIL;
    if (!samePalettes(dst, src) || isPackedYuv(dst.format))
        return E_FAIL;
    if (isBlockCompressed(dst.format))
        return copyBlocks(dst, src);
    for (uint32_t z = 0; z < dst.depth; ++z) {
        for (uint32_t y = 0; y < dst.height; ++y) {
            std::memmove(dst.bits + size_t(y) * dst.rowPitch + size_t(z) * dst.slicePitch,
                         src.bits + size_t(y) * src.rowPitch + size_t(z) * src.slicePitch,
                         dst.rowBytes);
        }
    }
    return D3D_OK;
}

HRESULT convertingCopy(SurfaceBlitter& blitter) {
    PixelCodec& dst = *blitter.destination;
    PixelCodec& src = *blitter.source;
    if (!sameSize(dst, src))
        return E_FAIL;
    const uint64_t pixels = uint64_t(dst.width) * dst.height * dst.depth;
    if (std::unique_ptr<DirectConverter> direct = findDirectConverter(dst, src, pixels)) {
        for (uint32_t z = 0; z < dst.depth; ++z) {
            for (uint32_t y = 0; y < dst.height; ++y)
                direct->convertRow(y, z, dst.width);
        }
        return D3D_OK;
    }
    std::unique_ptr<FloatColor[]> row = allocateRow(src.width);
    if (!row)
        return E_OUTOFMEMORY;
    for (uint32_t z = 0; z < dst.depth; ++z) {
        for (uint32_t y = 0; y < dst.height; ++y) {
            src.decodeRow(y, z, row.get());
            dst.encodeRow(y, z, row.get());
        }
    }
    return D3D_OK;
}

HRESULT noFilterCopy(SurfaceBlitter& blitter) {
    if (filterKind(blitter.filter) != FilterNone)
        return E_FAIL;
    PixelCodec& dst = *blitter.destination;
    PixelCodec& src = *blitter.source;
    const uint32_t w = std::min(dst.width, src.width);
    const uint32_t h = std::min(dst.height, src.height);
    const uint32_t d = std::min(dst.depth, src.depth);

    const uint64_t pixels = uint64_t(w) * h * d;
    if (std::unique_ptr<DirectConverter> direct = findDirectConverter(dst, src, pixels)) {
        // Direct converters only write formats in which transparent black is all zero bits.
        auto* out = static_cast<WholePixelCodec*>(&dst);
        for (uint32_t z = 0; z < dst.depth; ++z) {
            for (uint32_t y = 0; y < dst.height; ++y) {
                uint32_t done = 0;
                if (z < d && y < h) {
                    direct->convertRow(y, z, w);
                    done = w;
                }
                std::memset(out->rowAddress(y, z) + size_t(done) * dst.bytesPerPixel, 0,
                            size_t(dst.width - done) * dst.bytesPerPixel);
            }
        }
        return D3D_OK;
    }

    // Decoding never writes past the source width, so the tail of `row` stays transparent black.
    std::unique_ptr<FloatColor[]> row = allocateRow(std::max(src.width, dst.width));
    std::unique_ptr<FloatColor[]> blank = allocateRow(dst.width);
    if (!row || !blank)
        return E_OUTOFMEMORY;
    for (uint32_t z = 0; z < dst.depth; ++z) {
        for (uint32_t y = 0; y < dst.height; ++y) {
            if (z < d && y < h) {
                src.decodeRow(y, z, row.get());
                dst.encodeRow(y, z, row.get());
            } else {
                dst.encodeRow(y, z, blank.get());
            }
        }
    }
    return D3D_OK;
}
