// Drawing a string through the shared rasteriser: GDI measures it, the area is fitted to and
// placed in the caller's rectangle, rendered white on black into the DIB, and its grey levels
// become the alpha of white texels, uploaded and drawn tile by tile.
#include "text/text_rasterizer.h"

#include "blit/surface_load.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>

namespace {

int drawTextIn(HDC dc, const TextArgument& text, RECT* rect, UINT format) {
    if (text.wide)
        return DrawTextW(dc, static_cast<LPCWSTR>(text.chars), text.count, rect, format);
    return DrawTextA(dc, static_cast<LPCSTR>(text.chars), text.count, rect, format);
}

LONG clampToLong(int64_t value) {
    return LONG(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// Where the fitted area goes in the caller's rectangle, on one axis: at the far edge, centred
// (halved towards minus infinity) or at the near edge.
int64_t placeOnAxis(LONG nearEdge, LONG farEdge, UINT extent, bool atFar, bool centred) {
    if (atFar)
        return int64_t(farEdge) - extent;
    if (centred)
        return (int64_t(nearEdge) - extent + farEdge) >> 1;
    return nearEdge;
}

// The DIB grows by half of itself per step, never shrinks, and stays within a LONG.
bool grownExtent(LONG current, UINT needed, LONG* grown) {
    int64_t extent = current;
    while (extent < int64_t(needed))
        extent += extent / 2;
    if (extent > INT32_MAX)
        return false;
    *grown = LONG(extent);
    return true;
}

// White texels whose alpha is the rendered grey level (the blue byte; GDI drew grey).
inline uint32_t alphaOfGrey(uint32_t pixel) {
    return (pixel << 24) | 0x00FFFFFFu;
}

// Holds one lock of a tile surface; the destructor unlocks.
class TileLock {
public:
    TileLock(IDirect3DSurface8* surface, const RECT* rect, DWORD flags) : surface_(surface) {
        locked_ = surface->LockRect(&rect_, rect, flags) >= 0;
    }
    ~TileLock() {
        if (locked_)
            surface_->UnlockRect();
    }
    TileLock(const TileLock&) = delete;
    TileLock& operator=(const TileLock&) = delete;

    bool locked() const { return locked_; }
    const D3DLOCKED_RECT& rect() const { return rect_; }

private:
    IDirect3DSurface8* surface_;
    D3DLOCKED_RECT rect_ = {};
    bool locked_ = false;
};

} // namespace

INT TextRasterizer::draw(HFONT font, const TextArgument& argument, RECT* rect, DWORD format,
                         D3DCOLOR color) {
    if (argument.chars == nullptr || rect == nullptr)
        return 0;
    UINT width = UINT(int64_t(rect->right) - rect->left);
    UINT height = UINT(int64_t(rect->bottom) - rect->top);

    // Windows 9x draws only narrow text: convert wide text to the ANSI code page there.
    TextArgument text = argument;
    std::unique_ptr<char[]> narrow;
    if (text.wide) {
        OSVERSIONINFOA version = {};
        version.dwOSVersionInfoSize = sizeof(version);
        if (GetVersionExA(&version) && version.dwPlatformId != VER_PLATFORM_WIN32_NT) {
            const LPCWSTR wide = static_cast<LPCWSTR>(text.chars);
            const int n =
                WideCharToMultiByte(CP_ACP, 0, wide, text.count, nullptr, 0, nullptr, nullptr);
            narrow.reset(new (std::nothrow) char[size_t(std::max(n, 1))]);
            if (narrow == nullptr)
                return 0;
            WideCharToMultiByte(CP_ACP, 0, wide, text.count, narrow.get(), n, nullptr, nullptr);
            // A zero-terminated conversion counts its terminator; keep it out of the text.
            text = {narrow.get(), text.count < 0 ? -1 : n, false};
        }
    }

    HGDIOBJ replaced = SelectObject(dc_, font);
    if (initialFont_ == nullptr)
        initialFont_ = replaced;

    RECT measured = {0, 0, LONG(width), LONG(height)};
    INT result = drawTextIn(dc_, text, &measured, format | DT_CALCRECT);
    UINT textWidth = UINT(int64_t(measured.right) - measured.left);
    UINT textHeight = UINT(int64_t(measured.bottom) - measured.top);

    // Cut the area to the rectangle unless DT_NOCLIP; with DT_CALCRECT report it uncut.
    if (!(format & DT_CALCRECT)) {
        if ((format & DT_NOCLIP) || textWidth < width)
            width = textWidth;
        else
            textWidth = width;
        if ((format & DT_NOCLIP) || textHeight < height)
            height = textHeight;
        else
            textHeight = height;
    }

    const int64_t left =
        placeOnAxis(rect->left, rect->right, textWidth, format & DT_RIGHT, format & DT_CENTER);
    const int64_t top =
        placeOnAxis(rect->top, rect->bottom, textHeight, format & DT_BOTTOM, format & DT_VCENTER);
    if (format & DT_CALCRECT) {
        *rect = {clampToLong(left), clampToLong(top), clampToLong(left + textWidth),
                 clampToLong(top + textHeight)};
        return result;
    }

    if ((width > UINT(header_.biWidth) || height > UINT(header_.biHeight)) &&
        !growDib(width, height))
        return 0;

    // Only the area the text occupies is cleared, rendered and uploaded.
    const size_t pitch = size_t(header_.biWidth) * 4;
    for (UINT y = 0; y < height; ++y)
        std::memset(bits_ + y * pitch, 0, size_t(width) * 4);
    RECT area = {0, 0, LONG(width), LONG(height)};
    result = drawTextIn(dc_, text, &area, format);
    GdiFlush();
    if (tileFormat_ != D3DFMT_A8R8G8B8)
        for (UINT y = 0; y < height; ++y) {
            uint32_t* row = reinterpret_cast<uint32_t*>(bits_ + y * pitch);
            for (UINT x = 0; x < width; ++x)
                row[x] = alphaOfGrey(row[x]);
        }

    const bool ownBegin = !inBegin_;
    if (ownBegin)
        begin();
    uploadAndDrawTiles(clampToLong(left), clampToLong(top), width, height, color);
    if (ownBegin)
        end();
    return result;
}

bool TextRasterizer::growDib(UINT width, UINT height) {
    BITMAPINFO info = {};
    info.bmiHeader = header_;
    if (!grownExtent(header_.biWidth, width, &info.bmiHeader.biWidth) ||
        !grownExtent(header_.biHeight, height, &info.bmiHeader.biHeight))
        return false;
    const LONG grownHeight = info.bmiHeader.biHeight;
    info.bmiHeader.biHeight = -grownHeight; // top-down
    void* bits = nullptr;
    HBITMAP grown = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (grown == nullptr)
        return false;
    SelectObject(dc_, grown);
    DeleteObject(dib_);
    dib_ = grown;
    bits_ = static_cast<uint8_t*>(bits);
    header_.biWidth = info.bmiHeader.biWidth;
    header_.biHeight = grownHeight;
    return true;
}

// Row by row, tiles of the tile size; the last of a row and the last row may be smaller.
// A failed upload or draw ends the loop; the tiles drawn so far stay drawn.
void TextRasterizer::uploadAndDrawTiles(LONG left, LONG top, UINT width, UINT height,
                                        D3DCOLOR color) {
    for (UINT y = 0; y < height; y += tileHeight_)
        for (UINT x = 0; x < width; x += tileWidth_) {
            const RECT tile = {LONG(x), LONG(y), LONG(std::min(x + tileWidth_, width)),
                               LONG(std::min(y + tileHeight_, height))};
            if (!uploadTile(tile))
                return;
            const RECT destination = {0, 0, tile.right - tile.left, tile.bottom - tile.top};
            const Vector2 at = {float(int64_t(left) + x), float(int64_t(top) + y)};
            if (spriteBatch_->draw(textures_[current_].get(), &destination, nullptr, nullptr, 0.0f,
                                   &at, color) < 0)
                return;
            // Managed tiles are used in turn, so a texture is rewritten only after the others.
            if (!dynamic_)
                current_ = (current_ + 1) % TileTextureCount;
        }
}

// Copies the tile of the DIB into the top-left corner of the current tile texture.
bool TextRasterizer::uploadTile(const RECT& tile) {
    IDirect3DSurface8* surface = surfaces_[current_].get();
    if (surface == nullptr)
        return false;
    const UINT cw = UINT(tile.right - tile.left);
    const UINT ch = UINT(tile.bottom - tile.top);
    const RECT destination = {0, 0, LONG(cw), LONG(ch)};
    const size_t sourcePitch = size_t(header_.biWidth) * 4;
    if (tileFormat_ != D3DFMT_A8R8G8B8)
        return loadSurfaceFromMemory(surface, nullptr, &destination, bits_, bitsFormat_,
                                     UINT(sourcePitch), nullptr, &tile, FilterPoint, 0) >= 0;

    const TileLock lock(surface, dynamic_ ? nullptr : &destination,
                        dynamic_ ? D3DLOCK_DISCARD | D3DLOCK_NOSYSLOCK : D3DLOCK_NOSYSLOCK);
    if (!lock.locked())
        return false;
    const uint8_t* source = bits_ + size_t(tile.top) * sourcePitch + size_t(tile.left) * 4;
    uint8_t* target = static_cast<uint8_t*>(lock.rect().pBits);
    for (UINT y = 0; y < ch; ++y) {
        const uint32_t* from = reinterpret_cast<const uint32_t*>(source + y * sourcePitch);
        uint32_t* to = reinterpret_cast<uint32_t*>(target + size_t(y) * lock.rect().Pitch);
        for (UINT x = 0; x < cw; ++x)
            to[x] = alphaOfGrey(from[x]);
    }
    return true;
}
