// The shared rasteriser's life: the process-wide list that finds a device's rasteriser, its
// construction (tiles, sprite batch, memory DC and DIB), the device-reset handlers, begin and
// end around a group of draws, and its destruction.
#include "text/text_rasterizer.h"

#include "texture/texture_loader.h"

#include <new>

namespace {

// One rasteriser per device; the toolkit runs on one thread, so the list is not locked.
TextRasterizer* rasterizerList = nullptr;

constexpr LONG InitialDibSize = 256;

// Records a block holding only the depth test, off.
HRESULT recordDepthOffBlock(IDirect3DDevice8* device, StateBlockHolder* block) {
    block->reset();
    const HRESULT hr = device->BeginStateBlock();
    if (hr < 0)
        return hr;
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    return block->endRecording(device);
}

} // namespace

TextRasterizer* TextRasterizer::findRasterizer(IDirect3DDevice8* device) {
    for (TextRasterizer* entry = rasterizerList; entry != nullptr; entry = entry->next_)
        if (entry->device_.get() == device)
            return entry;
    return nullptr;
}

HRESULT TextRasterizer::acquireRasterizer(IDirect3DDevice8* device, TextRasterizer** out) {
    if (TextRasterizer* existing = findRasterizer(device)) {
        ++existing->refCount_;
        *out = existing;
        return S_OK;
    }
    TextRasterizer* created = new (std::nothrow) TextRasterizer();
    if (created == nullptr)
        return E_OUTOFMEMORY;
    const HRESULT hr = created->initialize(device);
    if (hr < 0) {
        created->release();
        return hr;
    }
    *out = created;
    return S_OK;
}

HRESULT TextRasterizer::initialize(IDirect3DDevice8* device) {
    // At the head first, so that destroying a half-built rasteriser unlinks it.
    next_ = rasterizerList;
    rasterizerList = this;

    device_.share(device);
    D3DCAPS8 caps = {};
    device->GetDeviceCaps(&caps);
    dynamic_ = (caps.Caps2 & D3DCAPS2_DYNAMICTEXTURES) != 0;

    tileWidth_ = 64;
    tileHeight_ = 16;
    tileFormat_ = D3DFMT_A8R8G8B8;
    HRESULT hr = createTiles();
    if (hr < 0)
        return hr;
    hr = createSpriteBatch(device, spriteBatch_.out());
    if (hr < 0)
        return hr;

    header_.biSize = sizeof(BITMAPINFOHEADER);
    header_.biWidth = InitialDibSize;
    header_.biHeight = InitialDibSize;
    header_.biPlanes = 1;
    header_.biBitCount = 32;
    header_.biCompression = BI_RGB;
    bitsFormat_ = D3DFMT_A8R8G8B8;

    dc_ = CreateCompatibleDC(nullptr);
    if (dc_ == nullptr)
        return E_OUTOFMEMORY;
    BITMAPINFO info = {};
    info.bmiHeader = header_;
    info.bmiHeader.biHeight = -header_.biHeight; // top-down
    void* bits = nullptr;
    dib_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dib_ == nullptr)
        return E_OUTOFMEMORY;
    bits_ = static_cast<uint8_t*>(bits);
    SetBkMode(dc_, OPAQUE);
    SetBkColor(dc_, 0x000000);
    SetTextColor(dc_, 0xFFFFFF);
    initialBitmap_ = SelectObject(dc_, dib_);
    return S_OK;
}

TextRasterizer::~TextRasterizer() {
    savedState_.reset();
    textState_.reset();
    for (UINT i = 0; i < TileTextureCount; ++i) {
        surfaces_[i].reset();
        textures_[i].reset();
    }
    spriteBatch_.reset();
    device_.reset();
    if (dc_ != nullptr) {
        if (initialFont_ != nullptr)
            SelectObject(dc_, initialFont_);
        if (initialBitmap_ != nullptr)
            SelectObject(dc_, initialBitmap_);
    }
    if (dib_ != nullptr)
        DeleteObject(dib_);
    if (dc_ != nullptr)
        DeleteDC(dc_);
    for (TextRasterizer** link = &rasterizerList; *link != nullptr; link = &(*link)->next_)
        if (*link == this) {
            *link = next_;
            break;
        }
}

void TextRasterizer::release() {
    if (--refCount_ == 0)
        delete this;
}

HRESULT TextRasterizer::createTiles() {
    if (textures_[0])
        return S_OK;
    const DWORD usage = dynamic_ ? D3DUSAGE_DYNAMIC : 0;
    const D3DPOOL pool = dynamic_ ? D3DPOOL_DEFAULT : D3DPOOL_MANAGED;
    const UINT count = dynamic_ ? 1 : TileTextureCount;
    HRESULT hr = checkRequirements(device_.get(), &tileWidth_, &tileHeight_, nullptr, usage,
                                   &tileFormat_, pool);
    if (hr < 0)
        return hr;
    for (UINT i = 0; i < count; ++i) {
        hr = createTexture(device_.get(), tileWidth_, tileHeight_, 1, usage, tileFormat_, pool,
                           textures_[i].out());
        if (hr < 0)
            return hr;
        hr = textures_[i]->GetSurfaceLevel(0, surfaces_[i].out());
        if (hr < 0)
            return hr;
    }
    return S_OK;
}

HRESULT TextRasterizer::releaseTiles() {
    savedState_.reset();
    textState_.reset();
    spriteBatch_->onDeviceLost();
    if (dynamic_)
        for (UINT i = 0; i < TileTextureCount; ++i) {
            surfaces_[i].reset();
            textures_[i].reset();
        }
    return S_OK;
}

HRESULT TextRasterizer::restoreFont() {
    if (dc_ != nullptr && initialFont_ != nullptr) {
        SelectObject(dc_, initialFont_);
        initialFont_ = nullptr;
    }
    return S_OK;
}

HRESULT TextRasterizer::begin() {
    if (inBegin_)
        return D3DERR_INVALIDCALL;
    IDirect3DDevice8* device = device_.get();
    if (!savedState_ || !textState_) {
        HRESULT hr = recordDepthOffBlock(device, &savedState_);
        if (hr >= 0)
            hr = recordDepthOffBlock(device, &textState_);
        if (hr < 0) {
            savedState_.reset();
            textState_.reset();
            return hr;
        }
    }
    const HRESULT hr = spriteBatch_->begin();
    if (hr < 0)
        return hr;
    device->CaptureStateBlock(savedState_.token());
    device->ApplyStateBlock(textState_.token());
    inBegin_ = true;
    return S_OK;
}

HRESULT TextRasterizer::end() {
    if (!inBegin_)
        return D3DERR_INVALIDCALL;
    device_->ApplyStateBlock(savedState_.token());
    spriteBatch_->end();
    inBegin_ = false;
    return S_OK;
}
