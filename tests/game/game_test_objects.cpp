// The game's objects for the game tests, in the program's order. The log goes to a file of its
// own per test process, so that tests running side by side do not share one.
#include "game/game_objects.h"

#include "tests/game/scene_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

const std::string& testLogPath() {
    static const std::string path = "/tmp/bosq-game-test-" + std::to_string(getpid()) + ".log";
    return path;
}

TargetPathTable TargetPaths = makeTargetPaths();
RenderEngine renderEngine;
GameSession gameSession;
BackgroundLayer backgroundLayer;
ForegroundLayer foregroundLayer;
TargetLayer targetLayer;
FrameCounter frameCounter;
GameLog gameLog(testLogPath().c_str());

namespace {

// The log file goes when the tests are over; the log itself is closed after main returns.
class RemoveTestLog : public ::testing::Environment {
public:
    void TearDown() override { std::remove(testLogPath().c_str()); }
};

const auto* const removeTestLog = ::testing::AddGlobalTestEnvironment(new RemoveTestLog);

} // namespace
