// The asset generator's primitives: the key colour at output, hard silhouettes and soft
// fills, silhouette tidying, leaf clumps that keep within their room, and noise ranges.
#include "tools/make_assets/canvas.h"
#include "tools/make_assets/foliage.h"
#include "tools/make_assets/noise.h"
#include "tools/make_assets/shapes.h"

#include "tests/tools/png_reader.h"

#include <gtest/gtest.h>

#include <png.h>

#include <cmath>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace {

using namespace assets;

std::vector<uint8_t> pixelBytes(const Canvas& canvas, int x, int y) {
    std::vector<uint8_t> rgb = canvas.toRgb8();
    size_t at = (static_cast<size_t>(y) * canvas.width() + x) * 3;
    return {rgb[at], rgb[at + 1], rgb[at + 2]};
}

TEST(Canvas, WritesTheKeyOnlyForTransparentPixels) {
    Canvas canvas(3, 1, rgb(0xFF00FF), true);
    canvas.setOpaque(0, 0, false);
    canvas.setPixel(2, 0, {300.0f, -5.0f, 127.5f});
    EXPECT_EQ(pixelBytes(canvas, 0, 0), (std::vector<uint8_t>{0xFF, 0x00, 0xFF}));
    // An opaque pixel that would round to the key is moved off it, or it would vanish.
    EXPECT_EQ(pixelBytes(canvas, 1, 0), (std::vector<uint8_t>{0xFF, 0x01, 0xFF}));
    EXPECT_EQ(pixelBytes(canvas, 2, 0), (std::vector<uint8_t>{255, 0, 128}));
}

TEST(Shapes, MarkExactlyThePixelsWhoseCentresLieInside) {
    Canvas canvas(5, 5, {}, false);
    markOpaque(canvas, Disc(2.0f, 2.0f, 1.5f));
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 5; ++x) {
            bool inner = (x == 1 || x == 2) && (y == 1 || y == 2);
            EXPECT_EQ(canvas.opaque(x, y), inner) << x << "," << y;
        }
    }
    // A shape reaching past the canvas is clipped, not written out of bounds.
    Canvas corner(4, 4, {}, false);
    markOpaque(corner, Stroke(-10.0f, 0.5f, 1.0f, 0.5f, 1.0f, 1.0f));
    EXPECT_TRUE(corner.opaque(0, 0));
    EXPECT_FALSE(corner.opaque(3, 0));
}

TEST(Shapes, SignedDistancesAreNegativeInsideAndZeroOnTheOutline) {
    Ellipse ellipse(10.0f, 10.0f, 8.0f, 4.0f);
    EXPECT_LT(ellipse.distance(10.0f, 10.0f), 0.0f);
    EXPECT_NEAR(ellipse.distance(18.0f, 10.0f), 0.0f, 1e-5f);
    EXPECT_NEAR(ellipse.distance(10.0f, 6.0f), 0.0f, 1e-5f);
    EXPECT_NEAR(ellipse.distance(10.0f, 1.0f), 5.0f, 0.5f);
    Stroke stroke(0.0f, 0.0f, 10.0f, 0.0f, 2.0f, 1.0f);
    EXPECT_NEAR(stroke.distance(0.0f, 3.0f), 1.0f, 1e-5f);
    EXPECT_NEAR(stroke.distance(10.0f, 3.0f), 2.0f, 1e-5f);
    EXPECT_NEAR(stroke.distance(-4.0f, 0.0f), 2.0f, 1e-5f);
}

TEST(Shapes, FillCoversTheInsideFadesTheEdgeAndLeavesTheRest) {
    Canvas canvas(12, 1, {0.0f, 0.0f, 0.0f}, true);
    fill(canvas, Stroke(0.0f, 0.5f, 6.0f, 0.5f, 0.5f, 0.5f), {200.0f, 100.0f, 50.0f});
    EXPECT_FLOAT_EQ(canvas.pixel(3, 0).r, 200.0f);
    EXPECT_FLOAT_EQ(canvas.pixel(3, 0).b, 50.0f);
    EXPECT_GT(canvas.pixel(6, 0).r, 0.0f);
    EXPECT_LT(canvas.pixel(6, 0).r, 200.0f);
    EXPECT_FLOAT_EQ(canvas.pixel(9, 0).r, 0.0f);
    // Opacity scales the cover; filling never changes which pixels are opaque.
    Canvas faint(1, 1, {0.0f, 0.0f, 0.0f}, false);
    fill(faint, Disc(0.5f, 0.5f, 4.0f), {100.0f, 100.0f, 100.0f}, 0.25f);
    EXPECT_FLOAT_EQ(faint.pixel(0, 0).g, 25.0f);
    EXPECT_FALSE(faint.opaque(0, 0));
}

TEST(Shapes, TidyingDropsSpecksAndFillsPinHoles) {
    Canvas canvas(9, 5, {}, false);
    canvas.setOpaque(0, 0, true); // a speck
    for (int y = 1; y < 4; ++y) {
        for (int x = 4; x < 7; ++x) {
            canvas.setOpaque(x, y, !(x == 5 && y == 2)); // a block with a hole
        }
    }
    tidySilhouette(canvas);
    EXPECT_FALSE(canvas.opaque(0, 0));
    for (int y = 1; y < 4; ++y) {
        for (int x = 4; x < 7; ++x) {
            EXPECT_TRUE(canvas.opaque(x, y)) << x << "," << y;
        }
    }
    EXPECT_FALSE(canvas.opaque(3, 2));
    EXPECT_FALSE(canvas.opaque(7, 2));
}

TEST(LeafClump, StaysWithinTheRoomItsRadiusWasFittedTo) {
    for (float room : {4.0f, 10.0f, 20.0f, 36.0f}) {
        float radius = LeafClump::radiusWithin(room);
        EXPECT_GT(radius, room * 0.6f);
        LeafClump clump(50.0f, 50.0f, radius, 1234u);
        int outside = 0;
        for (int y = 0; y < 100; ++y) {
            for (int x = 0; x < 100; ++x) {
                float dx = x + 0.5f - 50.0f;
                float dy = y + 0.5f - 50.0f;
                outside += std::sqrt(dx * dx + dy * dy) > room &&
                           clump.distance(x + 0.5f, y + 0.5f) < 0.0f;
            }
        }
        EXPECT_EQ(outside, 0) << "room " << room;
    }
    EXPECT_EQ(LeafClump::radiusWithin(-3.0f), 0.0f);
}

TEST(Noise, StaysInRangeAndDependsOnTheSeed) {
    Random random(7u);
    int differing = 0;
    for (int i = 0; i < 2000; ++i) {
        float x = random.range(-50.0f, 50.0f);
        float y = random.range(-50.0f, 50.0f);
        float value = valueNoise(x, y, 3u);
        float fractal = fractalNoise(x, y, 3u, 4);
        ASSERT_GE(value, 0.0f);
        ASSERT_LE(value, 1.0f);
        ASSERT_GE(fractal, 0.0f);
        ASSERT_LE(fractal, 1.0f);
        CellSample cell = cellNoise(x, y, 3u);
        ASSERT_LE(cell.nearest, cell.second);
        ASSERT_LT(cell.nearest, 1.5f);
        int below = random.below(6);
        ASSERT_GE(below, 0);
        ASSERT_LT(below, 6);
        differing += valueNoise(x, y, 4u) != value;
    }
    EXPECT_GT(differing, 1900);
}

} // namespace
