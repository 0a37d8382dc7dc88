// The game's objects, one of each, reached directly by the objects that use them. The program
// defines them in one translation unit, in this order, so that they are destroyed in reverse:
// the log closes first and every texture is released before the engine's device.
#pragma once

#include "engine/render_engine.h"
#include "game/background_layer.h"
#include "game/foreground_layer.h"
#include "game/frame_counter.h"
#include "game/game_log.h"
#include "game/game_session.h"
#include "game/target_layer.h"
#include "game/target_path.h"

extern TargetPathTable TargetPaths;
extern RenderEngine renderEngine;
extern GameSession gameSession;
extern BackgroundLayer backgroundLayer;
extern ForegroundLayer foregroundLayer;
extern TargetLayer targetLayer;
extern FrameCounter frameCounter;
extern GameLog gameLog;
