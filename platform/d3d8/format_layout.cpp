// The device's storage table: every format it can hold in a surface, one row per format.
#include "d3d8/format_layout.h"

#include <cstddef>

namespace d3d8 {

namespace {

constexpr FormatLayout FormatLayoutTable[] = {
    // format               storage          bytes sampled few
    {D3DFMT_R8G8B8, Storage::Pixel, 3, false, false},
    {D3DFMT_A8R8G8B8, Storage::Pixel, 4, true, false},
    {D3DFMT_X8R8G8B8, Storage::Pixel, 4, true, true},
    {D3DFMT_R5G6B5, Storage::Pixel, 2, true, true},
    {D3DFMT_X1R5G5B5, Storage::Pixel, 2, true, true},
    {D3DFMT_A1R5G5B5, Storage::Pixel, 2, true, true},
    {D3DFMT_A4R4G4B4, Storage::Pixel, 2, true, true},
    {D3DFMT_R3G3B2, Storage::Pixel, 1, true, false},
    {D3DFMT_A8, Storage::Pixel, 1, true, false},
    {D3DFMT_A8R3G3B2, Storage::Pixel, 2, true, false},
    {D3DFMT_X4R4G4B4, Storage::Pixel, 2, true, false},
    {D3DFMT_A2B10G10R10, Storage::Pixel, 4, true, false},
    {D3DFMT_G16R16, Storage::Pixel, 4, true, false},
    {D3DFMT_A8P8, Storage::Pixel, 2, false, false},
    {D3DFMT_P8, Storage::Pixel, 1, false, false},
    {D3DFMT_L8, Storage::Pixel, 1, true, true},
    {D3DFMT_A8L8, Storage::Pixel, 2, true, false},
    {D3DFMT_A4L4, Storage::Pixel, 1, true, false},
    {D3DFMT_V8U8, Storage::Pixel, 2, false, false},
    {D3DFMT_L6V5U5, Storage::Pixel, 2, false, false},
    {D3DFMT_X8L8V8U8, Storage::Pixel, 4, false, false},
    {D3DFMT_Q8W8V8U8, Storage::Pixel, 4, false, false},
    {D3DFMT_V16U16, Storage::Pixel, 4, false, false},
    {D3DFMT_W11V11U10, Storage::Pixel, 4, false, false},
    {D3DFMT_A2W10V10U10, Storage::Pixel, 4, false, false},
    {D3DFMT_UYVY, Storage::Pair, 4, true, false},
    {D3DFMT_YUY2, Storage::Pair, 4, true, false},
    {D3DFMT_DXT1, Storage::Block, 8, true, false},
    {D3DFMT_DXT2, Storage::Block, 16, true, false},
    {D3DFMT_DXT3, Storage::Block, 16, true, false},
    {D3DFMT_DXT4, Storage::Block, 16, true, false},
    {D3DFMT_DXT5, Storage::Block, 16, true, false},
    {D3DFMT_D16_LOCKABLE, Storage::Pixel, 2, false, false},
    // Later block formats (BC4, BC5 unsigned and signed, BC7) by the toolkit's codes: stored, so
    // that a tool can make and write them in the scratch pool, but never offered for textures,
    // so the loader decodes them into a format the rasteriser reads.
    {D3DFORMAT(MAKEFOURCC('A', 'T', 'I', '1')), Storage::Block, 8, false, false},
    {D3DFORMAT(MAKEFOURCC('B', 'C', '4', 'S')), Storage::Block, 8, false, false},
    {D3DFORMAT(MAKEFOURCC('A', 'T', 'I', '2')), Storage::Block, 16, false, false},
    {D3DFORMAT(MAKEFOURCC('B', 'C', '5', 'S')), Storage::Block, 16, false, false},
    {D3DFORMAT(MAKEFOURCC('B', 'C', '7', ' ')), Storage::Block, 16, false, false},
};
static_assert(sizeof(FormatLayoutTable) / sizeof(FormatLayoutTable[0]) == 38);

// Levels larger than this are refused as out of memory rather than attempted.
constexpr uint64_t MaxLevelBytes = uint64_t(1) << 30;

} // namespace

const FormatLayout* findFormatLayout(D3DFORMAT format) {
    for (const FormatLayout& row : FormatLayoutTable)
        if (row.format == format)
            return &row;
    return nullptr;
}

bool computeLevelGeometry(const FormatLayout& layout, UINT width, UINT height, UINT depth,
                          LevelGeometry* out) {
    if (width == 0 || height == 0 || depth == 0)
        return false;
    const uint64_t units = (uint64_t(width) + unitWidth(layout) - 1) / unitWidth(layout);
    const uint64_t rows = (uint64_t(height) + unitHeight(layout) - 1) / unitHeight(layout);
    // Rows start on 4-byte boundaries, as a driver's pitch would.
    const uint64_t pitch = (units * layout.unitBytes + 3) & ~uint64_t(3);
    const uint64_t slice = pitch * rows;
    const uint64_t size = slice * depth;
    if (size > MaxLevelBytes)
        return false;
    out->width = width;
    out->height = height;
    out->depth = depth;
    out->rowPitch = UINT(pitch);
    out->slicePitch = UINT(slice);
    out->unitRows = UINT(rows);
    out->size = size;
    return true;
}

bool rectInside(UINT width, UINT height, const RECT& rect) {
    if (rect.left < 0 || rect.top < 0 || rect.left > rect.right || rect.top > rect.bottom)
        return false;
    return UINT(rect.right) <= width && UINT(rect.bottom) <= height;
}

bool rectFitsLevel(const FormatLayout& layout, UINT width, UINT height, const RECT& rect) {
    if (!rectInside(width, height, rect))
        return false;
    const UINT w = unitWidth(layout), h = unitHeight(layout);
    const auto onGrid = [](LONG edge, UINT unit, UINT limit) {
        return UINT(edge) % unit == 0 || UINT(edge) == limit;
    };
    return UINT(rect.left) % w == 0 && UINT(rect.top) % h == 0 && onGrid(rect.right, w, width) &&
           onGrid(rect.bottom, h, height);
}

UINT fullChainLength(UINT width, UINT height, UINT depth) {
    UINT largest = width > height ? width : height;
    if (depth > largest)
        largest = depth;
    UINT levels = 0;
    for (; largest != 0; largest >>= 1)
        ++levels;
    return levels;
}

bool isPowerOfTwo(UINT value) {
    return value != 0 && (value & (value - 1)) == 0;
}

} // namespace d3d8
