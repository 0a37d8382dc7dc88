// Target motion along a track, from the tick count alone: the outward leg, the turn with its
// overshoot, the return leg, the end of the run, and legs across the wrap of the tick count.
#include "game/target_path.h"

#include "tests/game/fake_clock.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr DWORD T = 50000;

// Track 0 of the scene: 130 pixels to the right.
TargetPath trackZero() {
    return TargetPath(140, 150, 270, 150);
}

void expectAt(TargetPath& path, float x, float y) {
    Vector2 out{-1, -1};
    ASSERT_TRUE(path.position(out));
    EXPECT_EQ(out.x, x);
    EXPECT_EQ(out.y, y);
}

TEST(TargetPath, AnIdleTrackHasNoTargetAndLeavesThePointAlone) {
    FakeClock clock(T);
    TargetPath path = trackZero();
    EXPECT_FALSE(path.isBusy());
    Vector2 out{-7, -8};
    EXPECT_FALSE(path.position(out));
    EXPECT_EQ(out.x, -7);
    EXPECT_EQ(out.y, -8);
}

TEST(TargetPath, RunsOutTurnsAndComesBackOnTheTicksAlone) {
    FakeClock clock(T);
    TargetPath path = trackZero();
    path.activate();
    EXPECT_TRUE(path.isBusy());
    expectAt(path, 140, 150);
    clock.set(T + 325);
    expectAt(path, 205, 150);
    // The float speed is a little above 0.2: at T + 650 the distance already exceeds the leg,
    // yet only an evaluation turns the target, so one at T + 649 keeps it outbound.
    clock.set(T + 649);
    Vector2 out{};
    ASSERT_TRUE(path.position(out));
    EXPECT_LT(out.x, 270);
    // The first evaluation after the end point, at T + 660, turns it with 2 pixels of
    // overshoot; the return leg is measured from then.
    clock.set(T + 660);
    expectAt(path, 268, 150);
    clock.set(T + 760);
    expectAt(path, 250, 150);
    clock.set(T + 1309);
    ASSERT_TRUE(path.position(out));
    EXPECT_GT(out.x, 140);
    clock.set(T + 1310);
    EXPECT_FALSE(path.position(out));
    EXPECT_FALSE(path.isBusy());
}

TEST(TargetPath, ADistanceOfExactlyTheLegKeepsTheTargetOutbound) {
    // Track 2 is 100 pixels long; 500 ms at the float speed are 100.0000015 pixels, more than
    // the leg, while 499 ms stay short of it.
    FakeClock clock(T);
    TargetPath path(400, 380, 300, 380);
    path.activate();
    clock.set(T + 499);
    expectAt(path, float(400 - 499 * double(TargetSpeed)), 380);
    clock.set(T + 500);
    expectAt(path, 300, 380);
    // The turn happened at T + 500: 500 ms later the return is complete.
    clock.set(T + 999);
    Vector2 out{};
    EXPECT_TRUE(path.position(out));
    clock.set(T + 1000);
    EXPECT_FALSE(path.position(out));
}

TEST(TargetPath, DiagonalTracksMoveAlongTheirLine) {
    FakeClock clock(T);
    // Track 4: (190, 230) to (250, 350), 134.16 pixels.
    TargetPath path(190, 230, 250, 350);
    path.activate();
    clock.set(T + 300);
    Vector2 out{};
    ASSERT_TRUE(path.position(out));
    const double fraction = 300 * double(TargetSpeed) / double(float(std::sqrt(18000.0)));
    EXPECT_EQ(out.x, float(190 + fraction * 60));
    EXPECT_EQ(out.y, float(230 + fraction * 120));
}

TEST(TargetPath, LegsAreTimedAcrossTheWrapOfTheTickCount) {
    FakeClock clock(0xFFFFFF00u);
    TargetPath path = trackZero();
    path.activate();
    // 0x144 = 324 ms later, past the wrap.
    clock.set(0x44);
    expectAt(path, float(140 + 324 * double(TargetSpeed)), 150);
    // A turn just before the wrap and a return leg measured across it.
    clock.set(0xFFFFFFFFu - 699);
    path.activate();
    clock.advance(660);
    expectAt(path, 268, 150);
    clock.advance(100);
    expectAt(path, 250, 150);
}

TEST(TargetPath, StopEndsTheRunAndActivateStartsAFreshOne) {
    FakeClock clock(T);
    TargetPath path = trackZero();
    path.activate();
    clock.set(T + 700); // turned, on the way back
    Vector2 out{};
    ASSERT_TRUE(path.position(out));
    path.stop();
    EXPECT_FALSE(path.isBusy());
    EXPECT_FALSE(path.position(out));
    // A new run starts outbound from the start point, whatever the last one left.
    path.activate();
    expectAt(path, 140, 150);
    clock.advance(325);
    expectAt(path, 205, 150);
}

TEST(TargetPath, TheSceneHasSixTracksStartingBehindTheScenery) {
    FakeClock clock(T);
    TargetPathTable paths = makeTargetPaths();
    const Vector2 starts[TargetPathCount] = {{140, 150}, {500, 350}, {400, 380},
                                             {140, 150}, {190, 230}, {140, 130}};
    for (int track = 0; track < TargetPathCount; ++track) {
        paths[track].activate();
        expectAt(paths[track], starts[track].x, starts[track].y);
    }
    // Track 5 runs straight up to the top edge in 650 ms, where it turns.
    clock.set(T + 650);
    Vector2 out{};
    ASSERT_TRUE(paths[5].position(out));
    EXPECT_EQ(out.x, 140);
    EXPECT_NEAR(out.y, 0, 1e-5);
}

} // namespace
