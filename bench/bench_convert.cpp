// Speed of the blit engine's common conversions of a 640 x 480 picture, each as a ratio to
// memcpy of the same 640 x 480 x 4 bytes.
#include "bench/ratio_report.h"
#include "blit/surface_blitter.h"

#include <cstring>
#include <vector>

namespace {

constexpr uint32_t width = 640;
constexpr uint32_t height = 480;

// A picture with smooth gradients, noise and opaque magenta patches, as the game's have.
const std::vector<uint32_t>& picture() {
    static const std::vector<uint32_t> pixels = [] {
        std::vector<uint32_t> p(size_t(width) * height);
        uint32_t state = 12345;
        for (uint32_t y = 0; y < height; ++y) {
            for (uint32_t x = 0; x < width; ++x) {
                state = state * 214013u + 2531011u;
                const bool magenta = ((x / 40) + (y / 30)) % 5 == 0;
                p[size_t(y) * width + x] = magenta ? 0xFFFF00FFu
                                                   : 0xFF000000u | ((x * 255 / width) << 16) |
                                                         ((y * 255 / height) << 8) |
                                                         ((state >> 16) & 0xFF);
            }
        }
        return p;
    }();
    return pixels;
}

BlitSurface sideOf(void* bits, PixelFormat format, uint32_t bytesPerPixel, uint32_t key = 0) {
    BlitSurface side;
    side.bits = static_cast<uint8_t*>(bits);
    side.format = format;
    side.rowPitch = width * bytesPerPixel;
    side.extent = side.rect = {0, 0, int32_t(width), int32_t(height), 0, 1};
    side.colorKey = key;
    return side;
}

void BM_memcpy(benchmark::State& state) {
    std::vector<uint32_t> source = picture();
    std::vector<uint32_t> destination(source.size());
    for (auto _ : state) {
        std::memcpy(destination.data(), source.data(), source.size() * 4);
        benchmark::DoNotOptimize(destination.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_memcpy);

void convert(benchmark::State& state, PixelFormat from, uint32_t fromBytes, PixelFormat to,
             uint32_t toBytes, uint32_t key, ImageFilter filter) {
    std::vector<uint8_t> source(size_t(width) * height * fromBytes);
    std::vector<uint8_t> destination(size_t(width) * height * toBytes);
    if (fromBytes == 4) {
        std::memcpy(source.data(), picture().data(), source.size());
    } else {
        // The picture in 5:6:5 first.
        std::vector<uint32_t> picture32 = picture();
        blitSurface(sideOf(source.data(), from, fromBytes),
                    sideOf(picture32.data(), D3DFMT_A8R8G8B8, 4), FilterNone);
    }
    for (auto _ : state) {
        const HRESULT hr = blitSurface(sideOf(destination.data(), to, toBytes),
                                       sideOf(source.data(), from, fromBytes, key), filter);
        if (FAILED(hr))
            state.SkipWithError("blit failed");
        benchmark::DoNotOptimize(destination.data());
        benchmark::ClobberMemory();
    }
}

void BM_keyed_x8(benchmark::State& state) {
    convert(state, D3DFMT_X8R8G8B8, 4, D3DFMT_A8R8G8B8, 4, 0xFFFF00FF, FilterNone);
}
BENCHMARK(BM_keyed_x8);

void BM_keyed_a8(benchmark::State& state) {
    convert(state, D3DFMT_A8R8G8B8, 4, D3DFMT_A8R8G8B8, 4, 0xFFFF00FF, FilterNone);
}
BENCHMARK(BM_keyed_a8);

void BM_dither565(benchmark::State& state) {
    convert(state, D3DFMT_A8R8G8B8, 4, D3DFMT_R5G6B5, 2, 0, FilterNone | FilterDither);
}
BENCHMARK(BM_dither565);

void BM_from565(benchmark::State& state) {
    convert(state, D3DFMT_R5G6B5, 2, D3DFMT_A8R8G8B8, 4, 0, FilterNone);
}
BENCHMARK(BM_from565);

} // namespace

int main(int argc, char** argv) {
    return bench::runWithRatios(argc, argv,
                                {{"keyed_x8", "BM_keyed_x8", "BM_memcpy"},
                                 {"keyed_a8", "BM_keyed_a8", "BM_memcpy"},
                                 {"dither565", "BM_dither565", "BM_memcpy"},
                                 {"from565", "BM_from565", "BM_memcpy"}});
}
