// The device's kept level memory: large blocks come back zeroed for the next level of the same
// size, small ones are not kept, the amount kept is bounded, and releasing frees it all. A new
// level's memory is cleared only when first reached: every reader still sees zeros, and a lock
// that promises to write the whole level gets it as it is, its row ends cleared.
#include "d3d8/level_memory.h"

#include "platform_ext.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr size_t Large = size_t(256) << 10;

class LevelMemoryTest : public ::testing::Test {
protected:
    void SetUp() override { d3d8::releaseKeptLevelMemory(); }
    void TearDown() override { d3d8::releaseKeptLevelMemory(); }
};

bool allZero(const uint32_t* memory, size_t bytes) {
    for (size_t i = 0; i < bytes / 4; ++i)
        if (memory[i] != 0)
            return false;
    return true;
}

TEST_F(LevelMemoryTest, ALargeBlockComesBackZeroedForTheSameSize) {
    uint32_t* first = d3d8::takeLevelMemory(Large);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(allZero(first, Large));
    std::memset(first, 0xAB, Large);
    d3d8::giveBackLevelMemory(first, Large);
    EXPECT_EQ(d3d8::keptLevelMemoryBytes(), Large);

    // Another size does not take it.
    uint32_t* other = d3d8::takeLevelMemory(Large + 4096);
    EXPECT_EQ(d3d8::keptLevelMemoryBytes(), Large);
    d3d8::giveBackLevelMemory(other, Large + 4096);

    uint32_t* again = d3d8::takeLevelMemory(Large);
    EXPECT_EQ(again, first);
    EXPECT_TRUE(allZero(again, Large));
    EXPECT_EQ(d3d8::keptLevelMemoryBytes(), Large + 4096);
    d3d8::giveBackLevelMemory(again, Large);
}

TEST_F(LevelMemoryTest, SmallBlocksAreNotKept) {
    uint32_t* small = d3d8::takeLevelMemory(4096);
    ASSERT_NE(small, nullptr);
    d3d8::giveBackLevelMemory(small, 4096);
    EXPECT_EQ(d3d8::keptLevelMemoryBytes(), 0u);
}

TEST_F(LevelMemoryTest, TheOldestBlocksGoWhenTooMuchIsKept) {
    // 64 MiB at the most: five 16 MiB blocks keep the last four.
    constexpr size_t Big = size_t(16) << 20;
    uint32_t* blocks[5];
    for (uint32_t*& block : blocks)
        block = d3d8::takeLevelMemory(Big);
    for (uint32_t* block : blocks)
        d3d8::giveBackLevelMemory(block, Big);
    EXPECT_EQ(d3d8::keptLevelMemoryBytes(), 4 * Big);
    platform_ext::releaseKeptDeviceMemory();
    EXPECT_EQ(d3d8::keptLevelMemoryBytes(), 0u);
}

// Through the device: a texture released and created again reads as zero, not as the old one.
TEST_F(LevelMemoryTest, ANewTextureNeverShowsAReleasedOnesPixels) {
    IDirect3DDevice8* device = nullptr;
    ASSERT_EQ(platform_ext::createHeadlessDevice(8, 8, &device), D3D_OK);
    for (int round = 0; round < 2; ++round) {
        IDirect3DTexture8* texture = nullptr;
        ASSERT_EQ(device->CreateTexture(256, 256, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
                  D3D_OK);
        D3DLOCKED_RECT locked = {};
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        EXPECT_TRUE(allZero(static_cast<const uint32_t*>(locked.pBits), 256 * 256 * 4))
            << "round " << round;
        std::memset(locked.pBits, 0x5A, 256 * 256 * 4);
        texture->UnlockRect(0);
        texture->Release();
    }
    EXPECT_EQ(d3d8::keptLevelMemoryBytes(), Large);
    device->Release();
}

// A kept block handed out uncleared holds what it held; asked zeroed, it is zeroed.
TEST_F(LevelMemoryTest, AKeptBlockIsClearedOnlyWhenAsked) {
    uint32_t* first = d3d8::takeLevelMemory(Large, false);
    ASSERT_NE(first, nullptr);
    std::memset(first, 0xAB, Large);
    d3d8::giveBackLevelMemory(first, Large);
    uint32_t* again = d3d8::takeLevelMemory(Large, false);
    ASSERT_EQ(again, first);
    EXPECT_EQ(again[0], 0xABABABABu);
    EXPECT_EQ(again[Large / 4 - 1], 0xABABABABu);
    d3d8::giveBackLevelMemory(again, Large);
    uint32_t* zeroed = d3d8::takeLevelMemory(Large, true);
    ASSERT_EQ(zeroed, first);
    EXPECT_TRUE(allZero(zeroed, Large));
    d3d8::giveBackLevelMemory(zeroed, Large);
}

// Textures whose levels take a released texture's memory (filled with 0x5A first).
class UnreachedLevelTest : public LevelMemoryTest {
protected:
    void SetUp() override {
        LevelMemoryTest::SetUp();
        ASSERT_EQ(platform_ext::createHeadlessDevice(8, 8, &device_), D3D_OK);
    }
    void TearDown() override {
        if (device_ != nullptr)
            device_->Release();
        LevelMemoryTest::TearDown();
    }

    // A texture of one level, made after one of the same size was filled and released.
    IDirect3DTexture8* recycledTexture(UINT width, UINT height, D3DFORMAT format,
                                       D3DPOOL pool = D3DPOOL_MANAGED) {
        d3d8::releaseKeptLevelMemory();
        IDirect3DTexture8* old = nullptr;
        EXPECT_EQ(device_->CreateTexture(width, height, 1, 0, format, pool, &old), D3D_OK);
        if (old == nullptr)
            return nullptr;
        D3DSURFACE_DESC desc = {};
        old->GetLevelDesc(0, &desc);
        D3DLOCKED_RECT locked = {};
        EXPECT_EQ(old->LockRect(0, &locked, nullptr, 0), D3D_OK);
        std::memset(locked.pBits, 0x5A, desc.Size);
        old->UnlockRect(0);
        old->Release();
        EXPECT_EQ(d3d8::keptLevelMemoryBytes(), desc.Size);
        IDirect3DTexture8* texture = nullptr;
        EXPECT_EQ(device_->CreateTexture(width, height, 1, 0, format, pool, &texture), D3D_OK);
        EXPECT_EQ(d3d8::keptLevelMemoryBytes(), 0u) << "the new level took the kept block";
        return texture;
    }

    IDirect3DDevice8* device_ = nullptr;
};

TEST_F(UnreachedLevelTest, EveryReaderOfANeverWrittenLevelSeesZeros) {
    constexpr UINT Side = 256;
    // A lock that only reads.
    IDirect3DTexture8* texture = recycledTexture(Side, Side, D3DFMT_A8R8G8B8);
    ASSERT_NE(texture, nullptr);
    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_TRUE(allZero(static_cast<const uint32_t*>(locked.pBits), Side * Side * 4));
    texture->UnlockRect(0);
    texture->Release();

    // CopyRects from it onto a filled surface.
    texture = recycledTexture(Side, Side, D3DFMT_A8R8G8B8);
    ASSERT_NE(texture, nullptr);
    IDirect3DSurface8* from = nullptr;
    IDirect3DSurface8* to = nullptr;
    ASSERT_EQ(texture->GetSurfaceLevel(0, &from), D3D_OK);
    ASSERT_EQ(device_->CreateImageSurface(Side, Side, D3DFMT_A8R8G8B8, &to), D3D_OK);
    ASSERT_EQ(to->LockRect(&locked, nullptr, 0), D3D_OK);
    std::memset(locked.pBits, 0x77, Side * Side * 4);
    to->UnlockRect();
    const POINT origin = {0, 0};
    ASSERT_EQ(device_->CopyRects(from, nullptr, 0, to, &origin), D3D_OK);
    ASSERT_EQ(to->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_TRUE(allZero(static_cast<const uint32_t*>(locked.pBits), Side * Side * 4));
    to->UnlockRect();
    to->Release();
    from->Release();
    texture->Release();

    // UpdateTexture from a system-memory texture onto a written default-pool one.
    texture = recycledTexture(Side, Side, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM);
    ASSERT_NE(texture, nullptr);
    IDirect3DTexture8* target = nullptr;
    ASSERT_EQ(device_->CreateTexture(Side, Side, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8,
                                     D3DPOOL_DEFAULT, &target),
              D3D_OK);
    ASSERT_EQ(target->LockRect(0, &locked, nullptr, 0), D3D_OK);
    std::memset(locked.pBits, 0x33, Side * Side * 4);
    target->UnlockRect(0);
    ASSERT_EQ(device_->UpdateTexture(texture, target), D3D_OK);
    ASSERT_EQ(target->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_TRUE(allZero(static_cast<const uint32_t*>(locked.pBits), Side * Side * 4));
    target->UnlockRect(0);
    target->Release();
    texture->Release();
}

TEST_F(UnreachedLevelTest, AnOverwritingLockMustCoverAndWriteTheWholeLevel) {
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(device_->CreateTexture(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
              D3D_OK);
    D3DLOCKED_RECT locked = {};
    const RECT part = {0, 0, 8, 16};
    EXPECT_EQ(texture->LockRect(0, &locked, &part, platform_ext::LockOverwritesLevel),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr,
                                platform_ext::LockOverwritesLevel | D3DLOCK_READONLY),
              D3DERR_INVALIDCALL);
    // The whole level given as a rectangle is the whole level.
    const RECT whole = {0, 0, 16, 16};
    EXPECT_EQ(texture->LockRect(0, &locked, &whole, platform_ext::LockOverwritesLevel), D3D_OK);
    EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
    texture->Release();

    IDirect3DVolumeTexture8* volume = nullptr;
    ASSERT_EQ(device_->CreateVolumeTexture(8, 8, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                           &volume),
              D3D_OK);
    D3DLOCKED_BOX box = {};
    const D3DBOX slices = {0, 0, 8, 8, 0, 2};
    EXPECT_EQ(volume->LockBox(0, &box, &slices, platform_ext::LockOverwritesLevel),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(volume->LockBox(0, &box, nullptr, platform_ext::LockOverwritesLevel), D3D_OK);
    EXPECT_EQ(volume->UnlockBox(0), D3D_OK);
    volume->Release();
}

// 255 R5G6B5 pixels fill 510 bytes of a 512-byte row: the last two bytes are the device's.
TEST_F(UnreachedLevelTest, AnOverwritingLockTakesTheMemoryAsItIsWithRowEndsCleared) {
    constexpr UINT Width = 255, Height = 200, RowBytes = Width * 2;
    IDirect3DTexture8* texture = recycledTexture(Width, Height, D3DFMT_R5G6B5);
    ASSERT_NE(texture, nullptr);
    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, platform_ext::LockOverwritesLevel), D3D_OK);
    ASSERT_EQ(locked.Pitch, 512);
    auto* bits = static_cast<uint8_t*>(locked.pBits);
    // Not cleared: the released texture's bytes are still there until the caller writes.
    EXPECT_EQ(bits[0], 0x5A);
    EXPECT_EQ(bits[size_t(Height - 1) * 512 + RowBytes - 1], 0x5A);
    for (UINT y = 0; y < Height; ++y) {
        EXPECT_EQ(bits[size_t(y) * 512 + RowBytes], 0) << "row " << y;
        EXPECT_EQ(bits[size_t(y) * 512 + RowBytes + 1], 0) << "row " << y;
        std::memset(bits + size_t(y) * 512, int(y), RowBytes);
    }
    ASSERT_EQ(texture->UnlockRect(0), D3D_OK);

    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    bits = static_cast<uint8_t*>(locked.pBits);
    for (UINT y = 0; y < Height; y += 37) {
        EXPECT_EQ(bits[size_t(y) * 512], uint8_t(y));
        EXPECT_EQ(bits[size_t(y) * 512 + RowBytes - 1], uint8_t(y));
        EXPECT_EQ(bits[size_t(y) * 512 + RowBytes], 0);
    }
    texture->UnlockRect(0);

    // Once reached, an overwriting lock is an ordinary one: the pixels stay.
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, platform_ext::LockOverwritesLevel), D3D_OK);
    EXPECT_EQ(static_cast<uint8_t*>(locked.pBits)[size_t(100) * 512], 100);
    texture->UnlockRect(0);
    texture->Release();
}

} // namespace
