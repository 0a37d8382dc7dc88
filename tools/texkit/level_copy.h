// A locked system-memory copy of one texture level, so that levels of textures in any pool
// can be read, in their own format or converted.
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

    // Copies the level, converted to `format` unless that is D3DFMT_UNKNOWN or the level's own
    // format, and locks the copy for reading.
    HRESULT make(IDirect3DTexture8* texture, UINT level, D3DFORMAT format);
    // The same for any surface of the device: a cube map's face level, a back buffer.
    HRESULT make(IDirect3DSurface8* surface, D3DFORMAT format);

    // The level's size and the copy's format.
    const D3DSURFACE_DESC& desc() const { return desc_; }
    // The start of a stored row: of pixels, of pixel pairs, or of 4 x 4 blocks.
    const uint8_t* row(UINT index) const;

private:
    ComRef<IDirect3DSurface8> copy_;
    D3DSURFACE_DESC desc_ = {};
    D3DLOCKED_RECT locked_ = {};
};
