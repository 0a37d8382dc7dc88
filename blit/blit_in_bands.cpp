// blitSurface: one blit on the caller's thread, or, with workers handed to the engine, the rows
// of a large job cut into bands that the workers blit side by side.
#include "blit/blit_workers.h"
#include "blit/pending_rows.h"
#include "blit/surface_blitter.h"

#include <algorithm>
#include <memory>
#include <new>

namespace {

// A band is about this many destination pixels, in whole groups of rowGrid rows: 8 rows keep
// every band on the 4-row grids of the dither pattern and of the blocks, on both sides of a
// halving.
constexpr uint64_t bandPixels = uint64_t(1) << 16;
constexpr uint32_t rowGrid = 8;

enum class BandKind {
    SameRows,   // destination row y comes from source row y (or none, past a FilterNone source)
    HalvedRows, // destination row y comes from source rows 2y and 2y + 1
};

struct BandPlan {
    BandKind kind = BandKind::SameRows;
    uint32_t rowsPerBand = 0;
    uint32_t count = 0; // below 2: not worth cutting
};

// Blocks are encoded a block row at a time, so a band must start on one.
bool onBlockRowGrid(const BlitSurface& side) {
    return !isBlockCompressed(side.format) || side.rect.top % 4 == 0;
}

// Cuts only jobs that the strategies do row by row, the same way in every band as in the whole.
BandPlan planBands(const BlitSurface& destination, const BlitSurface& source, ImageFilter filter) {
    BandPlan plan;
    if (FAILED(checkBlitSides(destination, source, filter)))
        return plan;
    const BlitBox& d = destination.rect;
    const BlitBox& s = source.rect;
    if (d.depth() != 1 || s.depth() != 1 || !onBlockRowGrid(destination) || !onBlockRowGrid(source))
        return plan;
    const bool sameSize = d.width() == s.width() && d.height() == s.height();
    // A FilterNone band that happens to match its source band in size would be copied raw where
    // the whole job converts, unless formats or the key rule the raw copy out for both.
    const bool neverRaw = destination.format != source.format || source.colorKey != 0;
    if (sameSize || (filterKind(filter) == FilterNone && neverRaw)) {
        plan.kind = BandKind::SameRows;
    } else if (filterKind(filter) == FilterBox && d.width() == s.width() / 2 &&
               d.height() == s.height() / 2) {
        plan.kind = BandKind::HalvedRows;
    } else {
        return plan;
    }
    const uint64_t width = std::max<uint64_t>(d.width(), 1);
    const uint64_t rows = (bandPixels + width - 1) / width;
    plan.rowsPerBand =
        uint32_t(std::max<uint64_t>((rows + rowGrid - 1) / rowGrid * rowGrid, rowGrid));
    plan.count = (d.height() + plan.rowsPerBand - 1) / plan.rowsPerBand;
    return plan;
}

struct BandJob {
    const BlitSurface* destination;
    const BlitSurface* source;
    ImageFilter filter;
    BandPlan plan;
    HRESULT* results;
};

void blitBand(void* context, uint32_t index) {
    const BandJob& job = *static_cast<const BandJob*>(context);
    BlitSurface destination = *job.destination;
    BlitSurface source = *job.source;
    const int32_t rows = job.destination->rect.height();
    const int32_t first = int32_t(index * job.plan.rowsPerBand);
    const int32_t last = std::min(first + int32_t(job.plan.rowsPerBand), rows);
    destination.rect.top = job.destination->rect.top + first;
    destination.rect.bottom = job.destination->rect.top + last;
    const int32_t sourceRows = job.source->rect.height();
    if (job.plan.kind == BandKind::SameRows) {
        source.rect.top = job.source->rect.top + std::min(first, sourceRows);
        source.rect.bottom = job.source->rect.top + std::min(last, sourceRows);
    } else {
        source.rect.top = job.source->rect.top + 2 * first;
        source.rect.bottom = job.source->rect.top + 2 * last;
    }
    awaitSourceRows(source);
    SurfaceBlitter blitter;
    job.results[index] = blitter.blit(destination, source, job.filter);
}

} // namespace

HRESULT blitSurface(const BlitSurface& destination, const BlitSurface& source, ImageFilter filter) {
    BlitWorkers* workers = blitWorkers();
    const BandPlan plan = workers != nullptr ? planBands(destination, source, filter) : BandPlan{};
    std::unique_ptr<HRESULT[]> results;
    if (plan.count >= 2)
        results.reset(new (std::nothrow) HRESULT[plan.count]);
    if (!results) {
        awaitSourceRows(source);
        SurfaceBlitter blitter;
        return blitter.blit(destination, source, filter);
    }
    BandJob job = {&destination, &source, filter, plan, results.get()};
    workers->run(plan.count, blitBand, &job);
    // The first band's failure, as one blit would have met it first.
    for (uint32_t i = 0; i < plan.count; ++i) {
        if (FAILED(results[i]))
            return results[i];
    }
    return D3D_OK;
}
