// The background and foreground layers: loading by the picture path rule, failures at start-up,
// the scenery stopping shots on its opaque pixels only, and the drawing order of the scene.
#include "game/background_layer.h"
#include "game/foreground_layer.h"
#include "game/target_layer.h"

#include "tests/game/scene_fixture.h"
#include "tests/game/seeds.h"

#include <filesystem>

namespace {

using SceneLayers = SceneTest;

uint32_t presentedAt(UINT x, UINT y) {
    platform_ext::PresentedFrame frame;
    if (!platform_ext::lastPresentedFrame(renderEngine.getDevice(), &frame))
        return 0;
    return frame.at(x, y) & 0xFFFFFF;
}

TEST_F(SceneLayers, TheSceneryStopsShotsOnItsOpaquePixelsOnly) {
    ForegroundLayer foreground;
    ASSERT_TRUE(foreground.init(renderEngine));
    // The tree at (100, 100): columns 0-59 opaque, the rest keyed.
    EXPECT_EQ(foreground.hitTest(Vector2{100, 100}), 1) << "the tree's top-left corner";
    EXPECT_EQ(foreground.hitTest(Vector2{159.9f, 199.9f}), 1);
    EXPECT_EQ(foreground.hitTest(Vector2{160, 150}), 0) << "a keyed pixel lets the shot through";
    EXPECT_EQ(foreground.hitTest(Vector2{99.9f, 150}), 0);
    // The bush at (400, 300): opaque but for its top row.
    EXPECT_EQ(foreground.hitTest(Vector2{410, 300.5f}), 0);
    EXPECT_EQ(foreground.hitTest(Vector2{410, 301}), 1);
    EXPECT_EQ(foreground.hitTest(Vector2{429.9f, 319.9f}), 1);
    EXPECT_EQ(foreground.hitTest(Vector2{430, 310}), 0) << "the right edge is no texel";
    EXPECT_EQ(foreground.hitTest(Vector2{645, 485}), 0) << "outside the scene";
}

TEST_F(SceneLayers, AMissingTreeLeavesTheBushUnloaded) {
    std::filesystem::remove("arbre.png");
    ForegroundLayer foreground;
    EXPECT_FALSE(foreground.init(renderEngine));
    EXPECT_EQ(foreground.hitTest(Vector2{410, 310}), 0);
}

TEST_F(SceneLayers, MissingUnreadableOrUnknownPicturesFailTheirLayer) {
    std::filesystem::remove("fond.png");
    BackgroundLayer background;
    EXPECT_FALSE(background.init(renderEngine)) << "missing";
    std::filesystem::create_directory("fond.png");
    EXPECT_FALSE(background.init(renderEngine)) << "a folder, not a file";
    std::filesystem::remove("fond.png");
    writeHostFile("fond.png", "not a picture of any kind\n");
    EXPECT_FALSE(background.init(renderEngine)) << "unknown format";
    std::filesystem::remove("buisson.png");
    ForegroundLayer foreground;
    EXPECT_FALSE(foreground.init(renderEngine)) << "the bush is missing";
    std::filesystem::remove("cible.png");
    TargetLayer targets;
    EXPECT_FALSE(targets.init(renderEngine));
}

TEST_F(SceneLayers, PicturesAreLookedUpInTheCurrentDirectory) {
    std::filesystem::create_directory("elsewhere");
    std::filesystem::current_path("elsewhere");
    BackgroundLayer background;
    EXPECT_FALSE(background.init(renderEngine));
    std::filesystem::current_path("..");
    EXPECT_TRUE(background.init(renderEngine));
}

TEST_F(SceneLayers, TargetsRunBetweenTheBackgroundAndTheScenery) {
    BackgroundLayer background;
    ForegroundLayer foreground;
    TargetLayer targets;
    ASSERT_TRUE(background.init(renderEngine));
    ASSERT_TRUE(foreground.init(renderEngine));
    ASSERT_TRUE(targets.init(renderEngine));
    // Place 0 on track 0, whose start (140, 150) lies half behind the tree's opaque columns.
    drawsFrom(seedWhere(3,
                        [](const std::vector<int>& d) {
                            const int a = d[1] % 6, b = d[2] % 6;
                            return d[0] % 6 == 0 && a != b && a != 0 && a != 3 && b != 0 && b != 3;
                        }),
              3);
    for (int frame = 0; frame < 2; ++frame) {
        ASSERT_TRUE(renderEngine.beginFrame());
        background.frame(renderEngine);
        targets.frame(renderEngine);
        foreground.frame(renderEngine);
        ASSERT_TRUE(renderEngine.endFrame());
    }
    EXPECT_EQ(presentedAt(0, 0), BackgroundColour);
    EXPECT_EQ(presentedAt(639, 479), BackgroundColour);
    EXPECT_EQ(presentedAt(150, 170), TreeColour) << "the tree hides the target";
    EXPECT_EQ(presentedAt(180, 160), TargetColour) << "seen through the tree's keyed pixels";
    EXPECT_EQ(presentedAt(164, 174), TargetCentreColour);
    EXPECT_EQ(presentedAt(140, 150), TreeColour);
    EXPECT_EQ(presentedAt(187, 150), BackgroundColour) << "a keyed corner of the target";
    EXPECT_EQ(presentedAt(410, 300), BackgroundColour) << "the bush's keyed top row";
    EXPECT_EQ(presentedAt(410, 301), BushColour);
    EXPECT_EQ(presentedAt(430, 310), BackgroundColour);
}

} // namespace
