// Point sampling: each destination pixel copies the source pixel found by 16.16 steps.
#include "blit/blit_strategies.h"

#include "blit/row_buffer.h"

namespace {

// (source size x 65536) / destination size, in 64 bits so that no size can wrap it.
uint64_t stepOf(uint32_t sourceSize, uint32_t destinationSize) {
    return (uint64_t(sourceSize) << 16) / destinationSize;
}

} // namespace

HRESULT pointFilter(SurfaceBlitter& blitter) {
    if (filterKind(blitter.filter) != FilterPoint)
        return E_FAIL;
    PixelCodec& dst = *blitter.destination;
    PixelCodec& src = *blitter.source;
    if (dst.width == 0 || dst.height == 0 || dst.depth == 0)
        return D3D_OK;
    if (src.width == 0 || src.height == 0 || src.depth == 0)
        return E_FAIL;
    const uint64_t stepX = stepOf(src.width, dst.width);
    const uint64_t stepY = stepOf(src.height, dst.height);
    const uint64_t stepZ = stepOf(src.depth, dst.depth);
    std::unique_ptr<FloatColor[]> in = allocateRow(src.width);
    std::unique_ptr<FloatColor[]> out = allocateRow(dst.width);
    if (!in || !out)
        return E_OUTOFMEMORY;

    uint64_t positionZ = 0;
    for (uint32_t z = 0; z < dst.depth; ++z, positionZ += stepZ) {
        const uint32_t sourceSlice = uint32_t(positionZ >> 16);
        uint64_t positionY = 0;
        uint32_t decodedRow = UINT32_MAX;
        for (uint32_t y = 0; y < dst.height; ++y, positionY += stepY) {
            const uint32_t sourceRow = uint32_t(positionY >> 16);
            if (sourceRow != decodedRow) {
                src.decodeRow(sourceRow, sourceSlice, in.get());
                decodedRow = sourceRow;
            }
            uint64_t positionX = 0;
            for (uint32_t x = 0; x < dst.width; ++x, positionX += stepX)
                out[x] = in[positionX >> 16];
            dst.encodeRow(y, z, out.get());
        }
    }
    return D3D_OK;
}
