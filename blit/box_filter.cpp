// The box filter: 2 x 2 (x 2) averages for exact halvings, through the integer path when the
// format and the request allow it, through FloatColor values otherwise.
#include "blit/blit_strategies.h"

#include "blit/box_fast_path.h"
#include "blit/row_buffer.h"

namespace {

// A destination size that halves the source, or a single pixel kept as it is.
bool halves(uint32_t source, uint32_t destination) {
    return destination == source / 2 || (source == 1 && destination == 1);
}

bool halvesPlane(const PixelCodec& dst, const PixelCodec& src) {
    return halves(src.width, dst.width) && halves(src.height, dst.height);
}

// The column or row paired with 2k: the next one, or the same one in a source one wide.
uint32_t partner(uint32_t index, uint32_t sourceSize) {
    return sourceSize > 1 ? index + 1 : index;
}

// Integer averages of the stored fields. Not for a keyed source (the key is a float-path
// comparison) nor a dithered destination.
bool integerBox(PixelCodec& dst, PixelCodec& src) {
    if (dst.format != src.format || src.keyEnabled || dst.ditherTable != &plainDitherTable)
        return false;
    if (src.width < 2 || src.height < 2)
        return false;
    const BoxRowRoutine routine = boxRowRoutine(dst.format);
    auto* out = dynamic_cast<WholePixelCodec*>(&dst);
    auto* in = dynamic_cast<WholePixelCodec*>(&src);
    if (routine == nullptr || out == nullptr || in == nullptr)
        return false;
    for (uint32_t y = 0; y < dst.height; ++y)
        routine(in->rowAddress(2 * y, 0), in->rowAddress(2 * y + 1, 0), out->rowAddress(y, 0),
                dst.width);
    return true;
}

FloatColor sum(const FloatColor& a, const FloatColor& b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b, a.a + b.a};
}

FloatColor scaled(const FloatColor& c, float factor) {
    return {c.r * factor, c.g * factor, c.b * factor, c.a * factor};
}

} // namespace

HRESULT boxFilter2D(SurfaceBlitter& blitter) {
    PixelCodec& dst = *blitter.destination;
    PixelCodec& src = *blitter.source;
    if (filterKind(blitter.filter) != FilterBox || src.depth != 1 || dst.depth != 1 ||
        !halvesPlane(dst, src))
        return E_FAIL;
    if (integerBox(dst, src))
        return D3D_OK;

    std::unique_ptr<FloatColor[]> top = allocateRow(src.width);
    std::unique_ptr<FloatColor[]> bottom = allocateRow(src.width);
    std::unique_ptr<FloatColor[]> out = allocateRow(dst.width);
    if (!top || !bottom || !out)
        return E_OUTOFMEMORY;
    for (uint32_t y = 0; y < dst.height; ++y) {
        src.decodeRow(2 * y, 0, top.get());
        const FloatColor* second = top.get();
        if (src.height > 1) {
            src.decodeRow(2 * y + 1, 0, bottom.get());
            second = bottom.get();
        }
        for (uint32_t x = 0; x < dst.width; ++x) {
            const uint32_t c0 = 2 * x, c1 = partner(2 * x, src.width);
            out[x] = scaled(sum(sum(top[c0], top[c1]), sum(second[c0], second[c1])), 0.25f);
        }
        dst.encodeRow(y, 0, out.get());
    }
    return D3D_OK;
}

HRESULT boxFilter3D(SurfaceBlitter& blitter) {
    PixelCodec& dst = *blitter.destination;
    PixelCodec& src = *blitter.source;
    if (filterKind(blitter.filter) != FilterBox || !halvesPlane(dst, src) ||
        dst.depth != src.depth / 2)
        return E_FAIL;
    std::unique_ptr<FloatColor[]> rows[4];
    for (auto& row : rows) {
        row = allocateRow(src.width);
        if (!row)
            return E_OUTOFMEMORY;
    }
    std::unique_ptr<FloatColor[]> out = allocateRow(dst.width);
    if (!out)
        return E_OUTOFMEMORY;
    for (uint32_t z = 0; z < dst.depth; ++z) {
        for (uint32_t y = 0; y < dst.height; ++y) {
            const uint32_t r0 = 2 * y, r1 = partner(2 * y, src.height);
            src.decodeRow(r0, 2 * z, rows[0].get());
            src.decodeRow(r1, 2 * z, rows[1].get());
            src.decodeRow(r0, 2 * z + 1, rows[2].get());
            src.decodeRow(r1, 2 * z + 1, rows[3].get());
            for (uint32_t x = 0; x < dst.width; ++x) {
                const uint32_t c0 = 2 * x, c1 = partner(2 * x, src.width);
                FloatColor total = {0, 0, 0, 0};
                for (const auto& row : rows)
                    total = sum(total, sum(row[c0], row[c1]));
                out[x] = scaled(total, 0.125f);
            }
            dst.encodeRow(y, z, out.get());
        }
    }
    return D3D_OK;
}
