// The device state the sprite batch draws with: the two state blocks it records and the world
// matrix that takes pixel positions to clip space.
#pragma once

#include "sprite/device_holders.h"

#include "d3d8.h"

enum class SpriteStatePass {
    Saved, // every state the batch touches, the stage-0 texture, stream 0 and the world matrix
    Sprite // the values the batch draws with
};

// Records one pass into `block`; on failure `block` holds nothing and the code is returned.
HRESULT recordSpriteStateBlock(IDirect3DDevice8* device, SpriteStatePass pass,
                               bool usePretransformed, bool canAlphaBlend, StateBlockHolder* block);

// The world matrix for untransformed sprite vertices: viewport pixel (x, y) goes to clip
// (2(x - 0.5)/W - 1, 1 - 2(y - 0.5)/H), every z to 0.
D3DMATRIX pixelToClipMatrix(const D3DVIEWPORT8& viewport);
