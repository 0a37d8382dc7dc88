// The rasteriser shared by every text renderer of one device: a memory DC with a growing DIB
// section that GDI renders into, the tile textures the rendered text is uploaded into, and
// the sprite batch that draws them.
#pragma once

#include "sprite/device_holders.h"
#include "sprite/sprite_batch.h"

#include "d3d8.h"
#include "windows.h"

#include <cstdint>

// Narrow or wide text as the caller gave it.
struct TextArgument {
    const void* chars;
    INT count; // -1: up to the terminating zero
    bool wide;
};

class TextRasterizer {
public:
    static constexpr UINT TileTextureCount = 8;

    // The device's rasteriser with a reference added, made on first use.
    static HRESULT acquireRasterizer(IDirect3DDevice8* device, TextRasterizer** out);
    // The device's rasteriser without a reference added, or null when it has none.
    static TextRasterizer* findRasterizer(IDirect3DDevice8* device);

    // Gives up one reference; the last one destroys the rasteriser.
    void release();

    // The tile textures, made when missing (the device-reset handler).
    HRESULT createTiles();
    // Frees the state blocks and, with dynamic textures, the default-pool tiles (the
    // device-lost handler).
    HRESULT releaseTiles();
    // Puts the DC's initial font back, so that a font about to be deleted is not selected.
    HRESULT restoreFont();

    HRESULT begin();
    HRESULT end();
    // Renders the text with `font` and draws it; returns GDI's text height, 0 on failure.
    INT draw(HFONT font, const TextArgument& text, RECT* rect, DWORD format, D3DCOLOR color);

    // What the rasteriser holds, for inspection.
    UINT dibWidth() const { return UINT(header_.biWidth); }
    UINT dibHeight() const { return UINT(header_.biHeight); }
    HBITMAP dib() const { return dib_; }
    UINT tileWidth() const { return tileWidth_; }
    UINT tileHeight() const { return tileHeight_; }
    D3DFORMAT tileFormat() const { return tileFormat_; }
    bool dynamic() const { return dynamic_; }
    IDirect3DTexture8* tileTexture(UINT index) const { return textures_[index].get(); }
    UINT currentTile() const { return current_; }

private:
    TextRasterizer() = default;
    ~TextRasterizer();
    TextRasterizer(const TextRasterizer&) = delete;
    TextRasterizer& operator=(const TextRasterizer&) = delete;

    HRESULT initialize(IDirect3DDevice8* device);
    bool growDib(UINT width, UINT height);
    void uploadAndDrawTiles(LONG left, LONG top, UINT width, UINT height, D3DCOLOR color);
    bool uploadTile(const RECT& tile);

    ULONG refCount_ = 1;
    ComRef<IDirect3DDevice8> device_;
    UINT current_ = 0;
    ComRef<SpriteBatch> spriteBatch_;
    ComRef<IDirect3DTexture8> textures_[TileTextureCount];
    ComRef<IDirect3DSurface8> surfaces_[TileTextureCount];
    bool dynamic_ = false;
    D3DFORMAT tileFormat_ = D3DFMT_UNKNOWN;
    UINT tileWidth_ = 0;
    UINT tileHeight_ = 0;
    bool inBegin_ = false;
    StateBlockHolder savedState_;
    StateBlockHolder textState_;
    HDC dc_ = nullptr;
    BITMAPINFOHEADER header_ = {};
    HBITMAP dib_ = nullptr;
    HGDIOBJ initialBitmap_ = nullptr;
    uint8_t* bits_ = nullptr;
    D3DFORMAT bitsFormat_ = D3DFMT_UNKNOWN;
    HGDIOBJ initialFont_ = nullptr;
    TextRasterizer* next_ = nullptr;
};
