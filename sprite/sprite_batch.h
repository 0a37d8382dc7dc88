// The sprite batch: textured screen-space quads drawn on a Direct3D 8 device, scaled, rotated
// about a centre and moved, with the caller's device state saved and restored around a group.
#pragma once

#include "cpu/vector_math.h"
#include "d3d8.h"

// The batch's own interface identifier; it also answers to IID_IUnknown.
inline constexpr IID IID_SpriteBatch = {
    0x5B0E8C41, 0x7D2A, 0x4F63, {0x9A, 0x1E, 0x2C, 0x6D, 0x3F, 0x8B, 0x4A, 0x17}};

// A reference-counted component object; the last release destroys it. Calling order: begin,
// any number of draws, end. A draw outside begin ... end brackets itself.
class SpriteBatch {
public:
    virtual HRESULT queryInterface(REFIID iid, void** out) = 0;
    virtual ULONG addRef() = 0;
    virtual ULONG release() = 0;

    // The batch's device with a reference added for the caller.
    virtual HRESULT getDevice(IDirect3DDevice8** out) = 0;

    // Saves the caller's value of every state the batch touches and sets the sprite state.
    // E_FAIL when already begun.
    virtual HRESULT begin() = 0;

    // Draws sourceRect of the texture (null: the whole top level) at its own size, scaled,
    // rotated by `rotation` radians (counter-clockwise on screen) about rotationCentre (in
    // scaled coordinates) and moved by translation; null scaling, centre or translation is no
    // such part. The texels are multiplied by `color`.
    virtual HRESULT draw(IDirect3DTexture8* texture, const RECT* sourceRect, const Vector2* scaling,
                         const Vector2* rotationCentre, float rotation, const Vector2* translation,
                         D3DCOLOR color) = 0;

    // The same with the quad's pixel positions transformed by a matrix (null: identity).
    virtual HRESULT drawTransform(IDirect3DTexture8* texture, const RECT* sourceRect,
                                  const D3DMATRIX* transform, D3DCOLOR color) = 0;

    // Puts back the state saved by begin. E_FAIL when not begun.
    virtual HRESULT end() = 0;

    // The device-reset protocol: the state blocks are deleted when the device is lost and
    // recorded again at the next begin.
    virtual HRESULT onDeviceLost() = 0;
    virtual HRESULT onDeviceReset() = 0;

protected:
    ~SpriteBatch() = default;
};

// Creates a batch for the device; *out holds one reference. D3DERR_INVALIDCALL for a null
// device or output, E_OUTOFMEMORY when the object cannot be allocated.
HRESULT createSpriteBatch(IDirect3DDevice8* device, SpriteBatch** out);
