// Speed of the mip chain builder on a 2048 x 2048 photograph, one thread, the full chain to
// A8R8G8B8: the Kaiser chain in linear light against the box chain in gamma space, and against
// the nvtt library's Kaiser mipmap filter (gamma 2.2 in and out, uncompressed output kept in
// memory; libnvtt-dev is linked into this program only). For the record: the other kernels,
// the alpha-tested chain, the plain loops, the AVX2 loops forced on both sides of the ratio, and
// the loader's box chain (filterTexture).
#include "bench/ratio_report.h"
#include "blit/com_ref.h"
#include "blit/filter_texture.h"
#include "blit/mip_chain.h"
#include "d3d8.h"
#include "platform_ext.h"
#include "tests/support/photos.h"

#include <nvtt/nvtt.h>

#include <cstring>
#include <vector>

namespace {

constexpr uint32_t side = 2048;

// The retina photograph enlarged once to 2048 x 2048 (Lanczos), with an alpha channel cut
// from its green for the alpha-tested chain.
const ArgbImage& photograph(bool withAlpha = false) {
    static const auto pictures = [] {
        std::pair<ArgbImage, ArgbImage> made;
        test_support::Photo photo;
        if (!test_support::loadPicture("real-photos/retina.png", &photo))
            return made;
        ArgbImage source;
        source.width = photo.width;
        source.height = photo.height;
        source.texels = photo.argb;
        MipChainOptions options;
        options.kernel = MipKernel::Lanczos;
        resampleImage(source, side, side, options, &made.first);
        made.second = made.first;
        for (uint32_t& t : made.second.texels)
            t = (t & 0xFFFFFFu) | ((t >> 8) & 0xFF) << 24;
        return made;
    }();
    return withAlpha ? pictures.second : pictures.first;
}

enum class Loops { Chosen, Plain, Avx2 };

void runChain(benchmark::State& state, MipChainOptions options, bool withAlpha = false,
              Loops loops = Loops::Chosen) {
    const ArgbImage& top = photograph(withAlpha);
    if (top.texels.empty()) {
        state.SkipWithError("real-photos/retina.png cannot be read");
        return;
    }
    if (loops == Loops::Avx2 && !mipRowsAvx2Supported()) {
        state.SkipWithError("no AVX2 on this processor");
        return;
    }
    const MipRowRoutines routines =
        loops == Loops::Plain ? plainMipRowRoutines()
        : loops == Loops::Avx2
            ? MipRowRoutines{combineRowsAvx2, gatherTexelsAvx2, gatherHalvingAvx2}
            : mipRowRoutines();
    std::vector<ArgbImage> lower;
    for (auto _ : state) {
        const bool built = buildMipChain(top, 32, options, routines, &lower);
        if (!built)
            state.SkipWithError("no memory");
        benchmark::DoNotOptimize(lower.data());
    }
}

MipChainOptions kernel(MipKernel k, bool srgb = true) {
    MipChainOptions options;
    options.kernel = k;
    options.srgb = srgb;
    return options;
}

void BM_box_chain_gamma(benchmark::State& state) {
    runChain(state, kernel(MipKernel::Box, false));
}
void BM_box_chain_linear_light(benchmark::State& state) {
    runChain(state, kernel(MipKernel::Box));
}
void BM_triangle_chain(benchmark::State& state) {
    runChain(state, kernel(MipKernel::Triangle));
}
void BM_kaiser_chain(benchmark::State& state) {
    runChain(state, kernel(MipKernel::Kaiser));
}
void BM_kaiser_chain_plain_loops(benchmark::State& state) {
    runChain(state, kernel(MipKernel::Kaiser), false, Loops::Plain);
}
// The AVX2 loops forced, for both sides of the ratio, whatever wider loops a processor may get.
void BM_box_chain_gamma_avx2(benchmark::State& state) {
    runChain(state, kernel(MipKernel::Box, false), false, Loops::Avx2);
}
void BM_kaiser_chain_avx2(benchmark::State& state) {
    runChain(state, kernel(MipKernel::Kaiser), false, Loops::Avx2);
}
void BM_lanczos_chain(benchmark::State& state) {
    runChain(state, kernel(MipKernel::Lanczos));
}
void BM_mitchell_chain(benchmark::State& state) {
    runChain(state, kernel(MipKernel::Mitchell));
}
void BM_kaiser_chain_alpha(benchmark::State& state) {
    runChain(state, kernel(MipKernel::Kaiser), true);
}
void BM_kaiser_chain_alpha_tested(benchmark::State& state) {
    MipChainOptions options = kernel(MipKernel::Kaiser);
    options.alphaTest = 128;
    runChain(state, options, true);
}
BENCHMARK(BM_box_chain_gamma)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_box_chain_linear_light)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_triangle_chain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_kaiser_chain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_kaiser_chain_plain_loops)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_box_chain_gamma_avx2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_kaiser_chain_avx2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_lanczos_chain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_mitchell_chain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_kaiser_chain_alpha)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_kaiser_chain_alpha_tested)->Unit(benchmark::kMillisecond);

// The chain a load makes: filterTexture's box filter on the stored integers.
void BM_loader_box_chain(benchmark::State& state) {
    const ArgbImage& top = photograph();
    ComRef<IDirect3DDevice8> device;
    ComRef<IDirect3DTexture8> texture;
    if (top.texels.empty() || FAILED(platform_ext::createHeadlessDevice(64, 64, device.out())) ||
        FAILED(device->CreateTexture(side, side, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                     texture.out()))) {
        state.SkipWithError("no texture");
        return;
    }
    D3DLOCKED_RECT locked = {};
    texture->LockRect(0, &locked, nullptr, 0);
    for (uint32_t y = 0; y < side; ++y)
        std::memcpy(static_cast<uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch,
                    top.texels.data() + size_t(y) * side, side * 4);
    texture->UnlockRect(0);
    for (auto _ : state)
        filterTexture(texture.get(), nullptr, 0, FilterBox);
}
BENCHMARK(BM_loader_box_chain)->Unit(benchmark::kMillisecond);

// Every level nvtt writes, kept in memory.
struct MemoryOutput : nvtt::OutputHandler {
    std::vector<uint8_t> bytes;
    void beginImage(int, int, int, int, int, int) override {}
    bool writeData(const void* data, int size) override {
        const auto* begin = static_cast<const uint8_t*>(data);
        bytes.insert(bytes.end(), begin, begin + size);
        return true;
    }
};

void BM_nvtt_kaiser_chain(benchmark::State& state) {
    const ArgbImage& top = photograph();
    if (top.texels.empty()) {
        state.SkipWithError("real-photos/retina.png cannot be read");
        return;
    }
    nvtt::InputOptions input;
    input.setTextureLayout(nvtt::TextureType_2D, side, side);
    // 0xAARRGGBB words in memory are the B, G, R, A bytes the library takes.
    input.setMipmapData(top.texels.data(), side, side);
    input.setFormat(nvtt::InputFormat_BGRA_8UB);
    input.setMipmapFilter(nvtt::MipmapFilter_Kaiser);
    input.setMipmapGeneration(true);
    input.setGamma(2.2f, 2.2f);
    nvtt::CompressionOptions compression;
    compression.setFormat(nvtt::Format_RGBA);
    MemoryOutput memory;
    nvtt::OutputOptions output;
    output.setOutputHandler(&memory);
    output.setOutputHeader(false);
    nvtt::Compressor compressor;
    for (auto _ : state) {
        memory.bytes.clear();
        if (!compressor.process(input, compression, output))
            state.SkipWithError("nvtt failed");
        benchmark::DoNotOptimize(memory.bytes.data());
    }
}
BENCHMARK(BM_nvtt_kaiser_chain)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return bench::runWithRatios(
        argc, argv,
        {
            {"kaiser_chain_vs_box", "BM_kaiser_chain", "BM_box_chain_gamma"},
            {"kaiser_chain_vs_box_avx2_forced", "BM_kaiser_chain_avx2", "BM_box_chain_gamma_avx2"},
            {"kaiser_chain_vs_nvtt", "BM_kaiser_chain", "BM_nvtt_kaiser_chain"},
            {"box_linear_light_vs_box", "BM_box_chain_linear_light", "BM_box_chain_gamma"},
            {"triangle_chain_vs_box", "BM_triangle_chain", "BM_box_chain_gamma"},
            {"lanczos_chain_vs_box", "BM_lanczos_chain", "BM_box_chain_gamma"},
            {"mitchell_chain_vs_box", "BM_mitchell_chain", "BM_box_chain_gamma"},
            {"kaiser_plain_loops_vs_chosen", "BM_kaiser_chain_plain_loops", "BM_kaiser_chain"},
            {"alpha_tested_vs_kaiser_alpha", "BM_kaiser_chain_alpha_tested",
             "BM_kaiser_chain_alpha"},
            {"box_chain_vs_loader_box", "BM_box_chain_gamma", "BM_loader_box_chain"},
        });
}
