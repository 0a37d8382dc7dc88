// Speed of mip generation: the full box chain of a 1024 x 1024 A8R8G8B8 texture through
// filterTexture against memcpy of 640 x 480 x 4 bytes, and a 1024 x 1024 -> 640 x 480
// triangle resize against the linear resize of the same picture.
#include "bench/ratio_report.h"
#include "blit/com_ref.h"
#include "blit/filter_texture.h"
#include "blit/surface_blitter.h"
#include "d3d8.h"
#include "platform_ext.h"

#include <cstring>
#include <vector>

namespace {

std::vector<uint32_t> picture(uint32_t width, uint32_t height) {
    std::vector<uint32_t> pixels(size_t(width) * height);
    uint32_t state = 2531011;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            state = state * 214013u + 2531011u;
            pixels[size_t(y) * width + x] =
                0xFF000000u | (x & 0xFF) << 16 | (y & 0xFF) << 8 | ((state >> 16) & 0xFF);
        }
    }
    return pixels;
}

void BM_memcpy(benchmark::State& state) {
    std::vector<uint32_t> source = picture(640, 480);
    std::vector<uint32_t> destination(source.size());
    for (auto _ : state) {
        std::memcpy(destination.data(), source.data(), source.size() * 4);
        benchmark::DoNotOptimize(destination.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_memcpy);

// A headless device with a 1024 x 1024 managed texture whose top level holds a picture.
struct MipChainFixture {
    ComRef<IDirect3DDevice8> device;
    ComRef<IDirect3DTexture8> texture;

    bool create() {
        if (FAILED(platform_ext::createHeadlessDevice(64, 64, device.out())) ||
            FAILED(device->CreateTexture(1024, 1024, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                         texture.out())))
            return false;
        const std::vector<uint32_t> pixels = picture(1024, 1024);
        D3DLOCKED_RECT locked = {};
        if (FAILED(texture->LockRect(0, &locked, nullptr, 0)))
            return false;
        for (uint32_t y = 0; y < 1024; ++y)
            std::memcpy(static_cast<uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch,
                        pixels.data() + size_t(y) * 1024, 4096);
        texture->UnlockRect(0);
        return true;
    }
};

void BM_mipchain(benchmark::State& state) {
    MipChainFixture fixture;
    if (!fixture.create()) {
        state.SkipWithError("no device");
        return;
    }
    for (auto _ : state) {
        if (FAILED(filterTexture(fixture.texture.get(), nullptr, 0, FilterBox)))
            state.SkipWithError("filterTexture failed");
    }
}
BENCHMARK(BM_mipchain);

void resize(benchmark::State& state, ImageFilter filter) {
    std::vector<uint32_t> source = picture(1024, 1024);
    std::vector<uint32_t> destination(640 * 480);
    BlitSurface from, to;
    from.bits = reinterpret_cast<uint8_t*>(source.data());
    from.format = D3DFMT_A8R8G8B8;
    from.rowPitch = 4096;
    from.extent = from.rect = {0, 0, 1024, 1024, 0, 1};
    to = from;
    to.bits = reinterpret_cast<uint8_t*>(destination.data());
    to.rowPitch = 640 * 4;
    to.extent = to.rect = {0, 0, 640, 480, 0, 1};
    for (auto _ : state) {
        if (FAILED(blitSurface(to, from, filter)))
            state.SkipWithError("blit failed");
        benchmark::DoNotOptimize(destination.data());
    }
}

void BM_triangle(benchmark::State& state) {
    resize(state, FilterTriangle);
}
BENCHMARK(BM_triangle)->Unit(benchmark::kMillisecond);

void BM_linear(benchmark::State& state) {
    resize(state, FilterLinear);
}
BENCHMARK(BM_linear)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return bench::runWithRatios(argc, argv,
                                {{"mipchain", "BM_mipchain", "BM_memcpy"},
                                 {"triangle_vs_linear", "BM_triangle", "BM_linear"}});
}
