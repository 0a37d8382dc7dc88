// Text rendered by the software device and compared, pixel by pixel, with GDI's own rendering
// of the same string: placement in the rectangle, centring, cutting, DT_CALCRECT, the empty
// string, negative positions, colour alpha, wide text, and the tile paths of each device kind.
#include "tests/text/text_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using text_test::Background;
using text_test::fontOfHeight;
using text_test::GreyImage;
using text_test::PresentedFrame;

struct TileCase {
    const char* name;
    uint32_t profile;
};

void PrintTo(const TileCase& c, std::ostream* out) {
    *out << c.name;
}

class TextDrawTest : public text_test::TextFixture, public ::testing::WithParamInterface<TileCase> {
protected:
    void SetUp() override {
        createDevice(GetParam().profile);
        system = renderer(systemFont());
        alphaTested = GetParam().profile == platform_ext::ProfileNoBlend;
        // Without A8R8G8B8 textures the tiles take the device's closest format.
        switch (rasterizer()->tileFormat()) {
        case D3DFMT_A8R8G8B8:
            break;
        case D3DFMT_A4R4G4B4:
            tileAlphaBits = 4;
            break;
        case D3DFMT_A1R5G5B5:
            tileAlphaBits = 1;
            break;
        default:
            FAIL() << "tile format " << rasterizer()->tileFormat();
        }
    }

    static LOGFONTA systemFont() {
        LOGFONTA font;
        EXPECT_NE(GetObjectA(GetStockObject(SYSTEM_FONT), sizeof(font), &font), 0);
        return font;
    }

    // The text's size as DT_CALCRECT reports it through the renderer.
    SIZE measure(TextRenderer* r, const char* text) {
        RECT rect = {0, 0, 640, 480};
        EXPECT_GT(r->drawText(text, -1, &rect, DT_CALCRECT, 0xFFFFFFFF), 0);
        return {rect.right - rect.left, rect.bottom - rect.top};
    }

    TextRenderer* system = nullptr;
};

TEST_P(TextDrawTest, TheFrameCounterIsDrawnAtTheTopLeft) {
    const char* text = "fps: 1234";
    const SIZE size = measure(system, text);
    RECT rect = {0, 0, 640, 480};
    int result = 0;
    const PresentedFrame f =
        frame(system, [&] { result = system->drawText(text, -1, &rect, 0, 0xFF00FF00); });
    EXPECT_EQ(result, size.cy);
    const GreyImage expected(systemFont(), text, size.cx, size.cy, 0);
    ASSERT_FALSE(expected.blank());
    EXPECT_EQ(compareWithText(f, expected, 0, 0, 0xFF00FF00), 0);
}

TEST_P(TextDrawTest, TheStatusLineIsCentredOnTheTopLine) {
    const char* text = "Score: 12 Temps restant: 17";
    const SIZE size = measure(system, text);
    RECT rect = {0, 0, 640, 480};
    const PresentedFrame f =
        frame(system, [&] { system->drawText(text, -1, &rect, DT_CENTER, 0xFFFF0000); });
    const GreyImage expected(systemFont(), text, size.cx, size.cy, 0);
    EXPECT_EQ(compareWithText(f, expected, (640 - size.cx) / 2, 0, 0xFFFF0000), 0);
}

TEST_P(TextDrawTest, TextWiderThanTheRectangleIsCutAtBothEndsWhenCentred) {
    const char* text = "The quick brown fox jumps over the lazy dog";
    const SIZE size = measure(system, text);
    ASSERT_GT(size.cx, 100);
    for (UINT format : {UINT(DT_LEFT), UINT(DT_CENTER), UINT(DT_RIGHT)}) {
        RECT rect = {100, 50, 200, 90};
        const PresentedFrame f =
            frame(system, [&] { system->drawText(text, -1, &rect, format, 0xFFFFFFFF); });
        // GDI places the text inside the cut area, 100 pixels wide.
        const GreyImage expected(systemFont(), text, 100, size.cy, format);
        EXPECT_EQ(compareWithText(f, expected, 100, 50, 0xFFFFFFFF), 0) << "format " << format;
    }
}

TEST_P(TextDrawTest, TextIsPlacedByTheRightAndBottomFlags) {
    const char* text = "Bosquetir";
    const SIZE size = measure(system, text);
    RECT rect = {10, 20, 300, 200};
    const PresentedFrame f = frame(system, [&] {
        system->drawText(text, -1, &rect, DT_RIGHT | DT_BOTTOM, 0xFFFFFFFF);
        RECT middle = {10, 220, 301, 301};
        system->drawText(text, -1, &middle, DT_CENTER | DT_RIGHT | DT_VCENTER, 0xFF00FFFF);
    });
    const GreyImage expected(systemFont(), text, size.cx, size.cy, 0);
    // DT_RIGHT wins over DT_CENTER; DT_VCENTER halves towards minus infinity.
    const LONG middleTop = (220 - size.cy + 301) >> 1;
    EXPECT_EQ(compareWithText(f, {{&expected, 300 - size.cx, 200 - size.cy, 0xFFFFFFFF},
                                  {&expected, 301 - size.cx, middleTop, 0xFF00FFFF}}),
              0);
}

TEST_P(TextDrawTest, CalcRectReportsThePlacedUncutExtentAndDrawsNothing) {
    const char* text = "The quick brown fox jumps over the lazy dog";
    const SIZE size = measure(system, text);
    const HBITMAP dib = rasterizer()->dib();
    RECT rect = {10, 20, 110, 30};
    int result = 0;
    const PresentedFrame f = frame(system, [&] {
        result = system->drawText(text, -1, &rect, DT_CENTER | DT_CALCRECT, 0xFFFFFFFF);
    });
    EXPECT_EQ(result, size.cy);
    const LONG left = (10 - size.cx + 110) >> 1;
    EXPECT_EQ(rect.left, left);
    EXPECT_EQ(rect.right, left + size.cx);
    EXPECT_EQ(rect.top, 20);
    EXPECT_EQ(rect.bottom, 20 + size.cy);
    for (uint32_t p : f.pixels)
        ASSERT_EQ(p, Background);
    EXPECT_EQ(rasterizer()->dib(), dib);
}

TEST_P(TextDrawTest, TheEmptyStringDrawsNothing) {
    RECT rect = {0, 0, 640, 480};
    const PresentedFrame f = frame(system, [&] { system->drawText("", -1, &rect, 0, 0xFFFFFFFF); });
    for (uint32_t p : f.pixels)
        ASSERT_EQ(p, Background);
}

TEST_P(TextDrawTest, ARectangleLeftOfAndAboveTheOriginDrawsTheVisiblePart) {
    const char* text = "Negative";
    const SIZE size = measure(system, text);
    RECT rect = {-7, -5, 633, 475};
    const PresentedFrame f =
        frame(system, [&] { system->drawText(text, -1, &rect, 0, 0xFFFFFF00); });
    const GreyImage expected(systemFont(), text, size.cx, size.cy, 0);
    EXPECT_EQ(compareWithText(f, expected, -7, -5, 0xFFFFFF00), 0);
}

TEST_P(TextDrawTest, TheColourAlphaScalesTheGreyLevels) {
    const char* text = "Translucent";
    const SIZE size = measure(system, text);
    RECT rect = {30, 40, 640, 480};
    const PresentedFrame f =
        frame(system, [&] { system->drawText(text, 5, &rect, 0, 0x80FFFF00); });
    // Only the first five characters, as the count says.
    const GreyImage expected(systemFont(), "Trans", measure(system, "Trans").cx, size.cy, 0);
    EXPECT_EQ(compareWithText(f, expected, 30, 40, 0x80FFFF00), 0);
}

TEST_P(TextDrawTest, AStringTallerThanATileRowIsDrawnWhole) {
    // Three lines of a big font: several rows of tiles, each row several tiles wide.
    const LOGFONTA big = fontOfHeight(28);
    TextRenderer* r = renderer(big);
    const char* text = "Premier\nDeuxi\xE8me ligne\nTroisi\xE8me";
    const SIZE size = measure(r, text);
    ASSERT_GT(size.cy, 2 * LONG(rasterizer()->tileHeight()));
    // A block of glyphs first, so that what GDI leaves alone beside the short lines must have
    // been cleared by the renderer.
    RECT dirty = {0, 0, 640, 480};
    frame(r, [&] {
        r->drawText("WWWWWWWWWWWW\nWWWWWWWWWWWW\nWWWWWWWWWWWW", -1, &dirty, 0, 0xFFFFFFFF);
    });
    RECT rect = {5, 7, 640, 480};
    const PresentedFrame f = frame(r, [&] { r->drawText(text, -1, &rect, 0, 0xFFFF8000); });
    const GreyImage expected(big, text, size.cx, size.cy, 0);
    EXPECT_EQ(compareWithText(f, expected, 5, 7, 0xFFFF8000), 0);
}

TEST_P(TextDrawTest, TwoRenderersDrawInTheirOwnFontsWithinOnePair) {
    const LOGFONTA bigFont = fontOfHeight(24, FW_NORMAL);
    TextRenderer* big = renderer(bigFont);
    const SIZE small = measure(system, "petit");
    const SIZE large = measure(big, "grand");
    RECT first = {0, 0, 640, 480}, second = {0, 100, 640, 480}, third = {0, 200, 640, 480};
    clear(Background);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(system->begin(), S_OK);
    system->drawText("petit", -1, &first, 0, 0xFFFFFFFF);
    big->drawText("grand", -1, &second, 0, 0xFFFFFFFF);
    system->drawText("petit", -1, &third, 0, 0xFFFFFFFF);
    ASSERT_EQ(big->end(), S_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    const GreyImage smallText(systemFont(), "petit", small.cx, small.cy, 0);
    const GreyImage largeText(bigFont, "grand", large.cx, large.cy, 0);
    EXPECT_EQ(compareWithText(present(), {{&smallText, 0, 0, 0xFFFFFFFF},
                                          {&largeText, 0, 100, 0xFFFFFFFF},
                                          {&smallText, 0, 200, 0xFFFFFFFF}}),
              0);
}

TEST_P(TextDrawTest, WideTextDrawsAsItsNarrowTwinOnEveryPlatform) {
    const char* narrow = "\xC9t\xE9 \xE0 la for\xEAt";
    const char16_t* wide = u"\u00C9t\u00E9 \u00E0 la for\u00EAt";
    const SIZE size = measure(system, narrow);
    const GreyImage expected(systemFont(), narrow, size.cx, size.cy, 0);
    RECT rect = {20, 20, 640, 480};
    PresentedFrame f = frame(system, [&] { system->drawTextWide(wide, -1, &rect, 0, 0xFFFFFFFF); });
    EXPECT_EQ(compareWithText(f, expected, 20, 20, 0xFFFFFFFF), 0);

    // Where wide text cannot be drawn, it goes through the ANSI code page first.
    platform_ext::setVersionHook([](OSVERSIONINFOA* info) -> BOOL {
        info->dwMajorVersion = 4;
        info->dwMinorVersion = 10;
        info->dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
        return TRUE;
    });
    int counted = 0;
    f = frame(system, [&] {
        system->drawTextWide(wide, -1, &rect, 0, 0xFFFFFFFF);
        RECT below = {20, 60, 640, 480};
        counted = system->drawTextWide(wide, 3, &below, 0, 0xFFFFFFFF);
    });
    platform_ext::setVersionHook(nullptr);
    EXPECT_EQ(counted, size.cy);
    const GreyImage three(systemFont(), "\xC9t\xE9", measure(system, "\xC9t\xE9").cx, size.cy, 0);
    EXPECT_EQ(compareWithText(f, {{&expected, 20, 20, 0xFFFFFFFF}, {&three, 20, 60, 0xFFFFFFFF}}),
              0);
}

// On a device with several draw threads, a scene large enough is handed to them while the
// caller goes on, here rasterising and uploading the text: the frame must be the one drawn when
// the scene was finished (by a copy out of the back buffer) before the text began.
TEST_P(TextDrawTest, ASceneDrawnWhileTheTextIsRasterisedGivesTheSamePixels) {
    auto picture = makeTexture(640, 480, D3DFMT_X8R8G8B8, [](UINT x, UINT y) {
        return 0xFF000000u | (x * 7 + y * 13) % 251 << 16 | (x ^ y) % 256 << 8 | (x * y) % 253;
    });
    ASSERT_TRUE(picture);
    ComRef<IDirect3DSurface8> back;
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, back.out()), D3D_OK);
    D3DSURFACE_DESC desc;
    ASSERT_EQ(back->GetDesc(&desc), D3D_OK);
    ComRef<IDirect3DSurface8> pixel;
    ASSERT_EQ(device->CreateImageSurface(1, 1, desc.Format, pixel.out()), D3D_OK);
    struct Vertex {
        float x, y, z, rhw;
        D3DCOLOR color;
        float u, v;
    };
    const auto draw = [&](bool finishSceneFirst) {
        clear(Background);
        EXPECT_EQ(device->BeginScene(), D3D_OK);
        device->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
        device->SetTexture(0, picture.get());
        const Vertex quad[4] = {{0, 0, 0, 1, 0xFFFFFFFF, 0, 0},
                                {640, 0, 0, 1, 0xFFFFFFFF, 1, 0},
                                {640, 480, 0, 1, 0xFFFFFFFF, 1, 1},
                                {0, 480, 0, 1, 0xFFFFFFFF, 0, 1}};
        EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(Vertex)), D3D_OK);
        device->SetTexture(0, nullptr);
        if (finishSceneFirst) {
            // A copy out of the back buffer needs its pixels.
            const RECT corner = {0, 0, 1, 1};
            EXPECT_EQ(device->CopyRects(back.get(), &corner, 1, pixel.get(), nullptr), D3D_OK);
        }
        EXPECT_EQ(system->begin(), S_OK);
        RECT client = {0, 0, 640, 480};
        system->drawText("fps: 1234", -1, &client, 0, 0xFF00FF00);
        system->drawText("Score: 12 Temps restant: 17", -1, &client, DT_CENTER, 0xFFFF0000);
        EXPECT_EQ(system->end(), S_OK);
        EXPECT_EQ(device->EndScene(), D3D_OK);
        return present();
    };
    platform_ext::FrameBreakdown before, after;
    platform_ext::readFrameBreakdown(&before);
    const PresentedFrame overlapped = draw(false);
    platform_ext::readFrameBreakdown(&after);
    const PresentedFrame sequential = draw(true);
    // Several threads take the overlapping path; one draws every call at once.
    if (platform_ext::drawThreadCount(device.get()) > 1)
        EXPECT_GT(after.earlyPlays, before.earlyPlays);
    else
        EXPECT_EQ(after.earlyPlays, before.earlyPlays);
    ASSERT_EQ(overlapped.pixels.size(), sequential.pixels.size());
    int textPixels = 0;
    for (size_t i = 0; i < overlapped.pixels.size(); ++i) {
        ASSERT_EQ(overlapped.pixels[i], sequential.pixels[i])
            << "pixel " << i % 640 << ", " << i / 640;
        textPixels += overlapped.pixels[i] == 0xFFFF0000u || overlapped.pixels[i] == 0xFF00FF00u;
    }
    EXPECT_GT(textPixels, 50); // both lines are there, over the picture
}

INSTANTIATE_TEST_SUITE_P(
    Tiles, TextDrawTest,
    ::testing::Values(TileCase{"dynamic", 0}, TileCase{"managed", platform_ext::ProfileNoDynamic},
                      TileCase{"converted", platform_ext::ProfileFewFormats},
                      TileCase{"untransformed", platform_ext::ProfileUntransformed},
                      TileCase{"noblend", platform_ext::ProfileNoBlend}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
