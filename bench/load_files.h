// What the load benchmarks share: a picture file written to the temporary folder for the
// length of the run, and the game's load of such a file.
#pragma once

#include "bench/peak_memory.h"
#include "blit/com_ref.h"
#include "platform_ext.h"
#include "texture/texture_loader.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace bench {

// The bytes of a file, written as bench_load_<process>.<extension> and removed at the end. An
// empty file is not written and has an empty path.
class TemporaryFile {
public:
    TemporaryFile(const std::string& extension, std::vector<uint8_t> bytes)
        : bytes_(std::move(bytes)) {
        if (bytes_.empty())
            return;
        path_ = std::filesystem::temp_directory_path() /
                ("bench_load_" + std::to_string(::getpid()) + "." + extension);
        std::ofstream(path_, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes_.data()), std::streamsize(bytes_.size()));
    }
    ~TemporaryFile() {
        if (!path_.empty())
            std::filesystem::remove(path_);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::vector<uint8_t>& bytes() const { return bytes_; }
    std::string path() const { return path_.string(); }

private:
    std::vector<uint8_t> bytes_;
    std::filesystem::path path_;
};

// The game's request: the picture's own size, a full chain, A8R8G8B8 in the managed pool, no
// scaling, the default (box) mip filter, magenta keyed out.
inline void loadAsTheGame(benchmark::State& state, const std::string& path) {
    ComRef<IDirect3DDevice8> device;
    if (path.empty() || FAILED(platform_ext::createHeadlessDevice(64, 64, device.out()))) {
        state.SkipWithError("no picture or no device");
        return;
    }
    for (auto _ : state) {
        ComRef<IDirect3DTexture8> texture;
        const HRESULT hr =
            createTextureFromFile(device.get(), path.c_str(), 0xFFFFFFFFu, 0xFFFFFFFFu, 0, 0,
                                  D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, FilterNone, FilterDefault,
                                  0xFFFF00FF, nullptr, nullptr, texture.out());
        if (FAILED(hr)) {
            state.SkipWithError("the load failed");
            break;
        }
    }
}

// The floor under such a load: making and releasing the texture it fills, with nothing decoded
// or written (the device clears a level's memory only when something first reaches it).
inline void createTextureAlone(benchmark::State& state, UINT width, UINT height) {
    ComRef<IDirect3DDevice8> device;
    if (FAILED(platform_ext::createHeadlessDevice(64, 64, device.out()))) {
        state.SkipWithError("no device");
        return;
    }
    for (auto _ : state) {
        ComRef<IDirect3DTexture8> texture;
        if (FAILED(device->CreateTexture(width, height, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                         texture.out()))) {
            state.SkipWithError("no texture");
            break;
        }
    }
}

// The heap bytes one such load holds at its peak, the texture included (the device's kept
// level memory is given back first, so the texture's levels are counted): by rows, or the
// general way. 0 when the load fails.
inline double peakLoadKib(const std::string& path, bool byRows) {
    ComRef<IDirect3DDevice8> device;
    if (path.empty() || FAILED(platform_ext::createHeadlessDevice(64, 64, device.out())))
        return 0;
    platform_ext::releaseKeptDeviceMemory();
    setRowFillEnabled(byRows);
    HRESULT hr = E_FAIL;
    const size_t bytes = peakHeapBytes([&] {
        ComRef<IDirect3DTexture8> texture;
        hr = createTextureFromFile(device.get(), path.c_str(), 0xFFFFFFFFu, 0xFFFFFFFFu, 0, 0,
                                   D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, FilterNone, FilterDefault,
                                   0xFFFF00FF, nullptr, nullptr, texture.out());
    });
    setRowFillEnabled(true);
    return SUCCEEDED(hr) ? double(bytes) / 1024.0 : 0.0;
}

} // namespace bench
