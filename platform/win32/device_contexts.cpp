// Memory device contexts: what is selected into them and how they draw text.
//
// Implements: CreateCompatibleDC (a memory DC holding the 1 x 1 stock bitmap and the system
// font, opaque background, white background colour, black text), DeleteDC, SelectObject for
// fonts and bitmaps (returning what it replaced; a bitmap is in one DC at a time), SetBkMode
// (OPAQUE, TRANSPARENT), SetBkColor, SetTextColor (returning the previous value), GdiFlush
// (drawing is never batched, so there is nothing to flush).
// Does not: window or screen DCs, palettes, brushes and pens, regions, mapping modes.
#include "win32/gdi_objects.h"

#include "win32/handle_table.h"

namespace {

using win32::DeviceContext;

win32::HandleTable<DeviceContext>& contexts() {
    static win32::HandleTable<DeviceContext> table(0x6);
    return table;
}

template <typename Result> Result failWith(DWORD error, Result result) {
    SetLastError(error);
    return result;
}

HGDIOBJ selectBitmap(HDC hdc, DeviceContext& dc, HGDIOBJ handle, win32::BitmapObject& bitmap) {
    if (bitmap.selectedInto != nullptr && bitmap.selectedInto != hdc && !bitmap.stock)
        return failWith(ERROR_INVALID_PARAMETER, HGDIOBJ(nullptr));
    const HGDIOBJ previous = dc.bitmap;
    if (auto* replaced = win32::findGdiObject<win32::BitmapObject>(previous))
        replaced->selectedInto = nullptr;
    if (!bitmap.stock)
        bitmap.selectedInto = hdc;
    dc.bitmap = handle;
    return previous;
}

} // namespace

namespace win32 {

DeviceContext* findDeviceContext(HDC dc) {
    return contexts().find(dc);
}

bool isSelected(HGDIOBJ object) {
    bool selected = false;
    contexts().forEach([&](uintptr_t, const DeviceContext& dc) {
        selected |= dc.font == object || dc.bitmap == object;
    });
    return selected;
}

} // namespace win32

HDC CreateCompatibleDC(HDC hdc) {
    if (hdc != nullptr && win32::findDeviceContext(hdc) == nullptr)
        return failWith(ERROR_INVALID_HANDLE, HDC(nullptr));
    const HGDIOBJ font = win32::systemFont();
    const HGDIOBJ bitmap = win32::defaultBitmap();
    std::unique_ptr<DeviceContext> dc(new (std::nothrow) DeviceContext);
    if (!dc || font == nullptr || bitmap == nullptr)
        return failWith(ERROR_NOT_ENOUGH_MEMORY, HDC(nullptr));
    dc->font = font;
    dc->bitmap = bitmap;
    const uintptr_t handle = contexts().insert(std::move(dc));
    if (handle == 0)
        return failWith(ERROR_NOT_ENOUGH_MEMORY, HDC(nullptr));
    return reinterpret_cast<HDC>(handle);
}

BOOL DeleteDC(HDC hdc) {
    std::unique_ptr<DeviceContext> dc = contexts().remove(hdc);
    if (!dc)
        return failWith(ERROR_INVALID_HANDLE, FALSE);
    if (auto* bitmap = win32::findGdiObject<win32::BitmapObject>(dc->bitmap))
        if (bitmap->selectedInto == hdc)
            bitmap->selectedInto = nullptr;
    return TRUE;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) {
    DeviceContext* dc = win32::findDeviceContext(hdc);
    win32::GdiObject* object = win32::findGdiObject(h);
    if (dc == nullptr || object == nullptr)
        return failWith(ERROR_INVALID_HANDLE, HGDIOBJ(nullptr));
    if (object->kind == win32::GdiKind::Bitmap)
        return selectBitmap(hdc, *dc, h, static_cast<win32::BitmapObject&>(*object));
    const HGDIOBJ previous = dc->font;
    dc->font = h;
    return previous;
}

int SetBkMode(HDC hdc, int mode) {
    DeviceContext* dc = win32::findDeviceContext(hdc);
    if (dc == nullptr)
        return failWith(ERROR_INVALID_HANDLE, 0);
    if (mode != OPAQUE && mode != TRANSPARENT)
        return failWith(ERROR_INVALID_PARAMETER, 0);
    const int previous = dc->backgroundMode;
    dc->backgroundMode = mode;
    return previous;
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
    DeviceContext* dc = win32::findDeviceContext(hdc);
    if (dc == nullptr)
        return failWith(ERROR_INVALID_HANDLE, COLORREF(CLR_INVALID));
    const COLORREF previous = dc->backgroundColor;
    dc->backgroundColor = color & 0x00FFFFFF;
    return previous;
}

COLORREF SetTextColor(HDC hdc, COLORREF color) {
    DeviceContext* dc = win32::findDeviceContext(hdc);
    if (dc == nullptr)
        return failWith(ERROR_INVALID_HANDLE, COLORREF(CLR_INVALID));
    const COLORREF previous = dc->textColor;
    dc->textColor = color & 0x00FFFFFF;
    return previous;
}

BOOL GdiFlush() {
    return TRUE;
}
