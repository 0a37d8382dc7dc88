// Steady drawing allocates nothing: once the DIB, the tiles and the glyphs exist, a frame of
// the game's two lines of text makes no allocation.
#include "tests/support/allocation_counter.h"
#include "tests/text/text_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

class TextAllocationTest : public text_test::TextFixture,
                           public ::testing::WithParamInterface<uint32_t> {};

TEST_P(TextAllocationTest, TheGamesTwoLinesAllocateNothingOnceWarm) {
    createDevice(GetParam());
    TextRenderer* r = nullptr;
    ASSERT_EQ(createTextRendererFromFont(device.get(),
                                         static_cast<HFONT>(GetStockObject(SYSTEM_FONT)), &r),
              S_OK);
    renderers_.push_back(r);
    char fps[32];
    char status[64];
    const auto drawFrame = [&](int i) {
        std::snprintf(fps, sizeof(fps), "fps: %i", 1000 + i * 37 % 9000);
        std::snprintf(status, sizeof(status), "Score: %i Temps restant: %i", i % 60, 30 - i % 30);
        RECT rect = {0, 0, 640, 480};
        ASSERT_EQ(r->begin(), S_OK);
        r->drawText(fps, -1, &rect, 0, 0xFF00FF00);
        r->drawText(status, -1, &rect, DT_CENTER, 0xFFFF0000);
        ASSERT_EQ(r->end(), S_OK);
    };
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    for (int i = 0; i < 30; ++i) // every digit's glyph, the DIB and the tiles made
        drawFrame(i);
    const HBITMAP dib =
        r != nullptr ? TextRasterizer::findRasterizer(device.get())->dib() : nullptr;
    IDirect3DTexture8* tile = rasterizer()->tileTexture(0);

    test_support::startCountingAllocations();
    for (int i = 30; i < 60; ++i)
        drawFrame(i);
    EXPECT_EQ(test_support::stopCountingAllocations(), 0);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(rasterizer()->dib(), dib);
    EXPECT_EQ(rasterizer()->tileTexture(0), tile);
}

INSTANTIATE_TEST_SUITE_P(Tiles, TextAllocationTest,
                         ::testing::Values(0u, uint32_t(platform_ext::ProfileNoDynamic)));

} // namespace
