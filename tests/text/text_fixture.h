// Shared by the text tests: a headless device with text renderers on it, frames drawn between
// the renderer's begin and end, and the reference the drawn text is checked against: the same
// string rendered by GDI into a DIB of our own, its grey levels blended in the text colour.
#pragma once

#include "text/text_rasterizer.h"
#include "text/text_renderer.h"

#include "tests/sprite/device_fixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace text_test {

using platform_ext::PresentedFrame;

constexpr D3DCOLOR Background = 0xFF102030;

inline LOGFONTA fontOfHeight(LONG height, LONG weight = FW_BOLD) {
    LOGFONTA font = {};
    font.lfHeight = height;
    font.lfWeight = weight;
    font.lfCharSet = ANSI_CHARSET;
    font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    return font;
}

// Grey levels of a string as GDI renders it white on black in a top-down DIB.
class GreyImage {
public:
    GreyImage(const LOGFONTA& description, const char* text, LONG width, LONG height, UINT format)
        : width_(width), height_(height) {
        HDC dc = CreateCompatibleDC(nullptr);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HFONT font = CreateFontIndirectA(&description);
        EXPECT_NE(dib, nullptr);
        EXPECT_NE(font, nullptr);
        HGDIOBJ oldBitmap = SelectObject(dc, dib);
        HGDIOBJ oldFont = SelectObject(dc, font);
        SetBkMode(dc, OPAQUE);
        SetBkColor(dc, 0);
        SetTextColor(dc, 0xFFFFFF);
        RECT r = {0, 0, width, height};
        DrawTextA(dc, text, -1, &r, format);
        const uint32_t* pixels = static_cast<const uint32_t*>(bits);
        grey_.resize(size_t(width) * height);
        for (size_t i = 0; i < grey_.size(); ++i)
            grey_[i] = uint8_t(pixels[i] & 0xFF);
        SelectObject(dc, oldFont);
        SelectObject(dc, oldBitmap);
        DeleteObject(font);
        DeleteObject(dib);
        DeleteDC(dc);
    }

    LONG width() const { return width_; }
    LONG height() const { return height_; }
    uint8_t at(LONG x, LONG y) const { return grey_[size_t(y) * width_ + x]; }
    bool blank() const {
        for (uint8_t g : grey_)
            if (g != 0)
                return false;
        return true;
    }

private:
    LONG width_, height_;
    std::vector<uint8_t> grey_;
};

// The colour blended over the background with alpha = grey x the colour's alpha.
inline uint32_t blendedText(uint32_t background, D3DCOLOR color, uint8_t grey) {
    const uint32_t alpha = (grey * (color >> 24) + 127) / 255;
    uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t src = (color >> shift) & 0xFF;
        const uint32_t dst = (background >> shift) & 0xFF;
        out |= ((src * alpha + dst * (255 - alpha) + 127) / 255) << shift;
    }
    return out;
}

inline uint32_t alphaTestedText(uint32_t background, D3DCOLOR color, uint8_t grey) {
    const uint32_t alpha = (grey * (color >> 24) + 127) / 255;
    return alpha >= 127 ? (color | 0xFF000000u) : background;
}

inline bool closeColours(uint32_t a, uint32_t b, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance)
            return false;
    return true;
}

// A grey image drawn with its top-left corner at (x, y).
struct PlacedText {
    const GreyImage* image;
    LONG x, y;
    D3DCOLOR color;
};

class TextFixture : public sprite_test::DeviceFixture {
protected:
    void TearDown() override {
        for (TextRenderer*& r : renderers_)
            if (r != nullptr)
                r->release();
        renderers_.clear();
    }

    // A renderer held by the fixture until the end of the test.
    TextRenderer* renderer(const LOGFONTA& description) {
        TextRenderer* r = nullptr;
        EXPECT_EQ(createTextRenderer(device.get(), &description, &r), S_OK);
        renderers_.push_back(r);
        return r;
    }

    TextRasterizer* rasterizer() { return TextRasterizer::findRasterizer(device.get()); }

    // Clears to the background and runs the draws inside a scene and the renderer's begin
    // ... end, then presents.
    template <class Draws> PresentedFrame frame(TextRenderer* r, Draws draws) {
        clear(Background);
        EXPECT_EQ(device->BeginScene(), D3D_OK);
        EXPECT_EQ(r->begin(), S_OK);
        draws();
        EXPECT_EQ(r->end(), S_OK);
        EXPECT_EQ(device->EndScene(), D3D_OK);
        return present();
    }

    // Every pixel of the frame is the background, except the grey images placed on it and
    // blended in their colours (later ones over earlier ones). Returns the number of wrong
    // pixels; the first few are reported.
    int compareWithText(const PresentedFrame& f, const std::vector<PlacedText>& texts) {
        int wrong = 0;
        for (UINT y = 0; y < f.height; ++y)
            for (UINT x = 0; x < f.width; ++x) {
                uint32_t want = Background;
                for (const PlacedText& t : texts) {
                    const LONG ix = LONG(x) - t.x;
                    const LONG iy = LONG(y) - t.y;
                    if (ix >= 0 && iy >= 0 && ix < t.image->width() && iy < t.image->height())
                        want = alphaTested
                                   ? alphaTestedText(want, t.color, t.image->at(ix, iy))
                                   : blendedText(want, t.color, tileGrey(t.image->at(ix, iy)));
                }
                if (!closeColours(f.at(x, y), want, 1) && ++wrong <= 5)
                    ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex
                                  << f.at(x, y) << ", expected " << want;
            }
        return wrong;
    }
    int compareWithText(const PresentedFrame& f, const GreyImage& image, LONG x, LONG y,
                        D3DCOLOR color) {
        return compareWithText(f, {{&image, x, y, color}});
    }

    // The grey level as a tile texture of `tileAlphaBits` alpha bits stores it.
    uint8_t tileGrey(uint8_t grey) const {
        const uint32_t top = (1u << tileAlphaBits) - 1;
        const uint32_t stored = (grey * top + 127) / 255;
        return uint8_t((stored * 255 + top / 2) / top);
    }

    std::vector<TextRenderer*> renderers_;
    int tileAlphaBits = 8;
    bool alphaTested = false; // a device without blending keeps texels of alpha 127 and up
};

} // namespace text_test
