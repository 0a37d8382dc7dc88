// GDI objects: stock objects, fonts and DIB sections, their descriptions and deletion.
//
// Implements: GetStockObject for SYSTEM_FONT (a bold sans face with a 16-pixel cell),
// DEVICE_DEFAULT_FONT (the same), SYSTEM_FIXED_FONT and DEFAULT_GUI_FONT; CreateFontIndirectA;
// GetObjectA on a font (its LOGFONTA, or the size needed with no buffer); DeleteObject (stock
// objects stay, objects selected into a DC are refused); CreateDIBSection for 32-bit BI_RGB
// bitmaps, top-down for a negative height, zero-filled, the address of the pixels returned.
// Does not: brushes, pens, palettes and regions (GetStockObject answers null for them), other
// bit depths and compressions, file-mapping sections, rotated, underlined or struck-out fonts
// (refused with ERROR_NOT_SUPPORTED), GetObjectA on bitmaps.
#include "win32/gdi_objects.h"

#include "win32/handle_table.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>

namespace {

using win32::BitmapObject;
using win32::FontObject;
using win32::GdiObject;

constexpr LONG LargestFontHeight = 2048;
constexpr uint64_t LargestDibBytes = uint64_t(1) << 30;

struct StockFontRow {
    int stockObject;
    LOGFONTA description;
};

const StockFontRow StockFontTable[] = {
    {SYSTEM_FONT,
     {16, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
      DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, "System"}},
    {DEVICE_DEFAULT_FONT,
     {16, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
      DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, "System"}},
    {SYSTEM_FIXED_FONT,
     {16, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
      DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, ""}},
    {DEFAULT_GUI_FONT,
     {-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
      DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, ""}},
};

struct GdiTables {
    win32::HandleTable<GdiObject> objects{0x5};
    std::map<int, HGDIOBJ> stock; // stock object number -> handle
    HGDIOBJ defaultBitmap = nullptr;
};

GdiTables& tables() {
    static GdiTables instance;
    return instance;
}

template <typename Result> Result failWith(DWORD error, Result result) {
    SetLastError(error);
    return result;
}

std::unique_ptr<FontObject> fontFrom(const LOGFONTA& description, bool stock) {
    std::unique_ptr<FontObject> font(new (std::nothrow) FontObject);
    if (font) {
        font->description = description;
        font->stock = stock;
    }
    return font;
}

HGDIOBJ stockFont(int stockObject) {
    GdiTables& all = tables();
    const auto known = all.stock.find(stockObject);
    if (known != all.stock.end())
        return known->second;
    for (const StockFontRow& row : StockFontTable) {
        if (row.stockObject != stockObject)
            continue;
        // The map's entry first: a stock object in the handle table must be found again, and
        // a failed allocation must not escape as std::bad_alloc.
        std::map<int, HGDIOBJ>::iterator slot;
        try {
            slot = all.stock.emplace(stockObject, nullptr).first;
        } catch (const std::bad_alloc&) {
            return failWith(ERROR_NOT_ENOUGH_MEMORY, HGDIOBJ(nullptr));
        }
        const HGDIOBJ handle = win32::insertGdiObject(fontFrom(row.description, true));
        if (handle == nullptr)
            all.stock.erase(slot);
        else
            slot->second = handle;
        return handle;
    }
    return failWith(ERROR_INVALID_PARAMETER, HGDIOBJ(nullptr));
}

} // namespace

namespace win32 {

FontFace* FontObject::face() {
    if (!resolved_) {
        face_ = faceFor(description);
        resolved_ = true;
    }
    return face_.get();
}

GdiObject* findGdiObject(HGDIOBJ handle) {
    return tables().objects.find(handle);
}

HGDIOBJ insertGdiObject(std::unique_ptr<GdiObject> object) {
    if (!object)
        return failWith(ERROR_NOT_ENOUGH_MEMORY, HGDIOBJ(nullptr));
    const uintptr_t handle = tables().objects.insert(std::move(object));
    if (handle == 0)
        return failWith(ERROR_NOT_ENOUGH_MEMORY, HGDIOBJ(nullptr));
    return reinterpret_cast<HGDIOBJ>(handle);
}

HGDIOBJ systemFont() {
    return stockFont(SYSTEM_FONT);
}

HGDIOBJ defaultBitmap() {
    GdiTables& all = tables();
    if (all.defaultBitmap == nullptr) {
        std::unique_ptr<BitmapObject> bitmap(new (std::nothrow) BitmapObject);
        if (bitmap) {
            bitmap->width = bitmap->height = 1;
            bitmap->stock = true;
        }
        all.defaultBitmap = insertGdiObject(std::move(bitmap));
    }
    return all.defaultBitmap;
}

} // namespace win32

HGDIOBJ GetStockObject(int i) {
    return stockFont(i);
}

HFONT CreateFontIndirectA(const LOGFONTA* lplf) {
    if (lplf == nullptr || std::labs(lplf->lfHeight) > LargestFontHeight ||
        std::labs(lplf->lfWidth) > LargestFontHeight)
        return failWith(ERROR_INVALID_PARAMETER, HFONT(nullptr));
    if (lplf->lfEscapement != 0 || lplf->lfOrientation != 0 || lplf->lfUnderline ||
        lplf->lfStrikeOut)
        return failWith(ERROR_NOT_SUPPORTED, HFONT(nullptr));
    LOGFONTA description = *lplf;
    // A negative width means its size, as on Windows.
    description.lfWidth = std::abs(description.lfWidth);
    return static_cast<HFONT>(win32::insertGdiObject(fontFrom(description, false)));
}

int GetObjectA(HANDLE h, int c, LPVOID pv) {
    GdiObject* object = win32::findGdiObject(h);
    if (object == nullptr)
        return failWith(ERROR_INVALID_HANDLE, 0);
    if (object->kind != win32::GdiKind::Font)
        return failWith(ERROR_NOT_SUPPORTED, 0);
    const auto* font = static_cast<const FontObject*>(object);
    if (pv == nullptr)
        return int(sizeof(LOGFONTA));
    if (c <= 0)
        return failWith(ERROR_INVALID_PARAMETER, 0);
    const size_t copied = std::min(size_t(c), sizeof(LOGFONTA));
    std::memcpy(pv, &font->description, copied);
    return int(copied);
}

BOOL DeleteObject(HGDIOBJ ho) {
    GdiObject* object = win32::findGdiObject(ho);
    if (object == nullptr)
        return failWith(ERROR_INVALID_HANDLE, FALSE);
    if (object->stock)
        return TRUE;
    if (win32::isSelected(ho))
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    tables().objects.remove(ho);
    return TRUE;
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* pbmi, UINT usage, void** ppvBits, HANDLE hSection,
                         DWORD) {
    if (ppvBits != nullptr)
        *ppvBits = nullptr;
    if (pbmi == nullptr)
        return failWith(ERROR_INVALID_PARAMETER, HBITMAP(nullptr));
    const BITMAPINFOHEADER& header = pbmi->bmiHeader;
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biPlanes != 1 || header.biWidth <= 0 ||
        header.biHeight == 0 || header.biHeight == INT32_MIN ||
        (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS))
        return failWith(ERROR_INVALID_PARAMETER, HBITMAP(nullptr));
    if (header.biBitCount != 32 || header.biCompression != BI_RGB || hSection != nullptr)
        return failWith(ERROR_NOT_SUPPORTED, HBITMAP(nullptr));
    const uint64_t width = uint64_t(header.biWidth);
    const uint64_t height = uint64_t(std::abs(int64_t(header.biHeight)));
    const uint64_t bytes = width * 4 * height;
    if (bytes > LargestDibBytes)
        return failWith(ERROR_NOT_ENOUGH_MEMORY, HBITMAP(nullptr));

    std::unique_ptr<BitmapObject> bitmap(new (std::nothrow) BitmapObject);
    if (!bitmap)
        return failWith(ERROR_NOT_ENOUGH_MEMORY, HBITMAP(nullptr));
    bitmap->bits.reset(new (std::nothrow) uint8_t[size_t(bytes)]());
    if (!bitmap->bits)
        return failWith(ERROR_NOT_ENOUGH_MEMORY, HBITMAP(nullptr));
    bitmap->width = int(width);
    bitmap->height = int(height);
    bitmap->topDown = header.biHeight < 0;
    bitmap->pitch = size_t(width) * 4;
    void* const bits = bitmap->bits.get();
    const HBITMAP handle = static_cast<HBITMAP>(win32::insertGdiObject(std::move(bitmap)));
    if (handle != nullptr && ppvBits != nullptr)
        *ppvBits = bits;
    return handle;
}
