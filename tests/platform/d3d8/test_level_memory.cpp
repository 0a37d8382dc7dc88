// The device's kept level memory: large blocks come back zeroed for the next level of the same
// size, small ones are not kept, the amount kept is bounded, and releasing frees it all.
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

} // namespace
