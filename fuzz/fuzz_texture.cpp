// libFuzzer target: any bytes through createTextureFromMemory with the game's own request
// (the file's size, a full chain, A8R8G8B8, managed pool, no scaling filter, opaque magenta as
// colour key) on one headless software device. Every level of a made texture is read whole.
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
void readEveryLevel(IDirect3DTexture8* texture) {
    static std::vector<uint8_t> row;
    for (UINT level = 0; level < texture->GetLevelCount(); ++level) {
        D3DSURFACE_DESC desc = {};
        D3DLOCKED_RECT locked = {};
        if (FAILED(texture->GetLevelDesc(level, &desc)) ||
            FAILED(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY)))
            std::abort();
        const auto* bytes = static_cast<const uint8_t*>(locked.pBits);
        row.resize(size_t(desc.Width) * 4);
        for (UINT y = 0; y < desc.Height; ++y)
            std::memcpy(row.data(), bytes + size_t(y) * locked.Pitch, row.size());
        texture->UnlockRect(level);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    IDirect3DTexture8* texture = nullptr;
    ImageInfo info;
    const HRESULT hr = createTextureFromMemory(
        sharedDevice(), data, UINT(size), 0xFFFFFFFF, 0xFFFFFFFF, 0, 0, D3DFMT_A8R8G8B8,
        D3DPOOL_MANAGED, FilterNone, FilterDefault, 0xFFFF00FF, &info, nullptr, &texture);
    if (FAILED(hr)) {
        if (texture != nullptr)
            std::abort();
        return 0;
    }
    if (texture == nullptr)
        std::abort();
    readEveryLevel(texture);
    texture->Release();
    return 0;
}
