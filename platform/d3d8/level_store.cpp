// Level memory, lock rules and rectangle copies between levels of one format.
#include "d3d8/level_store.h"

#include "d3d8/level_memory.h"
#include "d3d8/refusal.h"
#include "platform_ext.h"

#include <climits>
#include <cstring>
#include <utility>

namespace d3d8 {

namespace {

constexpr DWORD KnownLockFlags = D3DLOCK_READONLY | D3DLOCK_NOSYSLOCK | D3DLOCK_DISCARD |
                                 D3DLOCK_NO_DIRTY_UPDATE | platform_ext::LockOverwritesLevel;

} // namespace

HRESULT LevelStore::allocate(const FormatLayout& layout, UINT width, UINT height, UINT depth) {
    LevelGeometry geometry;
    if (!computeLevelGeometry(layout, width, height, depth, &geometry))
        return refuse(E_OUTOFMEMORY, "a %ux%ux%u level is larger than the device's memory", width,
                      height, depth);
    // Rows are padded to 4 bytes, so the level is a whole number of 32-bit words. The memory
    // is cleared when first reached, unless a lock overwrites it first.
    uint32_t* memory = takeLevelMemory(size_t(geometry.size), false);
    if (memory == nullptr)
        return refuse(E_OUTOFMEMORY, "no memory for a level of %llu bytes",
                      static_cast<unsigned long long>(geometry.size));
    layout_ = &layout;
    geometry_ = geometry;
    words_.reset(memory, size_t(geometry.size));
    cleared_ = false;
    return D3D_OK;
}

void LevelStore::clear() const {
    std::memset(words_.get(), 0, size_t(geometry_.size));
    cleared_ = true;
}

BYTE* LevelStore::lockedBits() const {
    if (!lockOverwrites_ || cleared_)
        return bits();
    // The caller writes every pixel; the bytes past a row's last unit are the device's to clear.
    BYTE* memory = reinterpret_cast<BYTE*>(words_.get());
    const size_t rowBytes = size_t(spanBytes(*layout_, 0, geometry_.width));
    if (rowBytes < geometry_.rowPitch) {
        for (UINT z = 0; z < geometry_.depth; ++z)
            for (UINT row = 0; row < geometry_.unitRows; ++row)
                std::memset(memory + size_t(z) * geometry_.slicePitch +
                                size_t(row) * geometry_.rowPitch + rowBytes,
                            0, geometry_.rowPitch - rowBytes);
    }
    cleared_ = true;
    return memory;
}

HRESULT LevelStore::beginLock(DWORD flags, DWORD usage, bool lockable, bool whole) {
    if ((flags & ~KnownLockFlags) != 0)
        return refuse(D3DERR_INVALIDCALL, "lock flags 0x%x hold unknown bits", flags);
    const bool overwrites = (flags & platform_ext::LockOverwritesLevel) != 0;
    if (overwrites && (!whole || (flags & D3DLOCK_READONLY)))
        return refuse(D3DERR_INVALIDCALL,
                      "a lock that overwrites the level must write and cover all of it");
    if ((flags & D3DLOCK_READONLY) && (flags & D3DLOCK_DISCARD))
        return refuse(D3DERR_INVALIDCALL, "a lock cannot be both read-only and discarding");
    if ((flags & D3DLOCK_DISCARD) && !(usage & D3DUSAGE_DYNAMIC))
        return refuse(D3DERR_INVALIDCALL, "D3DLOCK_DISCARD needs a D3DUSAGE_DYNAMIC resource");
    if (!lockable)
        return refuse(D3DERR_INVALIDCALL,
                      "a default-pool resource without D3DUSAGE_DYNAMIC cannot be locked");
    if (locked_)
        return refuse(D3DERR_INVALIDCALL, "the level is locked already");
    locked_ = true;
    lockWrites_ = (flags & D3DLOCK_READONLY) == 0;
    lockOverwrites_ = overwrites;
    if (lockWrites_)
        markChanged();
    return D3D_OK;
}

HRESULT LevelStore::endLock() {
    if (!locked_)
        return refuse(D3DERR_INVALIDCALL, "unlock of a level that is not locked");
    locked_ = false;
    lockOverwrites_ = false;
    // The caller may have written until now; converted copies must not predate this.
    if (lockWrites_)
        markChanged();
    return D3D_OK;
}

void LevelStore::Words::reset(uint32_t* memory, size_t bytes) {
    giveBackLevelMemory(memory_, bytes_);
    memory_ = memory;
    bytes_ = bytes;
}

void LevelStore::Words::swap(Words& other) {
    std::swap(memory_, other.memory_);
    std::swap(bytes_, other.bytes_);
}

void LevelStore::swapMemory(LevelStore& other) {
    words_.swap(other.words_);
    std::swap(cleared_, other.cleared_);
    markChanged();
    other.markChanged();
}

bool boxFitsLevel(const LevelStore& level, const D3DBOX& box) {
    if (box.Front > box.Back || box.Back > level.depth())
        return false;
    if (box.Right > UINT(LONG_MAX) || box.Bottom > UINT(LONG_MAX))
        return false;
    const RECT rect = {LONG(box.Left), LONG(box.Top), LONG(box.Right), LONG(box.Bottom)};
    return rectFitsLevel(level.layout(), level.width(), level.height(), rect);
}

void copyLevelRect(const LevelStore& source, const RECT& rect, LevelStore& dest, UINT x, UINT y) {
    const FormatLayout& layout = source.layout();
    const UINT rowBytes = UINT(spanBytes(layout, UINT(rect.left), UINT(rect.right)));
    const UINT unitRows = (UINT(rect.bottom) + unitHeight(layout) - 1) / unitHeight(layout) -
                          UINT(rect.top) / unitHeight(layout);
    const UINT slices = source.depth() < dest.depth() ? source.depth() : dest.depth();
    for (UINT z = 0; z < slices; ++z) {
        const BYTE* from = source.bits() + unitOffset(layout, source.geometry(), UINT(rect.left),
                                                      UINT(rect.top), z);
        BYTE* to = dest.bits() + unitOffset(layout, dest.geometry(), x, y, z);
        for (UINT row = 0; row < unitRows; ++row)
            std::memcpy(to + size_t(row) * dest.geometry().rowPitch,
                        from + size_t(row) * source.geometry().rowPitch, rowBytes);
    }
    dest.markChanged();
}

} // namespace d3d8
