// CopyRects and UpdateTexture: exact copies of the bytes, checked rectangles and points, block
// boundaries, and nothing changed by a refused call.
#include "d3d8_test_support.h"

using namespace d3d8_test;

namespace {

class CopyTest : public DeviceTest {
protected:
    Ref<IDirect3DSurface8> image(UINT w, UINT h, D3DFORMAT format = D3DFMT_A8R8G8B8) {
        Ref<IDirect3DSurface8> surface;
        EXPECT_EQ(device->CreateImageSurface(w, h, format, surface.out()), D3D_OK);
        return Ref<IDirect3DSurface8>(surface.detach());
    }
    // Fills a 32-bit surface with seed + y * 256 + x.
    static void fill(IDirect3DSurface8* surface, uint32_t seed) {
        D3DSURFACE_DESC desc;
        ASSERT_EQ(surface->GetDesc(&desc), D3D_OK);
        D3DLOCKED_RECT locked;
        ASSERT_EQ(surface->LockRect(&locked, nullptr, 0), D3D_OK);
        for (UINT y = 0; y < desc.Height; ++y)
            for (UINT x = 0; x < desc.Width; ++x)
                row(locked, y)[x] = seed + y * 256 + x;
        ASSERT_EQ(surface->UnlockRect(), D3D_OK);
    }
    static std::vector<uint32_t> read(IDirect3DSurface8* surface) {
        D3DSURFACE_DESC desc;
        EXPECT_EQ(surface->GetDesc(&desc), D3D_OK);
        D3DLOCKED_RECT locked;
        EXPECT_EQ(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        std::vector<uint32_t> pixels;
        for (UINT y = 0; y < desc.Height; ++y)
            for (UINT x = 0; x < desc.Width; ++x)
                pixels.push_back(row(locked, y)[x]);
        EXPECT_EQ(surface->UnlockRect(), D3D_OK);
        return pixels;
    }
    static uint32_t* row(const D3DLOCKED_RECT& locked, UINT y) {
        return reinterpret_cast<uint32_t*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
    }
};

} // namespace

TEST_F(CopyTest, RectanglesLandAtTheirPoints) {
    Ref<IDirect3DSurface8> source = image(8, 6), dest = image(10, 10);
    fill(source.get(), 0x10000000);
    fill(dest.get(), 0x20000000);
    const RECT rects[] = {{1, 2, 4, 4}, {6, 0, 8, 1}};
    const POINT points[] = {{0, 7}, {8, 9}};
    ASSERT_EQ(device->CopyRects(source.get(), rects, 2, dest.get(), points), D3D_OK);
    const std::vector<uint32_t> pixels = read(dest.get());
    for (UINT y = 0; y < 10; ++y)
        for (UINT x = 0; x < 10; ++x) {
            uint32_t expected = 0x20000000 + y * 256 + x;
            if (x < 3 && y >= 7 && y < 9)
                expected = 0x10000000 + (y - 5) * 256 + (x + 1);
            if (x >= 8 && y == 9)
                expected = 0x10000000 + (x - 2);
            EXPECT_EQ(pixels[y * 10 + x], expected) << x << "," << y;
        }
}

TEST_F(CopyTest, WholeSurfaceAndPointsTakenFromTheRectangles) {
    Ref<IDirect3DSurface8> source = image(4, 3), dest = image(4, 3);
    fill(source.get(), 0x30000000);
    ASSERT_EQ(device->CopyRects(source.get(), nullptr, 0, dest.get(), nullptr), D3D_OK);
    EXPECT_EQ(read(dest.get()), read(source.get()));

    Ref<IDirect3DSurface8> other = image(6, 6);
    fill(other.get(), 0);
    const RECT r = {2, 1, 4, 3};
    ASSERT_EQ(device->CopyRects(source.get(), &r, 1, other.get(), nullptr), D3D_OK);
    const std::vector<uint32_t> pixels = read(other.get());
    EXPECT_EQ(pixels[1 * 6 + 2], 0x30000102u);
    EXPECT_EQ(pixels[2 * 6 + 3], 0x30000203u);
    EXPECT_EQ(pixels[2 * 6 + 4], 0x00000204u);
}

TEST_F(CopyTest, RefusedCopiesChangeNothing) {
    Ref<IDirect3DSurface8> source = image(8, 8), dest = image(8, 8);
    fill(source.get(), 0x40000000);
    fill(dest.get(), 0x50000000);
    const std::vector<uint32_t> before = read(dest.get());
    const RECT good = {0, 0, 2, 2};
    const RECT outside = {6, 6, 9, 8};
    const RECT pair[] = {good, outside};
    EXPECT_EQ(device->CopyRects(source.get(), pair, 2, dest.get(), nullptr), D3DERR_INVALIDCALL);
    const POINT far[] = {{7, 0}};
    EXPECT_EQ(device->CopyRects(source.get(), &good, 1, dest.get(), far), D3DERR_INVALIDCALL);
    const POINT negative[] = {{-1, 0}};
    EXPECT_EQ(device->CopyRects(source.get(), &good, 1, dest.get(), negative), D3DERR_INVALIDCALL);
    const POINT huge[] = {{0x7FFFFFFF, 0}};
    EXPECT_EQ(device->CopyRects(source.get(), &good, 1, dest.get(), huge), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CopyRects(source.get(), nullptr, 3, dest.get(), nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CopyRects(source.get(), nullptr, 0, source.get(), nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CopyRects(nullptr, nullptr, 0, dest.get(), nullptr), D3DERR_INVALIDCALL);
    Ref<IDirect3DSurface8> wide = image(8, 8, D3DFMT_X8R8G8B8);
    EXPECT_EQ(device->CopyRects(source.get(), nullptr, 0, wide.get(), nullptr), D3DERR_INVALIDCALL);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(source->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(device->CopyRects(source.get(), nullptr, 0, dest.get(), nullptr), D3DERR_INVALIDCALL);
    ASSERT_EQ(source->UnlockRect(), D3D_OK);
    EXPECT_EQ(read(dest.get()), before);
}

TEST_F(CopyTest, BlockFormatsCopyWholeBlocks) {
    Ref<IDirect3DTexture8> texture;
    ASSERT_EQ(device->CreateTexture(8, 4, 0, 0, D3DFMT_DXT3, D3DPOOL_MANAGED, texture.out()),
              D3D_OK);
    Ref<IDirect3DSurface8> small;
    ASSERT_EQ(texture->GetSurfaceLevel(2, small.out()), D3D_OK); // 2x1: one partial block
    D3DLOCKED_RECT locked;
    ASSERT_EQ(small->LockRect(&locked, nullptr, 0), D3D_OK);
    for (int i = 0; i < 16; ++i)
        static_cast<BYTE*>(locked.pBits)[i] = BYTE(0xC0 + i);
    ASSERT_EQ(small->UnlockRect(), D3D_OK);

    // Out to a whole-block staging surface and back, as the blitter's staging copy does.
    Ref<IDirect3DSurface8> staging = image(4, 4, D3DFMT_DXT3);
    ASSERT_EQ(device->CopyRects(small.get(), nullptr, 0, staging.get(), nullptr), D3D_OK);
    ASSERT_EQ(staging->LockRect(&locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(static_cast<BYTE*>(locked.pBits)[15], 0xCF);
    static_cast<BYTE*>(locked.pBits)[0] = 0x11;
    ASSERT_EQ(staging->UnlockRect(), D3D_OK);
    ASSERT_EQ(device->CopyRects(staging.get(), nullptr, 0, small.get(), nullptr), D3D_OK);
    ASSERT_EQ(small->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(static_cast<BYTE*>(locked.pBits)[0], 0x11);
    EXPECT_EQ(static_cast<BYTE*>(locked.pBits)[1], 0xC1);
    ASSERT_EQ(small->UnlockRect(), D3D_OK);

    Ref<IDirect3DSurface8> big = image(8, 8, D3DFMT_DXT3);
    const RECT offGrid = {0, 0, 2, 4};
    const POINT origin[] = {{0, 0}};
    EXPECT_EQ(device->CopyRects(big.get(), &offGrid, 1, staging.get(), origin), D3DERR_INVALIDCALL);
    const RECT block = {4, 4, 8, 8};
    const POINT offPoint[] = {{2, 0}};
    EXPECT_EQ(device->CopyRects(big.get(), &block, 1, staging.get(), offPoint), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CopyRects(big.get(), &block, 1, staging.get(), origin), D3D_OK);
    EXPECT_EQ(device->CopyRects(big.get(), nullptr, 0, staging.get(), nullptr), D3DERR_INVALIDCALL);
}

TEST_F(CopyTest, DefaultPoolLevelsAreReachedByCopies) {
    Ref<IDirect3DTexture8> texture;
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, texture.out()),
              D3D_OK);
    Ref<IDirect3DSurface8> level;
    ASSERT_EQ(texture->GetSurfaceLevel(0, level.out()), D3D_OK);
    Ref<IDirect3DSurface8> in = image(4, 4), out = image(4, 4);
    fill(in.get(), 0x60000000);
    ASSERT_EQ(device->CopyRects(in.get(), nullptr, 0, level.get(), nullptr), D3D_OK);
    ASSERT_EQ(device->CopyRects(level.get(), nullptr, 0, out.get(), nullptr), D3D_OK);
    EXPECT_EQ(read(out.get()), read(in.get()));
}

TEST_F(CopyTest, UpdateTextureCopiesEveryLevelFromTheMatchingOne) {
    Ref<IDirect3DTexture8> source, dest;
    ASSERT_EQ(device->CreateTexture(16, 8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, source.out()),
              D3D_OK);
    for (UINT level = 0; level < source->GetLevelCount(); ++level) {
        Ref<IDirect3DSurface8> surface;
        ASSERT_EQ(source->GetSurfaceLevel(level, surface.out()), D3D_OK);
        fill(surface.get(), 0x01000000 * (level + 1));
    }
    ASSERT_EQ(device->CreateTexture(8, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, dest.out()),
              D3D_OK);
    ASSERT_EQ(device->UpdateTexture(source.get(), dest.get()), D3D_OK);
    for (UINT level = 0; level < dest->GetLevelCount(); ++level) {
        Ref<IDirect3DSurface8> from, to;
        ASSERT_EQ(source->GetSurfaceLevel(level + 1, from.out()), D3D_OK);
        ASSERT_EQ(dest->GetSurfaceLevel(level, to.out()), D3D_OK);
        D3DSURFACE_DESC desc;
        ASSERT_EQ(to->GetDesc(&desc), D3D_OK);
        Ref<IDirect3DSurface8> copy = image(desc.Width, desc.Height);
        ASSERT_EQ(device->CopyRects(to.get(), nullptr, 0, copy.get(), nullptr), D3D_OK);
        EXPECT_EQ(read(copy.get()), read(from.get())) << "level " << level;
    }
}

TEST_F(CopyTest, UpdateTextureRefusesMismatches) {
    auto make = [&](UINT w, UINT h, UINT levels, D3DFORMAT format, D3DPOOL pool) {
        Ref<IDirect3DTexture8> texture;
        EXPECT_EQ(device->CreateTexture(w, h, levels, 0, format, pool, texture.out()), D3D_OK);
        return texture.detach();
    };
    Ref<IDirect3DTexture8> system(make(16, 16, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM));
    Ref<IDirect3DTexture8> managed(make(16, 16, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED));
    Ref<IDirect3DTexture8> wrongFormat(make(16, 16, 0, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT));
    Ref<IDirect3DTexture8> larger(make(32, 32, 1, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT));
    Ref<IDirect3DTexture8> short1(make(16, 16, 2, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM));
    Ref<IDirect3DTexture8> full(make(16, 16, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT));
    EXPECT_EQ(device->UpdateTexture(system.get(), managed.get()), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->UpdateTexture(managed.get(), full.get()), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->UpdateTexture(system.get(), wrongFormat.get()), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->UpdateTexture(system.get(), larger.get()), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->UpdateTexture(short1.get(), full.get()), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->UpdateTexture(nullptr, full.get()), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->UpdateTexture(system.get(), full.get()), D3D_OK);

    Ref<IDirect3DCubeTexture8> cubeSource, cubeDest;
    ASSERT_EQ(device->CreateCubeTexture(8, 0, 0, D3DFMT_L8, D3DPOOL_SYSTEMMEM, cubeSource.out()),
              D3D_OK);
    ASSERT_EQ(device->CreateCubeTexture(8, 0, 0, D3DFMT_L8, D3DPOOL_DEFAULT, cubeDest.out()),
              D3D_OK);
    EXPECT_EQ(device->UpdateTexture(cubeSource.get(), cubeDest.get()), D3D_OK);
    EXPECT_EQ(device->UpdateTexture(cubeSource.get(), full.get()), D3DERR_INVALIDCALL);
}
