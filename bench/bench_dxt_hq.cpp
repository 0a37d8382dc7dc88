// The high-quality block encoder beside the encoders people convert textures with, one thread,
// one run: "DXT1" of the six colour photographs of real-photos/ (opaque, whole blocks, RGB
// PSNR pooled over all their pixels) and the interpolated alpha of the three greys of
// real-greys/; the same photographs into "DXT5" (opaque: the alpha search has nothing to do)
// and their green channel into BC4. Every encoder's blocks are decoded by our own decoder. The
// peers (Debian's libstb-dev and libsquish-dev) are used here only, through their public
// interfaces.
#include "bench/ratio_report.h"
#include "blit/pixel_codec.h"
#include "blocks/bc45_block.h"
#include "blocks/dxt_block.h"
#include "blocks/dxt_hq.h"
#include "tests/support/photos.h"

#include <cstring> // the compressor below expects memcpy declared

#define STB_DXT_IMPLEMENTATION
#include <stb/stb_dxt.h>
#include <squish.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using test_support::Photo;

// Whole 4 x 4 blocks of a set of pictures, block after block: as FloatColor for our encoders,
// as RGBA bytes for the peers, and the source bytes the decoded blocks are compared with.
struct BlockSet {
    std::vector<FloatColor> values;
    std::vector<uint8_t> rgba; // 64 bytes a block
    uint32_t count = 0;
    double megapixels() const { return count * 16.0 / 1e6; }
};

// Adds a picture's whole blocks to the set; a grey picture becomes alpha over a constant colour.
void appendBlocks(const Photo& photo, bool greyAsAlpha, BlockSet* set) {
    test_support::appendBlocks(photo, greyAsAlpha, &set->values);
    const uint32_t across = photo.width / 4, down = photo.height / 4;
    const size_t first = set->count;
    set->count += across * down;
    set->rgba.resize(size_t(set->count) * 64);
    for (uint32_t y = 0; y < down * 4; ++y) {
        for (uint32_t x = 0; x < across * 4; ++x) {
            const size_t at = (first + size_t(y / 4) * across + x / 4) * 16 + (y % 4) * 4 + x % 4;
            const uint32_t p = photo.argb[size_t(y) * photo.width + x];
            const uint32_t argb = greyAsAlpha ? (p & 0xFF) << 24 | 0x00806040u : p;
            uint8_t* rgba = &set->rgba[at * 4];
            rgba[0] = uint8_t(argb >> 16);
            rgba[1] = uint8_t(argb >> 8);
            rgba[2] = uint8_t(argb);
            rgba[3] = uint8_t(argb >> 24);
        }
    }
}

struct Sets {
    BlockSet photos, greys;
    BlockSet greens; // the photographs' green channel as grey, and as alpha bytes for stb
    bool loaded = false;
};

// The green channel of the photographs: grey values for our BC4 (whose grey is then the green
// itself), and the green byte in the alpha place for stb's.
BlockSet greensOf(const BlockSet& photos) {
    BlockSet set = photos;
    for (FloatColor& c : set.values)
        c = {c.g, c.g, c.g, 1.0f};
    for (uint32_t i = 0; i < set.count * 16; ++i) {
        uint8_t* rgba = &set.rgba[size_t(i) * 4];
        rgba[0] = rgba[2] = rgba[3] = rgba[1];
    }
    return set;
}

const Sets& sets() {
    static const Sets loaded = [] {
        Sets s;
        std::vector<Photo> photos, greys;
        s.loaded = test_support::loadRealPhotos(&photos) && test_support::loadRealGreys(&greys);
        if (!s.loaded)
            return s;
        for (const Photo& photo : photos)
            appendBlocks(photo, false, &s.photos);
        for (const Photo& photo : greys)
            appendBlocks(photo, true, &s.greys);
        s.greens = greensOf(s.photos);
        return s;
    }();
    return loaded;
}

// The peers and ours as one signature: `count` blocks from the set into `out`.
using Encoder = void (*)(const BlockSet& set, uint8_t* out);

void ourHq(const BlockSet& set, uint8_t* out) {
    blockHqBatchEncoder(*findBlockFormat(D3DFMT_DXT1))(set.values.data(), set.count, out);
}
// The same with the AVX2 variant forced, as a processor without 512-bit vectors runs it.
void ourHqAvx2(const BlockSet& set, uint8_t* out) {
    findBlockFormat(D3DFMT_DXT1)->encodeHqAvx2Batch(set.values.data(), set.count, out);
}
void ourExact(const BlockSet& set, uint8_t* out) {
    blockBatchEncoder(*findBlockFormat(D3DFMT_DXT1))(set.values.data(), set.count, out);
}
template <int Mode>
void stb(const BlockSet& set, uint8_t* out) {
    for (uint32_t n = 0; n < set.count; ++n)
        stb_compress_dxt_block(out + size_t(n) * 8, &set.rgba[size_t(n) * 64], 0, Mode);
}
template <int Fit>
void squishFit(const BlockSet& set, uint8_t* out) {
    for (uint32_t n = 0; n < set.count; ++n)
        squish::Compress(&set.rgba[size_t(n) * 64], out + size_t(n) * 8, squish::kDxt1 | Fit);
}

// Alpha blocks alone (8 bytes, the first half of "DXT5").
void ourHqAlpha(const BlockSet& set, uint8_t* out) {
    switch (dxtHqVariant()) {
    case DxtHqVariant::Avx512:
        return encodeAlphaBlocksHqAvx512(set.values.data(), set.count, out);
    case DxtHqVariant::Avx2:
        return encodeAlphaBlocksHqAvx2(set.values.data(), set.count, out);
    case DxtHqVariant::Sse2:
        return encodeAlphaBlocksHqSse2(set.values.data(), set.count, out);
    case DxtHqVariant::Plain:
        break;
    }
    encodeAlphaBlocksHqPlain(set.values.data(), set.count, out);
}
// "DXT5" of opaque blocks (16 bytes a block).
void ourHqDxt5(const BlockSet& set, uint8_t* out) {
    blockHqBatchEncoder(*findBlockFormat(D3DFMT_DXT5))(set.values.data(), set.count, out);
}
void ourBc4(const BlockSet& set, uint8_t* out) {
    blockHqBatchEncoder(*findBlockFormat(BlockFormatBc4))(set.values.data(), set.count, out);
}
// The same with the AVX2 variant forced, as a processor without 512-bit vectors runs it.
void ourBc4Avx2(const BlockSet& set, uint8_t* out) {
    findBlockFormat(BlockFormatBc4)->encodeHqAvx2Batch(set.values.data(), set.count, out);
}
void stbAlpha(const BlockSet& set, uint8_t* out) {
    uint8_t alpha[16];
    for (uint32_t n = 0; n < set.count; ++n) {
        for (int i = 0; i < 16; ++i)
            alpha[i] = set.rgba[size_t(n) * 64 + i * 4 + 3];
        stb_compress_bc4_block(out + size_t(n) * 8, alpha);
    }
}

void run(benchmark::State& state, const BlockSet& set, Encoder encode) {
    if (!sets().loaded) {
        state.SkipWithError("the pictures are missing");
        return;
    }
    std::vector<uint8_t> out(size_t(set.count) * 16);
    for (auto _ : state) {
        encode(set, out.data());
        benchmark::ClobberMemory();
    }
}

void BM_Dxt1Hq(benchmark::State& state) {
    run(state, sets().photos, ourHq);
}
BENCHMARK(BM_Dxt1Hq)->Unit(benchmark::kMillisecond);
void BM_Dxt1HqAvx2(benchmark::State& state) {
    run(state, sets().photos, ourHqAvx2);
}
BENCHMARK(BM_Dxt1HqAvx2)->Unit(benchmark::kMillisecond);
void BM_Dxt1Exact(benchmark::State& state) {
    run(state, sets().photos, ourExact);
}
BENCHMARK(BM_Dxt1Exact)->Unit(benchmark::kMillisecond);
void BM_StbNormal(benchmark::State& state) {
    run(state, sets().photos, stb<STB_DXT_NORMAL>);
}
BENCHMARK(BM_StbNormal)->Unit(benchmark::kMillisecond);
void BM_StbHigh(benchmark::State& state) {
    run(state, sets().photos, stb<STB_DXT_HIGHQUAL>);
}
BENCHMARK(BM_StbHigh)->Unit(benchmark::kMillisecond);
void BM_SquishRange(benchmark::State& state) {
    run(state, sets().photos, squishFit<squish::kColourRangeFit>);
}
BENCHMARK(BM_SquishRange)->Unit(benchmark::kMillisecond);
// Seconds a pass: one timed pass is enough, and five would take most of a minute.
void BM_SquishCluster(benchmark::State& state) {
    run(state, sets().photos, squishFit<squish::kColourClusterFit>);
}
BENCHMARK(BM_SquishCluster)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(1);
void BM_Dxt5HqOpaque(benchmark::State& state) {
    run(state, sets().photos, ourHqDxt5);
}
BENCHMARK(BM_Dxt5HqOpaque)->Unit(benchmark::kMillisecond);
void BM_Bc4Hq(benchmark::State& state) {
    run(state, sets().greens, ourBc4);
}
BENCHMARK(BM_Bc4Hq)->Unit(benchmark::kMillisecond);
void BM_Bc4HqAvx2(benchmark::State& state) {
    run(state, sets().greens, ourBc4Avx2);
}
BENCHMARK(BM_Bc4HqAvx2)->Unit(benchmark::kMillisecond);
void BM_Bc4Stb(benchmark::State& state) {
    run(state, sets().greens, stbAlpha);
}
BENCHMARK(BM_Bc4Stb)->Unit(benchmark::kMillisecond);
void BM_AlphaHq(benchmark::State& state) {
    run(state, sets().greys, ourHqAlpha);
}
BENCHMARK(BM_AlphaHq)->Unit(benchmark::kMillisecond);
void BM_AlphaStb(benchmark::State& state) {
    run(state, sets().greys, stbAlpha);
}
BENCHMARK(BM_AlphaStb)->Unit(benchmark::kMillisecond);

uint32_t toByte(float x) {
    return quantizeUnsigned(x, 255, 0.5f);
}

// PSNR of the encoder's blocks decoded by our decoder, over RGB of the colour blocks or over
// the alpha of the alpha blocks; computed once per encoder.
double psnr(const BlockSet& set, Encoder encode, bool alpha) {
    std::vector<uint8_t> blocks(size_t(set.count) * 8);
    encode(set, blocks.data());
    double sum = 0.0;
    for (uint32_t n = 0; n < set.count; ++n) {
        uint8_t block[16] = {};
        FloatColor decoded[16];
        if (alpha) {
            std::memcpy(block, &blocks[size_t(n) * 8], 8);
            decodeDxt5Block(block, decoded);
        } else {
            decodeDxt1Block(&blocks[size_t(n) * 8], decoded);
        }
        for (int i = 0; i < 16; ++i) {
            const uint8_t* source = &set.rgba[size_t(n) * 64 + i * 4];
            const uint32_t values[4] = {toByte(decoded[i].r), toByte(decoded[i].g),
                                        toByte(decoded[i].b), toByte(decoded[i].a)};
            for (int c = alpha ? 3 : 0; c < (alpha ? 4 : 3); ++c) {
                const double d = double(values[c]) - double(source[c]);
                sum += d * d;
            }
        }
    }
    const double mse = sum / (double(set.count) * 16 * (alpha ? 1 : 3));
    return 10.0 * std::log10(255.0 * 255.0 / mse);
}

// PSNR of one-channel blocks over the green bytes they were made from, decoded as BC4 (the
// same bytes as "DXT5" alpha: stb's blocks read the same way).
double greenPsnr(Encoder encode) {
    const BlockSet& set = sets().greens;
    std::vector<uint8_t> blocks(size_t(set.count) * 8);
    encode(set, blocks.data());
    double sum = 0.0;
    for (uint32_t n = 0; n < set.count; ++n) {
        FloatColor decoded[16];
        decodeBc4Block(&blocks[size_t(n) * 8], decoded);
        for (int i = 0; i < 16; ++i) {
            const double d = double(toByte(decoded[i].r)) - double(set.rgba[size_t(n) * 64 + i * 4 + 1]);
            sum += d * d;
        }
    }
    return 10.0 * std::log10(255.0 * 255.0 / (sum / (double(set.count) * 16)));
}

bench::Figure quality(const char* label, Encoder encode, bool alpha) {
    return {label, [encode, alpha](const bench::RatioReporter&) {
                return psnr(alpha ? sets().greys : sets().photos, encode, alpha);
            }};
}

bench::Figure rate(const char* label, const char* benchmark, bool alpha) {
    return {label, [benchmark, alpha](const bench::RatioReporter& reporter) {
                const double seconds = reporter.time(benchmark);
                const BlockSet& set = alpha ? sets().greys : sets().photos;
                return seconds > 0.0 ? set.megapixels() / seconds : 0.0;
            }};
}

} // namespace

int main(int argc, char** argv) {
    return bench::runWithRatios(
        argc, argv,
        {{"dxt1_hq_speed", "BM_StbHigh", "BM_Dxt1Hq"},
         {"dxt1_hq_speed_avx2", "BM_StbHigh", "BM_Dxt1HqAvx2"},
         {"dxt5_hq_opaque_vs_dxt1_hq", "BM_Dxt5HqOpaque", "BM_Dxt1Hq"}},
        {{"dxt1_hq_gain",
          [](const bench::RatioReporter&) {
              return psnr(sets().photos, ourHq, false) -
                     psnr(sets().photos, squishFit<squish::kColourClusterFit>, false);
          }},
         {"dxt5_alpha_gain",
          [](const bench::RatioReporter&) {
              return psnr(sets().greys, ourHqAlpha, true) - psnr(sets().greys, stbAlpha, true);
          }},
         rate("dxt5_alpha_mpix", "BM_AlphaHq", true),
         {"bc4_gain",
          [](const bench::RatioReporter&) { return greenPsnr(ourBc4) - greenPsnr(stbAlpha); }},
         rate("bc4_mpix", "BM_Bc4Hq", false), rate("bc4_mpix_avx2", "BM_Bc4HqAvx2", false),
         {"bc4_psnr", [](const bench::RatioReporter&) { return greenPsnr(ourBc4); }},
         {"stb_bc4_psnr", [](const bench::RatioReporter&) { return greenPsnr(stbAlpha); }},
         // For the record.
         quality("dxt1_hq_psnr", ourHq, false), rate("dxt1_hq_mpix", "BM_Dxt1Hq", false),
         rate("dxt1_hq_mpix_avx2", "BM_Dxt1HqAvx2", false),
         quality("dxt1_exact_psnr", ourExact, false), rate("dxt1_exact_mpix", "BM_Dxt1Exact", false),
         quality("stb_psnr", stb<STB_DXT_NORMAL>, false), rate("stb_mpix", "BM_StbNormal", false),
         quality("stb_high_psnr", stb<STB_DXT_HIGHQUAL>, false),
         rate("stb_high_mpix", "BM_StbHigh", false),
         quality("squish_range_psnr", squishFit<squish::kColourRangeFit>, false),
         rate("squish_range_mpix", "BM_SquishRange", false),
         quality("squish_cluster_psnr", squishFit<squish::kColourClusterFit>, false),
         rate("squish_cluster_mpix", "BM_SquishCluster/iterations:1/repeats:1", false),
         quality("dxt5_alpha_psnr", ourHqAlpha, true), quality("stb_alpha_psnr", stbAlpha, true),
         rate("stb_alpha_mpix", "BM_AlphaStb", true)});
}
