// Test helper for the texture loader: pictures made as PNG files, and the pixels of a texture
// level read back through a system-memory copy, whatever the texture's pool.
#pragma once

#include "tests/platform/d3d8/d3d8_test_support.h"
#include "tests/texture/png_maker.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <vector>

namespace texture_test {

using d3d8_test::Ref;

// The game's transparent colour, as the PNG files store it.
inline constexpr uint32_t Magenta = 0xFF00FF;

// An 8-bit RGB picture whose colours come in 2 x 2 blocks, so that a box-filtered level
// below it holds exactly the block colours; some blocks are magenta.
inline uint32_t blockColour(uint32_t blockX, uint32_t blockY) {
    if ((blockX + blockY) % 50 == 0)
        return Magenta;
    uint32_t rgb =
        ((blockX * 7) & 0xFF) << 16 | ((blockY * 5) & 0xFF) << 8 | ((blockX + blockY) & 0xFF);
    return rgb == Magenta ? rgb ^ 1 : rgb;
}

inline std::vector<uint8_t> blockPicture(uint32_t width, uint32_t height) {
    PngRecipe r;
    r.width = width;
    r.height = height;
    r.colorType = PNG_COLOR_TYPE_RGB;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t rgb = blockColour(x / 2, y / 2);
            r.rows.insert(r.rows.end(), {uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb)});
        }
    }
    return makePng(r);
}

// A level's pixels, rows without padding.
struct LevelPixels {
    UINT width = 0;
    UINT height = 0;
    UINT bytesPerPixel = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    std::vector<uint8_t> bytes;

    uint32_t at(UINT x, UINT y) const {
        uint32_t value = 0;
        std::memcpy(&value, &bytes[(size_t(y) * width + x) * bytesPerPixel], bytesPerPixel);
        return value;
    }
};

inline LevelPixels readLevel(IDirect3DTexture8* texture, UINT level, UINT bytesPerPixel) {
    LevelPixels out;
    Ref<IDirect3DSurface8> surface;
    EXPECT_EQ(texture->GetSurfaceLevel(level, surface.out()), D3D_OK);
    D3DSURFACE_DESC desc = {};
    surface->GetDesc(&desc);
    Ref<IDirect3DDevice8> device;
    texture->GetDevice(device.out());
    Ref<IDirect3DSurface8> copy;
    EXPECT_EQ(device->CreateImageSurface(desc.Width, desc.Height, desc.Format, copy.out()), D3D_OK);
    EXPECT_EQ(device->CopyRects(surface.get(), nullptr, 0, copy.get(), nullptr), D3D_OK);
    D3DLOCKED_RECT locked = {};
    EXPECT_EQ(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    out.width = desc.Width;
    out.height = desc.Height;
    out.bytesPerPixel = bytesPerPixel;
    out.format = desc.Format;
    const auto* bits = static_cast<const uint8_t*>(locked.pBits);
    for (UINT y = 0; y < desc.Height; ++y)
        out.bytes.insert(out.bytes.end(), bits + size_t(y) * locked.Pitch,
                         bits + size_t(y) * locked.Pitch + size_t(desc.Width) * bytesPerPixel);
    copy->UnlockRect();
    return out;
}

// The reference count of an object, read by adding and releasing one.
template <class T> ULONG refCount(T* object) {
    object->AddRef();
    return object->Release();
}

} // namespace texture_test
