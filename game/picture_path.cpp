// The picture path rule shared by the layers.
#include "game/picture_path.h"

#include "windows.h"

#include <cstring>

namespace {

// The directory's share of the path buffer, terminating zero included.
constexpr DWORD DirectoryCapacity = 256;

} // namespace

bool buildPicturePath(Texture& texture, const char* suffix) {
    const DWORD length = GetCurrentDirectoryA(DirectoryCapacity, texture.path);
    // On a buffer too small the answer is the size needed, and the buffer holds nothing useful.
    const bool complete = length > 0 && length < DirectoryCapacity;
    const size_t suffixLength = std::strlen(suffix);
    if (!complete || length + suffixLength >= sizeof texture.path) {
        texture.path[0] = '\0';
        return false;
    }
    std::memcpy(texture.path + length, suffix, suffixLength + 1);
    return true;
}
