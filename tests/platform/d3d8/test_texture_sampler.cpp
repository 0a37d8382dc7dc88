// The row sampler of axis-aligned quads against the per-texel sampler: the same coordinates must
// give the same bytes for every address mode, step, fraction and span length, since the row
// sampler blends the two rows first and the per-texel one takes all four taps at once.
#include "d3d8/texture_sampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

using namespace d3d8;

namespace {

TEST(TextureSamplerTest, RowsMatchTheFourTapFormula) {
    constexpr int Width = 37, Height = 11;
    std::mt19937 random(5150);
    std::vector<uint32_t> texels(size_t(Width) * Height);
    for (uint32_t& texel : texels)
        texel = random();
    Sampler sampler;
    sampler.image = {texels.data(), Width, Width, Height};
    sampler.linear = true;
    sampler.border = 0x80402010u;
    std::uniform_real_distribution<double> place(-45.0, 80.0);
    std::uniform_real_distribution<double> fraction(0.0, 1.0);
    const double steps[] = {1.0, -1.0, 0.5, 2.0, 0.37, 1.0 / 3.0, 0.0};
    const D3DTEXTUREADDRESS modes[] = {D3DTADDRESS_CLAMP, D3DTADDRESS_WRAP, D3DTADDRESS_MIRROR,
                                       D3DTADDRESS_BORDER, D3DTADDRESS_MIRRORONCE};
    for (int round = 0; round < 3000; ++round) {
        sampler.addressU = modes[round % 5];
        sampler.addressV = modes[(round / 5) % 5];
        const double step = steps[(round / 25) % 7];
        // Whole and half texels and values next to them, where the weights round.
        double start = std::floor(place(random));
        if (round % 3 == 1)
            start += 0.5;
        else if (round % 3 == 2)
            start += fraction(random);
        const double row = std::floor(place(random) / 4.0) + (round % 2 ? fraction(random) : 0.5);
        const int n = 1 + int(random() % 96);
        const size_t count = static_cast<size_t>(n);
        std::vector<uint32_t> rowSampled(count), perTexel(count);
        std::vector<double> s(count), t(count, row);
        for (int i = 0; i < n; ++i)
            s[size_t(i)] = start + step * i;
        sampleRow(sampler, start, step, row, n, rowSampled.data());
        sampleTexels(sampler, s.data(), t.data(), n, perTexel.data());
        ASSERT_EQ(rowSampled, perTexel) << "round " << round << ": s0 " << start << " ds " << step
                                        << " t " << row << " n " << n;
    }
}

// One-texel steps share the first pixel's weight only while start + i is exact. Here adding 1
// crosses into a binade with coarser doubles, the sum rounds, and the weight of the later
// pixels is 1 where the first pixel's is 0.
TEST(TextureSamplerTest, WholeTexelStepsKeepEachPixelsOwnRounding) {
    constexpr int Width = 80, Height = 2;
    std::vector<uint32_t> texels(size_t(Width) * Height);
    for (size_t i = 0; i < texels.size(); ++i)
        texels[i] = uint32_t(i * 0x9E3779B9u);
    Sampler sampler;
    sampler.image = {texels.data(), Width, Width, Height};
    sampler.linear = true;
    sampler.addressU = D3DTADDRESS_CLAMP;
    sampler.addressV = D3DTADDRESS_CLAMP;
    const double start = 63.0 + 0.5 / 256.0 - std::ldexp(1.0, -47);
    ASSERT_NE((start + 1.0) - 64.0, start - 63.0) << "the sum must round for this test";
    constexpr int N = 8;
    std::vector<uint32_t> rowSampled(N), perTexel(N);
    std::vector<double> s(N), t(N, 0.25);
    for (int i = 0; i < N; ++i)
        s[size_t(i)] = start + i;
    sampleRow(sampler, start, 1.0, 0.25, N, rowSampled.data());
    sampleTexels(sampler, s.data(), t.data(), N, perTexel.data());
    EXPECT_EQ(rowSampled, perTexel);
}

} // namespace
