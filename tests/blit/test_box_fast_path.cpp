// The wide-vector box routines against their plain twin over random rows of many widths.
#include "blit/box_fast_path.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

void expectWideRoutineMatchesThePlainOne(BoxRowRoutine wideRoutine) {
    std::mt19937 random(7);
    for (uint32_t width :
         {1u, 2u, 3u, 4u, 5u, 7u, 8u, 9u, 12u, 13u, 15u, 16u, 17u, 64u, 100u, 255u}) {
        std::vector<uint8_t> top(8 * size_t(width)), bottom(top.size());
        for (size_t i = 0; i < top.size(); ++i) {
            top[i] = uint8_t(random());
            bottom[i] = uint8_t(random());
        }
        std::vector<uint8_t> plain(4 * size_t(width)), wide(plain.size(), 0xAA);
        boxAverageRowArgb(top.data(), bottom.data(), plain.data(), width);
        wideRoutine(top.data(), bottom.data(), wide.data(), width);
        EXPECT_EQ(wide, plain) << "width " << width;
    }
}

TEST(BoxFastPath, Sse2RoutineMatchesThePlainOne) {
    expectWideRoutineMatchesThePlainOne(boxAverageRowArgbSse2);
}

TEST(BoxFastPath, Avx2RoutineMatchesThePlainOne) {
    if (!boxAvx2Supported())
        GTEST_SKIP() << "this processor has no AVX2";
    expectWideRoutineMatchesThePlainOne(boxAverageRowArgbAvx2);
}

TEST(BoxFastPath, PlainRoutineRoundsEachByteHalfUp) {
    const uint8_t top[8] = {0, 1, 255, 0, 0, 1, 255, 2};
    const uint8_t bottom[8] = {0, 0, 255, 1, 2, 1, 254, 2};
    uint8_t out[4] = {};
    boxAverageRowArgb(top, bottom, out, 1);
    EXPECT_EQ(out[0], 1);   // (0 + 0 + 0 + 2 + 2) >> 2
    EXPECT_EQ(out[1], 1);   // (1 + 1 + 0 + 1 + 2) >> 2
    EXPECT_EQ(out[2], 255); // (255 + 255 + 255 + 254 + 2) >> 2
    EXPECT_EQ(out[3], 1);   // (0 + 2 + 1 + 2 + 2) >> 2
}

TEST(BoxFastPath, RoutinesExistForTheIntegerFormatsOnly) {
    for (PixelFormat format :
         {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5,
          D3DFMT_A4R4G4B4, D3DFMT_R3G3B2, D3DFMT_A8, D3DFMT_L8, D3DFMT_A8R3G3B2, D3DFMT_X4R4G4B4,
          D3DFMT_A8L8, D3DFMT_A4L4})
        EXPECT_NE(boxRowRoutine(format), nullptr) << format;
    for (PixelFormat format :
         {D3DFMT_R8G8B8, D3DFMT_A2B10G10R10, D3DFMT_V8U8, D3DFMT_P8, D3DFMT_G16R16, D3DFMT_UYVY})
        EXPECT_EQ(boxRowRoutine(format), nullptr) << format;
}

} // namespace
