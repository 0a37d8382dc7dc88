// Pictures whose rows are still being made: a short list of the published ones, looked up by
// address when a blit reads its source.
#include "blit/pending_rows.h"

#include "blit/pixel_format.h"

#include <algorithm>
#include <vector>

namespace {

// A helper makes this many rows between looks at the lock, so that a reader that needs rows
// further down can take over.
constexpr uint32_t rowsAtATime = 16;

std::mutex publishedLock;
std::atomic<size_t> publishedCount{0};

struct Span {
    const uint8_t* bits;
    uint64_t bytes;
    PendingRows* rows;
};
std::vector<Span> spanList;

} // namespace

PendingRows::PendingRows(const uint8_t* bits, uint64_t rowPitch, uint32_t height)
    : bits_(bits), rowPitch_(std::max<uint64_t>(rowPitch, 1)), height_(height) {}

PendingRows::~PendingRows() {
    withdraw();
}

void PendingRows::publish() {
    const std::lock_guard<std::mutex> hold(publishedLock);
    if (published_)
        return;
    spanList.push_back({bits_, rowPitch_ * height_, this});
    publishedCount = spanList.size();
    published_ = true;
}

void PendingRows::withdraw() {
    {
        const std::lock_guard<std::mutex> hold(publishedLock);
        if (published_) {
            spanList.erase(std::find_if(spanList.begin(), spanList.end(),
                                        [this](const Span& s) { return s.rows == this; }));
            publishedCount = spanList.size();
            published_ = false;
        }
    }
    // A helper still making rows finishes its few before the memory goes.
    const std::lock_guard<std::mutex> hold(making_);
}

void PendingRows::makeLocked(uint32_t endRow) {
    const uint32_t made = made_.load(std::memory_order_relaxed);
    if (made >= endRow)
        return;
    makeRows(made, endRow);
    made_.store(endRow, std::memory_order_release);
}

void PendingRows::makeUpTo(uint32_t endRow) {
    endRow = std::min(endRow, height_);
    if (madeRows() >= endRow)
        return;
    const std::lock_guard<std::mutex> hold(making_);
    makeLocked(endRow);
}

void PendingRows::makeAll() {
    while (madeRows() < height_) {
        const std::lock_guard<std::mutex> hold(making_);
        makeLocked(std::min(height_, made_.load(std::memory_order_relaxed) + rowsAtATime));
    }
}

void awaitSourceRows(const BlitSurface& source) {
    if (publishedCount.load(std::memory_order_acquire) == 0 || source.bits == nullptr)
        return;
    PendingRows* rows = nullptr;
    uint64_t endByte = 0, rowPitch = 1;
    {
        const std::lock_guard<std::mutex> hold(publishedLock);
        for (const Span& span : spanList) {
            if (source.bits < span.bits || source.bits >= span.bits + span.bytes)
                continue;
            rows = span.rows;
            rowPitch = span.bytes / std::max(1u, span.rows->height());
            // A rectangle several slices deep, or a block format, waits for the whole picture.
            const bool plainRows = source.rect.depth() <= 1 && !isBlockCompressed(source.format);
            endByte = plainRows ? uint64_t(source.bits - span.bits) +
                                      uint64_t(std::max(source.rect.bottom, 0)) * source.rowPitch
                                : span.bytes;
            break;
        }
    }
    if (rows != nullptr)
        rows->makeUpTo(
            uint32_t(std::min<uint64_t>((endByte + rowPitch - 1) / rowPitch, rows->height())));
}
