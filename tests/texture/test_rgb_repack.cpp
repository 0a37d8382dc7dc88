// The colour repack: the exact bytes of the plain routine, and each wide-vector routine against
// it over rows of every width around its vector steps, read and written to the byte.
#include "texture/rgb_repack.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

TEST(RgbRepack, PlainRoutineStoresBlueGreenRedZero) {
    const std::vector<uint8_t> rgb = {0x11, 0x22, 0x33, 0xFF, 0x00, 0x80};
    std::vector<uint8_t> out(8, 0xAA);
    repackRgbRow(rgb.data(), out.data(), 2);
    EXPECT_EQ(out, (std::vector<uint8_t>{0x33, 0x22, 0x11, 0, 0x80, 0x00, 0xFF, 0}));
}

// Buffers of exactly the row's size, so that the sanitizers catch a step past either end.
void expectWideRoutineMatchesThePlainOne(RgbRepackRoutine wideRoutine) {
    std::mt19937 random(11);
    std::vector<uint32_t> widths;
    for (uint32_t width = 0; width <= 40; ++width)
        widths.push_back(width);
    widths.insert(widths.end(), {63, 64, 65, 1023, 1024});
    for (uint32_t width : widths) {
        std::vector<uint8_t> rgb(3 * size_t(width));
        for (uint8_t& sample : rgb)
            sample = uint8_t(random());
        std::vector<uint8_t> plain(4 * size_t(width)), wide(plain.size(), 0xAA);
        repackRgbRow(rgb.data(), plain.data(), width);
        wideRoutine(rgb.data(), wide.data(), width);
        EXPECT_EQ(wide, plain) << "width " << width;
    }
}

TEST(RgbRepack, Ssse3RoutineMatchesThePlainOne) {
    if (!repackSsse3Supported())
        GTEST_SKIP() << "this processor has no SSSE3";
    expectWideRoutineMatchesThePlainOne(repackRgbRowSsse3);
}

TEST(RgbRepack, Avx2RoutineMatchesThePlainOne) {
    if (!repackAvx2Supported())
        GTEST_SKIP() << "this processor has no AVX2";
    expectWideRoutineMatchesThePlainOne(repackRgbRowAvx2);
}

} // namespace
