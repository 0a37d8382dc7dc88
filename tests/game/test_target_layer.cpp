// The target layer: places drawing their tracks, runs ending in a random pause, hits removing a
// target at once, the picture's keyed pixels and edges, overlapping targets, and pauses that
// end across the wrap of the tick count.
#include "game/target_layer.h"

#include "tests/game/scene_fixture.h"
#include "tests/game/seeds.h"

namespace {

int track(int draw) {
    return draw % TargetPathCount;
}

class TargetLayerTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        ASSERT_TRUE(layer.init(renderEngine));
    }
    // A frame of the layer alone, as the loop draws it.
    void frame() {
        ASSERT_TRUE(renderEngine.beginFrame());
        EXPECT_TRUE(layer.frame(renderEngine));
        renderEngine.endFrame();
    }
    // Seeds the generator for a scene and returns its first draws.
    std::vector<int> stage(int count, const std::function<bool(const std::vector<int>&)>& wanted) {
        return drawsFrom(seedWhere(count, wanted), count);
    }

    // Place 0 takes track 2 now and its run ends 100 ms before the tick count wraps; the other
    // places run longer tracks and only turn meanwhile.
    void runTrackTwoUntilJustBeforeTheWrap() {
        frame();
        ASSERT_EQ(layer.trackOf(0), 2);
        clock.advance(500);
        frame();
        clock.set(0xFFFFFFFFu - 100);
        frame();
        ASSERT_EQ(layer.trackOf(0), -1);
    }

    TargetLayer layer;
};

TEST_F(TargetLayerTest, TheFirstFrameDrawsTracksAndAPlaceThatDrewATakenTrackWaits) {
    // Place 0 draws a track, place 1 the same one, place 2 another; in the next frame place 1
    // draws again (no pause) and gets a free track.
    const std::vector<int> d = stage(4, [](const std::vector<int>& d) {
        return track(d[0]) == track(d[1]) && track(d[2]) != track(d[0]) &&
               track(d[3]) != track(d[0]) && track(d[3]) != track(d[2]);
    });
    frame();
    EXPECT_EQ(layer.trackOf(0), track(d[0]));
    EXPECT_EQ(layer.trackOf(1), -1);
    EXPECT_EQ(layer.trackOf(2), track(d[2]));
    EXPECT_TRUE(TargetPaths[track(d[0])].isBusy());
    frame();
    EXPECT_EQ(layer.trackOf(1), track(d[3]));
    EXPECT_TRUE(TargetPaths[track(d[3])].isBusy());
}

TEST_F(TargetLayerTest, AFinishedRunEmptiesThePlaceForARandomPause) {
    // Place 0 runs track 2 (100 pixels); the others run longer tracks, whose runs are not over
    // before the pause is. The fourth draw is the pause, the fifth refills the place.
    const std::vector<int> d = stage(5, [](const std::vector<int>& d) {
        const int pause = d[3] % RespawnDelayRange;
        return track(d[0]) == 2 && track(d[1]) != 2 && track(d[2]) != 2 &&
               track(d[1]) != track(d[2]) && pause > 0 && pause < 600 && track(d[4]) == 2;
    });
    frame();
    ASSERT_EQ(layer.trackOf(0), 2);
    clock.advance(500); // turns at the end point
    frame();
    clock.advance(500); // back at the start: the run is over
    frame();
    EXPECT_EQ(layer.trackOf(0), -1);
    EXPECT_FALSE(TargetPaths[2].isBusy());
    const DWORD pause = DWORD(d[3] % RespawnDelayRange);
    clock.advance(pause - 1);
    frame();
    EXPECT_EQ(layer.trackOf(0), -1) << "still pausing one millisecond before the end";
    clock.advance(1);
    frame();
    EXPECT_EQ(layer.trackOf(0), 2) << "refilled as the pause ends";
}

TEST_F(TargetLayerTest, AHitRemovesTheTargetAndThePlaceFillsAgainWithoutAPause) {
    // Place 0 on track 0, starting at (140, 150); the others away from that point.
    const std::vector<int> d = stage(4, [](const std::vector<int>& d) {
        const int a = track(d[1]), b = track(d[2]);
        return track(d[0]) == 0 && a != b && a != 0 && a != 3 && b != 0 && b != 3 &&
               track(d[3]) != a && track(d[3]) != b;
    });
    frame();
    ASSERT_EQ(layer.trackOf(0), 0);
    EXPECT_EQ(layer.hitTest(Vector2{140 + 24, 150 + 24}), 1);
    EXPECT_EQ(layer.trackOf(0), -1);
    EXPECT_FALSE(TargetPaths[0].isBusy());
    EXPECT_EQ(layer.hitTest(Vector2{140 + 24, 150 + 24}), 0) << "the target is gone";
    frame();
    EXPECT_EQ(layer.trackOf(0), track(d[3]));
}

TEST_F(TargetLayerTest, KeyedPixelsAndPointsOutsideThePictureMiss) {
    stage(3, [](const std::vector<int>& d) {
        const int a = track(d[1]), b = track(d[2]);
        return track(d[0]) == 0 && a != b && a != 0 && a != 3 && b != 0 && b != 3;
    });
    frame();
    ASSERT_EQ(layer.trackOf(0), 0);
    const float left = 140, top = 150;
    EXPECT_EQ(layer.hitTest(Vector2{left + 0.5f, top + 0.5f}), 0) << "keyed corner";
    EXPECT_EQ(layer.hitTest(Vector2{left + 47.5f, top + 47.5f}), 0) << "keyed corner";
    EXPECT_EQ(layer.hitTest(Vector2{left - 0.1f, top + 24}), 0) << "left of the picture";
    EXPECT_EQ(layer.hitTest(Vector2{left + 48, top + 24}), 0) << "the right edge is no texel";
    EXPECT_EQ(layer.trackOf(0), 0);
    EXPECT_EQ(layer.hitTest(Vector2{left + 47.9f, top + 24}), 1) << "the last column";
}

TEST_F(TargetLayerTest, OneClickOnOverlappingTargetsRemovesTheLowerPlaceOnly) {
    // Tracks 0 and 3 both start at (140, 150).
    const std::vector<int> d = stage(3, [](const std::vector<int>& d) {
        return track(d[0]) == 0 && track(d[1]) == 3 && track(d[2]) != 0 && track(d[2]) != 3;
    });
    frame();
    ASSERT_EQ(layer.trackOf(1), 3);
    EXPECT_EQ(layer.hitTest(Vector2{160, 170}), 1);
    EXPECT_EQ(layer.trackOf(0), -1);
    EXPECT_EQ(layer.trackOf(1), 3);
    EXPECT_EQ(layer.hitTest(Vector2{160, 170}), 1);
    EXPECT_EQ(layer.trackOf(1), -1);
}

TEST_F(TargetLayerTest, EmptyPlacesNeverScore) {
    for (float x = 0; x < 640; x += 8)
        for (float y = 0; y < 480; y += 8)
            ASSERT_EQ(layer.hitTest(Vector2{x, y}), 0);
}

TEST_F(TargetLayerTest, APauseEndsOnTimeAcrossTheWrapOfTheTickCount) {
    // The run ends 100 ms before the wrap, the pause ends within that time, and the next frame
    // comes only after the wrap: the place must fill then, not 49 days later.
    clock.set(0xFFFFFFFFu - 3000);
    const std::vector<int> d = stage(5, [](const std::vector<int>& d) {
        const int pause = d[3] % RespawnDelayRange;
        return track(d[0]) == 2 && track(d[1]) != 2 && track(d[2]) != 2 &&
               track(d[1]) != track(d[2]) && pause > 0 && pause < 90 && track(d[4]) == 2;
    });
    ASSERT_NO_FATAL_FAILURE(runTrackTwoUntilJustBeforeTheWrap());
    clock.set(5);
    frame();
    EXPECT_EQ(layer.trackOf(0), 2);
}

TEST_F(TargetLayerTest, APauseThatEndsAfterTheWrapWaitsForIt) {
    clock.set(0xFFFFFFFFu - 3000);
    const std::vector<int> d = stage(4, [](const std::vector<int>& d) {
        const int pause = d[3] % RespawnDelayRange;
        return track(d[0]) == 2 && track(d[1]) != 2 && track(d[2]) != 2 &&
               track(d[1]) != track(d[2]) && pause > 200;
    });
    ASSERT_NO_FATAL_FAILURE(runTrackTwoUntilJustBeforeTheWrap());
    const DWORD due = 0xFFFFFFFFu - 100 + DWORD(d[3] % RespawnDelayRange);
    clock.set(0xFFFFFFFFu - 50);
    frame();
    EXPECT_EQ(layer.trackOf(0), -1) << "before the wrap, the pause is not over";
    clock.set(due - 1);
    frame();
    EXPECT_EQ(layer.trackOf(0), -1);
}

} // namespace
