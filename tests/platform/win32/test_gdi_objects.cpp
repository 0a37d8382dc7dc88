// GDI objects: selection, deletion, DIB sections, font descriptions and bad handles.
#include "dib_fixture.h"

#include <cstring>

namespace {

using GdiObjects = DibTest;

TEST_F(GdiObjects, SelectObjectReturnsWhatItReplaced) {
    HDC dc = CreateCompatibleDC(nullptr);
    LOGFONTA description{};
    description.lfHeight = -20;
    HFONT font = CreateFontIndirectA(&description);
    ASSERT_NE(font, nullptr);
    const HGDIOBJ initialFont = SelectObject(dc, font);
    EXPECT_EQ(initialFont, GetStockObject(SYSTEM_FONT)) << "a new DC holds the system font";
    EXPECT_FALSE(DeleteObject(font)) << "a selected font is not deleted";
    EXPECT_EQ(SelectObject(dc, initialFont), font);

    EXPECT_EQ(SelectObject(dc, dib_), nullptr) << "the DIB is already in the fixture's DC";
    SelectObject(dc_, initialBitmap_);
    const HGDIOBJ initialBitmap = SelectObject(dc, dib_);
    EXPECT_NE(initialBitmap, nullptr);
    EXPECT_EQ(initialBitmap, initialBitmap_) << "every memory DC starts with the 1 x 1 bitmap";
    EXPECT_FALSE(DeleteObject(dib_)) << "a selected bitmap is not deleted";
    EXPECT_EQ(SelectObject(dc, initialBitmap), dib_);
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_FALSE(DeleteObject(font)) << "already deleted";
    SelectObject(dc_, dib_);

    EXPECT_TRUE(DeleteObject(GetStockObject(SYSTEM_FONT))) << "stock objects are kept";
    EXPECT_EQ(GetObjectA(GetStockObject(SYSTEM_FONT), sizeof description, &description), 60);
}

TEST_F(GdiObjects, FontDescriptionsAndSizes) {
    LOGFONTA asked{};
    asked.lfHeight = -20; // a 20-pixel character height
    asked.lfWeight = FW_NORMAL;
    std::strcpy(asked.lfFaceName, "DejaVu Sans");
    HFONT font = CreateFontIndirectA(&asked);
    ASSERT_NE(font, nullptr);
    LOGFONTA read{};
    EXPECT_EQ(GetObjectA(font, 0, nullptr), 60) << "the size needed";
    EXPECT_EQ(GetObjectA(font, sizeof read, &read), 60);
    EXPECT_EQ(std::memcmp(&read, &asked, sizeof read), 0);
    SelectObject(dc_, font);
    RECT rect{0, 0, Width, Height};
    // The cell is the character height scaled by the face's ascent and descent: 20 x 2384 / 2048.
    EXPECT_EQ(DrawTextA(dc_, "x", -1, &rect, DT_CALCRECT), 23);
    SelectObject(dc_, GetStockObject(SYSTEM_FONT));
    DeleteObject(font);

    asked.lfEscapement = 900;
    EXPECT_EQ(CreateFontIndirectA(&asked), nullptr) << "rotated text is outside the subset";
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_SUPPORTED));
    asked.lfEscapement = 0;
    asked.lfHeight = 100000;
    EXPECT_EQ(CreateFontIndirectA(&asked), nullptr);
    EXPECT_EQ(CreateFontIndirectA(nullptr), nullptr);
    EXPECT_EQ(GetObjectA(dib_, sizeof read, &read), 0) << "bitmaps are not described";
}

TEST_F(GdiObjects, DibSectionsAreZeroedAndChecked) {
    uint32_t* bits = nullptr;
    HBITMAP bitmap = createDib(3, -2, &bits);
    ASSERT_NE(bitmap, nullptr);
    ASSERT_NE(bits, nullptr);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(bits[i], 0u);
    DeleteObject(bitmap);

    EXPECT_EQ(createDib(0, 10, &bits), nullptr);
    EXPECT_EQ(bits, nullptr);
    EXPECT_EQ(createDib(1 << 20, 1 << 20, &bits), nullptr) << "4 TiB is refused, not wrapped";
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 4, 4, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* pixels = nullptr;
    EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0), nullptr)
        << "only 32-bit DIBs";
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_SUPPORTED));
    EXPECT_EQ(CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, &pixels, nullptr, 0), nullptr);
}

TEST_F(GdiObjects, ModesAndColoursReturnThePreviousValue) {
    EXPECT_EQ(SetBkMode(dc_, TRANSPARENT), OPAQUE);
    EXPECT_EQ(SetBkMode(dc_, OPAQUE), TRANSPARENT);
    EXPECT_EQ(SetBkMode(dc_, 7), 0);
    EXPECT_EQ(SetBkColor(dc_, RGB(1, 2, 3)), RGB(0, 0, 0));
    EXPECT_EQ(SetBkColor(dc_, RGB(0, 0, 0)), RGB(1, 2, 3));
    EXPECT_EQ(SetTextColor(dc_, RGB(4, 5, 6)), RGB(255, 255, 255));
    EXPECT_TRUE(GdiFlush());
}

TEST_F(GdiObjects, BadHandlesGiveTheFailureAnswer) {
    const HDC badDc = reinterpret_cast<HDC>(uintptr_t(0x7777));
    const HGDIOBJ badObject = reinterpret_cast<HGDIOBJ>(uintptr_t(0x8888));
    for (HDC dc : {HDC(nullptr), badDc}) {
        EXPECT_EQ(SelectObject(dc, GetStockObject(SYSTEM_FONT)), nullptr);
        EXPECT_EQ(SetBkMode(dc, OPAQUE), 0);
        EXPECT_EQ(SetBkColor(dc, 0), CLR_INVALID);
        EXPECT_EQ(SetTextColor(dc, 0), CLR_INVALID);
        EXPECT_FALSE(DeleteDC(dc));
        EXPECT_EQ(CreateCompatibleDC(dc == nullptr ? badDc : dc), nullptr);
    }
    for (HGDIOBJ object : {HGDIOBJ(nullptr), badObject}) {
        EXPECT_EQ(SelectObject(dc_, object), nullptr);
        EXPECT_FALSE(DeleteObject(object));
        EXPECT_EQ(GetObjectA(object, 60, nullptr), 0);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    }
    EXPECT_EQ(GetStockObject(WHITE_BRUSH), nullptr) << "no brushes";
}

} // namespace
