// The module resources, built at compile time from the picture rows of
// module_resource_pictures.h: palette indices and masks of the two icon images, and the
// masks of the crosshair cursor. A malformed row fails the build.
#include "app/module_resources_data.h"

#include "app/module_resource_pictures.h"

#include <array>

namespace {

constexpr WORD TargetIconGroup = 101;
constexpr WORD CrosshairCursor = 102;
constexpr int ImageSize = 32;
// The game aims 15 pixels right of and below the hot spot, at the cross centre (15, 16).
constexpr int HotSpotX = 0;
constexpr int HotSpotY = 0;

constexpr int MaskRowBytes = ImageSize / 8;
constexpr int MaskBytes = MaskRowBytes * ImageSize;

using Rows = const char* const[ImageSize];

constexpr int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The palette index of pixel x of a row of `digits` hex digits a pixel; -1 when the pixel is
// transparent ('.' digits), -2 when the text is not a pixel.
constexpr int pixelIndex(const char* row, int x, int digits) {
    int index = 0;
    int dots = 0;
    for (int i = 0; i < digits; ++i) {
        char c = row[x * digits + i];
        dots += c == '.';
        index = hexValue(c) < 0 ? -2 : index * 16 + hexValue(c);
    }
    if (dots == digits) {
        return -1;
    }
    return dots > 0 ? -2 : index;
}

constexpr int rowLength(const char* row) {
    int length = 0;
    while (row[length] != '\0') {
        ++length;
    }
    return length;
}

constexpr bool iconRowsValid(Rows& rows, int digits, int colorCount) {
    for (int y = 0; y < ImageSize; ++y) {
        if (rowLength(rows[y]) != ImageSize * digits) {
            return false;
        }
        for (int x = 0; x < ImageSize; ++x) {
            int index = pixelIndex(rows[y], x, digits);
            if (index < -1 || index >= colorCount) {
                return false;
            }
        }
    }
    return true;
}

constexpr bool cursorRowsValid(Rows& rows) {
    for (int y = 0; y < ImageSize; ++y) {
        if (rowLength(rows[y]) != ImageSize) {
            return false;
        }
        for (int x = 0; x < ImageSize; ++x) {
            if (rows[y][x] != '.' && rows[y][x] != 'X') {
                return false;
            }
        }
    }
    return true;
}

constexpr void setMaskBit(std::array<BYTE, MaskBytes>& mask, int x, int y) {
    mask[y * MaskRowBytes + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
}

struct IconImageData {
    std::array<BYTE, ImageSize * ImageSize> indices{};
    std::array<BYTE, MaskBytes> andMask{};
};

// Transparent pixels get a set AND bit and index 0, which is black in both palettes, so
// the image also reads right where only the AND and colour planes are combined.
constexpr IconImageData iconImage(Rows& rows, int digits) {
    IconImageData image;
    for (int y = 0; y < ImageSize; ++y) {
        for (int x = 0; x < ImageSize; ++x) {
            int index = pixelIndex(rows[y], x, digits);
            if (index < 0) {
                setMaskBit(image.andMask, x, y);
            } else {
                image.indices[y * ImageSize + x] = static_cast<BYTE>(index);
            }
        }
    }
    return image;
}

struct CursorData {
    std::array<BYTE, MaskBytes> andMask{};
    std::array<BYTE, MaskBytes> xorMask{};
};

// 'X' is black (AND 0, XOR 0), '.' transparent (AND 1, XOR 0).
constexpr CursorData cursorMasks(Rows& rows) {
    CursorData cursor;
    for (int y = 0; y < ImageSize; ++y) {
        for (int x = 0; x < ImageSize; ++x) {
            if (rows[y][x] == '.') {
                setMaskBit(cursor.andMask, x, y);
            }
        }
    }
    return cursor;
}

static_assert(iconRowsValid(module_pictures::TargetIcon16Rows, 1, 16));
static_assert(iconRowsValid(module_pictures::TargetIcon256Rows, 2, 256));
static_assert(cursorRowsValid(module_pictures::CrosshairRows));
static_assert(module_pictures::TargetIcon16Palette[0] == 0 &&
              module_pictures::TargetIcon256Palette[0] == 0);

constexpr IconImageData Icon16 = iconImage(module_pictures::TargetIcon16Rows, 1);
constexpr IconImageData Icon256 = iconImage(module_pictures::TargetIcon256Rows, 2);
constexpr CursorData Crosshair = cursorMasks(module_pictures::CrosshairRows);

constexpr IconImageResource TargetIconImages[] = {
    {ImageSize, ImageSize, 16, module_pictures::TargetIcon16Palette, Icon16.indices.data(),
     Icon16.andMask.data()},
    {ImageSize, ImageSize, 256, module_pictures::TargetIcon256Palette, Icon256.indices.data(),
     Icon256.andMask.data()},
};

constexpr IconGroupResource IconGroups[] = {
    {TargetIconGroup, TargetIconImages, 2},
};

constexpr CursorResource Cursors[] = {
    {CrosshairCursor, ImageSize, ImageSize, HotSpotX, HotSpotY, Crosshair.andMask.data(),
     Crosshair.xorMask.data()},
};

constexpr ModuleResources Resources = {IconGroups, 1, Cursors, 1};

} // namespace

const ModuleResources* bosquetirResources() {
    return &Resources;
}
