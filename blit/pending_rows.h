// A picture in memory whose rows are still being made (a decoder's last serial step, such as
// unfiltering), so that blits may start on its first rows while later ones are being made.
// The blit engine makes the rows a blit or a band reads before it reads them: a thread that
// finds them missing makes them itself, in order, under the picture's lock; a helper thread
// may make them ahead with makeAll. The bytes are those of the picture made whole first.
#pragma once

#include "blit/blit_surface.h"

#include <atomic>
#include <cstdint>
#include <mutex>

class PendingRows {
public:
    // The rows of rowPitch bytes from `bits` on, `height` of them, none made yet. Nothing
    // reads them through the blit engine until publish.
    PendingRows(const uint8_t* bits, uint64_t rowPitch, uint32_t height);
    virtual ~PendingRows();
    PendingRows(const PendingRows&) = delete;
    PendingRows& operator=(const PendingRows&) = delete;

    // Makes the picture known to the blit engine. The owner keeps it, and the memory, until
    // every blit that reads the picture has returned; a derived class withdraws it first
    // thing in its destructor.
    void publish();
    void withdraw();

    // Returns once rows 0 to endRow - 1 are made, having made the missing ones.
    void makeUpTo(uint32_t endRow);
    // Makes every row, a few at a time, so that readers see them come.
    void makeAll();
    uint32_t madeRows() const { return made_.load(std::memory_order_acquire); }
    uint32_t height() const { return height_; }

protected:
    // Makes rows first to end - 1, called in row order with the picture's lock held.
    virtual void makeRows(uint32_t first, uint32_t end) = 0;

private:
    void makeLocked(uint32_t endRow);

    const uint8_t* bits_;
    uint64_t rowPitch_;
    uint32_t height_;
    std::atomic<uint32_t> made_{0};
    std::mutex making_;
    bool published_ = false;
};

// Called by the blit engine before it reads `source`: when its memory lies in a published
// picture, the rows its rectangle reaches are made first.
void awaitSourceRows(const BlitSurface& source);
