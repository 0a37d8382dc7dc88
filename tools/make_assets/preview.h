// A look at the pictures together: the scene as the game composes it, with a few targets
// on their tracks, for judging the pictures by eye (not used by the game).
#pragma once

#include <string>

namespace assets {

// Writes the composed 640 x 480 scene as an RGB PNG; false when it cannot.
bool writePreview(const std::string& path);

} // namespace assets
