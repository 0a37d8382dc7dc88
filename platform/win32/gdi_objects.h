// GDI's objects behind their handles: fonts, 32-bit DIB sections and memory device contexts.
#pragma once

#include "win32/font_faces.h"
#include "windows.h"

#include <cstdint>
#include <memory>

namespace win32 {

// Each object says what it is, so that finding a font or a bitmap behind a handle, done
// several times for every string drawn, costs a comparison rather than a cast.
enum class GdiKind { Font, Bitmap };

struct GdiObject {
    explicit GdiObject(GdiKind kind) : kind(kind) {}
    virtual ~GdiObject() = default;
    const GdiKind kind;
    bool stock = false; // never deleted
};

struct FontObject : GdiObject {
    static constexpr GdiKind Kind = GdiKind::Font;
    FontObject() : GdiObject(Kind) {}
    LOGFONTA description{};
    // The face, found on first use; null when no installed font serves the description.
    FontFace* face();

private:
    std::shared_ptr<FontFace> face_;
    bool resolved_ = false;
};

struct BitmapObject : GdiObject {
    static constexpr GdiKind Kind = GdiKind::Bitmap;
    BitmapObject() : GdiObject(Kind) {}
    int width = 0;
    int height = 0;
    bool topDown = true;
    size_t pitch = 0;                // bytes from one row to the next
    std::unique_ptr<uint8_t[]> bits; // null for the 1 x 1 monochrome stock bitmap
    HDC selectedInto = nullptr;

    // Row y counted from the top, whichever way the rows lie in memory.
    uint32_t* row(int y) {
        const int stored = topDown ? y : height - 1 - y;
        return reinterpret_cast<uint32_t*>(bits.get() + size_t(stored) * pitch);
    }
};

struct DeviceContext {
    HGDIOBJ font = nullptr;
    HGDIOBJ bitmap = nullptr;
    int backgroundMode = OPAQUE;
    COLORREF backgroundColor = RGB(255, 255, 255);
    COLORREF textColor = RGB(0, 0, 0);
};

GdiObject* findGdiObject(HGDIOBJ handle);
template <typename T> T* findGdiObject(HGDIOBJ handle) {
    GdiObject* object = findGdiObject(handle);
    return object != nullptr && object->kind == T::Kind ? static_cast<T*>(object) : nullptr;
}

// Takes the object; its handle, or null (ERROR_NOT_ENOUGH_MEMORY set) when memory runs out.
HGDIOBJ insertGdiObject(std::unique_ptr<GdiObject> object);

// The stock system font and the 1 x 1 bitmap a new memory DC starts with.
HGDIOBJ systemFont();
HGDIOBJ defaultBitmap();

DeviceContext* findDeviceContext(HDC dc);

// True when some device context has the object selected.
bool isSelected(HGDIOBJ object);

} // namespace win32
