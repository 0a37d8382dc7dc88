// The frame counter's figure and its log line, and the two on-screen texts: the green figure at
// the top-left corner and the session's red status line centred on the top line.
#include "game/frame_counter.h"
#include "game/game_session.h"

#include "tests/game/scene_fixture.h"

#include <algorithm>

namespace {

class FrameCounterTest : public SceneTest {
protected:
    // The log lines written since the test began.
    std::string newLogText() const { return logText().substr(logAtStart); }

    size_t logAtStart = logText().size();
};

TEST_F(FrameCounterTest, TheFigureIsTheFramesOfAClosedIntervalPerSecond) {
    FrameCounter counter;
    // The first interval began at tick 0: one frame in 100 seconds is 0 frames per second.
    EXPECT_EQ(counter.count(), 0);
    EXPECT_EQ(newLogText(), "fps: 0\r\n");
    for (int frame = 1; frame <= 58; ++frame) {
        clock.advance(17);
        EXPECT_EQ(counter.count(), 0);
    }
    EXPECT_EQ(newLogText(), "fps: 0\r\n") << "986 ms is no whole interval";
    clock.advance(17);
    // 59 frames in 1003 ms.
    EXPECT_EQ(counter.count(), 58);
    EXPECT_EQ(newLogText(), "fps: 0\r\nfps: 58\r\n");
    // An interval lasts strictly more than a second.
    clock.advance(1000);
    EXPECT_EQ(counter.count(), 58);
    clock.advance(1);
    EXPECT_EQ(counter.count(), 1);
    EXPECT_EQ(newLogText(), "fps: 0\r\nfps: 58\r\nfps: 1\r\n");
}

TEST_F(FrameCounterTest, AFastLoopIsCountedWithoutOverflow) {
    FrameCounter counter;
    counter.count();
    for (int frame = 0; frame < 5000; ++frame)
        counter.count();
    clock.advance(1001);
    EXPECT_EQ(counter.count(), 5001 * 1000 / 1001);
}

// The bounding box of the presented pixels that satisfy the test.
struct Box {
    int left = 640, top = 480, right = -1, bottom = -1;
};

template <typename Test> Box boxOf(const platform_ext::PresentedFrame& frame, Test test) {
    Box box;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            if (test(frame.at(UINT(x), UINT(y)))) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
            }
    return box;
}

bool greenish(uint32_t p) {
    return ((p >> 8) & 0xFF) >= 128 && ((p >> 16) & 0xFF) < 40 && (p & 0xFF) < 40;
}
bool reddish(uint32_t p) {
    return ((p >> 16) & 0xFF) >= 128 && ((p >> 8) & 0xFF) < 40 && (p & 0xFF) < 40;
}

TEST_F(FrameCounterTest, TheFigureIsGreenAtTheTopLeftAndTheStatusLineRedInTheCentre) {
    platform_ext::setMessageBoxObserver(
        [](const platform_ext::MessageBoxCall&, void*) { return int(IDOK); }, nullptr);
    FrameCounter counter;
    GameSession session;
    session.start(renderEngine);
    ASSERT_TRUE(renderEngine.beginFrame());
    renderEngine.getDevice()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 0.0f, 0);
    counter.draw(renderEngine);
    session.frame(renderEngine);
    ASSERT_TRUE(renderEngine.endFrame());
    platform_ext::PresentedFrame frame;
    ASSERT_TRUE(platform_ext::lastPresentedFrame(renderEngine.getDevice(), &frame));

    const Box figure = boxOf(frame, greenish);
    ASSERT_GE(figure.right, 0) << "no green text";
    EXPECT_LE(figure.left, 3);
    EXPECT_LE(figure.top, 6);
    EXPECT_LT(figure.right, 80) << "\"fps: 0\" is short";
    EXPECT_LT(figure.bottom, 20) << "one line";

    const Box status = boxOf(frame, reddish);
    ASSERT_GE(status.right, 0) << "no red text";
    EXPECT_LE(status.top, 6);
    EXPECT_LT(status.bottom, 20);
    EXPECT_GT(status.right - status.left, 120) << "\"Score: 0 Temps restant: 30\"";
    EXPECT_NEAR((status.left + status.right) / 2.0, 320.0, 3.0) << "centred in 640 pixels";
    EXPECT_GT(status.left, figure.right) << "the two texts do not meet";
}

} // namespace
