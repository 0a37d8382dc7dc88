// Locks of surfaces and volumes: pool rules, flags, sub-rectangles and sub-boxes on the
// format's grid, and random rectangles that must never reach outside a level.
#include "d3d8_test_support.h"

#include <random>

using namespace d3d8_test;

namespace {

class LockTest : public DeviceTest {
protected:
    Ref<IDirect3DTexture8> make(UINT w, UINT h, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                UINT levels = 1) {
        Ref<IDirect3DTexture8> texture;
        EXPECT_EQ(device->CreateTexture(w, h, levels, usage, format, pool, texture.out()), D3D_OK);
        return Ref<IDirect3DTexture8>(texture.detach());
    }
};

RECT rect(LONG l, LONG t, LONG r, LONG b) {
    return RECT{l, t, r, b};
}

} // namespace

TEST_F(LockTest, DefaultPoolLocksOnlyWhenDynamic) {
    D3DLOCKED_RECT locked;
    Ref<IDirect3DTexture8> fixed = make(16, 16, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT);
    EXPECT_EQ(fixed->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(fixed->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3DERR_INVALIDCALL);
    Ref<IDirect3DTexture8> dynamic =
        make(16, 16, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT);
    EXPECT_EQ(dynamic->LockRect(0, &locked, nullptr, D3DLOCK_DISCARD | D3DLOCK_NOSYSLOCK), D3D_OK);
    EXPECT_EQ(dynamic->UnlockRect(0), D3D_OK);
    for (D3DPOOL pool : {D3DPOOL_MANAGED, D3DPOOL_SYSTEMMEM, D3DPOOL_SCRATCH}) {
        Ref<IDirect3DTexture8> texture = make(16, 16, 0, D3DFMT_A8R8G8B8, pool);
        EXPECT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_NOSYSLOCK), D3D_OK) << pool;
        EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
    }
}

TEST_F(LockTest, FlagsAndLockStateAreChecked) {
    Ref<IDirect3DTexture8> texture = make(16, 16, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 2);
    D3DLOCKED_RECT locked = {7, nullptr};
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_DISCARD), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0x40000000), D3DERR_INVALIDCALL);
    EXPECT_EQ(locked.Pitch, 7) << "a refused lock writes nothing";
    EXPECT_EQ(texture->LockRect(0, nullptr, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture->LockRect(2, &locked, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture->UnlockRect(0), D3DERR_INVALIDCALL);

    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    D3DLOCKED_RECT again;
    EXPECT_EQ(texture->LockRect(0, &again, nullptr, D3DLOCK_READONLY), D3DERR_INVALIDCALL);
    Ref<IDirect3DSurface8> level0;
    ASSERT_EQ(texture->GetSurfaceLevel(0, level0.out()), D3D_OK);
    EXPECT_EQ(level0->LockRect(&again, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture->LockRect(1, &again, nullptr, 0), D3D_OK) << "levels lock separately";
    EXPECT_EQ(level0->UnlockRect(), D3D_OK);
    EXPECT_EQ(texture->UnlockRect(1), D3D_OK);
    EXPECT_EQ(texture->UnlockRect(1), D3DERR_INVALIDCALL);

    Ref<IDirect3DTexture8> dynamic =
        make(16, 16, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT);
    EXPECT_EQ(dynamic->LockRect(0, &locked, nullptr, D3DLOCK_DISCARD | D3DLOCK_READONLY),
              D3DERR_INVALIDCALL);
}

TEST_F(LockTest, SubRectanglesPointIntoTheLevel) {
    Ref<IDirect3DTexture8> texture = make(10, 8, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED);
    D3DLOCKED_RECT whole, part;
    ASSERT_EQ(texture->LockRect(0, &whole, nullptr, 0), D3D_OK);
    ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
    const RECT r = rect(3, 5, 7, 6);
    ASSERT_EQ(texture->LockRect(0, &part, &r, 0), D3D_OK);
    EXPECT_EQ(part.Pitch, whole.Pitch);
    EXPECT_EQ(static_cast<BYTE*>(part.pBits),
              static_cast<BYTE*>(whole.pBits) + 5 * whole.Pitch + 6);
    ASSERT_EQ(texture->UnlockRect(0), D3D_OK);

    for (const RECT& bad : {rect(-1, 0, 2, 2), rect(0, 0, 11, 2), rect(0, 0, 2, 9),
                            rect(4, 0, 3, 2), rect(0, 4, 2, 3)})
        EXPECT_EQ(texture->LockRect(0, &part, &bad, 0), D3DERR_INVALIDCALL)
            << bad.left << "," << bad.top << "," << bad.right << "," << bad.bottom;
    const RECT empty = rect(10, 8, 10, 8);
    EXPECT_EQ(texture->LockRect(0, &part, &empty, 0), D3D_OK);
    EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
}

TEST_F(LockTest, BlockAndPairFormatsLockOnTheirGrid) {
    Ref<IDirect3DTexture8> dxt = make(16, 8, 0, D3DFMT_DXT5, D3DPOOL_MANAGED, 0);
    D3DLOCKED_RECT whole, part;
    ASSERT_EQ(dxt->LockRect(0, &whole, nullptr, 0), D3D_OK);
    ASSERT_EQ(dxt->UnlockRect(0), D3D_OK);
    EXPECT_EQ(whole.Pitch, 64);
    const RECT block = rect(8, 4, 12, 8);
    ASSERT_EQ(dxt->LockRect(0, &part, &block, 0), D3D_OK);
    EXPECT_EQ(static_cast<BYTE*>(part.pBits), static_cast<BYTE*>(whole.pBits) + 64 + 32);
    ASSERT_EQ(dxt->UnlockRect(0), D3D_OK);
    for (const RECT& bad : {rect(2, 0, 8, 4), rect(0, 1, 4, 4), rect(0, 0, 6, 4), rect(0, 0, 4, 7)})
        EXPECT_EQ(dxt->LockRect(0, &part, &bad, 0), D3DERR_INVALIDCALL);
    // A 2x1 level is one partial block; its own edges are on the grid.
    const RECT level3 = rect(0, 0, 2, 1);
    EXPECT_EQ(dxt->LockRect(3, &part, &level3, 0), D3D_OK);
    EXPECT_EQ(dxt->UnlockRect(3), D3D_OK);

    Ref<IDirect3DTexture8> yuv = make(7, 2, 0, D3DFMT_YUY2, D3DPOOL_MANAGED);
    const RECT pair = rect(2, 1, 7, 2);
    ASSERT_EQ(yuv->LockRect(0, &part, &pair, 0), D3D_OK);
    ASSERT_EQ(yuv->UnlockRect(0), D3D_OK);
    const RECT odd = rect(1, 0, 4, 1);
    EXPECT_EQ(yuv->LockRect(0, &part, &odd, 0), D3DERR_INVALIDCALL);
}

TEST_F(LockTest, WrittenBytesStayAndManagedLocksWorkInsideAScene) {
    Ref<IDirect3DTexture8> texture = make(4, 4, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_NOSYSLOCK), D3D_OK);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            reinterpret_cast<uint32_t*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch)[x] =
                0xFF000000u + uint32_t(y * 16 + x);
    ASSERT_EQ(texture->UnlockRect(0), D3D_OK);

    ASSERT_EQ(device->BeginScene(), D3D_OK);
    const RECT texel = rect(3, 2, 4, 3);
    ASSERT_EQ(texture->LockRect(0, &locked, &texel, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(*static_cast<uint32_t*>(locked.pBits), 0xFF000023u);
    EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
    EXPECT_EQ(device->EndScene(), D3D_OK);
}

TEST_F(LockTest, BackBufferLocksOnlyWhenCreatedLockable) {
    Ref<IDirect3DSurface8> back;
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, back.out()), D3D_OK);
    D3DLOCKED_RECT locked;
    EXPECT_EQ(back->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3DERR_INVALIDCALL);
    back.reset();
    createDevice(0, 32, 16, D3DPRESENTFLAG_LOCKABLE_BACKBUFFER);
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, back.out()), D3D_OK);
    ASSERT_EQ(back->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(locked.Pitch, 128);
    EXPECT_EQ(back->UnlockRect(), D3D_OK);
}

TEST_F(LockTest, VolumeBoxes) {
    Ref<IDirect3DVolumeTexture8> volume;
    ASSERT_EQ(
        device->CreateVolumeTexture(8, 4, 3, 1, 0, D3DFMT_A8L8, D3DPOOL_MANAGED, volume.out()),
        D3D_OK);
    D3DLOCKED_BOX whole, part;
    ASSERT_EQ(volume->LockBox(0, &whole, nullptr, 0), D3D_OK);
    EXPECT_EQ(whole.RowPitch, 16);
    EXPECT_EQ(whole.SlicePitch, 64);
    ASSERT_EQ(volume->UnlockBox(0), D3D_OK);
    const D3DBOX box = {1, 2, 3, 4, 2, 3};
    ASSERT_EQ(volume->LockBox(0, &part, &box, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(static_cast<BYTE*>(part.pBits), static_cast<BYTE*>(whole.pBits) + 128 + 32 + 2);
    EXPECT_EQ(volume->LockBox(0, &part, &box, 0), D3DERR_INVALIDCALL);
    ASSERT_EQ(volume->UnlockBox(0), D3D_OK);
    const D3DBOX deep = {0, 0, 8, 4, 1, 4};
    EXPECT_EQ(volume->LockBox(0, &part, &deep, 0), D3DERR_INVALIDCALL);
    const D3DBOX inverted = {0, 0, 8, 4, 2, 1};
    EXPECT_EQ(volume->LockBox(0, &part, &inverted, 0), D3DERR_INVALIDCALL);
    Ref<IDirect3DVolumeTexture8> fixed;
    ASSERT_EQ(device->CreateVolumeTexture(8, 4, 3, 1, 0, D3DFMT_A8L8, D3DPOOL_DEFAULT, fixed.out()),
              D3D_OK);
    EXPECT_EQ(fixed->LockBox(0, &part, nullptr, D3DLOCK_READONLY), D3DERR_INVALIDCALL);
}

// Random rectangles on levels of every storage kind: a lock succeeds exactly when the
// rectangle is inside and on the grid, and then its whole area can be written.
TEST_F(LockTest, RandomRectanglesNeverReachOutside) {
    std::mt19937 random(1234);
    struct Kind {
        D3DFORMAT format;
        LONG unitW, unitH, unitBytes;
    };
    const Kind kinds[] = {{D3DFMT_A8R8G8B8, 1, 1, 4}, {D3DFMT_R8G8B8, 1, 1, 3},
                          {D3DFMT_L8, 1, 1, 1},       {D3DFMT_UYVY, 2, 1, 4},
                          {D3DFMT_DXT1, 4, 4, 8},     {D3DFMT_DXT4, 4, 4, 16}};
    for (const Kind& kind : kinds) {
        for (int round = 0; round < 6; ++round) {
            const LONG w = LONG(1 + random() % 37), h = LONG(1 + random() % 29);
            Ref<IDirect3DSurface8> surface;
            const LONG cw = kind.unitW == 4 ? (w + 3) / 4 * 4 : w;
            const LONG ch = kind.unitH == 4 ? (h + 3) / 4 * 4 : h;
            ASSERT_EQ(device->CreateImageSurface(UINT(cw), UINT(ch), kind.format, surface.out()),
                      D3D_OK);
            for (int attempt = 0; attempt < 200; ++attempt) {
                RECT r = rect(LONG(random() % (cw + 3)) - 1, LONG(random() % (ch + 3)) - 1, 0, 0);
                r.right = r.left + LONG(random() % (cw + 2)) - 1;
                r.bottom = r.top + LONG(random() % (ch + 2)) - 1;
                const bool inside = r.left >= 0 && r.top >= 0 && r.left <= r.right &&
                                    r.top <= r.bottom && r.right <= cw && r.bottom <= ch;
                const bool onGrid = r.left % kind.unitW == 0 && r.top % kind.unitH == 0 &&
                                    (r.right % kind.unitW == 0 || r.right == cw) &&
                                    (r.bottom % kind.unitH == 0 || r.bottom == ch);
                D3DLOCKED_RECT locked;
                const HRESULT hr = surface->LockRect(&locked, &r, 0);
                ASSERT_EQ(hr, inside && onGrid ? D3D_OK : D3DERR_INVALIDCALL);
                if (FAILED(hr))
                    continue;
                const LONG units = (r.right + kind.unitW - 1) / kind.unitW - r.left / kind.unitW;
                const LONG rows = (r.bottom + kind.unitH - 1) / kind.unitH - r.top / kind.unitH;
                for (LONG row = 0; row < rows; ++row)
                    std::memset(static_cast<BYTE*>(locked.pBits) + row * locked.Pitch, 0xA5,
                                size_t(units * kind.unitBytes));
                ASSERT_EQ(surface->UnlockRect(), D3D_OK);
            }
        }
    }
}
