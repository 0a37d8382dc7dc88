// Loading the 640 x 480 benchmark photo as the game loads its pictures, written once as a
// 24-bit bottom-up bitmap and as a run-length 24-bit Targa (bottom-up, as most writers store
// it). Both are measured against copying a frame of 32-bit pixels (bench_load.cpp).
#include "bench/ratio_report.h"
#include "blit/com_ref.h"
#include "platform_ext.h"
#include "tests/support/container_files.h"
#include "tests/support/photos.h"
#include "texture/texture_loader.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

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

// The two files in the temporary folder for the length of the run; empty paths when the
// photo is missing.
class ContainerFiles {
public:
    ContainerFiles() {
        test_support::Photo photo;
        if (!test_support::loadPhoto("photo-640x480-rgb.png", &photo))
            return;
        const std::string stem = "bench_load_" + std::to_string(::getpid());
        bitmap_ = write(stem + ".bmp", bitmapOf(photo));
        targa_ = write(stem + ".tga", targaOf(photo));
    }
    ~ContainerFiles() {
        for (const std::filesystem::path& path : {bitmap_, targa_})
            if (!path.empty())
                std::filesystem::remove(path);
    }

    std::string bitmap() const { return bitmap_.string(); }
    std::string targa() const { return targa_.string(); }

private:
    static std::filesystem::path write(const std::string& name, const Bytes& bytes) {
        const std::filesystem::path path = std::filesystem::temp_directory_path() / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path;
    }

    std::filesystem::path bitmap_;
    std::filesystem::path targa_;
};

const ContainerFiles& files() {
    static const ContainerFiles made;
    return made;
}

// The game's request: the picture's own size, a full chain, A8R8G8B8 in the managed pool, no
// scaling, the default (box) mip filter, magenta keyed out.
void loadAsTheGame(benchmark::State& state, const std::string& path) {
    ComRef<IDirect3DDevice8> device;
    if (path.empty() || FAILED(platform_ext::createHeadlessDevice(64, 64, device.out()))) {
        state.SkipWithError("no photo or no device");
        return;
    }
    for (auto _ : state) {
        ComRef<IDirect3DTexture8> texture;
        const HRESULT hr =
            createTextureFromFile(device.get(), path.c_str(), 0xFFFFFFFFu, 0xFFFFFFFFu, 0, 0,
                                  D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, FilterNone, FilterDefault,
                                  0xFFFF00FF, nullptr, nullptr, texture.out());
        if (FAILED(hr))
            state.SkipWithError("the load failed");
    }
}

void BM_LoadBmp(benchmark::State& state) {
    loadAsTheGame(state, files().bitmap());
}
BENCHMARK(BM_LoadBmp)->Unit(benchmark::kMillisecond);

void BM_LoadTga(benchmark::State& state) {
    loadAsTheGame(state, files().targa());
}
BENCHMARK(BM_LoadTga)->Unit(benchmark::kMillisecond);

} // namespace
