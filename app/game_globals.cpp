// The game's objects, all defined here so that their order is the order written: they are built
// before WinMain runs and destroyed in reverse after it returns. The log is closed first, the
// layers release their textures before the engine releases its device, and the tracks go last.
#include "app/window_procedure.h"
#include "game/game_objects.h"

TargetPathTable TargetPaths = makeTargetPaths();
RenderEngine renderEngine;
GameSession gameSession;
BackgroundLayer backgroundLayer;
ForegroundLayer foregroundLayer;
TargetLayer targetLayer;
FrameCounter frameCounter;
// Creates or empties "Bosquetir.log" in the current directory.
GameLog gameLog;

HCURSOR crosshairCursor = nullptr;
