// Clear and the drawing calls: the checks of the device's state before a draw and the hand-over
// of the vertices to the rasteriser.
#include "d3d8/device.h"
#include "d3d8/pixel_math.h"
#include "d3d8/refusal.h"
#include "d3d8/surface.h"

#include <algorithm>
#include <cstring>

namespace d3d8 {

namespace {

void fillRect(LevelStore& target, LONG left, LONG top, LONG right, LONG bottom, D3DCOLOR color) {
    const UINT pitch = target.geometry().rowPitch;
    for (LONG y = top; y < bottom; ++y) {
        BYTE* row = target.bits() + size_t(y) * pitch;
        if (target.format() == D3DFMT_R5G6B5) {
            const uint16_t pixel = r5g6b5OfArgb(color);
            for (LONG x = left; x < right; ++x)
                std::memcpy(row + 2 * x, &pixel, 2);
        } else {
            const uint32_t pixel = color | 0xFF000000u;
            for (LONG x = left; x < right; ++x)
                std::memcpy(row + 4 * x, &pixel, 4);
        }
    }
    target.markChanged();
}

} // namespace

HRESULT Device::Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float,
                      DWORD) {
    if ((Flags & ~DWORD(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) != 0 || Flags == 0)
        return refuse(D3DERR_INVALIDCALL, "Clear flags 0x%x", Flags);
    if (Flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL))
        return refuse(D3DERR_INVALIDCALL, "the device has no depth or stencil buffer to clear");
    if (Count != 0 && pRects == nullptr)
        return refuse(D3DERR_INVALIDCALL, "Clear of %u rectangles without an array", Count);
    LevelStore& target = backBuffer_->store();
    if (target.locked())
        return refuse(D3DERR_INVALIDCALL, "Clear of a locked render target");
    const D3DVIEWPORT8& v = state_.viewport;
    const LONG left = LONG(v.X), top = LONG(v.Y);
    const LONG right = LONG(v.X + v.Width), bottom = LONG(v.Y + v.Height);
    if (Count == 0) {
        fillRect(target, left, top, right, bottom, Color);
        return D3D_OK;
    }
    for (DWORD i = 0; i < Count; ++i) {
        const D3DRECT& r = pRects[i];
        const LONG x1 = std::max(r.x1, left), y1 = std::max(r.y1, top);
        const LONG x2 = std::min(r.x2, right), y2 = std::min(r.y2, bottom);
        if (x1 < x2 && y1 < y2)
            fillRect(target, x1, y1, x2, y2, Color);
    }
    return D3D_OK;
}

HRESULT Device::ValidateDevice(DWORD* pNumPasses) {
    if (pNumPasses == nullptr)
        return refuse(D3DERR_INVALIDCALL, "ValidateDevice without an output");
    return refuse(E_NOTIMPL, "the rasteriser is not built yet");
}

HRESULT Device::DrawPrimitiveUP(D3DPRIMITIVETYPE, UINT, const void*, UINT) {
    return refuse(E_NOTIMPL, "the rasteriser is not built yet");
}

} // namespace d3d8
