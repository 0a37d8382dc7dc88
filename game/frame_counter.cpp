// The frame counter.
#include "game/frame_counter.h"

#include "engine/render_engine.h"
#include "game/game_log.h"
#include "game/game_objects.h"

#include <cstdint>
#include <cstdio>

namespace {

constexpr DWORD IntervalMilliseconds = 1000;
constexpr D3DCOLOR FigureColor = 0xFF00FF00;

} // namespace

int FrameCounter::draw(RenderEngine& engine) {
    char text[32];
    std::snprintf(text, sizeof text, "fps: %i", fps);
    engine.drawText(text, DT_LEFT | DT_TOP, FigureColor);
    return fps;
}

int FrameCounter::count() {
    const DWORD now = GetTickCount();
    ++frames;
    const DWORD elapsed = now - lastTick;
    if (elapsed <= IntervalMilliseconds)
        return fps;
    fps = int(uint64_t(frames) * 1000 / elapsed);
    gameLog.write("fps: ").write(fps).endLine();
    frames = 0;
    // Read again after the log write, which may have taken a while.
    lastTick = GetTickCount();
    return fps;
}
