// The linear filter: each destination pixel mixes the two nearest source pixels per axis.
#include "blit/blit_strategies.h"

#include "blit/resample_weights.h"
#include "blit/row_buffer.h"

namespace {

FloatColor mix(const FloatColor& a, float wa, const FloatColor& b, float wb) {
    return {wa * a.r + wb * b.r, wa * a.g + wb * b.g, wa * a.b + wb * b.b, wa * a.a + wb * b.a};
}

bool isEmpty(const PixelCodec& codec) {
    return codec.width == 0 || codec.height == 0 || codec.depth == 0;
}

struct AxisWeights {
    std::unique_ptr<LinearWeight[]> x, y, z;
};

bool buildAxes(const PixelCodec& dst, const PixelCodec& src, ImageFilter filter,
               AxisWeights* axes) {
    axes->x = buildLinearWeights(src.width, dst.width, (filter & FilterMirrorU) != 0);
    axes->y = buildLinearWeights(src.height, dst.height, (filter & FilterMirrorV) != 0);
    axes->z = buildLinearWeights(src.depth, dst.depth, (filter & FilterMirrorW) != 0);
    return axes->x && axes->y && axes->z;
}

// One destination row from two decoded source rows and their vertical weights.
void mixRow(const FloatColor* first, float w0, const FloatColor* second, float w1,
            const LinearWeight* columns, uint32_t width, FloatColor* out) {
    for (uint32_t x = 0; x < width; ++x) {
        const LinearWeight& c = columns[x];
        out[x] = mix(mix(first[c.i0], c.w0, first[c.i1], c.w1), w0,
                     mix(second[c.i0], c.w0, second[c.i1], c.w1), w1);
    }
}

} // namespace

HRESULT linearFilter2D(SurfaceBlitter& blitter) {
    PixelCodec& dst = *blitter.destination;
    PixelCodec& src = *blitter.source;
    if (filterKind(blitter.filter) != FilterLinear || src.depth != 1 || dst.depth != 1)
        return E_FAIL;
    if (isEmpty(dst))
        return D3D_OK;
    if (isEmpty(src))
        return E_FAIL;
    AxisWeights axes;
    std::unique_ptr<FloatColor[]> first = allocateRow(src.width);
    std::unique_ptr<FloatColor[]> second = allocateRow(src.width);
    std::unique_ptr<FloatColor[]> out = allocateRow(dst.width);
    if (!buildAxes(dst, src, blitter.filter, &axes) || !first || !second || !out)
        return E_OUTOFMEMORY;
    uint32_t firstRow = UINT32_MAX, secondRow = UINT32_MAX;
    for (uint32_t y = 0; y < dst.height; ++y) {
        const LinearWeight& rows = axes.y[y];
        // Keep a row already decoded: consecutive destination rows share source rows.
        if (rows.i0 != firstRow && rows.i0 == secondRow) {
            std::swap(first, second);
            std::swap(firstRow, secondRow);
        } else if (rows.i0 != firstRow) {
            src.decodeRow(rows.i0, 0, first.get());
            firstRow = rows.i0;
        }
        if (rows.i1 != secondRow) {
            src.decodeRow(rows.i1, 0, second.get());
            secondRow = rows.i1;
        }
        mixRow(first.get(), rows.w0, second.get(), rows.w1, axes.x.get(), dst.width, out.get());
        dst.encodeRow(y, 0, out.get());
    }
    return D3D_OK;
}

HRESULT linearFilter3D(SurfaceBlitter& blitter) {
    PixelCodec& dst = *blitter.destination;
    PixelCodec& src = *blitter.source;
    if (filterKind(blitter.filter) != FilterLinear)
        return E_FAIL;
    if (isEmpty(dst))
        return D3D_OK;
    if (isEmpty(src))
        return E_FAIL;
    AxisWeights axes;
    std::unique_ptr<FloatColor[]> rows[4];
    for (auto& row : rows)
        row = allocateRow(src.width);
    std::unique_ptr<FloatColor[]> front = allocateRow(dst.width);
    std::unique_ptr<FloatColor[]> back = allocateRow(dst.width);
    if (!buildAxes(dst, src, blitter.filter, &axes) || !rows[0] || !rows[1] || !rows[2] ||
        !rows[3] || !front || !back)
        return E_OUTOFMEMORY;
    for (uint32_t z = 0; z < dst.depth; ++z) {
        const LinearWeight& slices = axes.z[z];
        for (uint32_t y = 0; y < dst.height; ++y) {
            const LinearWeight& r = axes.y[y];
            src.decodeRow(r.i0, slices.i0, rows[0].get());
            src.decodeRow(r.i1, slices.i0, rows[1].get());
            src.decodeRow(r.i0, slices.i1, rows[2].get());
            src.decodeRow(r.i1, slices.i1, rows[3].get());
            mixRow(rows[0].get(), r.w0, rows[1].get(), r.w1, axes.x.get(), dst.width, front.get());
            mixRow(rows[2].get(), r.w0, rows[3].get(), r.w1, axes.x.get(), dst.width, back.get());
            for (uint32_t x = 0; x < dst.width; ++x)
                front[x] = mix(front[x], slices.w0, back[x], slices.w1);
            dst.encodeRow(y, z, front.get());
        }
    }
    return D3D_OK;
}
