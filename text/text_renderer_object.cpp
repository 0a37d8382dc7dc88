// The font object the caller sees: its creation from a font handle or a description, its
// component-object basics, and its operations, which hand over to the device's shared
// rasteriser.
#include "text/text_renderer.h"

#include "text/text_rasterizer.h"

#include <cstring>
#include <new>

namespace {

class TextRendererObject final : public TextRenderer {
public:
    TextRendererObject() = default;

    HRESULT initialize(IDirect3DDevice8* device, const LOGFONTA* description) {
        if (device == nullptr || description == nullptr)
            return D3DERR_INVALIDCALL;
        HRESULT hr = TextRasterizer::acquireRasterizer(device, &rasterizer_);
        if (hr < 0)
            return hr;
        font_ = CreateFontIndirectA(description);
        if (font_ == nullptr)
            return E_OUTOFMEMORY;
        device_.share(device);
        std::memcpy(&description_, description, sizeof(description_));
        return S_OK;
    }

    HRESULT queryInterface(REFIID iid, void** out) override {
        if (out == nullptr)
            return D3DERR_INVALIDCALL;
        if (iid != IID_IUnknown && iid != IID_TextRenderer)
            return E_NOINTERFACE;
        *out = static_cast<TextRenderer*>(this);
        addRef();
        return S_OK;
    }
    ULONG addRef() override { return ++refCount_; }
    ULONG release() override {
        const ULONG count = --refCount_;
        if (count == 0)
            delete this;
        return count;
    }

    HRESULT getDevice(IDirect3DDevice8** out) override {
        if (out == nullptr)
            return D3DERR_INVALIDCALL;
        device_->AddRef();
        *out = device_.get();
        return S_OK;
    }
    HRESULT getFontDescription(LOGFONTA* out) override {
        if (out == nullptr)
            return D3DERR_INVALIDCALL;
        std::memcpy(out, &description_, sizeof(description_));
        return S_OK;
    }

    HRESULT begin() override { return rasterizer_->begin(); }
    INT drawText(LPCSTR text, INT count, RECT* rect, DWORD format, D3DCOLOR color) override {
        return rasterizer_->draw(font_, {text, count, false}, rect, format, color);
    }
    INT drawTextWide(LPCWSTR text, INT count, RECT* rect, DWORD format, D3DCOLOR color) override {
        return rasterizer_->draw(font_, {text, count, true}, rect, format, color);
    }
    HRESULT end() override { return rasterizer_->end(); }
    HRESULT onDeviceLost() override { return rasterizer_->releaseTiles(); }
    HRESULT onDeviceReset() override { return rasterizer_->createTiles(); }

private:
    // The font must leave the shared DC before it is deleted.
    ~TextRendererObject() {
        if (rasterizer_ != nullptr) {
            rasterizer_->restoreFont();
            rasterizer_->release();
        }
        if (font_ != nullptr)
            DeleteObject(font_);
    }

    ULONG refCount_ = 1;
    HFONT font_ = nullptr;
    LOGFONTA description_ = {};
    TextRasterizer* rasterizer_ = nullptr;
    ComRef<IDirect3DDevice8> device_;
};

} // namespace

HRESULT createTextRendererFromFont(IDirect3DDevice8* device, HFONT font, TextRenderer** out) {
    LOGFONTA description;
    if (GetObjectA(font, sizeof(description), &description) == 0)
        return D3DERR_INVALIDCALL;
    return createTextRenderer(device, &description, out);
}

HRESULT createTextRenderer(IDirect3DDevice8* device, const LOGFONTA* description,
                           TextRenderer** out) {
    if (device == nullptr || description == nullptr || out == nullptr)
        return D3DERR_INVALIDCALL;
    TextRendererObject* renderer = new (std::nothrow) TextRendererObject();
    if (renderer == nullptr)
        return E_OUTOFMEMORY;
    const HRESULT hr = renderer->initialize(device, description);
    if (hr < 0) {
        renderer->release();
        return hr;
    }
    *out = renderer;
    return S_OK;
}
