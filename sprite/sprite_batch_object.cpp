// The sprite batch's creation, its component-object basics, begin and end with the two state
// blocks, and the device-reset protocol.
#include "sprite/sprite_batch_object.h"

#include "sprite/sprite_device_state.h"

#include <new>

HRESULT createSpriteBatch(IDirect3DDevice8* device, SpriteBatch** out) {
    if (device == nullptr || out == nullptr)
        return D3DERR_INVALIDCALL;
    SpriteBatchObject* batch = new (std::nothrow) SpriteBatchObject();
    if (batch == nullptr)
        return E_OUTOFMEMORY;
    const HRESULT hr = batch->initialize(device);
    if (hr < 0) {
        batch->release();
        return hr;
    }
    *out = batch;
    return S_OK;
}

HRESULT SpriteBatchObject::initialize(IDirect3DDevice8* device) {
    if (device == nullptr)
        return D3DERR_INVALIDCALL;
    device_.share(device);
    D3DCAPS8 caps = {};
    device->GetDeviceCaps(&caps);
    D3DDEVICE_CREATION_PARAMETERS creation = {};
    device->GetCreationParameters(&creation);
    usePretransformed_ = (caps.PrimitiveMiscCaps & D3DPMISCCAPS_CLIPTLVERTS) != 0 ||
                         (creation.BehaviorFlags & D3DCREATE_PUREDEVICE) != 0;
    canAlphaBlend_ = (caps.SrcBlendCaps & D3DPBLENDCAPS_SRCALPHA) != 0 &&
                     (caps.DestBlendCaps & D3DPBLENDCAPS_INVSRCALPHA) != 0;
    return S_OK;
}

HRESULT SpriteBatchObject::queryInterface(REFIID iid, void** out) {
    if (out == nullptr)
        return D3DERR_INVALIDCALL;
    if (iid != IID_IUnknown && iid != IID_SpriteBatch)
        return E_NOINTERFACE;
    *out = static_cast<SpriteBatch*>(this);
    addRef();
    return S_OK;
}

ULONG SpriteBatchObject::addRef() {
    return ++refCount_;
}

ULONG SpriteBatchObject::release() {
    const ULONG count = --refCount_;
    if (count == 0)
        delete this;
    return count;
}

HRESULT SpriteBatchObject::getDevice(IDirect3DDevice8** out) {
    if (out == nullptr)
        return D3DERR_INVALIDCALL;
    device_->AddRef();
    *out = device_.get();
    return S_OK;
}

// Pass 0 covers every state pass 1 sets, plus the texture, stream and world matrix that the
// draws change, so capturing it saves all the caller could lose.
HRESULT SpriteBatchObject::recordStateBlocks() {
    HRESULT hr = recordSpriteStateBlock(device_.get(), SpriteStatePass::Saved, usePretransformed_,
                                        canAlphaBlend_, &savedStateBlock_);
    if (hr >= 0)
        hr = recordSpriteStateBlock(device_.get(), SpriteStatePass::Sprite, usePretransformed_,
                                    canAlphaBlend_, &spriteStateBlock_);
    if (hr < 0) {
        spriteStateBlock_.reset();
        savedStateBlock_.reset();
    }
    return hr;
}

HRESULT SpriteBatchObject::begin() {
    if (inBegin_)
        return E_FAIL;
    IDirect3DDevice8* device = device_.get();
    if (!savedStateBlock_) {
        const HRESULT hr = recordStateBlocks();
        if (hr < 0)
            return hr;
    }
    const HRESULT hr = device->CaptureStateBlock(savedStateBlock_.token());
    if (hr < 0)
        return hr;
    device->ApplyStateBlock(spriteStateBlock_.token());
    if (!usePretransformed_) {
        D3DVIEWPORT8 viewport = {};
        device->GetViewport(&viewport);
        const D3DMATRIX world = pixelToClipMatrix(viewport);
        device->SetTransform(D3DTS_WORLD, &world);
    }
    inBegin_ = true;
    return S_OK;
}

HRESULT SpriteBatchObject::end() {
    if (!inBegin_)
        return E_FAIL;
    device_->ApplyStateBlock(savedStateBlock_.token());
    inBegin_ = false;
    return S_OK;
}

HRESULT SpriteBatchObject::onDeviceLost() {
    spriteStateBlock_.reset();
    savedStateBlock_.reset();
    return S_OK;
}

HRESULT SpriteBatchObject::onDeviceReset() {
    return S_OK;
}
