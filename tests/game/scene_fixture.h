// A test in a fresh folder holding the test scene's pictures, with the one render engine open
// on a headless window, a hand-set clock, and every track idle.
#pragma once

#include "game/game_objects.h"
#include "tests/game/fake_clock.h"
#include "tests/game/test_pictures.h"
#include "tests/platform/win32/temp_folder.h"

#include <gtest/gtest.h>

#include <string>

// The log file of this test process.
const std::string& testLogPath();

class SceneTest : public InTempFolder {
protected:
    static constexpr DWORD StartTick = 100000;

    void SetUp() override {
        InTempFolder::SetUp();
        ASSERT_TRUE(writeTestScene());
        ASSERT_TRUE(engineReady()) << "the engine could not open its window and device";
        for (TargetPath& path : TargetPaths)
            path.stop();
        platform_ext::setMessageBoxObserver(nullptr, nullptr);
        drainQueue();
    }
    void TearDown() override {
        platform_ext::setMessageBoxObserver(nullptr, nullptr);
        drainQueue();
        InTempFolder::TearDown();
    }

    static void drainQueue() {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    // The engine is opened once per process, as in the program.
    static bool engineReady() {
        static const bool ready = renderEngine.initialize(&DefWindowProcA);
        return ready;
    }

    // The log's text so far.
    static std::string logText() { return readHostFile(testLogPath()); }

    FakeClock clock{StartTick};
};
