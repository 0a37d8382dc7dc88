// The load operations on device surfaces and volumes: locks direct and staged, the device
// copy and when it is tried, copies onto the same surface, and the refusals.
#include "blit/surface_load.h"
#include "blit/surface_lock.h"
#include "blit_device_fixture.h"

namespace {

std::vector<uint32_t> words(const std::vector<uint8_t>& bytes) {
    std::vector<uint32_t> out(bytes.size() / 4);
    std::memcpy(out.data(), bytes.data(), bytes.size());
    return out;
}

class SurfaceLoadTest : public BlitDeviceTest {};

TEST_F(SurfaceLoadTest, PictureLandsInTheTopLeftOfAManagedTexture) {
    ComRef<IDirect3DTexture8> texture;
    ASSERT_EQ(device->CreateTexture(128, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.out()),
              D3D_OK);
    ComRef<IDirect3DSurface8> level;
    ASSERT_EQ(texture->GetSurfaceLevel(0, level.out()), D3D_OK);
    std::vector<uint32_t> picture(100 * 60);
    for (size_t i = 0; i < picture.size(); ++i)
        picture[i] = i % 7 == 0 ? 0xFFFF00FFu : 0xFF000000u | uint32_t(i * 2654435761u >> 8);
    const RECT whole = {0, 0, 100, 60};
    ASSERT_EQ(loadSurfaceFromMemory(level.get(), nullptr, nullptr, picture.data(), D3DFMT_X8R8G8B8,
                                    400, nullptr, &whole, FilterNone, 0xFFFF00FF),
              D3D_OK);
    const std::vector<uint32_t> pixels = words(contents(level.get(), 4));
    for (uint32_t y = 0; y < 64; ++y) {
        for (uint32_t x = 0; x < 128; ++x) {
            uint32_t expected = 0;
            if (x < 100 && y < 60 && picture[y * 100 + x] != 0xFFFF00FFu)
                expected = picture[y * 100 + x];
            ASSERT_EQ(pixels[y * 128 + x], expected) << x << "," << y;
        }
    }
}

TEST_F(SurfaceLoadTest, BadArgumentsLeaveTheSurfaceAlone) {
    ComRef<IDirect3DSurface8> surface = imageSurface(4, 4, D3DFMT_A8R8G8B8);
    fill(surface.get(), 4, std::vector<uint8_t>(64, 0x5A));
    const uint32_t source[16] = {};
    const RECT rect = {0, 0, 4, 4};
    EXPECT_EQ(loadSurfaceFromMemory(nullptr, nullptr, nullptr, source, D3DFMT_A8R8G8B8, 16, nullptr,
                                    &rect, FilterNone, 0),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(loadSurfaceFromMemory(surface.get(), nullptr, nullptr, nullptr, D3DFMT_A8R8G8B8, 16,
                                    nullptr, &rect, FilterNone, 0),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(loadSurfaceFromMemory(surface.get(), nullptr, nullptr, source, D3DFMT_A8R8G8B8, 16,
                                    nullptr, nullptr, FilterNone, 0),
              D3DERR_INVALIDCALL);
    for (ImageFilter bad : {0u, 6u, 0x105u, 0x100001u}) {
        EXPECT_EQ(loadSurfaceFromMemory(surface.get(), nullptr, nullptr, source, D3DFMT_A8R8G8B8,
                                        16, nullptr, &rect, bad, 0),
                  D3DERR_INVALIDCALL);
    }
    const RECT outside = {2, 2, 5, 4};
    const RECT inverted = {3, 0, 1, 4};
    for (const RECT* destination : {&outside, &inverted}) {
        EXPECT_EQ(loadSurfaceFromMemory(surface.get(), nullptr, destination, source,
                                        D3DFMT_A8R8G8B8, 16, nullptr, &rect, FilterNone, 0),
                  D3DERR_INVALIDCALL);
    }
    EXPECT_EQ(loadSurfaceFromMemory(surface.get(), nullptr, nullptr, source, D3DFMT_D24S8, 16,
                                    nullptr, &rect, FilterNone, 0),
              E_FAIL);
    EXPECT_EQ(loadSurfaceFromSurface(surface.get(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                     FilterNone, 0),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(contents(surface.get(), 4), std::vector<uint8_t>(64, 0x5A));
}

TEST_F(SurfaceLoadTest, DefaultFilterResizesWithTheTriangleFilter) {
    ComRef<IDirect3DSurface8> surface = imageSurface(2, 1, D3DFMT_L8);
    const uint8_t source[4] = {0, 200, 40, 80};
    const RECT rect = {0, 0, 4, 1};
    ASSERT_EQ(loadSurfaceFromMemory(surface.get(), nullptr, nullptr, source, D3DFMT_L8, 4, nullptr,
                                    &rect, FilterDefault, 0),
              D3D_OK);
    const std::vector<uint8_t> resized = contents(surface.get(), 1);
    EXPECT_NE(resized[0], 0);
    EXPECT_NE(resized[1], 80);
}

TEST_F(SurfaceLoadTest, EqualCopiesGoThroughTheDeviceUnlessBoxFiltered) {
    // UYVY does not survive decoding and encoding byte for byte, while CopyRects keeps it.
    const std::vector<uint8_t> pairs = {0, 16, 0, 235, 255, 81, 255, 145};
    ComRef<IDirect3DSurface8> source = imageSurface(4, 1, D3DFMT_UYVY);
    fill(source.get(), 2, pairs);
    ComRef<IDirect3DSurface8> viaDevice = imageSurface(4, 1, D3DFMT_UYVY);
    ComRef<IDirect3DSurface8> viaBlit = imageSurface(4, 1, D3DFMT_UYVY);
    ASSERT_EQ(loadSurfaceFromSurface(viaDevice.get(), nullptr, nullptr, source.get(), nullptr,
                                     nullptr, FilterTriangle, 0),
              D3D_OK);
    ASSERT_EQ(loadSurfaceFromSurface(viaBlit.get(), nullptr, nullptr, source.get(), nullptr,
                                     nullptr, FilterBox, 0),
              D3D_OK);
    EXPECT_EQ(contents(viaDevice.get(), 2), pairs);
    EXPECT_NE(contents(viaBlit.get(), 2), pairs);
}

TEST_F(SurfaceLoadTest, CopyOntoItselfReadsAPrivateCopy) {
    ComRef<IDirect3DSurface8> surface = imageSurface(1, 8, D3DFMT_A8R8G8B8);
    std::vector<uint32_t> column = {0xFF000001, 0xFF000002, 0xFFFF00FF, 0xFF000004,
                                    0xFF000005, 0xFF000006, 0xFF000007, 0xFF000008};
    std::vector<uint8_t> bytes(32);
    std::memcpy(bytes.data(), column.data(), 32);
    fill(surface.get(), 4, bytes);
    const RECT from = {0, 0, 1, 7};
    const RECT to = {0, 1, 1, 8};
    ASSERT_EQ(loadSurfaceFromSurface(surface.get(), nullptr, &to, surface.get(), nullptr, &from,
                                     FilterNone, 0xFFFF00FF),
              D3D_OK);
    EXPECT_EQ(words(contents(surface.get(), 4)),
              (std::vector<uint32_t>{0xFF000001, 0xFF000001, 0xFF000002, 0, 0xFF000004, 0xFF000005,
                                     0xFF000006, 0xFF000007}));
}

TEST_F(SurfaceLoadTest, DefaultPoolTextureLevelsAreWrittenThroughAStagingCopy) {
    ComRef<IDirect3DTexture8> texture;
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_R5G6B5, D3DPOOL_DEFAULT, texture.out()),
              D3D_OK);
    ComRef<IDirect3DSurface8> level;
    ASSERT_EQ(texture->GetSurfaceLevel(0, level.out()), D3D_OK);
    const uint32_t white[4] = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
    const RECT source = {0, 0, 2, 2};
    const RECT corner = {2, 2, 4, 4};
    ASSERT_EQ(loadSurfaceFromMemory(level.get(), nullptr, &corner, white, D3DFMT_A8R8G8B8, 8,
                                    nullptr, &source, FilterNone, 0),
              D3D_OK);
    // Read back through a system-memory copy, since default-pool levels cannot be locked.
    ComRef<IDirect3DSurface8> copy = imageSurface(4, 4, D3DFMT_R5G6B5);
    ASSERT_EQ(device->CopyRects(level.get(), nullptr, 0, copy.get(), nullptr), D3D_OK);
    const std::vector<uint8_t> pixels = contents(copy.get(), 2);
    for (uint32_t i = 0; i < 16; ++i) {
        const bool inside = i % 4 >= 2 && i / 4 >= 2;
        EXPECT_EQ(pixels[2 * i] | pixels[2 * i + 1] << 8, inside ? 0xFFFF : 0) << i;
    }
}

TEST_F(SurfaceLoadTest, LocksWidenToWholePairsAndBlocks) {
    ComRef<IDirect3DSurface8> pairs = imageSurface(8, 2, D3DFMT_YUY2);
    SurfaceLock lock;
    const RECT odd = {3, 0, 5, 2};
    ASSERT_EQ(lock.lock(pairs.get(), nullptr, &odd, 0, LockReadOnly), D3D_OK);
    EXPECT_EQ(lock.side().rect.left, 1);
    EXPECT_EQ(lock.side().rect.right, 3);
    // The surface's extent is given from the locked corner, as the rectangle is.
    EXPECT_EQ(lock.side().extent.left, -2);
    EXPECT_EQ(lock.side().extent.right, 6);
    lock.unlock();
    const RECT blocks = {5, 1, 6, 7};
    const RECT widened = widenedLockRect(D3DFMT_DXT1, blocks, 6, 6, true);
    EXPECT_EQ(widened.left, 4);
    EXPECT_EQ(widened.top, 0);
    EXPECT_EQ(widened.right, 6);
    EXPECT_EQ(widened.bottom, 6);
    EXPECT_EQ(widenedLockRect(D3DFMT_DXT1, blocks, 6, 6, false).right, 8);
    EXPECT_EQ(widenedLockRect(D3DFMT_A8R8G8B8, blocks, 6, 6, true).left, 5);
}

TEST_F(SurfaceLoadTest, VolumesLoadFromMemoryAndFromVolumes) {
    ComRef<IDirect3DVolumeTexture8> texture;
    ASSERT_EQ(
        device->CreateVolumeTexture(2, 2, 2, 1, 0, D3DFMT_L8, D3DPOOL_SYSTEMMEM, texture.out()),
        D3D_OK);
    ComRef<IDirect3DVolume8> volume;
    ASSERT_EQ(texture->GetVolumeLevel(0, volume.out()), D3D_OK);
    const uint8_t slices[8] = {0, 0, 0, 0, 16, 16, 16, 16};
    const D3DBOX box = {0, 0, 2, 2, 0, 2};
    ASSERT_EQ(loadVolumeFromMemory(volume.get(), nullptr, nullptr, slices, D3DFMT_L8, 2, 4, nullptr,
                                   &box, FilterNone, 0),
              D3D_OK);
    ComRef<IDirect3DVolumeTexture8> smaller;
    ASSERT_EQ(
        device->CreateVolumeTexture(1, 1, 1, 1, 0, D3DFMT_L8, D3DPOOL_SYSTEMMEM, smaller.out()),
        D3D_OK);
    ComRef<IDirect3DVolume8> target;
    ASSERT_EQ(smaller->GetVolumeLevel(0, target.out()), D3D_OK);
    ASSERT_EQ(loadVolumeFromVolume(target.get(), nullptr, nullptr, volume.get(), nullptr, nullptr,
                                   FilterBox, 0),
              D3D_OK);
    D3DLOCKED_BOX locked = {};
    ASSERT_EQ(target->LockBox(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(*static_cast<uint8_t*>(locked.pBits), 8); // the mean of both slices
    target->UnlockBox();
    const D3DBOX beyond = {0, 0, 2, 2, 1, 3};
    EXPECT_EQ(loadVolumeFromMemory(volume.get(), nullptr, &beyond, slices, D3DFMT_L8, 2, 4, nullptr,
                                   &box, FilterNone, 0),
              D3DERR_INVALIDCALL);
}

TEST_F(SurfaceLoadTest, DefaultPoolVolumesAreRefused) {
    ComRef<IDirect3DVolumeTexture8> texture;
    ASSERT_EQ(device->CreateVolumeTexture(2, 2, 2, 1, 0, D3DFMT_L8, D3DPOOL_DEFAULT, texture.out()),
              D3D_OK);
    ComRef<IDirect3DVolume8> volume;
    ASSERT_EQ(texture->GetVolumeLevel(0, volume.out()), D3D_OK);
    const uint8_t slices[8] = {};
    const D3DBOX box = {0, 0, 2, 2, 0, 2};
    EXPECT_EQ(loadVolumeFromMemory(volume.get(), nullptr, nullptr, slices, D3DFMT_L8, 2, 4, nullptr,
                                   &box, FilterNone, 0),
              D3DERR_INVALIDCALL);
}

} // namespace
