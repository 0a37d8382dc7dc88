// A memory DC with a 32-bit top-down DIB section selected, set up as the text renderer sets
// its own: opaque black background, white text, the stock system font.
#pragma once

#include "windows.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

class DibTest : public ::testing::Test {
protected:
    static constexpr int Width = 256;
    static constexpr int Height = 64;

    void SetUp() override {
        dc_ = CreateCompatibleDC(nullptr);
        ASSERT_NE(dc_, nullptr);
        dib_ = createDib(Width, -Height, &bits_);
        ASSERT_NE(dib_, nullptr);
        initialBitmap_ = SelectObject(dc_, dib_);
        SetBkMode(dc_, OPAQUE);
        SetBkColor(dc_, RGB(0, 0, 0));
        SetTextColor(dc_, RGB(255, 255, 255));
    }

    void TearDown() override {
        SelectObject(dc_, initialBitmap_);
        DeleteObject(dib_);
        DeleteDC(dc_);
    }

    static HBITMAP createDib(int width, int height, uint32_t** bits) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* pixels = nullptr;
        HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
        *bits = static_cast<uint32_t*>(pixels);
        return bitmap;
    }

    void fillDib(uint32_t pixel) { std::fill(bits_, bits_ + Width * Height, pixel); }
    uint32_t at(int x, int y) const { return bits_[y * Width + x]; }
    std::vector<uint32_t> pixels() const {
        return std::vector<uint32_t>(bits_, bits_ + Width * Height);
    }

    // The width DT_CALCRECT reports for a string in the DC's font.
    int widthOf(const char* text, UINT format = 0) {
        RECT rect{0, 0, Width, Height};
        DrawTextA(dc_, text, -1, &rect, format | DT_CALCRECT);
        return rect.right - rect.left;
    }

    // Draws into a cleared DIB and returns the pixels.
    std::vector<uint32_t> drawn(const char* text, RECT rect, UINT format) {
        fillDib(0);
        DrawTextA(dc_, text, -1, &rect, format);
        return pixels();
    }

    // The image moved right by dx (columns shifted in from the left are 0).
    static std::vector<uint32_t> shifted(const std::vector<uint32_t>& image, int dx, int dy = 0) {
        std::vector<uint32_t> moved(image.size(), 0);
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x) {
                const int fromX = x - dx;
                const int fromY = y - dy;
                if (fromX >= 0 && fromX < Width && fromY >= 0 && fromY < Height)
                    moved[y * Width + x] = image[fromY * Width + fromX];
            }
        return moved;
    }

    HDC dc_ = nullptr;
    HBITMAP dib_ = nullptr;
    HGDIOBJ initialBitmap_ = nullptr;
    uint32_t* bits_ = nullptr;
};
