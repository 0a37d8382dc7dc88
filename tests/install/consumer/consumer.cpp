// Loads a small picture with the texture loader, draws it with the sprite batch on the headless
// device and checks the presented pixels, then checks the textures the build converted. Exit
// status 0 when every pixel and every texture is what it should be.
#include "platform_ext.h"
#include "sprite/sprite_batch.h"
#include "texture/texture_loader.h"

#include <cstdio>
#include <string>

namespace {

// A 2 x 2 binary pixmap: red, green on the top row; blue, opaque magenta (keyed out) below.
const std::string picture = std::string("P6\n2 2\n255\n") +
                            std::string("\xFF\x00\x00\x00\xFF\x00\x00\x00\xFF\xFF\x00\xFF", 12);

int fail(const char* what, HRESULT hr) {
    std::fprintf(stderr, "consumer: %s failed (0x%08X)\n", what, unsigned(hr));
    return 1;
}

// What the program created, released on every way out, the device last.
struct Objects {
    IDirect3DDevice8* device = nullptr;
    IDirect3DTexture8* texture = nullptr;
    SpriteBatch* sprites = nullptr;

    ~Objects() {
        if (sprites != nullptr)
            sprites->release();
        if (texture != nullptr)
            texture->Release();
        if (device != nullptr)
            device->Release();
    }
};

// What the build's bosquetir_add_textures made: DXT1 chains of both pictures, and the keyed
// leaf as one A8R8G8B8 level whose magenta pixel became transparent black.
int checkConvertedTextures(IDirect3DDevice8* device) {
    struct Expected {
        const char* file;
        UINT width, height, levels;
        D3DFORMAT format;
    } const expectedTable[] = {
        {CONVERTED_DIR "/textures/sky.dds", 8, 4, 4, D3DFMT_DXT1},
        {CONVERTED_DIR "/textures/leaf.dds", 4, 4, 3, D3DFMT_DXT1},
        {CONVERTED_DIR "/keyed/leaf.dds", 4, 4, 1, D3DFMT_A8R8G8B8},
    };
    int wrong = 0;
    for (const Expected& e : expectedTable) {
        ImageInfo info = {};
        IDirect3DTexture8* texture = nullptr;
        const HRESULT hr =
            createTextureFromFile(device, e.file, 0, 0, 0, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                  FilterNone, FilterDefault, 0, &info, nullptr, &texture);
        if (FAILED(hr))
            return fail(e.file, hr);
        const bool right = info.imageFileFormat == Dds && info.width == e.width &&
                           info.height == e.height && info.mipLevels == e.levels &&
                           info.format == e.format;
        if (!right) {
            std::fprintf(stderr, "consumer: %s holds %ux%u, %u levels, format %08X\n", e.file,
                         info.width, info.height, info.mipLevels, unsigned(info.format));
            ++wrong;
        }
        if (right && e.format == D3DFMT_A8R8G8B8) {
            D3DLOCKED_RECT locked = {};
            texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY);
            const auto* row = reinterpret_cast<const uint32_t*>(
                static_cast<uint8_t*>(locked.pBits) + locked.Pitch);
            if (row[1] != 0 || row[0] != 0xFF1E8C32) {
                std::fprintf(stderr, "consumer: keyed leaf pixels %08X %08X\n", row[0], row[1]);
                ++wrong;
            }
            texture->UnlockRect(0);
        }
        texture->Release();
    }
    return wrong == 0 ? 0 : 1;
}

} // namespace

int main() {
    Objects objects;
    HRESULT hr = platform_ext::createHeadlessDevice(8, 8, &objects.device);
    if (FAILED(hr))
        return fail("createHeadlessDevice", hr);
    IDirect3DDevice8* device = objects.device;

    hr = createTextureFromMemory(device, picture.data(), UINT(picture.size()), 0xFFFFFFFFu,
                                 0xFFFFFFFFu, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, FilterNone,
                                 FilterDefault, 0xFFFF00FF, nullptr, nullptr, &objects.texture);
    if (FAILED(hr))
        return fail("createTextureFromMemory", hr);

    hr = createSpriteBatch(device, &objects.sprites);
    if (FAILED(hr))
        return fail("createSpriteBatch", hr);

    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF404040, 1.0f, 0);
    device->BeginScene();
    const Vector2 at = {2.0f, 3.0f};
    hr = objects.sprites->draw(objects.texture, nullptr, nullptr, nullptr, 0.0f, &at, 0xFFFFFFFF);
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
    if (FAILED(hr))
        return fail("SpriteBatch::draw", hr);

    platform_ext::PresentedFrame frame;
    if (!platform_ext::lastPresentedFrame(device, &frame))
        return fail("lastPresentedFrame", E_FAIL);
    struct Expected {
        UINT x, y;
        uint32_t colour;
    } const expectedTable[] = {
        {2, 3, 0xFFFF0000}, {3, 3, 0xFF00FF00},
        {2, 4, 0xFF0000FF}, {3, 4, 0xFF404040}, // keyed out: the background shows through
        {1, 3, 0xFF404040},                     // outside the sprite
    };
    int wrong = 0;
    for (const Expected& e : expectedTable) {
        if (frame.at(e.x, e.y) != e.colour) {
            std::fprintf(stderr, "consumer: pixel (%u, %u) is %08X, expected %08X\n", e.x, e.y,
                         frame.at(e.x, e.y), e.colour);
            ++wrong;
        }
    }
    if (wrong != 0)
        return 1;
    std::puts("consumer: the installed toolkit loaded and drew the picture");
    if (checkConvertedTextures(device) != 0)
        return 1;
    std::puts("consumer: the build converted its pictures into the expected textures");
    return 0;
}
