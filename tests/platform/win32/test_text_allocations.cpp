// Drawing the same short strings again allocates nothing: glyphs are rendered once and
// cached, and DrawText keeps its buffers.
#include "dib_fixture.h"
#include "tests/support/allocation_counter.h"

#include <cstdio>

namespace {

using TextAllocations = DibTest;

// What the text renderer does each frame for the frame counter and the status line.
void drawLikeTheRenderer(HDC dc, const char* text, UINT format) {
    RECT measured{0, 0, 640, 480};
    DrawTextA(dc, text, -1, &measured, format | DT_CALCRECT);
    RECT area{0, 0, measured.right - measured.left, measured.bottom - measured.top};
    DrawTextA(dc, text, -1, &area, format);
}

TEST_F(TextAllocations, RepeatedFramesAllocateNothing) {
    drawLikeTheRenderer(dc_, "fps: 0123456789 Score: Temps restant:", 0);
    char counter[32];
    char status[64];
    test_support::startCountingAllocations();
    for (int frame = 0; frame < 200; ++frame) {
        std::snprintf(counter, sizeof counter, "fps: %i", 60 + frame % 7);
        std::snprintf(status, sizeof status, "Score: %i Temps restant: %i", frame / 10,
                      30 - frame / 7);
        drawLikeTheRenderer(dc_, counter, 0);
        drawLikeTheRenderer(dc_, status, DT_CENTER);
    }
    EXPECT_EQ(test_support::stopCountingAllocations(), 0);
}

} // namespace
