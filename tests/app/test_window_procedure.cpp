// The game window's procedure: the aim point 15 pixels right of and below the hot spot, shots
// outside the scene, the left button alone shooting, and the quit requests of Escape and of the
// window's destruction.
#include "app/window_procedure.h"

#include "tests/game/scene_fixture.h"
#include "tests/game/seeds.h"

HCURSOR crosshairCursor = nullptr;

namespace {

class WindowProcedureTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        static const bool layersReady =
            foregroundLayer.init(renderEngine) && targetLayer.init(renderEngine);
        ASSERT_TRUE(layersReady);
        platform_ext::setMessageBoxObserver(
            [](const platform_ext::MessageBoxCall&, void*) { return int(IDOK); }, nullptr);
        gameSession.start(renderEngine);
        placeTargetOnTrackTwo();
    }

    // One target, on track 2 at its start (400, 380), clear of the scenery; its corner texels
    // are keyed, the rest of its square is opaque.
    void placeTargetOnTrackTwo() {
        do {
            for (TargetPath& path : TargetPaths)
                path.stop();
            targetLayer.frame(renderEngine);
        } while (targetLayer.trackOf(0) >= 0 || targetLayer.trackOf(1) >= 0 ||
                 targetLayer.trackOf(2) >= 0);
        clock.advance(RespawnDelayRange);
        drawsFrom(seedWhere(3,
                            [](const std::vector<int>& d) {
                                return d[0] % 6 == 2 && d[1] % 6 == 2 && d[2] % 6 == 2;
                            }),
                  3);
        targetLayer.frame(renderEngine);
        ASSERT_EQ(targetLayer.trackOf(0), 2);
    }

    static LRESULT press(UINT message, int x, int y) {
        return windowProcedure(renderEngine.getWindow(), message, MK_LBUTTON, MAKELPARAM(x, y));
    }

    static bool quitPosted() {
        MSG message;
        return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && message.wParam == 0;
    }
};

TEST_F(WindowProcedureTest, AShotLandsFifteenPixelsRightOfAndBelowTheHotSpot) {
    // The hot spot 15 pixels up and left of the target's keyed corner texel: a miss.
    EXPECT_EQ(press(WM_LBUTTONDOWN, 400 - 15, 380 - 15), 0);
    EXPECT_EQ(gameSession.getScore(), 0u);
    // One pixel further in, the shot lands on texel (1, 1): a hit.
    EXPECT_EQ(press(WM_LBUTTONDOWN, 401 - 15, 381 - 15), 0);
    EXPECT_EQ(gameSession.getScore(), 1u);
    EXPECT_EQ(targetLayer.trackOf(0), -1);
}

TEST_F(WindowProcedureTest, OnlyAPressOfTheLeftButtonShoots) {
    const int x = 424 - 15, y = 404 - 15; // aimed at the target's centre
    press(WM_LBUTTONUP, x, y);
    press(WM_RBUTTONDOWN, x, y);
    press(WM_MBUTTONDOWN, x, y);
    press(WM_MOUSEMOVE, x, y);
    press(WM_LBUTTONDBLCLK, x, y);
    EXPECT_EQ(gameSession.getScore(), 0u);
    press(WM_LBUTTONDOWN, x, y);
    EXPECT_EQ(gameSession.getScore(), 1u);
}

TEST_F(WindowProcedureTest, AShotAimedOutsideTheSceneMisses) {
    // A hot spot at (630, 470) aims at (645, 485).
    EXPECT_EQ(press(WM_LBUTTONDOWN, 630, 470), 0);
    EXPECT_EQ(gameSession.getScore(), 0u);
    EXPECT_EQ(targetLayer.trackOf(0), 2);
}

TEST_F(WindowProcedureTest, EscapeAndTheWindowsDestructionPostTheQuitMessage) {
    HWND window = renderEngine.getWindow();
    EXPECT_EQ(windowProcedure(window, WM_KEYDOWN, 'A', 0), 0);
    EXPECT_EQ(windowProcedure(window, WM_KEYDOWN, VK_SPACE, 0), 0);
    EXPECT_FALSE(quitPosted()) << "other keys do nothing";
    EXPECT_EQ(windowProcedure(window, WM_KEYDOWN, VK_ESCAPE, 0x00010001), 0);
    EXPECT_TRUE(quitPosted());
    EXPECT_EQ(windowProcedure(window, WM_DESTROY, 0, 0), 0);
    EXPECT_TRUE(quitPosted());
    EXPECT_EQ(windowProcedure(window, WM_SETCURSOR, WPARAM(window), MAKELPARAM(HTCLIENT, 0)), 0);
    EXPECT_FALSE(quitPosted());
}

} // namespace
