// The wide-vector R8G8B8 widening routines and the 32-bit copy over random rows of many
// widths, keyed pixels among them, read from buffers of exactly the row's length.
#include "blit/convert_rgb24.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

namespace {

constexpr uint32_t Key = 0x00FF00FF;

void expectRoutineWidensEveryPixelItTakes(Rgb24Routine routine) {
    std::mt19937 random(24);
    for (uint32_t width : {0u, 1u, 5u, 6u, 7u, 10u, 11u, 12u, 13u, 16u, 19u, 27u, 64u, 641u}) {
        for (uint32_t andMask : {0xFFFFFFFFu, 0x00FFFFFFu}) {
            const auto row = std::make_unique<uint8_t[]>(3 * size_t(width));
            std::vector<uint32_t> want(width);
            for (uint32_t x = 0; x < width; ++x) {
                const uint32_t rgb = x % 5 == 2 ? Key : random() & 0xFFFFFF;
                row[3 * x] = uint8_t(rgb);
                row[3 * x + 1] = uint8_t(rgb >> 8);
                row[3 * x + 2] = uint8_t(rgb >> 16);
                want[x] = rgb == Key ? 0 : (rgb | 0xFF000000u) & andMask;
            }
            std::vector<uint32_t> got(width, 0xAAAAAAAA);
            const size_t done = routine(row.get(), reinterpret_cast<uint8_t*>(got.data()), width,
                                        0xFF000000u, andMask, 0xFFFFFF, Key);
            ASSERT_LE(done, width);
            EXPECT_GE(done + 6, width) << "only a short tail is left to the plain loop";
            for (size_t x = 0; x < width; ++x)
                EXPECT_EQ(got[x], x < done ? want[x] : 0xAAAAAAAAu) << width << ", " << x;
        }
    }
}

TEST(ConvertRgb24, Sse2RoutineWidensAndKeys) {
    expectRoutineWidensEveryPixelItTakes(convertFromRgb24Sse2);
}

TEST(ConvertRgb24, Avx2RoutineWidensAndKeys) {
    if (!__builtin_cpu_supports("avx2"))
        GTEST_SKIP() << "this processor has no AVX2";
    expectRoutineWidensEveryPixelItTakes(convertFromRgb24Avx2);
}

// X8R8G8B8 into A8R8G8B8 (alpha set) and A8R8G8B8 into X8R8G8B8 (alpha cleared), keyed on
// the colour alone as the stored key of a source without alpha is.
void expectWord32RoutineConvertsEveryPixelItTakes(Rgb24Routine routine, size_t step) {
    std::mt19937 random(32);
    for (uint32_t width : {0u, 1u, 3u, 4u, 5u, 8u, 11u, 64u, 641u}) {
        for (const auto& [orMask, andMask] :
             {std::pair{0xFF000000u, 0xFFFFFFFFu}, std::pair{0u, 0x00FFFFFFu}}) {
            const auto row = std::make_unique<uint32_t[]>(width);
            std::vector<uint32_t> want(width);
            for (uint32_t x = 0; x < width; ++x) {
                row[x] = x % 3 == 1 ? (random() & 0xFF000000u) | Key : random();
                want[x] = (row[x] & 0xFFFFFF) == Key ? 0 : (row[x] | orMask) & andMask;
            }
            std::vector<uint32_t> got(width, 0xAAAAAAAA);
            const size_t done = routine(reinterpret_cast<const uint8_t*>(row.get()),
                                        reinterpret_cast<uint8_t*>(got.data()), width, orMask,
                                        andMask, 0xFFFFFF, Key);
            ASSERT_EQ(done, width / step * step);
            for (size_t x = 0; x < width; ++x)
                EXPECT_EQ(got[x], x < done ? want[x] : 0xAAAAAAAAu) << width << ", " << x;
        }
    }
}

TEST(ConvertWord32, Sse2RoutineCopiesSetsOrClearsAlphaAndKeys) {
    expectWord32RoutineConvertsEveryPixelItTakes(convertFromWord32Sse2, 4);
}

// Eight pixels a step, the last four or more by the SSE2 routine.
TEST(ConvertWord32, Avx2RoutineCopiesSetsOrClearsAlphaAndKeys) {
    if (!__builtin_cpu_supports("avx2"))
        GTEST_SKIP() << "this processor has no AVX2";
    expectWord32RoutineConvertsEveryPixelItTakes(convertFromWord32Avx2, 4);
}

} // namespace
