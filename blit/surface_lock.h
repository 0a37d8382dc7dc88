// Locks of device surfaces and volumes for the blit engine: the locked memory described as a
// BlitSurface, through a staging copy where the resource cannot be locked directly.
#pragma once

#include "blit/blit_surface.h"
#include "d3d8.h"

enum : DWORD {
    LockReadOnly = 0x1,     // the side is a source
    LockWritesAll = 0x2,    // the caller writes every pixel of the whole surface before unlock
    LockMustCopy = 0x10000  // the source is also the destination: read a private copy
};

// Holds one lock of a surface; the destructor unlocks.
class SurfaceLock {
public:
    SurfaceLock() = default;
    ~SurfaceLock() { unlock(false); }
    SurfaceLock(const SurfaceLock&) = delete;
    SurfaceLock& operator=(const SurfaceLock&) = delete;

    // Locks the rectangle (null: the whole surface) and describes it in side().
    HRESULT lock(IDirect3DSurface8* surface, const PALETTEENTRY* palette, const RECT* rect,
                 D3DCOLOR colorKey, DWORD flags);
    // Undoes the lock. A written staging copy is copied back onto the surface only when
    // `commit` is set, so a refused blit leaves the surface as it was.
    HRESULT unlock(bool commit = true);

    const BlitSurface& side() const { return side_; }

private:
    HRESULT lockStaging(const D3DSURFACE_DESC& desc, bool overwritesAll);
    void release();

    IDirect3DSurface8* surface_ = nullptr;
    IDirect3DSurface8* staging_ = nullptr;
    IDirect3DDevice8* device_ = nullptr;
    bool locked_ = false;
    bool readOnly_ = true;
    RECT lockRect_ = {};
    BlitSurface side_;
};

// The same for volumes; a default-pool volume without D3DUSAGE_DYNAMIC cannot be locked.
class VolumeLock {
public:
    VolumeLock() = default;
    ~VolumeLock() { unlock(); }
    VolumeLock(const VolumeLock&) = delete;
    VolumeLock& operator=(const VolumeLock&) = delete;

    HRESULT lock(IDirect3DVolume8* volume, const PALETTEENTRY* palette, const D3DBOX* box,
                 D3DCOLOR colorKey, DWORD flags);
    HRESULT unlock();

    const BlitSurface& side() const { return side_; }

private:
    IDirect3DVolume8* volume_ = nullptr;
    BlitSurface side_;
};

// A lock rectangle widened to what the format stores together: whole 4 x 4 blocks for the
// block-compressed formats (clipped to the surface when `clip` is set), whole pixel pairs
// for packed YUV, the rectangle itself otherwise.
RECT widenedLockRect(PixelFormat format, const RECT& rect, UINT width, UINT height, bool clip);
