// The BC7 encoder's three levels on the six colour photographs of real-photos/ (opaque, whole
// blocks), one thread: megapixels a second and RGB PSNR pooled over all their pixels, the
// blocks decoded by our own decoder. An alpha figure is printed for the greys of real-greys/
// as alpha over a constant colour; each level again with the plain and the AVX2 variant forced
// (the same bytes, so the same dB). The rates are of the thread's processor time in one pass
// (the table above them gives wall time too): on a machine shared with builds, wall time
// measures the other processes as much as the encoder.
#include "bench/ratio_report.h"
#include "blocks/bc7.h"
#include "tests/support/photos.h"

#include <cmath>
#include <ctime>
#include <map>
#include <tuple>
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

// Several seconds a pass: one is enough.
void BM_Bc7Best(benchmark::State& state) {
    run(state, sets().photos, Bc7Quality::Best);
}
BENCHMARK(BM_Bc7Best)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(1);

void BM_Bc7HighAlpha(benchmark::State& state) {
    run(state, sets().greys, Bc7Quality::High);
}
BENCHMARK(BM_Bc7HighAlpha)->Unit(benchmark::kMillisecond);

uint8_t toByte(float x) {
    return uint8_t(x * 255.0f + 0.5f);
}

double threadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

struct Measured {
    double psnr = 0; // over red, green and blue, or alpha alone
    double mpix = 0; // megapixels a second of processor time
};

// One pass of a level over a set, timed, and its blocks decoded back; once per level, set and
// variant (-1: the one this processor runs).
const Measured& measured(Bc7Quality quality, bool alpha, int variant = -1) {
    static std::map<std::tuple<int, bool, int>, Measured> done;
    const auto key = std::make_tuple(int(quality), alpha, variant);
    const auto found = done.find(key);
    if (found != done.end())
        return found->second;
    const BlockSet& set = alpha ? sets().greys : sets().photos;
    std::vector<uint8_t> blocks(size_t(set.count) * 16);
    const double start = threadSeconds();
    if (variant < 0)
        bc7BatchEncoder(quality)(set.values.data(), set.count, blocks.data());
    else
        encodeBc7BlocksWith(quality, Bc7Variant(variant), set.values.data(), set.count,
                            blocks.data());
    const double seconds = threadSeconds() - start;
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
    Measured m;
    m.psnr = 10.0 * std::log10(255.0 * 255.0 / mse);
    m.mpix = seconds > 0 ? set.megapixels() / seconds : 0.0;
    return done[key] = m;
}

bench::Figure quality(const char* label, Bc7Quality level, bool alpha) {
    return {label, [level, alpha](const bench::RatioReporter&) {
                return sets().loaded ? measured(level, alpha).psnr : 0.0;
            }};
}

bench::Figure rate(const char* label, Bc7Quality level, bool alpha) {
    return {label, [level, alpha](const bench::RatioReporter&) {
                return sets().loaded ? measured(level, alpha).mpix : 0.0;
            }};
}

// A level with a variant forced: its rate, or its RGB PSNR (the same as every variant's).
bench::Figure forced(const char* label, Bc7Quality level, Bc7Variant variant, bool psnr) {
    return {label, [level, variant, psnr](const bench::RatioReporter&) {
                if (!sets().loaded)
                    return 0.0;
                const Measured& m = measured(level, false, int(variant));
                return psnr ? m.psnr : m.mpix;
            }};
}

// The rate of a level with AVX2 forced over the plain variant's.
bench::Figure avx2Gain(const char* label, Bc7Quality level) {
    return {label, [level](const bench::RatioReporter&) {
                if (!sets().loaded)
                    return 0.0;
                return measured(level, false, int(Bc7Variant::Avx2)).mpix /
                       measured(level, false, int(Bc7Variant::Plain)).mpix;
            }};
}

} // namespace

int main(int argc, char** argv) {
    return bench::runWithRatios(argc, argv, {{"bc7_high_time_vs_fast", "BM_Bc7High", "BM_Bc7Fast"}},
                                {quality("bc7_psnr", Bc7Quality::High, false),
                                 rate("bc7_mpix", Bc7Quality::High, false),
                                 quality("bc7_fast_psnr", Bc7Quality::Fast, false),
                                 rate("bc7_fast_mpix", Bc7Quality::Fast, false),
                                 quality("bc7_best_psnr", Bc7Quality::Best, false),
                                 rate("bc7_best_mpix", Bc7Quality::Best, false),
                                 quality("bc7_alpha_psnr", Bc7Quality::High, true),
                                 rate("bc7_alpha_mpix", Bc7Quality::High, true),
                                 forced("bc7_fast_mpix_plain", Bc7Quality::Fast, Bc7Variant::Plain, false),
                                 forced("bc7_fast_mpix_avx2", Bc7Quality::Fast, Bc7Variant::Avx2, false),
                                 forced("bc7_fast_psnr_avx2", Bc7Quality::Fast, Bc7Variant::Avx2, true),
                                 avx2Gain("bc7_fast_avx2_vs_plain", Bc7Quality::Fast),
                                 forced("bc7_high_mpix_plain", Bc7Quality::High, Bc7Variant::Plain, false),
                                 forced("bc7_high_mpix_avx2", Bc7Quality::High, Bc7Variant::Avx2, false),
                                 forced("bc7_high_psnr_avx2", Bc7Quality::High, Bc7Variant::Avx2, true),
                                 avx2Gain("bc7_high_avx2_vs_plain", Bc7Quality::High),
                                 forced("bc7_best_mpix_plain", Bc7Quality::Best, Bc7Variant::Plain, false),
                                 forced("bc7_best_mpix_avx2", Bc7Quality::Best, Bc7Variant::Avx2, false),
                                 forced("bc7_best_psnr_avx2", Bc7Quality::Best, Bc7Variant::Avx2, true),
                                 avx2Gain("bc7_best_avx2_vs_plain", Bc7Quality::Best)});
}
