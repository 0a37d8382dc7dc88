// DrawTextA and DrawTextW: measuring, line breaking, placement by each flag, clipping, grey
// levels and colours, Windows-1252 characters and the DIB's pixel layout.
#include "dib_fixture.h"

#include <algorithm>
#include <cstring>

namespace {

using DrawText = DibTest;

TEST_F(DrawText, TheSystemFontHasASixteenPixelCell) {
    RECT rect{0, 0, Width, Height};
    EXPECT_EQ(DrawTextA(dc_, "A", -1, &rect, DT_CALCRECT), 16);
    EXPECT_EQ(rect.bottom, 16);
    EXPECT_GT(rect.right, 0);

    LOGFONTA description;
    ASSERT_EQ(GetObjectA(GetStockObject(SYSTEM_FONT), sizeof description, &description), 60);
    EXPECT_EQ(description.lfHeight, 16);
    EXPECT_EQ(description.lfWeight, FW_BOLD);
    // A font made from the stock font's description measures the same.
    HFONT copy = CreateFontIndirectA(&description);
    ASSERT_NE(copy, nullptr);
    const int stockWidth = widthOf("Score: 12 Temps restant: 30");
    SelectObject(dc_, copy);
    EXPECT_EQ(widthOf("Score: 12 Temps restant: 30"), stockWidth);
    SelectObject(dc_, GetStockObject(SYSTEM_FONT));
    DeleteObject(copy);
}

TEST_F(DrawText, MeasuresLinesAsTheSumOfTheirAdvances) {
    EXPECT_EQ(widthOf("fps: 60"), widthOf("fps: ") + widthOf("60")) << "no kerning";
    RECT rect{10, 20, 300, 300};
    EXPECT_EQ(DrawTextA(dc_, "fps\nScore", -1, &rect, DT_CALCRECT), 32);
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.top, 20);
    EXPECT_EQ(rect.right, 10 + widthOf("Score")) << "the widest line";
    EXPECT_EQ(rect.bottom, 52);

    const auto heightOf = [&](const char* text, UINT format) {
        RECT box{0, 0, Width, Height};
        return DrawTextA(dc_, text, -1, &box, format | DT_CALCRECT);
    };
    EXPECT_EQ(heightOf("a\r\nb", 0), 32) << "CR LF is one break";
    EXPECT_EQ(heightOf("a\n\nb", 0), 48);
    EXPECT_EQ(heightOf("a\n", 0), 16) << "a final break opens no line";
    EXPECT_EQ(heightOf("a\nb", DT_SINGLELINE), 16);
    EXPECT_EQ(heightOf("", 0), 0);
    RECT empty{5, 5, 50, 50};
    EXPECT_EQ(DrawTextA(dc_, "", 0, &empty, DT_CALCRECT), 0);
    EXPECT_EQ(empty.right, 5);
    EXPECT_EQ(empty.bottom, 5);

    EXPECT_EQ(widthOf("&Fichier"), widthOf("Fichier")) << "a mnemonic prefix is hidden";
    EXPECT_EQ(widthOf("a&&b"), widthOf("a&b", DT_NOPREFIX)) << "a doubled prefix shows one";
    EXPECT_EQ(widthOf("&Fichier", DT_NOPREFIX), widthOf("&", DT_NOPREFIX) + widthOf("Fichier"));
}

TEST_F(DrawText, WordBreakWrapsBetweenWordsOnly) {
    const int full = widthOf("Temps restant");
    RECT rect{0, 0, full - 1, Height};
    EXPECT_EQ(DrawTextA(dc_, "Temps restant", -1, &rect, DT_WORDBREAK | DT_CALCRECT), 32);
    EXPECT_EQ(rect.right, std::max(widthOf("Temps"), widthOf("restant")))
        << "the space at the break is dropped";
    rect = RECT{0, 0, full, Height};
    EXPECT_EQ(DrawTextA(dc_, "Temps restant", -1, &rect, DT_WORDBREAK | DT_CALCRECT), 16);
    rect = RECT{0, 0, 5, Height};
    EXPECT_EQ(DrawTextA(dc_, "Anticonstitutionnellement", -1, &rect, DT_WORDBREAK | DT_CALCRECT),
              16)
        << "a word wider than the rectangle stays whole";
    EXPECT_EQ(rect.right, widthOf("Anticonstitutionnellement"));
}

TEST_F(DrawText, PlacesTextByItsAlignmentFlags) {
    const char* text = "fps: 60";
    const int width = widthOf(text);
    const std::vector<uint32_t> left = drawn(text, RECT{0, 0, Width, Height}, DT_LEFT);
    ASSERT_NE(std::count(left.begin(), left.end(), 0xFFFFFFu), 0);

    EXPECT_EQ(drawn(text, RECT{0, 0, Width, Height}, DT_CENTER),
              shifted(left, (Width - width) / 2));
    EXPECT_EQ(drawn(text, RECT{0, 0, Width - 1, Height}, DT_CENTER),
              shifted(left, (Width - 1 - width) / 2))
        << "an odd remainder rounds down";
    EXPECT_EQ(drawn(text, RECT{0, 0, Width, Height}, DT_RIGHT), shifted(left, Width - width));
    EXPECT_EQ(drawn(text, RECT{0, 0, Width, Height}, DT_RIGHT | DT_CENTER),
              shifted(left, Width - width))
        << "DT_RIGHT wins";
    // Text wider than its rectangle: the left edge goes left of it, rounded down.
    EXPECT_EQ(drawn(text, RECT{20, 0, 20 + width - 3, Height}, DT_CENTER | DT_NOCLIP),
              shifted(left, 20 - 2));

    RECT rect{0, 0, Width, 40};
    fillDib(0);
    EXPECT_EQ(DrawTextA(dc_, text, -1, &rect, DT_SINGLELINE | DT_VCENTER), 28)
        << "the offset from the top to the text's bottom";
    EXPECT_EQ(pixels(), shifted(left, 0, 12));
    fillDib(0);
    EXPECT_EQ(DrawTextA(dc_, text, -1, &rect, DT_SINGLELINE | DT_BOTTOM), 40);
    EXPECT_EQ(pixels(), shifted(left, 0, 24));
    EXPECT_EQ(drawn(text, rect, DT_VCENTER), left) << "vertical alignment needs DT_SINGLELINE";

    // Each line of several is aligned on its own.
    const std::vector<uint32_t> second = drawn("60", RECT{0, 16, Width, Height}, DT_LEFT);
    std::vector<uint32_t> expected =
        shifted(drawn("fps:", RECT{0, 0, Width, Height}, DT_LEFT), Width - widthOf("fps:"));
    const std::vector<uint32_t> secondRight = shifted(second, Width - widthOf("60"));
    for (size_t i = size_t(16 * Width); i < expected.size(); ++i)
        expected[i] = secondRight[i];
    EXPECT_EQ(drawn("fps:\n60", RECT{0, 0, Width, Height}, DT_RIGHT), expected);
}

TEST_F(DrawText, ClipsToTheRectangleUnlessToldNotTo) {
    fillDib(0x01020304);
    RECT rect{0, 0, 5, 16};
    EXPECT_EQ(DrawTextA(dc_, "Score", -1, &rect, DT_LEFT), 16);
    for (int y = 0; y < Height; ++y)
        for (int x = 5; x < Width; ++x)
            ASSERT_EQ(at(x, y), 0x01020304u) << x << "," << y;
    EXPECT_NE(at(0, 8), 0x01020304u) << "the box inside the rectangle is drawn";

    fillDib(0x01020304);
    DrawTextA(dc_, "Score", -1, &rect, DT_LEFT | DT_NOCLIP);
    EXPECT_EQ(at(widthOf("Score") - 1, 0), 0u) << "the background of the whole line";

    // A rectangle partly outside the DIB draws the part inside.
    rect = RECT{-3, -5, Width, Height};
    EXPECT_EQ(DrawTextA(dc_, "Score", -1, &rect, DT_LEFT), 16);
}

TEST_F(DrawText, GreyLevelsInTheTextColourOverTheBackground) {
    const std::vector<uint32_t> white = drawn("Bosquetir", RECT{0, 0, Width, Height}, DT_LEFT);
    bool partial = false;
    bool full = false;
    for (uint32_t pixel : white) {
        const uint32_t blue = pixel & 0xFF;
        ASSERT_EQ(pixel, blue * 0x010101u) << "grey: equal channels, fourth byte 0";
        partial |= blue > 0 && blue < 255;
        full |= blue == 255;
    }
    EXPECT_TRUE(partial) << "anti-aliased edges";
    EXPECT_TRUE(full) << "solid stems";

    SetTextColor(dc_, RGB(255, 0, 0));
    const std::vector<uint32_t> red = drawn("Bosquetir", RECT{0, 0, Width, Height}, DT_LEFT);
    SetTextColor(dc_, RGB(0, 0, 0));
    SetBkColor(dc_, RGB(255, 255, 255));
    const std::vector<uint32_t> inverse = drawn("Bosquetir", RECT{0, 0, Width, Height}, DT_LEFT);
    const int lineWidth = widthOf("Bosquetir");
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < lineWidth; ++x) {
            const uint32_t level = white[y * Width + x] & 0xFF;
            ASSERT_EQ(red[y * Width + x], level << 16) << "red is the third byte";
            ASSERT_EQ(inverse[y * Width + x], (255 - level) * 0x010101u);
        }
    EXPECT_EQ(inverse[16 * Width], 0u) << "below the line nothing is filled";

    SetTextColor(dc_, RGB(0, 0, 255));
    SetBkMode(dc_, TRANSPARENT);
    fillDib(0x00204060);
    RECT rect{0, 0, Width, Height};
    DrawTextA(dc_, "Bosquetir", -1, &rect, DT_LEFT);
    for (int i = 0; i < Width * Height; ++i) {
        const uint32_t level = white[size_t(i)] & 0xFF;
        if (level == 0) {
            ASSERT_EQ(bits_[i], 0x00204060u) << "a transparent background stays";
        } else if (level == 255) {
            ASSERT_EQ(bits_[i], 0x000000FFu) << "blue is the lowest byte";
        }
    }
}

// In OPAQUE mode only the line's cells are filled; a glyph's box may reach past them (italic
// and bold faces overhang their advance), and there its empty pixels must stay as they were.
TEST_F(DrawText, OpaqueTextLeavesPixelsOutsideItsCellsAlone) {
    constexpr uint32_t Old = 0xAB204060u;
    const char* const samples[] = {"W", "f", "Wf", "ffff", "j", "\xC9t\xE9", "Score: 12"};
    for (const char* text : samples) {
        fillDib(Old);
        RECT rect{8, 8, Width, Height};
        DrawTextA(dc_, text, -1, &rect, DT_NOCLIP);
        const int right = 8 + widthOf(text);
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x) {
                const bool inCells = x >= 8 && x < right && y >= 8 && y < 24;
                if (!inCells && at(x, y) != Old) {
                    const uint32_t pixel = at(x, y);
                    ASSERT_EQ(pixel >> 24, 0u) << text << " at " << x << "," << y;
                    ASSERT_NE(pixel & 0xFFFFFF, Old & 0xFFFFFF) << text << " at " << x << "," << y;
                }
            }
    }
}

// OPAQUE text is its line cells filled with the background and the glyphs blended over them,
// also where neighbouring glyphs overlap, as slanted ones do.
TEST_F(DrawText, OpaqueTextIsTheGlyphsOverFilledCells) {
    LOGFONTA slanted{};
    slanted.lfHeight = 24;
    slanted.lfItalic = TRUE;
    std::strcpy(slanted.lfFaceName, "Sans");
    const HFONT italic = CreateFontIndirectA(&slanted);
    ASSERT_NE(italic, nullptr);
    constexpr uint32_t Old = 0x00336699u;
    for (const HGDIOBJ font : {GetStockObject(SYSTEM_FONT), HGDIOBJ(italic)}) {
        SelectObject(dc_, font);
        for (const char* text : {"ffff", "Wf/AV", "Été jy", "fps: 1234"}) {
            fillDib(Old);
            RECT rect{8, 8, Width, Height};
            DrawTextA(dc_, text, -1, &rect, DT_NOCLIP);
            const std::vector<uint32_t> opaque = pixels();

            fillDib(Old);
            RECT cells{8, 8, Width, Height};
            DrawTextA(dc_, text, -1, &cells, DT_NOCLIP | DT_CALCRECT);
            for (LONG y = cells.top; y < cells.bottom; ++y)
                std::fill(bits_ + y * Width + cells.left, bits_ + y * Width + cells.right, 0u);
            SetBkMode(dc_, TRANSPARENT);
            DrawTextA(dc_, text, -1, &rect, DT_NOCLIP);
            SetBkMode(dc_, OPAQUE);
            for (int i = 0; i < Width * Height; ++i)
                ASSERT_EQ(bits_[i], opaque[size_t(i)])
                    << text << (font == italic ? " in italic" : "") << " at " << i % Width << ","
                    << i / Width;
        }
    }
    SelectObject(dc_, GetStockObject(SYSTEM_FONT));
    DeleteObject(italic);
}

TEST_F(DrawText, Windows1252CharactersAreTheirUnicodeGlyphs) {
    struct Pair {
        const char* ansi;
        const char16_t* wide;
    };
    for (const Pair& pair : {Pair{"arri\xE8re-plan", u"arri\u00E8re-plan"},
                             Pair{"d\xE9marre d\xE8s", u"d\u00E9marre d\u00E8s"},
                             Pair{"\x80\x9C\xE7\xC0", u"\u20AC\u0153\u00E7\u00C0"}}) {
        const std::vector<uint32_t> narrow = drawn(pair.ansi, RECT{0, 0, Width, Height}, DT_LEFT);
        fillDib(0);
        RECT rect{0, 0, Width, Height};
        DrawTextW(dc_, reinterpret_cast<LPCWSTR>(pair.wide), -1, &rect, DT_LEFT);
        EXPECT_EQ(narrow, pixels()) << pair.ansi;
    }
    EXPECT_NE(drawn("\xE9", RECT{0, 0, Width, Height}, DT_LEFT),
              drawn("e", RECT{0, 0, Width, Height}, DT_LEFT))
        << "the accent is drawn";
}

TEST_F(DrawText, BottomUpDibsHoldTheTopRowLast) {
    const std::vector<uint32_t> topDown = drawn("Ag", RECT{0, 0, Width, Height}, DT_LEFT);
    uint32_t* bottomUpBits = nullptr;
    HBITMAP bottomUp = createDib(Width, Height, &bottomUpBits);
    ASSERT_NE(bottomUp, nullptr);
    SelectObject(dc_, bottomUp);
    RECT rect{0, 0, Width, Height};
    DrawTextA(dc_, "Ag", -1, &rect, DT_LEFT);
    SelectObject(dc_, dib_);
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            ASSERT_EQ(bottomUpBits[(Height - 1 - y) * Width + x], topDown[y * Width + x]);
    DeleteObject(bottomUp);
}

TEST_F(DrawText, RefusesWhatItCannotDo) {
    RECT rect{0, 0, Width, Height};
    EXPECT_EQ(DrawTextA(dc_, "a\tb", -1, &rect, DT_EXPANDTABS), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_SUPPORTED));
    EXPECT_EQ(DrawTextA(nullptr, "a", -1, &rect, 0), 0);
    EXPECT_EQ(DrawTextA(dc_, nullptr, -1, &rect, 0), 0);
    EXPECT_EQ(DrawTextA(dc_, "a", -1, nullptr, 0), 0);
    EXPECT_EQ(DrawTextW(dc_, nullptr, -1, &rect, 0), 0);
    EXPECT_EQ(DrawTextA(dc_, "a", -2, &rect, 0), 0);

    // A DC with only its 1 x 1 stock bitmap measures and draws nothing.
    HDC bare = CreateCompatibleDC(nullptr);
    EXPECT_EQ(DrawTextA(bare, "a", -1, &rect, 0), 16);
    DeleteDC(bare);

    // Rectangles at the ends of the 32-bit range do not overflow; the offset to the text's
    // bottom is more than an int holds and is answered as the largest one.
    RECT extreme{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    EXPECT_EQ(DrawTextA(dc_, "a", -1, &extreme, DT_CENTER | DT_SINGLELINE | DT_VCENTER), INT32_MAX);
}

} // namespace
