// The blit engine: checks both sides, creates their codecs and runs the first strategy of
// the chain that accepts the job.
#include "blit/surface_blitter.h"

#include "blit/blit_strategies.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr BlitStrategy strategyChainTable[] = {
    rawCopy,     convertingCopy, noFilterCopy,   pointFilter,      boxFilter2D,
    boxFilter3D, linearFilter2D, linearFilter3D, triangleFilter2D, triangleFilter3D,
};

bool boxInside(const BlitBox& inner, const BlitBox& outer) {
    return outer.left <= inner.left && inner.left <= inner.right && inner.right <= outer.right &&
           outer.top <= inner.top && inner.top <= inner.bottom && inner.bottom <= outer.bottom &&
           outer.front <= inner.front && inner.front <= inner.back && inner.back <= outer.back;
}

// Bytes from the start of a row to the end of column `right` (exclusive).
uint64_t rowSpanBytes(PixelFormat format, uint32_t right) {
    if (isPackedYuv(format))
        return ((uint64_t(right) + 1) & ~uint64_t(1)) * 2;
    if (isBlockCompressed(format))
        return (uint64_t(right) + 3) / 4 * blockBytes(format);
    return uint64_t(right) * (getFormatInfo(format).bitsPerPixel / 8);
}

// Pitches are 32-bit, so everything a blit touches must lie within 2^31 bytes of `bits`; a
// larger span (a negative pitch passed as unsigned, say) would wrap on the original platform.
bool spanFits(const BlitSurface& side) {
    const BlitBox& r = side.rect;
    const uint64_t lastSlice = uint64_t(std::max(r.back - 1, r.front));
    uint64_t lastRow = uint64_t(std::max(r.bottom - 1, r.top));
    if (isBlockCompressed(side.format))
        lastRow /= 4;
    const uint64_t span =
        lastSlice * side.slicePitch + lastRow * side.rowPitch + rowSpanBytes(side.format, r.right);
    return span <= uint64_t(INT32_MAX);
}

bool sideValid(const BlitSurface& side) {
    if (side.bits == nullptr)
        return false;
    const BlitBox& r = side.rect;
    if (r.left < 0 || r.top < 0 || r.front < 0 || !boxInside(r, side.extent))
        return false;
    return spanFits(side);
}

} // namespace

HRESULT checkBlitSides(const BlitSurface& destination, const BlitSurface& source,
                       ImageFilter filter) {
    if (!isValidFilter(filter) || !sideValid(destination) || !sideValid(source))
        return D3DERR_INVALIDCALL;
    return D3D_OK;
}

HRESULT SurfaceBlitter::blit(const BlitSurface& destinationSide, const BlitSurface& sourceSide,
                             ImageFilter filterWord) {
    const HRESULT checked = checkBlitSides(destinationSide, sourceSide, filterWord);
    if (FAILED(checked))
        return checked;
    filter = filterWord;

    BlitSurface dst = destinationSide;
    dst.dither = (filter & FilterDither) != 0 ? 1 : 0;
    dst.highQualityBlocks = blockQualityOf(filter);
    dst.colorKey = 0;
    destination = createPixelCodec(dst);
    if (!destination)
        return hasPixelCodec(dst.format) ? E_OUTOFMEMORY : E_FAIL;
    source = createPixelCodec(sourceSide);
    if (!source)
        return hasPixelCodec(sourceSide.format) ? E_OUTOFMEMORY : E_FAIL;
    if (!destination->setSourceRange(source->range))
        return E_OUTOFMEMORY;

    HRESULT result = E_FAIL;
    for (BlitStrategy strategy : strategyChainTable) {
        const HRESULT hr = strategy(*this);
        if (SUCCEEDED(hr)) {
            result = D3D_OK;
            break;
        }
        // A strategy short of memory passes the job on, and the blit owns up to the shortage if
        // no other takes it. FilterNone promises an unscaled copy that only the no-filter
        // strategy makes: the scaling ones after it must not stand in for it.
        if (hr == E_OUTOFMEMORY) {
            result = E_OUTOFMEMORY;
            if (strategy == noFilterCopy)
                break;
        }
    }
    // A codec that could not hold a row part-way left the strategy's work incomplete.
    if (SUCCEEDED(result) && (destination->outOfMemory || source->outOfMemory))
        result = E_OUTOFMEMORY;
    // A codec that buffers rows writes them out when it is destroyed.
    destination.reset();
    source.reset();
    return result;
}
