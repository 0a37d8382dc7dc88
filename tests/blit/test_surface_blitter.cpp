// The blit engine over caller memory: strategy choice by size and filter, the colour key,
// FilterNone placement, range conversion, packed YUV pairs and the refusals of bad input.
#include "blit/surface_blitter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A 32-bit image with a guard band of `margin` pixels around the rectangle it describes.
struct Image32 {
    uint32_t width, height, margin;
    std::vector<uint32_t> pixels;

    Image32(uint32_t w, uint32_t h, uint32_t fill = 0, uint32_t m = 0)
        : width(w), height(h), margin(m), pixels(size_t(w + 2 * m) * (h + 2 * m), fill) {}

    uint32_t& at(uint32_t x, uint32_t y) {
        return pixels[size_t(y + margin) * (width + 2 * margin) + x + margin];
    }
    BlitSurface side(PixelFormat format, uint32_t colorKey = 0) {
        BlitSurface s;
        s.bits = reinterpret_cast<uint8_t*>(pixels.data());
        s.format = format;
        s.rowPitch = (width + 2 * margin) * 4;
        s.extent = {0, 0, int32_t(width + 2 * margin), int32_t(height + 2 * margin), 0, 1};
        s.rect = {int32_t(margin),
                  int32_t(margin),
                  int32_t(margin + width),
                  int32_t(margin + height),
                  0,
                  1};
        s.colorKey = colorKey;
        return s;
    }
};

// A picture whose pixels all differ, with opaque magenta on the diagonal.
Image32 picture(uint32_t w, uint32_t h) {
    Image32 image(w, h);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x)
            image.at(x, y) = x == y ? 0xFFFF00FFu : 0xFF000000u | (y * 977 + x * 131);
    }
    return image;
}

TEST(SurfaceBlitter, FilterNoneIntoALargerDestinationPadsWithTransparentBlack) {
    Image32 source = picture(100, 60);
    Image32 destination(128, 64, 0xDEADBEEF);
    ASSERT_EQ(blitSurface(destination.side(D3DFMT_A8R8G8B8),
                          source.side(D3DFMT_X8R8G8B8, 0xFFFF00FF), FilterNone),
              D3D_OK);
    for (uint32_t y = 0; y < 64; ++y) {
        for (uint32_t x = 0; x < 128; ++x) {
            uint32_t expected = 0;
            if (x < 100 && y < 60 && x != y)
                expected = source.at(x, y);
            ASSERT_EQ(destination.at(x, y), expected) << x << "," << y;
        }
    }
}

TEST(SurfaceBlitter, FilterNoneIntoASmallerDestinationCrops) {
    Image32 source = picture(100, 60);
    Image32 destination(64, 64, 0xDEADBEEF);
    ASSERT_EQ(blitSurface(destination.side(D3DFMT_A8R8G8B8),
                          source.side(D3DFMT_A8R8G8B8, 0xFFFF00FF), FilterNone),
              D3D_OK);
    for (uint32_t y = 0; y < 64; ++y) {
        for (uint32_t x = 0; x < 64; ++x) {
            const uint32_t expected = y < 60 && x != y ? source.at(x, y) : 0u;
            ASSERT_EQ(destination.at(x, y), expected) << x << "," << y;
        }
    }
}

TEST(SurfaceBlitter, FilterNoneThroughTheFloatPathMatches) {
    // R8G8B8 has no direct converter: the same placement through decode and encode.
    std::vector<uint8_t> source(3 * 3 * 2);
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = uint8_t(i * 40 + 1);
    BlitSurface from;
    from.bits = source.data();
    from.format = D3DFMT_R8G8B8;
    from.rowPitch = 9;
    from.extent = from.rect = {0, 0, 3, 2, 0, 1};
    Image32 destination(4, 3, 0xDEADBEEF);
    ASSERT_EQ(blitSurface(destination.side(D3DFMT_A8R8G8B8), from, FilterNone), D3D_OK);
    EXPECT_EQ(destination.at(0, 0), 0xFF512901u);
    EXPECT_EQ(destination.at(2, 1), 0xFFA98159u);
    EXPECT_EQ(destination.at(3, 0), 0u);
    EXPECT_EQ(destination.at(0, 2), 0u);
}

TEST(SurfaceBlitter, KeyZeroKeysNothing) {
    Image32 source(2, 1);
    source.at(0, 0) = 0;
    source.at(1, 0) = 0xFFFF00FF;
    Image32 destination(2, 1, 0x12345678);
    ASSERT_EQ(
        blitSurface(destination.side(D3DFMT_A8R8G8B8), source.side(D3DFMT_A8R8G8B8, 0), FilterNone),
        D3D_OK);
    EXPECT_EQ(destination.at(0, 0), 0u);
    EXPECT_EQ(destination.at(1, 0), 0xFFFF00FFu);
}

TEST(SurfaceBlitter, KeyOnAnAlphaSourceMatchesAlphaToo) {
    Image32 source(4, 1);
    source.at(0, 0) = 0xFFFF00FF;
    source.at(1, 0) = 0x80FF00FF;
    source.at(2, 0) = 0xFFFE00FF;
    source.at(3, 0) = 0xFF00FF00;
    Image32 destination(4, 1, 0xAAAAAAAA);
    ASSERT_EQ(blitSurface(destination.side(D3DFMT_A8R8G8B8),
                          source.side(D3DFMT_A8R8G8B8, 0xFFFF00FF), FilterTriangle),
              D3D_OK);
    EXPECT_EQ(destination.at(0, 0), 0u);
    EXPECT_EQ(destination.at(1, 0), 0x80FF00FFu);
    EXPECT_EQ(destination.at(2, 0), 0xFFFE00FFu);
    EXPECT_EQ(destination.at(3, 0), 0xFF00FF00u);
}

TEST(SurfaceBlitter, KeyOnAnX8SourceIgnoresTheUnusedByte) {
    Image32 source(4, 1);
    source.at(0, 0) = 0x00FF00FF;
    source.at(1, 0) = 0x37FF00FF;
    source.at(2, 0) = 0xFFFF00FE;
    source.at(3, 0) = 0x12345678;
    Image32 destination(4, 1, 0xAAAAAAAA);
    ASSERT_EQ(blitSurface(destination.side(D3DFMT_A8R8G8B8),
                          source.side(D3DFMT_X8R8G8B8, 0xFFFF00FF), FilterNone),
              D3D_OK);
    EXPECT_EQ(destination.at(0, 0), 0u);
    EXPECT_EQ(destination.at(1, 0), 0u);
    EXPECT_EQ(destination.at(2, 0), 0xFFFF00FEu);
    EXPECT_EQ(destination.at(3, 0), 0xFF345678u);
}

TEST(SurfaceBlitter, KeyOnAn565SourceIsQuantizedFirst) {
    // red 31 / blue 31, red 30 / blue 30, and a near miss in green.
    const uint16_t pixels[3] = {0xF81F, 0xF01E, 0xF83F};
    auto keyed = [&](uint32_t key) {
        BlitSurface from;
        from.bits = reinterpret_cast<uint8_t*>(const_cast<uint16_t*>(pixels));
        from.format = D3DFMT_R5G6B5;
        from.rowPitch = 6;
        from.extent = from.rect = {0, 0, 3, 1, 0, 1};
        from.colorKey = key;
        Image32 destination(3, 1, 0xAAAAAAAA);
        EXPECT_EQ(blitSurface(destination.side(D3DFMT_A8R8G8B8), from, FilterNone), D3D_OK);
        return std::vector<bool>{destination.at(0, 0) == 0, destination.at(1, 0) == 0,
                                 destination.at(2, 0) == 0};
    };
    EXPECT_EQ(keyed(0xFFFF00FF), (std::vector<bool>{true, false, false}));
    EXPECT_EQ(keyed(0xFFFC00FC), (std::vector<bool>{true, false, false}));
    EXPECT_EQ(keyed(0x00FF00FF), (std::vector<bool>{true, false, false}));
    EXPECT_EQ(keyed(0xFFF800F8), (std::vector<bool>{false, true, false}));
}

TEST(SurfaceBlitter, SameFormatAndSizeCopiesRawBytes) {
    Image32 source(3, 2);
    for (uint32_t i = 0; i < 6; ++i)
        source.pixels[i] = 0x5A000000u | i; // junk in the unused byte stays
    Image32 destination(3, 2, 0xFFFFFFFF);
    ASSERT_EQ(
        blitSurface(destination.side(D3DFMT_X8R8G8B8), source.side(D3DFMT_X8R8G8B8), FilterBox),
        D3D_OK);
    EXPECT_EQ(destination.pixels, source.pixels);
}

TEST(SurfaceBlitter, InvalidFilterWordsLeaveTheDestinationUnchanged) {
    Image32 source = picture(4, 4);
    for (ImageFilter filter :
         {0u, 6u, 0x101u, 0x8001u, 0x100001u, 0x80000000u | FilterNone, 0xFFFFFFFFu}) {
        Image32 destination(4, 4, 0x13579BDF);
        EXPECT_EQ(
            blitSurface(destination.side(D3DFMT_A8R8G8B8), source.side(D3DFMT_A8R8G8B8), filter),
            D3DERR_INVALIDCALL)
            << std::hex << filter;
        EXPECT_EQ(destination.pixels, Image32(4, 4, 0x13579BDF).pixels);
    }
    Image32 destination(4, 4);
    EXPECT_EQ(blitSurface(destination.side(D3DFMT_A8R8G8B8), source.side(D3DFMT_A8R8G8B8),
                          FilterNone | FilterMirror | FilterDither),
              D3D_OK);
}

TEST(SurfaceBlitter, BadSidesAreRefusedBeforeAnythingIsWritten) {
    Image32 source = picture(4, 4);
    Image32 destination(4, 4, 0x13579BDF);
    const std::vector<uint32_t> untouched = destination.pixels;
    auto attempt = [&](BlitSurface to, BlitSurface from) {
        return blitSurface(to, from, FilterNone);
    };
    BlitSurface to = destination.side(D3DFMT_A8R8G8B8);
    BlitSurface from = source.side(D3DFMT_A8R8G8B8);

    BlitSurface noBits = from;
    noBits.bits = nullptr;
    EXPECT_EQ(attempt(to, noBits), D3DERR_INVALIDCALL);
    BlitSurface outside = to;
    outside.rect.right = 5;
    EXPECT_EQ(attempt(outside, from), D3DERR_INVALIDCALL);
    BlitSurface inverted = from;
    inverted.rect = {3, 0, 1, 4, 0, 1};
    inverted.extent = inverted.rect;
    EXPECT_EQ(attempt(to, inverted), D3DERR_INVALIDCALL);
    BlitSurface negative = from;
    negative.rect = negative.extent = {-1, 0, 2, 2, 0, 1};
    EXPECT_EQ(attempt(to, negative), D3DERR_INVALIDCALL);
    BlitSurface noDepth = to;
    noDepth.rect.back = 2;
    EXPECT_EQ(attempt(noDepth, from), D3DERR_INVALIDCALL);
    // A negative pitch handed over as unsigned must not wrap around the address space.
    BlitSurface wrapping = from;
    wrapping.rowPitch = 0xFFFFFFF0u;
    EXPECT_EQ(attempt(to, wrapping), D3DERR_INVALIDCALL);
    BlitSurface hugeSlices = to;
    hugeSlices.slicePitch = 0x80000000u;
    hugeSlices.rect.back = hugeSlices.extent.back = 2;
    EXPECT_EQ(attempt(hugeSlices, from), D3DERR_INVALIDCALL);
    // Formats without a codec.
    EXPECT_EQ(attempt(to, source.side(D3DFMT_D24S8)), E_FAIL);
    EXPECT_EQ(attempt(destination.side(D3DFMT_D32), from), E_FAIL);
    EXPECT_EQ(attempt(to, source.side(0x1234)), E_FAIL);
    EXPECT_EQ(destination.pixels, untouched);
}

TEST(SurfaceBlitter, WritesStayInsideTheDestinationRectangle) {
    Image32 source = picture(5, 3);
    for (ImageFilter filter : {FilterNone, FilterTriangle}) {
        Image32 destination(5, 3, 0x11111111, 2);
        ASSERT_EQ(
            blitSurface(destination.side(D3DFMT_A8R8G8B8), source.side(D3DFMT_A8R8G8B8), filter),
            D3D_OK);
        const uint32_t fullWidth = 9;
        for (uint32_t y = 0; y < 7; ++y) {
            for (uint32_t x = 0; x < fullWidth; ++x) {
                const bool inside = x >= 2 && x < 7 && y >= 2 && y < 5;
                const uint32_t value = destination.pixels[y * fullWidth + x];
                if (inside)
                    EXPECT_EQ(value, source.at(x - 2, y - 2));
                else
                    EXPECT_EQ(value, 0x11111111u) << x << "," << y;
            }
        }
    }
}

TEST(SurfaceBlitter, ReadsStayInsideTheSourceRows) {
    // The source memory ends exactly where the rectangle's last row ends; AddressSanitizer
    // reports any read beyond it.
    const uint32_t width = 7, height = 3, pitch = 40;
    std::vector<uint8_t> memory(size_t(pitch) * (height - 1) + width * 4, 0x7F);
    BlitSurface from;
    from.bits = memory.data();
    from.format = D3DFMT_A8R8G8B8;
    from.rowPitch = pitch;
    from.extent = from.rect = {0, 0, int32_t(width), int32_t(height), 0, 1};
    from.colorKey = 0xFFFF00FF;
    for (uint32_t side : {4u, 7u, 9u}) {
        Image32 destination(side, side);
        EXPECT_EQ(blitSurface(destination.side(D3DFMT_R5G6B5), from, FilterNone), D3D_OK);
    }
}

TEST(SurfaceBlitter, SignedDestinationsConvertFromTheUnitRange) {
    Image32 source(1, 1);
    source.at(0, 0) = 0xFFFF8000; // red 1, green 128/255, blue 0
    uint16_t bump = 0xAAAA;
    BlitSurface to;
    to.bits = reinterpret_cast<uint8_t*>(&bump);
    to.format = D3DFMT_V8U8;
    to.rowPitch = 2;
    to.extent = to.rect = {0, 0, 1, 1, 0, 1};
    ASSERT_EQ(blitSurface(to, source.side(D3DFMT_A8R8G8B8), FilterNone), D3D_OK);
    // U = (1 x 2 - 1) x 128 + 0.5 saturates at 127; V = (128/255 x 2 - 1) x 128 + 0.5 = 1.0...
    EXPECT_EQ(bump & 0xFF, 0x7F);
    EXPECT_EQ(bump >> 8, 1);
}

TEST(SurfaceBlitter, PackedYuvAtAnOddColumnKeepsTheOtherPixelOfThePair) {
    // Two pairs of YUY2: Y0 U Y1 V.
    uint8_t yuy2[8] = {81, 90, 145, 240, 41, 240, 210, 16};
    const uint8_t original[8] = {81, 90, 145, 240, 41, 240, 210, 16};
    BlitSurface to;
    to.bits = yuy2;
    to.format = D3DFMT_YUY2;
    to.rowPitch = 8;
    to.extent = {0, 0, 4, 1, 0, 1};
    to.rect = {1, 0, 2, 1, 0, 1};
    Image32 white(1, 1, 0xFFFFFFFF);
    ASSERT_EQ(blitSurface(to, white.side(D3DFMT_A8R8G8B8), FilterNone), D3D_OK);
    EXPECT_EQ(yuy2[2], 235); // white's luma lands on the second pixel of the first pair
    EXPECT_NEAR(yuy2[0], original[0], 1);
    EXPECT_NEAR(yuy2[1], original[1], 1);
    EXPECT_NEAR(yuy2[3], original[3], 1);
    EXPECT_EQ(0, std::memcmp(yuy2 + 4, original + 4, 4));

    // Reading the odd column decodes Y1 with the pair's chroma.
    BlitSurface from = to;
    std::memcpy(yuy2, original, 8);
    from.rect = {1, 0, 2, 1, 0, 1};
    Image32 out(1, 1);
    ASSERT_EQ(blitSurface(out.side(D3DFMT_A8R8G8B8), from, FilterNone), D3D_OK);
    // Y 145, U 90, V 240: red = 129 x 0.00456621 + 112 x 0.00625893 clamps to 1.
    EXPECT_EQ(out.at(0, 0) >> 16, 0xFFFFu);
}

TEST(SurfaceBlitter, UyvyRoundTripsGreyThroughTheLineBuffer) {
    uint8_t uyvy[8] = {128, 16, 128, 235, 128, 126, 128, 180};
    const uint8_t original[8] = {128, 16, 128, 235, 128, 126, 128, 180};
    BlitSurface from;
    from.bits = uyvy;
    from.format = D3DFMT_UYVY;
    from.rowPitch = 8;
    from.extent = from.rect = {0, 0, 4, 1, 0, 1};
    Image32 grey(4, 1);
    ASSERT_EQ(blitSurface(grey.side(D3DFMT_X8R8G8B8), from, FilterNone), D3D_OK);
    EXPECT_EQ(grey.at(0, 0), 0x000000u);
    EXPECT_EQ(grey.at(1, 0), 0xFFFFFFu);
    std::memset(uyvy, 0, 8);
    ASSERT_EQ(blitSurface(from, grey.side(D3DFMT_X8R8G8B8), FilterNone), D3D_OK);
    EXPECT_EQ(0, std::memcmp(uyvy, original, 8));
}

} // namespace
