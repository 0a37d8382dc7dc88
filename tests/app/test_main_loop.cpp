// The message and frame loop: a burst of messages is handled, one per pass, before the next
// frame is drawn; the quit message's code is the loop's result; a frame that cannot begin draws
// and counts nothing.
#include "app/main_loop.h"

#include "tests/game/scene_fixture.h"

#include <string>
#include <vector>

HCURSOR crosshairCursor = nullptr;

namespace {

// What happened, in order: "present" for each presented frame, or the message's name.
std::vector<std::string>& events() {
    static std::vector<std::string> list;
    return list;
}

LRESULT recordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONDOWN)
        events().push_back("click");
    if (message == WM_KEYDOWN) {
        events().push_back("key");
        if (wParam == 'Q')
            PostQuitMessage(7);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The window procedure cannot be changed once the engine's window exists: the engine of this
// test process opens its window with the recording procedure.
class MainLoopTest : public SceneTest {
protected:
    void SetUp() override {
        InTempFolder::SetUp();
        static const bool ready = renderEngine.initialize(&recordingProcedure);
        ASSERT_TRUE(ready);
        drainQueue();
        events().clear();
        platform_ext::setPresentObserver(&onPresent, this);
    }
    void TearDown() override {
        platform_ext::setPresentObserver(nullptr, nullptr);
        SceneTest::TearDown();
    }

    // On the second frame, a burst: three clicks and a key, all queued while the frame presents;
    // on the fourth, the key that quits.
    static void onPresent(IDirect3DDevice8*, const platform_ext::FrameView&, void* user) {
        auto* test = static_cast<MainLoopTest*>(user);
        events().push_back("present");
        ++test->presents;
        HWND window = renderEngine.getWindow();
        if (test->presents == 2) {
            for (int click = 0; click < 3; ++click) {
                platform_ext::injectMouseButton(window, 0, true, 10 * click, 10);
                platform_ext::injectMouseButton(window, 0, false, 10 * click, 10);
            }
            platform_ext::injectKey(window, 'A', true);
        }
        if (test->presents == 4)
            platform_ext::injectKey(window, 'Q', true);
    }

    int presents = 0;
};

TEST_F(MainLoopTest, EveryPendingMessageIsHandledBeforeTheNextFrame) {
    // Far from the end of the game, so the session only draws its status line.
    clock.set(5000);
    EXPECT_EQ(runMainLoop(), 7u) << "the quit message's code";
    const std::vector<std::string> expected = {"present", "present", "click",   "click", "click",
                                               "key",     "present", "present", "key"};
    EXPECT_EQ(events(), expected);
}

TEST_F(MainLoopTest, AFrameThatCannotBeginDrawsAndCountsNothing) {
    const size_t logBefore = logText().size();
    IDirect3DDevice8* device = renderEngine.getDevice();
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_FALSE(runFrame());
    EXPECT_FALSE(runFrame());
    EXPECT_TRUE(events().empty()) << "nothing presented";
    EXPECT_EQ(logText().size(), logBefore) << "no frame counted";
    ASSERT_EQ(device->EndScene(), D3D_OK);
    // The first counted frame closes the interval that began at tick 0 and logs its figure.
    EXPECT_TRUE(runFrame());
    EXPECT_EQ(events(), std::vector<std::string>{"present"});
    EXPECT_EQ(logText().substr(logBefore), "fps: 0\r\n");
}

} // namespace
