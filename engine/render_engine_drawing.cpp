// The render engine's drawing services: loading a picture, drawing it, probing one texel for
// opacity (the basis of every hit test) and drawing a line of text.
#include "engine/render_engine.h"

#include "blit/pixel_codec.h"
#include "engine/texture.h"
#include "sprite/sprite_batch.h"
#include "text/text_renderer.h"
#include "texture/texture_loader.h"

#include <cstdint>
#include <cstring>
#include <memory>

namespace {

constexpr UINT DefaultSize = 0xFFFFFFFF;
constexpr UINT FullMipChain = 0;
constexpr D3DCOLOR OpaqueMagenta = 0xFFFF00FF;
constexpr D3DCOLOR OpaqueWhite = 0xFFFFFFFF;
constexpr uint32_t FullAlpha = 0xFF000000;

// The alpha of one locked texel is full. The game's textures are A8R8G8B8; a device that had
// to choose another format gets its texel decoded by the format's codec.
bool texelIsOpaque(const void* bits, D3DFORMAT format) {
    if (format == D3DFMT_A8R8G8B8) {
        uint32_t value = 0;
        std::memcpy(&value, bits, sizeof value);
        return value >= FullAlpha;
    }
    BlitSurface texel;
    texel.bits = static_cast<uint8_t*>(const_cast<void*>(bits));
    texel.format = PixelFormat(format);
    texel.extent = BlitBox{0, 0, 1, 1, 0, 1};
    texel.rect = texel.extent;
    std::unique_ptr<PixelCodec> codec = createPixelCodec(texel);
    if (codec == nullptr || codec->bytesPerPixel == 0)
        return false;
    FloatColor color{};
    codec->decodeRow(0, 0, &color);
    return color.a >= 1.0f;
}

} // namespace

bool RenderEngine::loadTexture(Texture& picture) {
    ImageInfo info{};
    // Unscaled into the texture's top-left corner, whatever size the device makes the texture.
    const HRESULT result =
        createTextureFromFile(device, picture.path, DefaultSize, DefaultSize, FullMipChain, 0,
                              D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, FilterNone, FilterDefault,
                              OpaqueMagenta, &info, nullptr, &picture.texture);
    if (FAILED(result))
        return false;
    picture.source.top = 0;
    picture.source.right = LONG(info.width);
    picture.source.bottom = LONG(info.height);
    return true;
}

bool RenderEngine::drawSprite(IDirect3DTexture8* texture, const RECT& source,
                              const Vector2* position) {
    const HRESULT result =
        spriteBatch->draw(texture, &source, nullptr, nullptr, 0.0f, position, OpaqueWhite);
    return SUCCEEDED(result);
}

bool RenderEngine::isOpaqueAt(const Vector2& point, IDirect3DTexture8* texture) {
    if (texture == nullptr)
        return false;
    D3DSURFACE_DESC level{};
    if (FAILED(texture->GetLevelDesc(0, &level)))
        return false;
    // Checked in floating point first, so that no value is converted out of range.
    if (!(point.x >= 0 && point.y >= 0 && point.x < float(level.Width) &&
          point.y < float(level.Height)))
        return false;
    const LONG x = LONG(point.x);
    const LONG y = LONG(point.y);
    RECT texel{x, y, x + 1, y + 1};
    D3DLOCKED_RECT locked{};
    if (FAILED(texture->LockRect(0, &locked, &texel, D3DLOCK_READONLY)))
        return false;
    const bool opaque = texelIsOpaque(locked.pBits, level.Format);
    texture->UnlockRect(0);
    return opaque;
}

bool RenderEngine::drawText(const char* text, UINT format, D3DCOLOR color) {
    RECT client{0, 0, 640, 480};
    return textRenderer->drawText(text, -1, &client, format, color) >= 0;
}
