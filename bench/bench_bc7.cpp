// The BC7 encoder's three levels on the six colour photographs of real-photos/ (opaque, whole
// blocks), one thread: megapixels a second and RGB PSNR pooled over all their pixels, the
// blocks decoded by our own decoder. An alpha figure is printed for the greys of real-greys/
// as alpha over a constant colour.
#include "bench/ratio_report.h"
#include "blocks/bc7.h"
#include "tests/support/photos.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {

using test_support::Photo;

struct BlockSet {
    std::vector<FloatColor> values;
    uint32_t count = 0;
    double megapixels() const { return count * 16.0 / 1e6; }
};

struct Sets {
    BlockSet photos, greys;
    bool loaded = false;
};

const Sets& sets() {
    static const Sets loaded = [] {
        Sets s;
        std::vector<Photo> photos, greys;
        s.loaded = test_support::loadRealPhotos(&photos) && test_support::loadRealGreys(&greys);
        for (const Photo& photo : photos)
            test_support::appendBlocks(photo, false, &s.photos.values);
        for (const Photo& photo : greys)
            test_support::appendBlocks(photo, true, &s.greys.values);
        s.photos.count = uint32_t(s.photos.values.size() / 16);
        s.greys.count = uint32_t(s.greys.values.size() / 16);
        return s;
    }();
    return loaded;
}

void run(benchmark::State& state, const BlockSet& set, Bc7Quality quality) {
    if (!sets().loaded) {
        state.SkipWithError("the pictures are missing");
        return;
    }
    std::vector<uint8_t> out(size_t(set.count) * 16);
    for (auto _ : state) {
        bc7BatchEncoder(quality)(set.values.data(), set.count, out.data());
        benchmark::ClobberMemory();
    }
}

void BM_Bc7Fast(benchmark::State& state) {
    run(state, sets().photos, Bc7Quality::Fast);
}
BENCHMARK(BM_Bc7Fast)->Unit(benchmark::kMillisecond);

void BM_Bc7High(benchmark::State& state) {
    run(state, sets().photos, Bc7Quality::High);
}
BENCHMARK(BM_Bc7High)->Unit(benchmark::kMillisecond);

// Seconds a pass: three timed passes are enough.
void BM_Bc7Best(benchmark::State& state) {
    run(state, sets().photos, Bc7Quality::Best);
}
BENCHMARK(BM_Bc7Best)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

void BM_Bc7HighAlpha(benchmark::State& state) {
    run(state, sets().greys, Bc7Quality::High);
}
BENCHMARK(BM_Bc7HighAlpha)->Unit(benchmark::kMillisecond);

uint8_t toByte(float x) {
    return uint8_t(x * 255.0f + 0.5f);
}

// PSNR over red, green and blue (or alpha alone) of a level's blocks decoded back.
double psnr(const BlockSet& set, Bc7Quality quality, bool alpha) {
    std::vector<uint8_t> blocks(size_t(set.count) * 16);
    bc7BatchEncoder(quality)(set.values.data(), set.count, blocks.data());
    double sum = 0.0;
    for (uint32_t n = 0; n < set.count; ++n) {
        FloatColor decoded[16];
        decodeBc7Block(&blocks[size_t(n) * 16], decoded);
        for (uint32_t i = 0; i < 16; ++i) {
            const FloatColor& source = set.values[size_t(n) * 16 + i];
            const float a[4] = {decoded[i].r, decoded[i].g, decoded[i].b, decoded[i].a};
            const float b[4] = {source.r, source.g, source.b, source.a};
            for (int c = alpha ? 3 : 0; c < (alpha ? 4 : 3); ++c) {
                const double d = double(toByte(a[c])) - double(toByte(b[c]));
                sum += d * d;
            }
        }
    }
    const double mse = sum / (double(set.count) * 16 * (alpha ? 1 : 3));
    return 10.0 * std::log10(255.0 * 255.0 / mse);
}

bench::Figure quality(const char* label, Bc7Quality level, bool alpha) {
    return {label, [level, alpha](const bench::RatioReporter&) {
                return psnr(alpha ? sets().greys : sets().photos, level, alpha);
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
        argc, argv, {{"bc7_best_time_vs_high", "BM_Bc7Best/iterations:1/repeats:3", "BM_Bc7High"}},
        {quality("bc7_psnr", Bc7Quality::High, false), rate("bc7_mpix", "BM_Bc7High", false),
         quality("bc7_fast_psnr", Bc7Quality::Fast, false),
         rate("bc7_fast_mpix", "BM_Bc7Fast", false),
         quality("bc7_best_psnr", Bc7Quality::Best, false),
         rate("bc7_best_mpix", "BM_Bc7Best/iterations:1/repeats:3", false),
         quality("bc7_alpha_psnr", Bc7Quality::High, true),
         rate("bc7_alpha_mpix", "BM_Bc7HighAlpha", false)});
}
