// Random scenes drawn on one draw thread and on several give the same answers, locks and
// frames (tests/support/scene_script.h), and the comparison itself sees a changed pixel. The
// scenes the fuzz target kept are replayed by test_fuzz_replay.
#include "tests/support/scene_script.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <vector>

namespace {

// Scenes of 64 to 1087 bytes from a fixed seed: `count` of them, unless `seconds` pass first on
// a slow build (ThreadSanitizer's, a busy machine).
scene_script::Tally playRandomScenes(uint32_t seed, unsigned count, double seconds,
                                     const scene_script::Options& options) {
    scene_script::Tally tally;
    uint32_t state = seed;
    const auto next = [&] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    const auto start = std::chrono::steady_clock::now();
    for (unsigned i = 0; i < count; ++i) {
        if (std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() >
            seconds)
            break;
        std::vector<uint8_t> bytes(64 + next() % 1024);
        for (uint8_t& b : bytes)
            b = uint8_t(next());
        const std::string difference =
            scene_script::playOnBoth(bytes.data(), bytes.size(), &tally, options);
        EXPECT_EQ(difference, "") << "random scene " << i << " of seed " << seed;
        if (!difference.empty())
            break;
    }
    return tally;
}

TEST(SceneThreads, RandomScenesDrawTheSameOnOneAndOnFourThreads) {
    const scene_script::Tally tally = playRandomScenes(20261208, 300, 30.0, {});
    // The bytes must make real scenes, not a run of refusals: most scenes draw, and a good
    // share of the draws and locks get through.
    EXPECT_GE(tally.scenes, 20u);
    EXPECT_GE(tally.draws, 20 * tally.scenes);
    EXPECT_GE(tally.frames, 2 * tally.scenes);
    EXPECT_GE(2 * tally.locks, tally.scenes);
    EXPECT_GT(tally.backBufferLocks, 0u);
}

// An odd thread count splits the rows into bands of other heights.
TEST(SceneThreads, RandomScenesDrawTheSameOnTwoAndOnThreeThreads) {
    scene_script::Options options;
    options.firstThreads = 2;
    options.secondThreads = 3;
    const scene_script::Tally tally = playRandomScenes(77, 80, 15.0, options);
    EXPECT_GE(tally.scenes, 5u);
    EXPECT_GE(tally.draws, 10 * tally.scenes);
}

TEST(SceneThreads, ComparisonReportsAChangedPixel) {
    // A 64 x 64 lockable back buffer, then nothing: the final frame is all the scene has.
    const std::vector<uint8_t> bytes = {7, 7, 0};
    scene_script::Options options;
    EXPECT_EQ(scene_script::playOnBoth(bytes.data(), bytes.size(), nullptr, options), "");
    options.disturbSecond = true;
    const std::string difference =
        scene_script::playOnBoth(bytes.data(), bytes.size(), nullptr, options);
    EXPECT_NE(difference.find("(Present): pixel (0, 0) differs"), std::string::npos) << difference;
}

} // namespace
