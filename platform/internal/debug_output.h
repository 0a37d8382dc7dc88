// Explanations of refused Direct3D calls on standard error, for a developer who sets the
// environment variable D3D8_DEBUG. DebugSetMute is the runtime's export that silences them
// while the toolkit makes calls that may fail as part of normal work.
#pragma once

#include "windef.h"

void DebugSetMute(BOOL mute);

namespace platform_internal {

// Prints "d3d8: " and the formatted text when D3D8_DEBUG is set and output is not muted.
void explainRefusal(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace platform_internal
