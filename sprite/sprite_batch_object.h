// The sprite batch's implementation object, shared by the files that define its operations:
// sprite_batch_object.cpp (creation, references, begin and end, device loss) and
// sprite_draw.cpp (the two draws).
#pragma once

#include "sprite/device_holders.h"
#include "sprite/sprite_batch.h"

class SpriteBatchObject final : public SpriteBatch {
public:
    SpriteBatchObject() = default;

    // Keeps the device and reads what it can do. D3DERR_INVALIDCALL for a null device.
    HRESULT initialize(IDirect3DDevice8* device);

    HRESULT queryInterface(REFIID iid, void** out) override;
    ULONG addRef() override;
    ULONG release() override;
    HRESULT getDevice(IDirect3DDevice8** out) override;
    HRESULT begin() override;
    HRESULT draw(IDirect3DTexture8* texture, const RECT* sourceRect, const Vector2* scaling,
                 const Vector2* rotationCentre, float rotation, const Vector2* translation,
                 D3DCOLOR color) override;
    HRESULT drawTransform(IDirect3DTexture8* texture, const RECT* sourceRect,
                          const D3DMATRIX* transform, D3DCOLOR color) override;
    HRESULT end() override;
    HRESULT onDeviceLost() override;
    HRESULT onDeviceReset() override;

private:
    // Only the last release destroys the object.
    ~SpriteBatchObject() = default;

    HRESULT recordStateBlocks();
    void sendQuad(const RECT& source, const D3DSURFACE_DESC& level, const D3DMATRIX* transform,
                  D3DCOLOR color);

    ULONG refCount_ = 1;
    // Declared before the state blocks, so that they are deleted while the device still lives.
    ComRef<IDirect3DDevice8> device_;
    bool inBegin_ = false;
    StateBlockHolder savedStateBlock_;
    StateBlockHolder spriteStateBlock_;
    bool canAlphaBlend_ = false;
    bool usePretransformed_ = false;
};
