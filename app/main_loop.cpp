// The message and frame loop.
#include "app/main_loop.h"

#include "game/game_objects.h"

WPARAM runMainLoop() {
    MSG message;
    for (;;) {
        if (PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
            if (GetMessageA(&message, nullptr, 0, 0) == 0)
                return message.wParam;
            TranslateMessage(&message);
            DispatchMessageA(&message);
            continue;
        }
        runFrame();
    }
}

bool runFrame() {
    if (!renderEngine.beginFrame())
        return false;
    // Later draws cover earlier ones: the scenery hides the targets behind it.
    backgroundLayer.frame(renderEngine);
    targetLayer.frame(renderEngine);
    foregroundLayer.frame(renderEngine);
    frameCounter.draw(renderEngine);
    // May end the game: the rating box is shown inside this frame, which still completes.
    gameSession.frame(renderEngine);
    renderEngine.endFrame();
    frameCounter.count();
    return true;
}
