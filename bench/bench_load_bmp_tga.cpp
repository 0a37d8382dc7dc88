// Loading the 640 x 480 benchmark photo as the game loads its pictures, written once as a
// 24-bit bottom-up bitmap and as a run-length 24-bit Targa (bottom-up, as most writers store
// it). Both are measured against copying a frame of 32-bit pixels (bench_load.cpp).
#include "bench/load_figures.h"
#include "bench/load_files.h"
#include "tests/support/container_files.h"
#include "tests/support/photos.h"
#include "texture/mapped_file.h"

#include <string>

#include <stb/stb_image.h>

namespace {

using test_support::Bytes;

// Blue, green, red per pixel, rows bottom-up, each row padded to `rowBytes`.
Bytes bottomUpRows(const test_support::Photo& photo, size_t rowBytes) {
    Bytes rows;
    rows.reserve(rowBytes * photo.height);
    for (uint32_t y = photo.height; y-- > 0;) {
        const size_t start = rows.size();
        for (uint32_t x = 0; x < photo.width; ++x) {
            const uint32_t argb = photo.argb[size_t(y) * photo.width + x];
            rows.insert(rows.end(), {uint8_t(argb), uint8_t(argb >> 8), uint8_t(argb >> 16)});
        }
        rows.resize(start + rowBytes, 0);
    }
    return rows;
}

Bytes bitmapOf(const test_support::Photo& photo) {
    test_support::BitmapRecipe r;
    r.width = int32_t(photo.width);
    r.height = int32_t(photo.height);
    r.bitCount = 24;
    r.pixels = bottomUpRows(photo, (size_t(photo.width) * 3 + 3) & ~size_t(3));
    return test_support::makeBmp(r);
}

Bytes targaOf(const test_support::Photo& photo) {
    test_support::TargaRecipe r;
    r.imageType = 10; // run-length true colour
    r.width = uint16_t(photo.width);
    r.height = uint16_t(photo.height);
    r.pixelBits = 24;
    r.pixels = test_support::targaPackets(bottomUpRows(photo, size_t(photo.width) * 3), 3);
    return test_support::makeTga(r);
}

// The two files, or none when the photo is missing.
struct ContainerFiles {
    ContainerFiles() : ContainerFiles(photo640()) {}
    explicit ContainerFiles(const test_support::Photo& photo)
        : bitmap("bmp", photo.argb.empty() ? Bytes() : bitmapOf(photo)),
          targa("tga", photo.argb.empty() ? Bytes() : targaOf(photo)) {}

    static test_support::Photo photo640() {
        test_support::Photo photo;
        test_support::loadPhoto("photo-640x480-rgb.png", &photo);
        return photo;
    }

    bench::TemporaryFile bitmap;
    bench::TemporaryFile targa;
};

const ContainerFiles& files() {
    static const ContainerFiles made;
    return made;
}

void BM_LoadBmp(benchmark::State& state) {
    bench::loadAsTheGame(state, files().bitmap.path());
}
BENCHMARK(BM_LoadBmp)->Unit(benchmark::kMillisecond);

void BM_LoadTga(benchmark::State& state) {
    bench::loadAsTheGame(state, files().targa.path());
}
BENCHMARK(BM_LoadTga)->Unit(benchmark::kMillisecond);

// The same loads from the file's bytes in memory: the load without the file's mapping.
void loadFromMemory(benchmark::State& state, const std::vector<uint8_t>& file) {
    ComRef<IDirect3DDevice8> device;
    if (file.empty() || FAILED(platform_ext::createHeadlessDevice(64, 64, device.out()))) {
        state.SkipWithError("no picture or no device");
        return;
    }
    for (auto _ : state) {
        ComRef<IDirect3DTexture8> texture;
        if (FAILED(createTextureFromMemory(device.get(), file.data(), UINT(file.size()),
                                           0xFFFFFFFFu, 0xFFFFFFFFu, 0, 0, D3DFMT_A8R8G8B8,
                                           D3DPOOL_MANAGED, FilterNone, FilterDefault, 0xFFFF00FF,
                                           nullptr, nullptr, texture.out()))) {
            state.SkipWithError("the load failed");
            break;
        }
    }
}

void BM_LoadBmpFromMemory(benchmark::State& state) {
    loadFromMemory(state, files().bitmap.bytes());
}
BENCHMARK(BM_LoadBmpFromMemory)->Unit(benchmark::kMillisecond);

void BM_LoadTgaFromMemory(benchmark::State& state) {
    loadFromMemory(state, files().targa.bytes());
}
BENCHMARK(BM_LoadTgaFromMemory)->Unit(benchmark::kMillisecond);

// What the file's mapping alone costs such a load: opening and mapping the bitmap, reading one
// byte of every page (each page is faulted in, as the load's reads fault it) and unmapping.
void BM_MapBmpFile(benchmark::State& state) {
    const std::string path = files().bitmap.path();
    for (auto _ : state) {
        MappedFile file;
        if (FAILED(file.open(path.c_str()))) {
            state.SkipWithError("the bitmap cannot be mapped");
            break;
        }
        unsigned sum = 0;
        for (UINT at = 0; at < file.size; at += 4096)
            sum += file.view[at];
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_MapBmpFile)->Unit(benchmark::kMicrosecond);

// stb_image's decode of the same files into 32-bit pixels, for the record.
void stbDecode(benchmark::State& state, const std::vector<uint8_t>& file) {
    for (auto _ : state) {
        int width = 0, height = 0, channels = 0;
        stbi_uc* pixels = stbi_load_from_memory(file.data(), int(file.size()), &width, &height,
                                                &channels, 4);
        if (pixels == nullptr)
            state.SkipWithError("stb_image refused the file");
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
}

void BM_StbDecodeBmp(benchmark::State& state) {
    stbDecode(state, files().bitmap.bytes());
}
BENCHMARK(BM_StbDecodeBmp)->Unit(benchmark::kMillisecond);

void BM_StbDecodeTga(benchmark::State& state) {
    stbDecode(state, files().targa.bytes());
}
BENCHMARK(BM_StbDecodeTga)->Unit(benchmark::kMillisecond);

void BM_CreateTexture640(benchmark::State& state) {
    bench::createTextureAlone(state, 640, 480);
}
BENCHMARK(BM_CreateTexture640)->Unit(benchmark::kMillisecond);

} // namespace

std::vector<bench::Figure> bmpTgaLoadFigures() {
    return {
        {"load_bmp_peak_kib", [](const bench::RatioReporter&) {
             return bench::peakLoadKib(files().bitmap.path(), true);
         }},
        {"load_bmp_general_peak_kib", [](const bench::RatioReporter&) {
             return bench::peakLoadKib(files().bitmap.path(), false);
         }},
        {"load_tga_peak_kib", [](const bench::RatioReporter&) {
             return bench::peakLoadKib(files().targa.path(), true);
         }},
        {"load_tga_general_peak_kib", [](const bench::RatioReporter&) {
             return bench::peakLoadKib(files().targa.path(), false);
         }},
    };
}
