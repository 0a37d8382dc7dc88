// The span kernels: the plain routines against the blend formula, and each processor variant
// against the plain routines on random spans with runs of opaque and transparent texels.
#include "d3d8/pixel_math.h"
#include "d3d8/span_kernels.h"

#include <gtest/gtest.h>

#include <vector>

using namespace d3d8;

namespace {

// Source spans with runs of opaque, transparent and mixed texels; a target keeps its unused
// byte at 0xFF, which `target` gives. Runs of 5 fill whole groups of four; runs of 40 fill
// the groups of eight and thirty-two that wider routines test at once.
std::vector<uint32_t> spanOfRuns(size_t n, uint32_t seed, bool target = false,
                                 size_t runLength = 5) {
    std::vector<uint32_t> words(n);
    uint32_t state = seed;
    for (size_t i = 0; i < n; ++i) {
        state = state * 1664525u + 1013904223u;
        uint32_t w = state ^ (state >> 15);
        const size_t run = (i / runLength) % 4;
        if (run == 0)
            w |= 0xFF000000u;
        else if (run == 1)
            w &= 0x00FFFFFFu;
        words[i] = target ? w | 0xFF000000u : w;
    }
    return words;
}

} // namespace

TEST(SpanKernelTest, RoundedDivisionIsExactForEveryProductOfBytes) {
    for (uint32_t x = 0; x <= 255 * 255; ++x)
        ASSERT_EQ(div255(x), (2 * x + 255) / 510) << x;
}

TEST(SpanKernelTest, PlainBlendFollowsTheFormula) {
    const std::vector<uint32_t> src = spanOfRuns(300, 1), before = spanOfRuns(300, 2, true);
    std::vector<uint32_t> dst = before;
    plainSpanKernels().blendSourceOver(dst.data(), src.data(), int(src.size()));
    for (size_t i = 0; i < src.size(); ++i) {
        const uint32_t a = src[i] >> 24;
        if (a == 0) {
            ASSERT_EQ(dst[i], before[i]) << i;
            continue;
        }
        uint32_t expected = 0xFF000000u;
        for (int shift = 0; shift < 24; shift += 8)
            expected |=
                ((2 * (((src[i] >> shift) & 0xFF) * a + ((before[i] >> shift) & 0xFF) * (255 - a)) +
                  255) /
                 510)
                << shift;
        ASSERT_EQ(dst[i], expected) << i;
    }
    plainSpanKernels().storeOpaque(dst.data(), src.data(), int(src.size()));
    for (size_t i = 0; i < src.size(); ++i)
        ASSERT_EQ(dst[i], src[i] | 0xFF000000u);
}

void expectSameAsPlain(const SpanKernels& variant) {
    for (size_t runLength : {5, 40})
        for (int length : {0, 1, 3, 4, 7, 64, 333}) {
            for (int offset : {0, 1, 3}) { // unaligned starts
                const std::vector<uint32_t> src =
                    spanOfRuns(size_t(length + offset), uint32_t(length), false, runLength);
                const std::vector<uint32_t> dst0 = spanOfRuns(size_t(length + offset), 77, true);
                std::vector<uint32_t> plain = dst0, fast = dst0;
                plainSpanKernels().blendSourceOver(plain.data() + offset, src.data() + offset,
                                                   length);
                variant.blendSourceOver(fast.data() + offset, src.data() + offset, length);
                ASSERT_EQ(fast, plain) << "blend, runs of " << runLength << ", length " << length
                                       << " offset " << offset;
                plainSpanKernels().storeOpaque(plain.data() + offset, src.data() + offset, length);
                variant.storeOpaque(fast.data() + offset, src.data() + offset, length);
                ASSERT_EQ(fast, plain) << "store, length " << length << " offset " << offset;
            }
        }
}

// 16-bit targets: random R5G6B5 words under the same runs of texels.
std::vector<uint16_t> target16(size_t n, uint32_t seed) {
    std::vector<uint16_t> words;
    for (uint32_t w : spanOfRuns(n, seed))
        words.push_back(uint16_t(w >> 3));
    return words;
}

void expectSameAsPlain16(const SpanKernels& variant) {
    for (size_t runLength : {5, 40})
        for (int length : {0, 1, 7, 8, 9, 64, 333})
            for (int offset : {0, 1, 3}) {
                const std::vector<uint32_t> src =
                    spanOfRuns(size_t(length + offset), uint32_t(length) + 5, false, runLength);
                const std::vector<uint16_t> dst0 = target16(size_t(length + offset), 78);
                std::vector<uint16_t> plain = dst0, fast = dst0;
                plainSpanKernels().blendSourceOver16(plain.data() + offset, src.data() + offset,
                                                     length);
                variant.blendSourceOver16(fast.data() + offset, src.data() + offset, length);
                ASSERT_EQ(fast, plain) << "16-bit blend, runs of " << runLength << ", length "
                                       << length << " offset " << offset;
                plainSpanKernels().storeOpaque16(plain.data() + offset, src.data() + offset,
                                                 length);
                variant.storeOpaque16(fast.data() + offset, src.data() + offset, length);
                ASSERT_EQ(fast, plain) << "16-bit store, length " << length << " offset " << offset;
            }
}

// Every byte of every channel narrowed, and every R5G6B5 word widened under texels of alpha
// 1 and 254, which keep a trace of the destination.
void expectEveryValueAsPlain16(const SpanKernels& variant) {
    std::vector<uint32_t> ramp(256);
    for (uint32_t v = 0; v < 256; ++v)
        ramp[v] = 0xFF000000u | v << 16 | (v ^ 0x5A) << 8 | (255 - v);
    std::vector<uint16_t> plain(256), fast(256);
    plainSpanKernels().storeOpaque16(plain.data(), ramp.data(), 256);
    variant.storeOpaque16(fast.data(), ramp.data(), 256);
    ASSERT_EQ(fast, plain);
    for (const uint32_t texel : {0x01FFFFFFu, 0xFE000000u, 0x80808080u}) {
        std::vector<uint16_t> words(65536);
        for (uint32_t w = 0; w < 65536; ++w)
            words[w] = uint16_t(w);
        const std::vector<uint32_t> src(65536, texel);
        std::vector<uint16_t> plainWords = words, fastWords = words;
        plainSpanKernels().blendSourceOver16(plainWords.data(), src.data(), 65536);
        variant.blendSourceOver16(fastWords.data(), src.data(), 65536);
        for (uint32_t w = 0; w < 65536; ++w)
            ASSERT_EQ(fastWords[w], plainWords[w]) << std::hex << "texel " << texel << " word " << w;
    }
}

TEST(SpanKernelTest, ProcessorVariantsMatchThePlainRoutines) {
    int variants = 0;
    for (const SpanKernels* variant : {sse2SpanKernels(), avx2SpanKernels()})
        if (variant != nullptr) {
            expectSameAsPlain(*variant);
            expectSameAsPlain16(*variant);
            expectEveryValueAsPlain16(*variant);
            ++variants;
        }
    if (variants == 0)
        GTEST_SKIP() << "no processor variants here";
    const SpanKernels* fastest =
        avx2SpanKernels() != nullptr ? avx2SpanKernels() : sse2SpanKernels();
    EXPECT_EQ(&spanKernels(), fastest) << "the rasteriser uses the widest kernels it can";
}

TEST(SpanKernelTest, ModulateRoundsEachChannelProduct) {
    const std::vector<uint32_t> a = spanOfRuns(77, 5), b = spanOfRuns(77, 6);
    std::vector<uint32_t> plain(77), fast(77);
    plainSpanKernels().modulate(plain.data(), a.data(), b.data(), 77);
    for (size_t i = 0; i < a.size(); ++i) {
        uint32_t expected = 0;
        for (int shift = 0; shift < 32; shift += 8)
            expected |= ((2 * (((a[i] >> shift) & 0xFF) * ((b[i] >> shift) & 0xFF)) + 255) / 510)
                        << shift;
        ASSERT_EQ(plain[i], expected) << i;
    }
    for (const SpanKernels* variant : {sse2SpanKernels(), avx2SpanKernels()})
        if (variant != nullptr) {
            variant->modulate(fast.data(), a.data(), b.data(), 77);
            EXPECT_EQ(fast, plain);
        }
}

// The fused kernel must give the bytes of tinting the texels and then blending them, for
// text-like spans (mostly transparent) and sprite-like ones, whatever the colour's alpha.
TEST(SpanKernelTest, TintedBlendIsModulateThenBlend) {
    std::vector<const SpanKernels*> variants = {&plainSpanKernels()};
    for (const SpanKernels* variant : {sse2SpanKernels(), avx2SpanKernels()})
        if (variant != nullptr)
            variants.push_back(variant);
    for (const uint32_t color : {0xFFFFFFFFu, 0xFF00FF00u, 0x80FF2040u, 0x01FFFFFFu, 0x00123456u})
        for (size_t runLength : {5, 40})
            for (int length : {0, 1, 6, 8, 64, 333}) {
                const std::vector<uint32_t> texels =
                    spanOfRuns(size_t(length) + 1, uint32_t(length) + color, false, runLength);
                const std::vector<uint32_t> before = spanOfRuns(size_t(length) + 1, 91, true);
                std::vector<uint32_t> tinted(texels.size()), expected = before;
                const std::vector<uint32_t> colors(texels.size(), color);
                plainSpanKernels().modulate(tinted.data(), texels.data(), colors.data(),
                                            int(texels.size()));
                plainSpanKernels().blendSourceOver(expected.data() + 1, tinted.data() + 1, length);
                for (const SpanKernels* variant : variants) {
                    std::vector<uint32_t> fused = before;
                    variant->tintBlendSourceOver(fused.data() + 1, texels.data() + 1, color,
                                                 length);
                    ASSERT_EQ(fused, expected)
                        << std::hex << "colour " << color << std::dec << ", runs of " << runLength
                        << ", length " << length;
                }
            }
}

// The 16-bit kernels against the formula written out: channels narrowed to
// round(v * (2^n - 1) / 255), the target widened to round(v * 255 / (2^n - 1)) and blended.
TEST(SpanKernelTest, SixteenBitKernelsNarrowAndBlendExactly) {
    const auto narrow = [](uint32_t argb) {
        const uint32_t r = ((argb >> 16) & 0xFF) * 31, g = ((argb >> 8) & 0xFF) * 63,
                       b = (argb & 0xFF) * 31;
        return uint16_t(((2 * r + 255) / 510) << 11 | ((2 * g + 255) / 510) << 5 |
                        (2 * b + 255) / 510);
    };
    const auto widen = [](uint32_t v, uint32_t max) { return (2 * v * 255 + max) / (2 * max); };
    // Every value of every channel, opaque.
    std::vector<uint32_t> ramp(256);
    for (uint32_t v = 0; v < 256; ++v)
        ramp[v] = 0xFF000000u | v << 16 | (255 - v) << 8 | (v * 7 & 0xFF);
    std::vector<uint16_t> stored(256);
    plainSpanKernels().storeOpaque16(stored.data(), ramp.data(), 256);
    for (uint32_t v = 0; v < 256; ++v)
        ASSERT_EQ(stored[v], narrow(ramp[v])) << v;
    EXPECT_EQ(stored[255], 0xF81E);                           // 249 -> 30.27
    EXPECT_EQ(stored[128], uint16_t(16 << 11 | 31 << 5 | 16)); // 128 -> 15.56, 127 -> 31.37

    const std::vector<uint32_t> src = spanOfRuns(300, 3);
    const std::vector<uint16_t> before = target16(300, 4);
    std::vector<uint16_t> dst = before;
    plainSpanKernels().blendSourceOver16(dst.data(), src.data(), 300);
    for (size_t i = 0; i < src.size(); ++i) {
        const uint32_t a = src[i] >> 24;
        if (a == 0) {
            ASSERT_EQ(dst[i], before[i]) << i;
            continue;
        }
        const uint32_t d[3] = {widen(before[i] & 0x1F, 31), widen((before[i] >> 5) & 0x3F, 63),
                               widen(before[i] >> 11, 31)};
        uint32_t blended = 0;
        for (int c = 0; c < 3; ++c)
            blended |= ((2 * (((src[i] >> (8 * c)) & 0xFF) * a + d[c] * (255 - a)) + 255) / 510)
                       << (8 * c);
        ASSERT_EQ(dst[i], narrow(blended)) << i;
    }
}
