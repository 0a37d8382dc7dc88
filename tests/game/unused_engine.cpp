// The program's one engine, for tests that link the game's rules without opening it.
#include "engine/render_engine.h"

RenderEngine renderEngine;
