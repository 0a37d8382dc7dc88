// The codec of the block-compressed formats (blocks/): rows are gathered into 4 x 4 blocks,
// decoded a block row at a time and encoded once every row of a block row has been written.
#include "blit/codec_families.h"

#include "blit/row_buffer.h"
#include "blocks/block_format.h"

#include <algorithm>
#include <new>

namespace {

// Values of one block row of the span, block after block (16 values each, row-major), with
// the rows of the block row written so far.
struct PendingBlockRow {
    int32_t blockRow = 0;
    int32_t slice = 0;
    uint32_t writtenRows = 0; // bit i: row i of the block row holds its final values
    std::unique_ptr<FloatColor[]> values;
    std::unique_ptr<PendingBlockRow> next;
};

constexpr uint32_t allRowsWritten = 0xF;

// The signed block formats are bump formats of the table and keep their values in [-1, 1].
ValueRange rangeOf(PixelFormat format) {
    return getFormatInfo(format).category == Bump ? SignedColor : UnitRange;
}

class BlockCodec final : public PixelCodec {
public:
    BlockCodec(const BlitSurface& surface, const BlockFormat& blockFormat)
        : PixelCodec(surface, rangeOf(surface.format), 0), blockFormat_(blockFormat),
          quality_(surface.highQualityBlocks), spanLeft_(rect.left & ~3),
          blocksAcross_(uint32_t(((rect.right + 3) & ~3) - spanLeft_) / 4) {}

    void decodeRow(uint32_t row, uint32_t slice, FloatColor* out) override {
        const int32_t y = rect.top + int32_t(row), z = rect.front + int32_t(slice);
        if (!holdDecoded(y >> 2, z))
            return;
        const FloatColor* values = decoded_.get();
        for (uint32_t x = 0; x < width; ++x)
            out[x] = values[valueIndex(rect.left + int32_t(x), y)];
        if (!keyEnabled)
            return;
        for (uint32_t x = 0; x < width; ++x) {
            if (blockFormat_.quantize(out[x]) == keyColor)
                out[x] = {0.0f, 0.0f, 0.0f, 0.0f};
        }
    }

    void encodeRow(uint32_t row, uint32_t slice, const FloatColor* in) override {
        const FloatColor* values = encodeInput(in);
        const int32_t y = rect.top + int32_t(row), z = rect.front + int32_t(slice);
        PendingBlockRow* pending = pendingBlockRow(y >> 2, z);
        if (pending == nullptr)
            return;
        FloatColor* stored = pending->values.get();
        for (uint32_t x = 0; x < width; ++x)
            stored[valueIndex(rect.left + int32_t(x), y)] = values[x];
        pending->writtenRows |= 1u << (y & 3);
        if (pending->writtenRows == allRowsWritten) {
            store(*pending);
            retire(pending);
        }
    }

    // Key and pixels are compared at the precision the blocks store.
    void prepareColorKey() override { keyColor = blockFormat_.quantize(keyColor); }

private:
    // Where pixel (x, y) of the surface lies in a block row buffer of the span.
    size_t valueIndex(int32_t x, int32_t y) const {
        return size_t((x - spanLeft_) >> 2) * 16 + size_t(y & 3) * 4 + size_t(x & 3);
    }

    uint8_t* blockAddress(int32_t blockRow, int32_t slice, uint32_t block) const {
        return bits + size_t(uint32_t(slice)) * slicePitch + size_t(uint32_t(blockRow)) * rowPitch +
               (size_t(spanLeft_ / 4) + block) * blockFormat_.blockBytes;
    }

    void decodeBlockRow(int32_t blockRow, int32_t slice, FloatColor* values) const {
        for (uint32_t b = 0; b < blocksAcross_; ++b)
            blockFormat_.decode(blockAddress(blockRow, slice, b), values + size_t(b) * 16);
    }

    bool holdDecoded(int32_t blockRow, int32_t slice) {
        if (!decoded_) {
            decoded_ = allocateRow(uint64_t(blocksAcross_) * 16);
            if (!decoded_) {
                outOfMemory = true;
                return false;
            }
        } else if (decodedBlockRow_ == blockRow && decodedSlice_ == slice) {
            return true;
        }
        decodeBlockRow(blockRow, slice, decoded_.get());
        decodedBlockRow_ = blockRow;
        decodedSlice_ = slice;
        return true;
    }

    PendingBlockRow* pendingBlockRow(int32_t blockRow, int32_t slice) {
        for (PendingBlockRow* p = pending_.get(); p != nullptr; p = p->next.get()) {
            if (p->blockRow == blockRow && p->slice == slice)
                return p;
        }
        std::unique_ptr<PendingBlockRow> started = std::move(spare_);
        if (!started) {
            started.reset(new (std::nothrow) PendingBlockRow);
            if (started)
                started->values = allocateRow(uint64_t(blocksAcross_) * 16);
            if (!started || !started->values) {
                outOfMemory = true;
                return nullptr;
            }
        }
        start(*started, blockRow, slice);
        started->next = std::move(pending_);
        pending_ = std::move(started);
        return pending_.get();
    }

    // Rows outside the rectangle count as written: those inside the surface keep their stored
    // values, and those beyond it are filled when the block row is stored.
    void start(PendingBlockRow& p, int32_t blockRow, int32_t slice) const {
        p.blockRow = blockRow;
        p.slice = slice;
        p.writtenRows = 0;
        bool keepsRows = false;
        for (int32_t i = 0; i < 4; ++i) {
            const int32_t y = blockRow * 4 + i;
            if (y < rect.top || y >= rect.bottom) {
                p.writtenRows |= 1u << i;
                keepsRows |= y >= extent.top && y < extent.bottom;
            }
        }
        for (uint32_t b = 0; b < blocksAcross_; ++b) {
            const int32_t left = spanLeft_ + int32_t(b) * 4;
            const bool keepsColumns = (left < rect.left && extent.left < rect.left) ||
                                      (left + 4 > rect.right && rect.right < extent.right);
            if (keepsRows || keepsColumns)
                blockFormat_.decode(blockAddress(blockRow, slice, b), p.values.get() + b * 16);
        }
    }

    // Pixels beyond the surface's right or bottom edge repeat those that exist, so that they
    // do not pull the endpoints.
    void fillBeyondSurface(FloatColor* block, int32_t left, int32_t top) const {
        const int32_t columns = std::clamp(extent.right - left, 1, 4);
        const int32_t rows = std::clamp(extent.bottom - top, 1, 4);
        if (columns == 4 && rows == 4)
            return;
        for (int32_t i = 0; i < 4; ++i) {
            for (int32_t j = 0; j < 4; ++j) {
                if (i >= rows || j >= columns)
                    block[i * 4 + j] = block[(i % rows) * 4 + (j % columns)];
            }
        }
    }

    void store(PendingBlockRow& p) {
        FloatColor* values = p.values.get();
        for (uint32_t b = 0; b < blocksAcross_; ++b)
            fillBeyondSurface(values + size_t(b) * 16, spanLeft_ + int32_t(b) * 4, p.blockRow * 4);
        if (!encode_)
            encode_ = chosenEncoder();
        encode_(values, blocksAcross_, blockAddress(p.blockRow, p.slice, 0));
        if (decodedBlockRow_ == p.blockRow && decodedSlice_ == p.slice)
            decodedBlockRow_ = -1;
    }

    // The exact encoder, or the searching one; BC7's has three levels.
    BlockBatchEncoder chosenEncoder() const {
        if (quality_ == 0)
            return blockBatchEncoder(blockFormat_);
        if (blockFormat_.format == BlockFormatBc7 && (quality_ & BlockQualityFast) != 0)
            return bc7BatchEncoder(Bc7Quality::Fast);
        if (blockFormat_.format == BlockFormatBc7 && (quality_ & BlockQualityBest) != 0)
            return bc7BatchEncoder(Bc7Quality::Best);
        return blockHqBatchEncoder(blockFormat_);
    }

    // Unlinks a stored block row and keeps its buffer for the next one.
    void retire(PendingBlockRow* stored) {
        std::unique_ptr<PendingBlockRow>* link = &pending_;
        while (link->get() != stored)
            link = &(*link)->next;
        std::unique_ptr<PendingBlockRow> done = std::move(*link);
        *link = std::move(done->next);
        spare_ = std::move(done);
    }

    const BlockFormat& blockFormat_;
    uint32_t quality_; // blockQualityOf the filter word
    int32_t spanLeft_;
    uint32_t blocksAcross_;
    BlockBatchEncoder encode_ = nullptr;
    std::unique_ptr<FloatColor[]> decoded_;
    int32_t decodedBlockRow_ = -1;
    int32_t decodedSlice_ = -1;
    // Block rows still being written; rows never completed are dropped with the codec.
    std::unique_ptr<PendingBlockRow> pending_;
    std::unique_ptr<PendingBlockRow> spare_;
};

} // namespace

std::unique_ptr<PixelCodec> createBlockCodec(const BlitSurface& surface) {
    const BlockFormat* blockFormat = findBlockFormat(surface.format);
    if (blockFormat == nullptr)
        return nullptr;
    return std::unique_ptr<PixelCodec>(new (std::nothrow) BlockCodec(surface, *blockFormat));
}
