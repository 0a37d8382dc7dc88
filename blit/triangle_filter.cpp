// The triangle (tent) filter, streaming over source rows (or slices): each source row adds
// its weighted pixels into the accumulators of the destination rows it reaches, and a
// destination row is encoded as soon as its last contribution has arrived.
#include "blit/blit_strategies.h"

#include "blit/resample_weights.h"
#include "blit/row_buffer.h"

#include <algorithm>
#include <new>

namespace {

// Accumulators of `length` values, recycled through a free list. Every accumulator ever
// taken stays owned here until the pool goes.
class AccumulatorPool {
public:
    explicit AccumulatorPool(uint64_t length) : length_(length) {}

    // A zero-filled accumulator, or null when the memory is not there.
    FloatColor* take() {
        FloatColor* row = nullptr;
        if (freeCount_ > 0) {
            row = free_[--freeCount_];
            std::fill_n(row, size_t(length_), FloatColor{0, 0, 0, 0});
            return row;
        }
        if (ownedCount_ == capacity_ && !grow())
            return nullptr;
        std::unique_ptr<FloatColor[]> fresh = allocateRow(length_);
        if (!fresh)
            return nullptr;
        row = fresh.get();
        owned_[ownedCount_++] = std::move(fresh);
        return row;
    }

    void give(FloatColor* row) { free_[freeCount_++] = row; }

private:
    bool grow() {
        const size_t capacity = capacity_ == 0 ? 8 : capacity_ * 2;
        std::unique_ptr<std::unique_ptr<FloatColor[]>[]> owned(
            new (std::nothrow) std::unique_ptr<FloatColor[]>[capacity]);
        std::unique_ptr<FloatColor*[]> freeList(new (std::nothrow) FloatColor*[capacity]);
        if (!owned || !freeList)
            return false;
        std::move(owned_.get(), owned_.get() + ownedCount_, owned.get());
        std::copy_n(free_.get(), freeCount_, freeList.get());
        owned_ = std::move(owned);
        free_ = std::move(freeList);
        capacity_ = capacity;
        return true;
    }

    uint64_t length_;
    size_t capacity_ = 0;
    size_t ownedCount_ = 0;
    size_t freeCount_ = 0;
    std::unique_ptr<std::unique_ptr<FloatColor[]>[]> owned_;
    std::unique_ptr<FloatColor*[]> free_;
};

bool isEmpty(const PixelCodec& codec) {
    return codec.width == 0 || codec.height == 0 || codec.depth == 0;
}

// accumulator[dx] += (wx x weight) x pixel for every horizontal pair of every source pixel.
void accumulateRow(const FloatColor* in, uint32_t sourceWidth, const TriangleWeights& columns,
                   float weight, FloatColor* accumulator) {
    for (uint32_t c = 0; c < sourceWidth; ++c) {
        const FloatColor& p = in[c];
        for (const TrianglePair* pair = columns.begin(c); pair != columns.end(c); ++pair) {
            const float w = pair->weight * weight;
            FloatColor& a = accumulator[pair->index];
            a.r += w * p.r;
            a.g += w * p.g;
            a.b += w * p.b;
            a.a += w * p.a;
        }
    }
}

// How many pairs of the table point at each destination index; null without memory.
std::unique_ptr<uint32_t[]> pairCounts(const TriangleWeights& weights, uint32_t n, uint32_t m) {
    std::unique_ptr<uint32_t[]> counts(new (std::nothrow) uint32_t[m]);
    if (!counts)
        return nullptr;
    std::fill_n(counts.get(), m, 0u);
    for (uint32_t i = 0; i < n; ++i) {
        for (const TrianglePair* pair = weights.begin(i); pair != weights.end(i); ++pair)
            ++counts[pair->index];
    }
    return counts;
}

// Streams the source units (rows, or slices) through the accumulators of the destination
// units; `contribute` adds one source unit into an accumulator with its weight and `emit`
// encodes a finished destination unit. Units no pair reaches are emitted from zeros.
template <typename Contribute, typename Emit>
HRESULT stream(const TriangleWeights& weights, uint32_t sourceUnits, uint32_t destinationUnits,
               uint64_t unitLength, Contribute contribute, Emit emit) {
    std::unique_ptr<uint32_t[]> counts = pairCounts(weights, sourceUnits, destinationUnits);
    std::unique_ptr<FloatColor*[]> active(new (std::nothrow) FloatColor*[destinationUnits]);
    if (!counts || !active)
        return E_OUTOFMEMORY;
    std::fill_n(active.get(), destinationUnits, nullptr);
    AccumulatorPool pool(unitLength);
    FloatColor* blank = nullptr;
    for (uint32_t d = 0; d < destinationUnits; ++d) {
        if (counts[d] != 0)
            continue;
        if (blank == nullptr && (blank = pool.take()) == nullptr)
            return E_OUTOFMEMORY;
        emit(d, blank);
    }
    if (blank != nullptr)
        pool.give(blank);
    for (uint32_t s = 0; s < sourceUnits; ++s) {
        for (const TrianglePair* pair = weights.begin(s); pair != weights.end(s); ++pair) {
            if (active[pair->index] == nullptr && (active[pair->index] = pool.take()) == nullptr)
                return E_OUTOFMEMORY;
        }
        contribute(s, active.get());
        for (const TrianglePair* pair = weights.begin(s); pair != weights.end(s); ++pair) {
            if (--counts[pair->index] == 0) {
                emit(pair->index, active[pair->index]);
                pool.give(active[pair->index]);
                active[pair->index] = nullptr;
            }
        }
    }
    return D3D_OK;
}

} // namespace

HRESULT triangleFilter2D(SurfaceBlitter& blitter) {
    PixelCodec& dst = *blitter.destination;
    PixelCodec& src = *blitter.source;
    if (src.depth != 1 || dst.depth != 1)
        return E_FAIL;
    if (isEmpty(dst))
        return D3D_OK;
    if (isEmpty(src))
        return E_FAIL;
    TriangleWeights columns, rows;
    std::unique_ptr<FloatColor[]> in = allocateRow(src.width);
    if (!buildTriangleWeights(src.width, dst.width, (blitter.filter & FilterMirrorU) != 0,
                              &columns) ||
        !buildTriangleWeights(src.height, dst.height, (blitter.filter & FilterMirrorV) != 0,
                              &rows) ||
        !in)
        return E_OUTOFMEMORY;
    auto contribute = [&](uint32_t r, FloatColor* const* accumulators) {
        src.decodeRow(r, 0, in.get());
        for (const TrianglePair* pair = rows.begin(r); pair != rows.end(r); ++pair)
            accumulateRow(in.get(), src.width, columns, pair->weight, accumulators[pair->index]);
    };
    auto emit = [&](uint32_t y, const FloatColor* row) { dst.encodeRow(y, 0, row); };
    return stream(rows, src.height, dst.height, dst.width, contribute, emit);
}

HRESULT triangleFilter3D(SurfaceBlitter& blitter) {
    PixelCodec& dst = *blitter.destination;
    PixelCodec& src = *blitter.source;
    if (isEmpty(dst))
        return D3D_OK;
    if (isEmpty(src))
        return E_FAIL;
    TriangleWeights columns, rows, slices;
    std::unique_ptr<FloatColor[]> in = allocateRow(src.width);
    if (!buildTriangleWeights(src.width, dst.width, (blitter.filter & FilterMirrorU) != 0,
                              &columns) ||
        !buildTriangleWeights(src.height, dst.height, (blitter.filter & FilterMirrorV) != 0,
                              &rows) ||
        !buildTriangleWeights(src.depth, dst.depth, (blitter.filter & FilterMirrorW) != 0,
                              &slices) ||
        !in)
        return E_OUTOFMEMORY;
    const uint64_t sliceLength = uint64_t(dst.width) * dst.height;
    auto contribute = [&](uint32_t s, FloatColor* const* accumulators) {
        for (uint32_t r = 0; r < src.height; ++r) {
            src.decodeRow(r, s, in.get());
            for (const TrianglePair* z = slices.begin(s); z != slices.end(s); ++z) {
                for (const TrianglePair* y = rows.begin(r); y != rows.end(r); ++y)
                    accumulateRow(in.get(), src.width, columns, z->weight * y->weight,
                                  accumulators[z->index] + size_t(y->index) * dst.width);
            }
        }
    };
    auto emit = [&](uint32_t z, const FloatColor* slice) {
        for (uint32_t y = 0; y < dst.height; ++y)
            dst.encodeRow(y, z, slice + size_t(y) * dst.width);
    };
    return stream(slices, src.depth, dst.depth, sliceLength, contribute, emit);
}
