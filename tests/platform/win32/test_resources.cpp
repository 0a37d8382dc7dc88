// The module's resource table: icons and cursors by number, the pointer, and icon pixels.
#include "module_resources.h"
#include "windows.h"
#include "win32/user_images.h"

#include <gtest/gtest.h>

#include <array>

namespace {

// An 8 x 2 icon: the left half palette entry 1, the right half 2; the last pixel transparent.
const DWORD IconPalette[16] = {0x000000, 0xFF0000, 0x00FF00};
const BYTE IconIndices[16] = {1, 1, 1, 1, 2, 2, 2, 2, 1, 1, 1, 1, 2, 2, 2, 2};
const BYTE IconMask[2] = {0x00, 0x01};
const IconImageResource IconImages[] = {
    {8, 2, 16, IconPalette, IconIndices, IconMask},
    {0, 0, 16, IconPalette, IconIndices, IconMask}, // malformed: never chosen
};
const IconGroupResource IconGroups[] = {{101, IconImages, 2}};

std::array<BYTE, 128> filled(BYTE value) {
    std::array<BYTE, 128> mask;
    mask.fill(value);
    return mask;
}
const std::array<BYTE, 128> CursorAnd = filled(0xFF);
const std::array<BYTE, 128> CursorXor = filled(0x00);
const CursorResource Cursors[] = {
    {102, 32, 32, 0, 0, CursorAnd.data(), CursorXor.data()},
    {104, 32, 32, 40, 0, CursorAnd.data(), CursorXor.data()}, // hot spot outside the image
};
const ModuleResources Resources = {IconGroups, 1, Cursors, 2};

class ModuleResourceTable : public ::testing::Test {
protected:
    void SetUp() override { RegisterModuleResources(&Resources); }
    void TearDown() override { SetCursor(nullptr); }
    HINSTANCE program = GetModuleHandleA(nullptr);
};

TEST_F(ModuleResourceTable, FindsResourcesByNumber) {
    const HICON icon = LoadIconA(program, MAKEINTRESOURCE(101));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(LoadIconA(program, MAKEINTRESOURCE(101)), icon) << "one shared handle";
    EXPECT_EQ(LoadIconA(program, "#101"), icon);
    const HCURSOR cursor = LoadCursorA(program, MAKEINTRESOURCE(102));
    ASSERT_NE(cursor, nullptr);
    EXPECT_NE(cursor, icon);
    EXPECT_EQ(win32::cursorOf(cursor), &Cursors[0]);
    EXPECT_EQ(win32::cursorOf(icon), nullptr);
    EXPECT_EQ(win32::bestIconImage(icon), &IconImages[0]);
}

TEST_F(ModuleResourceTable, MissingResourcesGiveNull) {
    EXPECT_EQ(LoadIconA(program, MAKEINTRESOURCE(102)), nullptr) << "102 is a cursor";
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(LoadCursorA(program, MAKEINTRESOURCE(103)), nullptr);
    EXPECT_EQ(LoadCursorA(program, MAKEINTRESOURCE(104)), nullptr) << "a malformed cursor";
    EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), nullptr) << "no system cursors";
    EXPECT_EQ(LoadIconA(GetModuleHandleA("d3d8.dll"), MAKEINTRESOURCE(101)), nullptr);
    EXPECT_EQ(LoadIconA(program, "icon"), nullptr);
    EXPECT_EQ(LoadIconA(program, nullptr), nullptr);
    RegisterModuleResources(nullptr);
    EXPECT_EQ(LoadIconA(program, MAKEINTRESOURCE(101)), nullptr);
}

TEST_F(ModuleResourceTable, SetCursorReturnsWhatItReplaced) {
    const HCURSOR crosshair = LoadCursorA(program, MAKEINTRESOURCE(102));
    EXPECT_EQ(SetCursor(crosshair), nullptr);
    EXPECT_EQ(SetCursor(crosshair), crosshair);
    EXPECT_EQ(SetCursor(nullptr), crosshair) << "null hides the pointer";
    const HICON icon = LoadIconA(program, MAKEINTRESOURCE(101));
    EXPECT_EQ(SetCursor(icon), nullptr) << "an icon is not a cursor";
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_CURSOR_HANDLE));
    EXPECT_EQ(SetCursor(crosshair), nullptr) << "the refused call changed nothing";
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(ShowCursor(TRUE), 0);
}

TEST(IconPixels, PaletteColoursWithTheMaskAsTransparency) {
    std::vector<uint32_t> pixels;
    ASSERT_TRUE(win32::iconPixels(IconImages[0], &pixels));
    ASSERT_EQ(pixels.size(), 16u);
    EXPECT_EQ(pixels[0], 0xFFFF0000u);
    EXPECT_EQ(pixels[4], 0xFF00FF00u);
    EXPECT_EQ(pixels[14], 0xFF00FF00u);
    EXPECT_EQ(pixels[15], 0x00000000u) << "the mask's set bit";
    EXPECT_FALSE(win32::iconPixels(IconImages[1], &pixels));
    const BYTE outOfPalette[16] = {16};
    const IconImageResource bad = {8, 2, 16, IconPalette, outOfPalette, IconMask};
    EXPECT_FALSE(win32::iconPixels(bad, &pixels)) << "an index past the palette";
}

} // namespace
