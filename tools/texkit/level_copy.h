// One texture level locked for reading, in its own format or converted: the level itself where
// the program may lock it, else a system-memory copy, so that levels of any pool can be read.
#pragma once

#include "blit/com_ref.h"
#include "d3d8.h"

#include <cstdint>

class LevelCopy {
public:
    LevelCopy() = default;
    ~LevelCopy();
    LevelCopy(const LevelCopy&) = delete;
    LevelCopy& operator=(const LevelCopy&) = delete;

    // Locks the level for reading, converted to `format` unless that is D3DFMT_UNKNOWN or the
    // level's own format (a converted level or one of the default pool is copied first).
    HRESULT make(IDirect3DTexture8* texture, UINT level, D3DFORMAT format);
    // The same for any surface of the device: a cube map's face level, a back buffer.
    HRESULT make(IDirect3DSurface8* surface, D3DFORMAT format);

    // The level's size and the format read.
    const D3DSURFACE_DESC& desc() const { return desc_; }
    // The start of a stored row: of pixels, of pixel pairs, or of 4 x 4 blocks.
    const uint8_t* row(UINT index) const;

private:
    HRESULT lockReadable();

    ComRef<IDirect3DSurface8> readable_; // the level itself, or its copy
    D3DSURFACE_DESC desc_ = {};
    D3DLOCKED_RECT locked_ = {};
};
