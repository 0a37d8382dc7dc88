// filterTexture: the default filter by size, the cascade rule, cube mirror flags, volume
// textures and the level checks.
#include "blit/filter_texture.h"
#include "blit/surface_blitter.h"
#include "blit_device_fixture.h"

namespace {

class FilterTextureTest : public BlitDeviceTest {
protected:
    // A level read into memory as 32-bit words.
    std::vector<uint32_t> level(IDirect3DTexture8* texture, UINT index) {
        ComRef<IDirect3DSurface8> surface;
        EXPECT_EQ(texture->GetSurfaceLevel(index, surface.out()), D3D_OK);
        const std::vector<uint8_t> bytes = contents(surface.get(), 4);
        std::vector<uint32_t> words(bytes.size() / 4);
        std::memcpy(words.data(), bytes.data(), bytes.size());
        return words;
    }

    ComRef<IDirect3DTexture8> texture(UINT width, UINT height, UINT levels) {
        ComRef<IDirect3DTexture8> t;
        EXPECT_EQ(device->CreateTexture(width, height, levels, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                        t.out()),
                  D3D_OK);
        ComRef<IDirect3DSurface8> top;
        EXPECT_EQ(t->GetSurfaceLevel(0, top.out()), D3D_OK);
        std::vector<uint8_t> bytes(size_t(width) * height * 4);
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = uint8_t((i * 7919) >> 3);
        fill(top.get(), 4, bytes);
        return t;
    }
};

// What a blit of `words` (w x h) into a (dw x dh) picture gives.
std::vector<uint32_t> resized(std::vector<uint32_t> words, uint32_t w, uint32_t h, uint32_t dw,
                              uint32_t dh, ImageFilter filter) {
    std::vector<uint32_t> out(size_t(dw) * dh);
    BlitSurface from, to;
    from.bits = reinterpret_cast<uint8_t*>(words.data());
    from.format = D3DFMT_A8R8G8B8;
    from.rowPitch = w * 4;
    from.extent = from.rect = {0, 0, int32_t(w), int32_t(h), 0, 1};
    to = from;
    to.bits = reinterpret_cast<uint8_t*>(out.data());
    to.rowPitch = dw * 4;
    to.extent = to.rect = {0, 0, int32_t(dw), int32_t(dh), 0, 1};
    EXPECT_EQ(blitSurface(to, from, filter), D3D_OK);
    return out;
}

TEST_F(FilterTextureTest, PowerOfTwoTexturesCascadeTheBoxFilter) {
    ComRef<IDirect3DTexture8> t = texture(8, 4, 0);
    ASSERT_EQ(t->GetLevelCount(), 4u);
    ASSERT_EQ(filterTexture(t.get(), nullptr, 0xFFFFFFFF, FilterDefault), D3D_OK);
    const std::vector<uint32_t> one = level(t.get(), 1);
    EXPECT_EQ(one, resized(level(t.get(), 0), 8, 4, 4, 2, FilterBox));
    const std::vector<uint32_t> two = level(t.get(), 2);
    EXPECT_EQ(two, resized(one, 4, 2, 2, 1, FilterBox));
    EXPECT_EQ(level(t.get(), 3), resized(two, 2, 1, 1, 1, FilterBox));
}

TEST_F(FilterTextureTest, OtherSizesTakeTheDitheredTriangleFromTheSourceLevel) {
    ComRef<IDirect3DTexture8> t = texture(100, 60, 3);
    ASSERT_EQ(filterTexture(t.get(), nullptr, 0, FilterDefault), D3D_OK);
    const std::vector<uint32_t> top = level(t.get(), 0);
    const ImageFilter expected = FilterTriangle | FilterDither;
    EXPECT_EQ(level(t.get(), 1), resized(top, 100, 60, 50, 30, expected));
    EXPECT_EQ(level(t.get(), 2), resized(top, 100, 60, 25, 15, expected));
}

TEST_F(FilterTextureTest, LevelsAndTypesAreChecked) {
    ComRef<IDirect3DTexture8> t = texture(4, 4, 3);
    EXPECT_EQ(filterTexture(t.get(), nullptr, 3, FilterBox), D3DERR_INVALIDCALL);
    EXPECT_EQ(filterTexture(nullptr, nullptr, 0, FilterBox), D3DERR_INVALIDCALL);
    EXPECT_EQ(filterTexture(t.get(), nullptr, 2, FilterBox), D3D_OK); // nothing below it
    EXPECT_EQ(filterTexture(t.get(), nullptr, 0, 0x106), D3DERR_INVALIDCALL);
}

TEST_F(FilterTextureTest, CubeFacesMirrorTheirEdges) {
    ComRef<IDirect3DCubeTexture8> cube;
    ASSERT_EQ(device->CreateCubeTexture(4, 2, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, cube.out()),
              D3D_OK);
    std::vector<uint8_t> bytes(64);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(i * 37);
    for (UINT face = 0; face < 6; ++face) {
        ComRef<IDirect3DSurface8> top;
        ASSERT_EQ(cube->GetCubeMapSurface(D3DCUBEMAP_FACES(face), 0, top.out()), D3D_OK);
        bytes[0] = uint8_t(face);
        fill(top.get(), 4, bytes);
    }
    ASSERT_EQ(filterTexture(cube.get(), nullptr, 0, FilterTriangle), D3D_OK);
    for (UINT face = 0; face < 6; ++face) {
        bytes[0] = uint8_t(face);
        std::vector<uint32_t> words(16);
        std::memcpy(words.data(), bytes.data(), 64);
        ComRef<IDirect3DSurface8> small;
        ASSERT_EQ(cube->GetCubeMapSurface(D3DCUBEMAP_FACES(face), 1, small.out()), D3D_OK);
        const std::vector<uint8_t> got = contents(small.get(), 4);
        std::vector<uint32_t> gotWords(4);
        std::memcpy(gotWords.data(), got.data(), 16);
        EXPECT_EQ(gotWords, resized(words, 4, 4, 2, 2, FilterTriangle | FilterMirror)) << face;
        EXPECT_NE(gotWords, resized(words, 4, 4, 2, 2, FilterTriangle)) << face;
    }
}

TEST_F(FilterTextureTest, VolumeTexturesHalveTheirSlices) {
    ComRef<IDirect3DVolumeTexture8> volume;
    ASSERT_EQ(device->CreateVolumeTexture(2, 2, 2, 2, 0, D3DFMT_L8, D3DPOOL_MANAGED, volume.out()),
              D3D_OK);
    D3DLOCKED_BOX locked = {};
    ASSERT_EQ(volume->LockBox(0, &locked, nullptr, 0), D3D_OK);
    for (UINT z = 0; z < 2; ++z) {
        for (UINT y = 0; y < 2; ++y) {
            uint8_t* row =
                static_cast<uint8_t*>(locked.pBits) + z * locked.SlicePitch + y * locked.RowPitch;
            row[0] = uint8_t(z * 32);
            row[1] = uint8_t(z * 32);
        }
    }
    volume->UnlockBox(0);
    ASSERT_EQ(filterTexture(volume.get(), nullptr, 0, FilterDefault), D3D_OK);
    ASSERT_EQ(volume->LockBox(1, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(*static_cast<uint8_t*>(locked.pBits), 16);
    volume->UnlockBox(1);
}

} // namespace
