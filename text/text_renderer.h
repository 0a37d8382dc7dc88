// The text renderer: text in a GDI font drawn on a Direct3D 8 device through small tile
// textures, in any colour, aligned and cut to a rectangle.
#pragma once

#include "d3d8.h"
#include "windows.h"

// The renderer's own interface identifier; it also answers to IID_IUnknown.
inline constexpr IID IID_TextRenderer = {
    0xC3A7E912, 0x4B5D, 0x4E86, {0xB0, 0xF4, 0x91, 0xD2, 0xA6, 0xE5, 0x8C, 0x3B}};

// A reference-counted font object; the last release destroys it. All renderers of one device
// share one rasteriser, so begin, end, onDeviceLost and onDeviceReset act on all of them.
class TextRenderer {
public:
    virtual HRESULT queryInterface(REFIID iid, void** out) = 0;
    virtual ULONG addRef() = 0;
    virtual ULONG release() = 0;

    // The device with a reference added for the caller.
    virtual HRESULT getDevice(IDirect3DDevice8** out) = 0;
    // The 60-byte description the font was made from.
    virtual HRESULT getFontDescription(LOGFONTA* out) = 0;

    // Turns the depth test off and begins the rasteriser's sprite batch for a group of draws;
    // a draw outside begin ... end brackets itself. D3DERR_INVALIDCALL when out of order.
    virtual HRESULT begin() = 0;

    // Draws `count` characters (-1: up to the terminating zero) placed in `rect` by the GDI
    // DrawText format flags, white texels tinted by `color`. With DT_CALCRECT nothing is drawn
    // and `rect` receives the placed extent. Returns the height GDI reports, 0 on failure.
    virtual INT drawText(LPCSTR text, INT count, RECT* rect, DWORD format, D3DCOLOR color) = 0;
    virtual INT drawTextWide(LPCWSTR text, INT count, RECT* rect, DWORD format, D3DCOLOR color) = 0;

    virtual HRESULT end() = 0;

    // The device-reset protocol: default-pool tiles and state blocks go when the device is lost
    // and come back at the reset and the next begin.
    virtual HRESULT onDeviceLost() = 0;
    virtual HRESULT onDeviceReset() = 0;

protected:
    ~TextRenderer() = default;
};

// A renderer for an existing GDI font, whose description is read with GetObjectA.
// D3DERR_INVALIDCALL when the font cannot be described.
HRESULT createTextRendererFromFont(IDirect3DDevice8* device, HFONT font, TextRenderer** out);

// A renderer for a font description; *out holds one reference. D3DERR_INVALIDCALL for null
// arguments; E_OUTOFMEMORY when an object, the font, the DC or the DIB cannot be made; the
// device's code when the tiles cannot be made.
HRESULT createTextRenderer(IDirect3DDevice8* device, const LOGFONTA* description,
                           TextRenderer** out);
