// The rasteriser's span output on a 16-bit (R5G6B5) render target against the same spans on a
// 32-bit one: a 640 x 480 frame of game-like rows (an opaque run, a sprite with soft edges and
// holes, and a transparent run), blended SRCALPHA / INVSRCALPHA / ADD by the kernels the
// device chooses, and by the plain 16-bit routine for comparison.
#include "bench/ratio_report.h"
#include "d3d8/span_kernels.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int Width = 640;
constexpr int Height = 480;

const std::vector<uint32_t>& sourceRows() {
    static const std::vector<uint32_t> rows = [] {
        std::vector<uint32_t> texels(size_t(Width) * Height);
        uint32_t state = 1;
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x) {
                state = state * 1664525u + 1013904223u;
                uint32_t alpha = 0xFF;
                if (x >= 400 && x < 480) // a sprite: soft edges and holes
                    alpha = (x - 400) % 20 < 3 ? (state >> 24) : (x / 8 + y) % 5 == 0 ? 0 : 0xFF;
                else if (x >= 560)
                    alpha = 0;
                texels[size_t(y) * Width + x] = alpha << 24 | (state & 0xFFFFFF);
            }
        return texels;
    }();
    return rows;
}

template <class Pixel, class Kernel> void runFrame(benchmark::State& state, Kernel kernel) {
    const std::vector<uint32_t>& src = sourceRows();
    std::vector<Pixel> target(size_t(Width) * Height, Pixel(0x9A3C));
    for (auto _ : state) {
        for (int y = 0; y < Height; ++y)
            kernel(target.data() + size_t(y) * Width, src.data() + size_t(y) * Width, Width);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
}

void blend32(benchmark::State& state) {
    runFrame<uint32_t>(state, d3d8::spanKernels().blendSourceOver);
}

void blend16(benchmark::State& state) {
    runFrame<uint16_t>(state, d3d8::spanKernels().blendSourceOver16);
}

void blend16Avx2(benchmark::State& state) {
    if (d3d8::avx2SpanKernels() == nullptr) {
        state.SkipWithError("no AVX2 here");
        return;
    }
    runFrame<uint16_t>(state, d3d8::avx2SpanKernels()->blendSourceOver16);
}

void blend16Plain(benchmark::State& state) {
    runFrame<uint16_t>(state, d3d8::plainSpanKernels().blendSourceOver16);
}

void opaque16(benchmark::State& state) {
    runFrame<uint16_t>(state, d3d8::spanKernels().storeOpaque16);
}

void opaque32(benchmark::State& state) {
    runFrame<uint32_t>(state, d3d8::spanKernels().storeOpaque);
}

BENCHMARK(blend32);
BENCHMARK(blend16);
BENCHMARK(blend16Avx2);
BENCHMARK(blend16Plain);
BENCHMARK(opaque32);
BENCHMARK(opaque16);

} // namespace

int main(int argc, char** argv) {
    return bench::runWithRatios(argc, argv,
                                {{"span_blend_16_to_32", "blend16", "blend32"},
                                 {"span_blend_16_avx2_to_32", "blend16Avx2", "blend32"},
                                 {"span_blend_16_plain_to_32", "blend16Plain", "blend32"},
                                 {"span_opaque_16_to_32", "opaque16", "opaque32"}});
}
