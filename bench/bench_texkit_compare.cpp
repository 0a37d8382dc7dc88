// texkit compare of two 1024 x 1024 DXT5 files with full chains (the RGBA photograph through the
// toolkit, once with the box mip filter and once with the triangle filter) against loading the
// same two files as the game does: decoding dominates both, so the comparison itself should
// cost little beyond the loads.
#include "bench/ratio_report.h"
#include "blit/com_ref.h"
#include "platform_ext.h"
#include "tests/support/photos.h"
#include "texture/texture_loader.h"
#include "tools/texkit/dds_writer.h"
#include "tools/texkit/texture_difference.h"

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

// The two files, written to the temporary folder for the length of the run.
class ComparedFiles {
public:
    ComparedFiles() {
        const std::string photo = test_support::testdataPath("photos/photo-1024-rgba.png");
        const std::string stem = (std::filesystem::temp_directory_path() /
                                  ("bench_texkit_compare_" + std::to_string(::getpid())))
                                     .string();
        ComRef<IDirect3DDevice8> device;
        if (FAILED(platform_ext::createHeadlessDevice(64, 64, device.out())))
            return;
        const ImageFilter mipFilters[2] = {FilterBox, FilterTriangle};
        for (int i = 0; i < 2; ++i) {
            ComRef<IDirect3DTexture8> texture;
            const std::string path = stem + (i == 0 ? "_box.dds" : "_triangle.dds");
            if (FAILED(createTextureFromFile(device.get(), photo.c_str(), 0, 0, 0, 0,
                                             D3DFMT_DXT5, D3DPOOL_MANAGED, FilterNone,
                                             mipFilters[i], 0, nullptr, nullptr,
                                             texture.out())) ||
                FAILED(writeDdsFile(texture.get(), nullptr, path)))
                return;
            paths_[i] = path;
        }
    }
    ~ComparedFiles() {
        for (const std::string& path : paths_)
            if (!path.empty())
                std::filesystem::remove(path);
    }
    ComparedFiles(const ComparedFiles&) = delete;
    ComparedFiles& operator=(const ComparedFiles&) = delete;

    bool made() const { return !paths_[0].empty() && !paths_[1].empty(); }
    const std::string& path(int i) const { return paths_[i]; }

private:
    std::string paths_[2];
};

const ComparedFiles& files() {
    static const ComparedFiles made;
    return made;
}

// The game's request (texkit info without options): A8R8G8B8, the file's chain, magenta keyed.
void BM_LoadBoth(benchmark::State& state) {
    ComRef<IDirect3DDevice8> device;
    if (!files().made() || FAILED(platform_ext::createHeadlessDevice(64, 64, device.out()))) {
        state.SkipWithError("no files or no device");
        return;
    }
    for (auto _ : state) {
        for (int i = 0; i < 2; ++i) {
            ComRef<IDirect3DTexture8> texture;
            const HRESULT hr = createTextureFromFile(
                device.get(), files().path(i).c_str(), 0xFFFFFFFFu, 0xFFFFFFFFu, 0, 0,
                D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, FilterNone, FilterDefault, 0xFFFF00FF, nullptr,
                nullptr, texture.out());
            if (FAILED(hr)) {
                state.SkipWithError("load failed");
                return;
            }
        }
    }
}
BENCHMARK(BM_LoadBoth)->Unit(benchmark::kMillisecond);

// What texkit compare does but print: both files decoded, every level compared, the total.
void BM_CompareBoth(benchmark::State& state) {
    if (!files().made()) {
        state.SkipWithError("no files");
        return;
    }
    for (auto _ : state) {
        DecodedTexture first, second;
        std::string reason;
        if (FAILED(decodeTextureFile(files().path(0), &first, &reason)) ||
            FAILED(decodeTextureFile(files().path(1), &second, &reason))) {
            state.SkipWithError("decode failed");
            return;
        }
        const std::vector<UINT> levels = comparableLevels(first, second, nullptr, &reason);
        std::vector<LevelDifference> differences;
        for (const UINT level : levels)
            differences.push_back(compareLevel(first, second, level, false));
        benchmark::DoNotOptimize(totalOf(differences).rgbSquares);
    }
}
BENCHMARK(BM_CompareBoth)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    files(); // made (two DXT5 encodings) before anything is measured or counted
    return bench::runWithRatios(argc, argv, {{"compare_vs_load", "BM_CompareBoth", "BM_LoadBoth"}});
}
