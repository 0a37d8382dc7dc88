// libFuzzer target: any bytes through createTextureFromMemory with the game's own request
// (the file's size, a full chain, A8R8G8B8, managed pool, no scaling filter, opaque magenta as
// colour key) on one headless software device. Every level of a made texture is read whole.
// Each input is loaded twice, by rows and the general way: the code, the ImageInfo and every
// level's bytes must agree.
#include "blit/blit_surface.h"
#include "platform_ext.h"
#include "texture/texture_loader.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

IDirect3DDevice8* sharedDevice() {
    static IDirect3DDevice8* device = [] {
        IDirect3DDevice8* made = nullptr;
        if (FAILED(platform_ext::createHeadlessDevice(64, 64, &made)))
            std::abort();
        return made;
    }();
    return device;
}

// Locks each level read-only and copies its rows out whole, so that a level smaller than its
// description is caught by AddressSanitizer.
std::vector<uint8_t> readEveryLevel(IDirect3DTexture8* texture) {
    std::vector<uint8_t> bytes;
    for (UINT level = 0; level < texture->GetLevelCount(); ++level) {
        D3DSURFACE_DESC desc = {};
        D3DLOCKED_RECT locked = {};
        if (FAILED(texture->GetLevelDesc(level, &desc)) ||
            FAILED(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY)))
            std::abort();
        const auto* rows = static_cast<const uint8_t*>(locked.pBits);
        for (UINT y = 0; y < desc.Height; ++y)
            bytes.insert(bytes.end(), rows + size_t(y) * locked.Pitch,
                         rows + size_t(y) * locked.Pitch + size_t(desc.Width) * 4);
        texture->UnlockRect(level);
    }
    return bytes;
}

struct Load {
    HRESULT result;
    ImageInfo info;
    std::vector<uint8_t> levels;
};

Load load(const uint8_t* data, size_t size, bool byRows) {
    setRowFillEnabled(byRows);
    IDirect3DTexture8* texture = nullptr;
    Load made = {};
    made.result = createTextureFromMemory(
        sharedDevice(), data, UINT(size), 0xFFFFFFFF, 0xFFFFFFFF, 0, 0, D3DFMT_A8R8G8B8,
        D3DPOOL_MANAGED, FilterNone, FilterDefault, 0xFFFF00FF, &made.info, nullptr, &texture);
    setRowFillEnabled(true);
    if (FAILED(made.result)) {
        if (texture != nullptr)
            std::abort();
        return made;
    }
    if (texture == nullptr)
        std::abort();
    made.levels = readEveryLevel(texture);
    texture->Release();
    return made;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Load rows = load(data, size, true);
    const Load general = load(data, size, false);
    if (rows.result != general.result || rows.levels != general.levels ||
        (SUCCEEDED(rows.result) && std::memcmp(&rows.info, &general.info, sizeof(ImageInfo)) != 0))
        std::abort();
    return 0;
}
