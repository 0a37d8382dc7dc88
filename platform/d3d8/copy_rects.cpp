// CopyRects: raw copies of rectangles between two surfaces of one format, any pools. Every
// rectangle and destination point is checked before anything is copied.
#include "d3d8/device.h"
#include "d3d8/refusal.h"
#include "d3d8/surface.h"

namespace d3d8 {

namespace {

// The destination of a copy must start on the unit grid and its units must exist there; a
// partial block or pair at the edge of a level is a whole one in memory.
bool destinationFits(const LevelStore& dest, int64_t x, int64_t y, int64_t width, int64_t height) {
    const FormatLayout& layout = dest.layout();
    const int64_t uw = unitWidth(layout), uh = unitHeight(layout);
    if (x < 0 || y < 0 || x % uw != 0 || y % uh != 0)
        return false;
    const auto units = [](int64_t pixels, int64_t unit) { return (pixels + unit - 1) / unit; };
    return units(x + width, uw) <= units(dest.width(), uw) &&
           units(y + height, uh) <= units(dest.height(), uh);
}

} // namespace

HRESULT Device::CopyRects(IDirect3DSurface8* pSourceSurface, const RECT* pSourceRectsArray,
                          UINT cRects, IDirect3DSurface8* pDestinationSurface,
                          const POINT* pDestPointsArray) {
    Surface* source = ownSurface(pSourceSurface);
    Surface* dest = ownSurface(pDestinationSurface);
    if (source == nullptr || dest == nullptr)
        return refuse(D3DERR_INVALIDCALL, "CopyRects needs two surfaces of this device");
    if (source == dest)
        return refuse(D3DERR_INVALIDCALL, "CopyRects within one surface");
    LevelStore& from = source->store();
    LevelStore& to = dest->store();
    if (from.format() != to.format())
        return refuse(D3DERR_INVALIDCALL, "CopyRects between formats %u and %u",
                      unsigned(from.format()), unsigned(to.format()));
    if (from.locked() || to.locked())
        return refuse(D3DERR_INVALIDCALL, "CopyRects with a locked surface");
    if (cRects != 0 && pSourceRectsArray == nullptr)
        return refuse(D3DERR_INVALIDCALL, "%u rectangles but no array", cRects);

    const UINT count = cRects != 0 ? cRects : 1;
    const RECT whole = {0, 0, LONG(from.width()), LONG(from.height())};
    const auto rectAt = [&](UINT i) { return cRects != 0 ? pSourceRectsArray[i] : whole; };
    const auto pointAt = [&](UINT i) {
        if (pDestPointsArray != nullptr)
            return pDestPointsArray[i];
        const RECT r = rectAt(i);
        return POINT{r.left, r.top};
    };
    for (UINT i = 0; i < count; ++i) {
        const RECT r = rectAt(i);
        if (!rectFitsLevel(from.layout(), from.width(), from.height(), r))
            return refuse(D3DERR_INVALIDCALL,
                          "source rectangle %u (%d,%d)-(%d,%d) is outside the %ux%u surface or "
                          "off its block grid",
                          i, r.left, r.top, r.right, r.bottom, from.width(), from.height());
        const POINT p = pointAt(i);
        if (!destinationFits(to, p.x, p.y, int64_t(r.right) - r.left, int64_t(r.bottom) - r.top))
            return refuse(D3DERR_INVALIDCALL,
                          "rectangle %u does not fit the %ux%u destination at (%d,%d)", i,
                          to.width(), to.height(), p.x, p.y);
    }
    finishDrawsBefore(from, false);
    finishDrawsBefore(to, true);
    for (UINT i = 0; i < count; ++i) {
        const RECT r = rectAt(i);
        const POINT p = pointAt(i);
        if (r.right > r.left && r.bottom > r.top)
            copyLevelRect(from, r, to, UINT(p.x), UINT(p.y));
    }
    return D3D_OK;
}

} // namespace d3d8
