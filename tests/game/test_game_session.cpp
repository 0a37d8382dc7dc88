// The game session: the start box and the clock it starts, the countdown's last moments, shots
// stopped by the scenery or scoring one point, and the five ratings at their thresholds.
#include "game/game_session.h"

#include "tests/game/scene_fixture.h"
#include "tests/game/seeds.h"

#include <string>
#include <vector>

namespace {

// Every message box the session shows, answered with OK; the clock may run while a box is up.
struct BoxLog {
    std::vector<platform_ext::MessageBoxCall> calls;
    DWORD runsFor = 0;
    FakeClock* clock = nullptr;

    static int answer(const platform_ext::MessageBoxCall& call, void* user) {
        auto* log = static_cast<BoxLog*>(user);
        log->calls.push_back(call);
        log->clock->advance(log->runsFor);
        return IDOK;
    }
};

class GameSessionTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        static const bool layersReady =
            foregroundLayer.init(renderEngine) && targetLayer.init(renderEngine);
        ASSERT_TRUE(layersReady);
        boxes.clock = &clock;
        platform_ext::setMessageBoxObserver(&BoxLog::answer, &boxes);
        emptyAllPlaces();
    }

    // Ends every run of the global layer and lets each place refill in the next frame.
    void emptyAllPlaces() {
        // A place that was ready refills in the frame that empties the others: go again.
        const auto anyRunning = [] {
            for (int place = 0; place < TargetPlaceCount; ++place)
                if (targetLayer.trackOf(place) >= 0)
                    return true;
            return false;
        };
        do {
            for (TargetPath& path : TargetPaths)
                path.stop();
            targetLayer.frame(renderEngine);
        } while (anyRunning());
        clock.advance(RespawnDelayRange);
    }

    // Scores `hits` points with shots at the centre of running targets.
    void scoreHits(GameSession& session, int hits) {
        for (int scored = 0; scored < hits;) {
            targetLayer.frame(renderEngine);
            for (int place = 0; place < TargetPlaceCount && scored < hits; ++place) {
                Vector2 at;
                const int track = targetLayer.trackOf(place);
                if (track < 0 || !TargetPaths[track].position(at))
                    continue;
                // Tracks 0 and 3 start behind the tree's opaque columns: shoot those later.
                const Vector2 centre{at.x + 24, at.y + 24};
                if (foregroundLayer.hitTest(centre))
                    continue;
                ASSERT_EQ(session.click(centre), 1);
                ++scored;
            }
            clock.advance(40);
        }
        ASSERT_EQ(session.getScore(), DWORD(hits));
    }

    // Plays a whole game scoring `hits` and returns the rating box's text.
    std::string ratingFor(int hits) {
        GameSession session;
        session.start(renderEngine);
        scoreHits(session, hits);
        boxes.calls.clear();
        clock.advance(GameDuration + 1);
        EXPECT_TRUE(session.frame(renderEngine));
        return boxes.calls.empty() ? std::string() : boxes.calls.back().text;
    }

    bool quitPosted() {
        MSG message;
        return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) &&
               message.message == WM_QUIT && message.wParam == 0;
    }

    BoxLog boxes;
};

TEST_F(GameSessionTest, TheStartBoxStartsTheClockWhenThePlayerClosesIt) {
    GameSession session;
    boxes.runsFor = 7000; // the player reads the box for seven seconds
    EXPECT_TRUE(session.start(renderEngine));
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_EQ(boxes.calls[0].text, "La partie d\xE9marre d\xE8s que vous cliquez sur Ok");
    EXPECT_EQ(boxes.calls[0].caption, "Bosquetir");
    EXPECT_EQ(boxes.calls[0].type, UINT(MB_TASKMODAL));
    EXPECT_EQ(boxes.calls[0].owner, renderEngine.getWindow());
    boxes.runsFor = 0;
    // Exactly 30 seconds after the box closed, the status line still shows.
    clock.advance(GameDuration);
    ASSERT_TRUE(renderEngine.beginFrame());
    EXPECT_TRUE(session.frame(renderEngine));
    EXPECT_EQ(boxes.calls.size(), 1u);
    EXPECT_FALSE(quitPosted());
    // One millisecond later the game is over: the rating box, then the quit message.
    clock.advance(1);
    EXPECT_TRUE(session.frame(renderEngine));
    renderEngine.endFrame();
    ASSERT_EQ(boxes.calls.size(), 2u);
    EXPECT_EQ(boxes.calls[1].type, UINT(MB_TASKMODAL | MB_ICONERROR));
    EXPECT_EQ(boxes.calls[1].caption, "Bosquetir");
    EXPECT_EQ(boxes.calls[1].text,
              "Vous savez cliquer sur une souris?.\n Bon votre minable score est de 0.");
    EXPECT_TRUE(quitPosted());
}

TEST_F(GameSessionTest, TheSceneryStopsAShotAtATargetBehindIt) {
    GameSession session;
    session.start(renderEngine);
    // A target on track 0 at its start (140, 150), half behind the tree's opaque columns.
    drawsFrom(seedWhere(3,
                        [](const std::vector<int>& d) {
                            const int a = d[1] % 6, b = d[2] % 6;
                            return d[0] % 6 == 0 && a != b && a != 0 && a != 3 && b != 0 && b != 3;
                        }),
              3);
    targetLayer.frame(renderEngine);
    ASSERT_EQ(targetLayer.trackOf(0), 0);
    EXPECT_EQ(session.click(Vector2{150, 170}), 0) << "on the tree";
    EXPECT_EQ(targetLayer.trackOf(0), 0) << "the target behind it is untouched";
    EXPECT_EQ(session.click(Vector2{50, 50}), 0) << "a miss costs nothing";
    EXPECT_EQ(session.getScore(), 0u);
    EXPECT_EQ(session.click(Vector2{180, 170}), 1) << "through the tree's keyed pixels";
    EXPECT_EQ(session.getScore(), 1u);
    EXPECT_EQ(session.click(Vector2{180, 170}), 0) << "one point per target";
    EXPECT_EQ(session.getScore(), 1u);
}

TEST_F(GameSessionTest, EachRatingBeginsAtItsThreshold) {
    const std::string low = "Vous savez cliquer sur une souris?.\n Bon votre minable score est de ";
    const std::string twenty = "J'esp\xE8re que c'est la premi\xE8re fois que vous jouez \xE0 ce "
                               "jeu.\n Bon votre score est de ";
    const std::string thirty =
        "Comme on dits, y a mieux mais c'est plus dur.\n Bon votre score est de ";
    const std::string forty =
        "Et bien, vous \xEAtes loin d'\xEAtre mauvais.\n Bon votre score est de ";
    const std::string fifty = "Bravo, vous \xEAtes un dieu, je me demande quand m\xEAme combien de "
                              "temps vous avez d\xE9penser sur ce jeu \xE0 la con.\n Bon votre "
                              "score est de ";
    EXPECT_EQ(ratingFor(19), low + "19.");
    EXPECT_EQ(ratingFor(20), twenty + "20.");
    EXPECT_EQ(ratingFor(29), twenty + "29.");
    EXPECT_EQ(ratingFor(30), thirty + "30.");
    EXPECT_EQ(ratingFor(39), thirty + "39.");
    EXPECT_EQ(ratingFor(40), forty + "40.");
    EXPECT_EQ(ratingFor(49), forty + "49.");
    EXPECT_EQ(ratingFor(50), fifty + "50.");
    EXPECT_EQ(ratingFor(0), low + "0.");
}

TEST_F(GameSessionTest, AShotAfterTheTimeButBeforeTheNextFrameStillScores) {
    GameSession session;
    session.start(renderEngine);
    clock.advance(GameDuration + 500);
    scoreHits(session, 1);
    boxes.calls.clear();
    session.frame(renderEngine);
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_EQ(boxes.calls[0].text,
              "Vous savez cliquer sur une souris?.\n Bon votre minable score est de 1.");
}

} // namespace
