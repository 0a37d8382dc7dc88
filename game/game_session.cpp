// The game session: start box, countdown, scoring, status line and the rating at the end.
// The texts are Windows-1252.
#include "game/game_session.h"

#include "engine/render_engine.h"
#include "game/foreground_layer.h"
#include "game/game_objects.h"
#include "game/target_layer.h"

#include <cstdint>
#include <cstdio>
#include <iterator>

namespace {

const char* const Caption = "Bosquetir";
const char* const StartText = "La partie d\xE9marre d\xE8s que vous cliquez sur Ok";
const char* const StatusFormat = "Score: %i Temps restant: %i";
constexpr D3DCOLOR StatusColor = 0xFFFF0000;

struct Rating {
    DWORD lowestScore;
    const char* sentence; // formatted with the score
};

// From the best rating down; the first whose lowest score is reached applies.
const Rating RatingTable[] = {
    {50, "Bravo, vous \xEAtes un dieu, je me demande quand m\xEAme combien de temps vous avez "
         "d\xE9penser sur ce jeu \xE0 la con.\n Bon votre score est de %i."},
    {40, "Et bien, vous \xEAtes loin d'\xEAtre mauvais.\n Bon votre score est de %i."},
    {30, "Comme on dits, y a mieux mais c'est plus dur.\n Bon votre score est de %i."},
    {20, "J'esp\xE8re que c'est la premi\xE8re fois que vous jouez \xE0 ce jeu.\n Bon votre score "
         "est de %i."},
    {0, "Vous savez cliquer sur une souris?.\n Bon votre minable score est de %i."},
};

const char* ratingSentence(DWORD score) {
    for (const Rating& rating : RatingTable)
        if (score >= rating.lowestScore)
            return rating.sentence;
    return RatingTable[std::size(RatingTable) - 1].sentence;
}

} // namespace

bool GameSession::start(RenderEngine& engine) {
    MessageBoxA(engine.getWindow(), StartText, Caption, MB_TASKMODAL);
    // The clock starts when the player has read the box, not when it opened.
    score = 0;
    startTick = GetTickCount();
    return true;
}

bool GameSession::frame(RenderEngine& engine) {
    const auto remaining = int32_t(startTick - GetTickCount() + GameDuration);
    if (remaining < 0)
        return finish(engine);
    char status[64];
    std::snprintf(status, sizeof status, StatusFormat, int(score), remaining / 1000);
    engine.drawText(status, DT_CENTER, StatusColor);
    return true;
}

bool GameSession::finish(RenderEngine& engine) {
    char text[256];
    std::snprintf(text, sizeof text, ratingSentence(score), int(score));
    MessageBoxA(engine.getWindow(), text, Caption, MB_TASKMODAL | MB_ICONERROR);
    engine.requestQuit();
    return true;
}

int GameSession::click(const Vector2& point) {
    if (foregroundLayer.hitTest(point))
        return 0;
    if (!targetLayer.hitTest(point))
        return 0;
    ++score;
    return 1;
}
