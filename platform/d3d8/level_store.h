// The memory of one surface or volume level and its lock: the format's real bytes in rows of
// pixels, pixel pairs or 4 x 4 blocks, a lock flag, and a version that counts every change
// of the contents so that converted copies (the rasteriser's sample images) know when to renew.
// A new level reads as zeros, but its memory is cleared only when first reached: a lock that
// promises to write every pixel (platform_ext::LockOverwritesLevel) takes it as it is.
#pragma once

#include "d3d8/format_layout.h"

#include <cstddef>
#include <cstdint>

namespace d3d8 {

class LevelStore {
public:
    // Allocates memory for the level, which reads as zeros; E_OUTOFMEMORY when it cannot.
    HRESULT allocate(const FormatLayout& layout, UINT width, UINT height, UINT depth);

    const FormatLayout& layout() const { return *layout_; }
    D3DFORMAT format() const { return layout_->format; }
    const LevelGeometry& geometry() const { return geometry_; }
    UINT width() const { return geometry_.width; }
    UINT height() const { return geometry_.height; }
    UINT depth() const { return geometry_.depth; }
    // The level's memory, cleared first if nothing has reached it yet.
    BYTE* bits() const { return reinterpret_cast<BYTE*>(words()); }
    // The same memory as 32-bit words (levels start and rows continue on 4-byte boundaries).
    uint32_t* words() const {
        if (!cleared_)
            clear();
        return words_.get();
    }
    // Whether the memory is still as it was taken, not yet cleared or overwritten.
    bool unreached() const { return !cleared_; }

    // Starts a lock after checking the flags, the pool rules and that no lock is held.
    // `lockable` says whether the resource may be locked at all; `whole` whether the lock
    // covers the whole level, which platform_ext::LockOverwritesLevel needs.
    HRESULT beginLock(DWORD flags, DWORD usage, bool lockable, bool whole = false);
    // The memory a lock begun by beginLock hands out: as it is, its row ends cleared, when the
    // lock promised to write every pixel, otherwise bits().
    BYTE* lockedBits() const;
    HRESULT endLock();
    bool locked() const { return locked_; }

    uint64_t version() const { return version_; }
    void markChanged() { ++version_; }

    // The device's play count when a recorded draw last sampled the level.
    uint64_t sampledBatch() const { return sampledBatch_; }
    void markSampled(uint64_t batch) { sampledBatch_ = batch; }

    // Exchanges the memory of two levels of the same geometry (a flip of the swap chain).
    void swapMemory(LevelStore& other);

private:
    void clear() const;

    // The level's memory, given back to the device's kept memory with the level's size.
    class Words {
    public:
        Words() = default;
        ~Words() { reset(nullptr, 0); }
        Words(Words&& other) noexcept { swap(other); }
        Words& operator=(Words&& other) noexcept {
            swap(other);
            return *this;
        }

        uint32_t* get() const { return memory_; }
        void reset(uint32_t* memory, size_t bytes);
        void swap(Words& other);

    private:
        uint32_t* memory_ = nullptr;
        size_t bytes_ = 0;
    };

    const FormatLayout* layout_ = nullptr;
    LevelGeometry geometry_;
    Words words_;
    bool locked_ = false;
    bool lockWrites_ = false;
    bool lockOverwrites_ = false;
    // Set once the memory has been cleared or handed to a lock that writes all of it; draw
    // threads only read it, as every level they touch was reached on the calling thread.
    mutable bool cleared_ = true;
    uint64_t version_ = 0;
    uint64_t sampledBatch_ = 0;
};

// A box as a rectangle check: inside the level and on unit boundaries.
bool boxFitsLevel(const LevelStore& level, const D3DBOX& box);

// Copies the pixels of a rectangle of `source` (on unit boundaries) to `dest` at (x, y), both
// of the same format; every slice when the levels are volumes of equal depth.
void copyLevelRect(const LevelStore& source, const RECT& rect, LevelStore& dest, UINT x, UINT y);

} // namespace d3d8
