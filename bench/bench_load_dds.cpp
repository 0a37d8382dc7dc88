// Loading a DDS file: a 1024 x 1024 DXT1 file with its full mip chain into a DXT1 texture with
// no colour key, so that every level is a raw block copy, against a memcpy of the file's data.
#include "bench/load_files.h"
#include "texture/dds_format_table.h"
#include "texture/texture_loader.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr uint32_t Size = 1024;
constexpr uint32_t Levels = 11;

void putWord(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = uint8_t(value >> (8 * i));
}

// Any eight bytes are a valid DXT1 block, so random bytes make a file without an encoder.
std::vector<uint8_t> dxt1File() {
    std::vector<uint8_t> file(DdsHeaderBytes, 0);
    putWord(file, 0, DdsMagic);
    putWord(file, DdsSizeOffset, DdsDescriptionBytes);
    putWord(file, DdsFlagsOffset,
            DdsFlagCaps | DdsFlagHeight | DdsFlagWidth | DdsFlagPixelFormat | DdsFlagMipCount |
                DdsFlagLinearSize);
    putWord(file, DdsHeightOffset, Size);
    putWord(file, DdsWidthOffset, Size);
    putWord(file, DdsPitchOffset, Size / 4 * Size / 4 * 8);
    putWord(file, DdsMipCountOffset, Levels);
    putWord(file, DdsPixelFormatOffset, DdsPixelFormatBytes);
    putWord(file, DdsPixelFormatOffset + 4, DdsPixelFourCC);
    putWord(file, DdsPixelFormatOffset + 8, D3DFMT_DXT1);
    putWord(file, DdsCapsOffset, DdsCapsTexture | DdsCapsComplex | DdsCapsMipMap);
    uint64_t dataBytes = 0;
    for (uint32_t level = 0, size = Size; level<Levels; ++level, size = size> 1 ? size / 2 : 1)
        dataBytes += ddsLevelBytes(D3DFMT_DXT1, size, size, 1).level;
    std::mt19937 random(1024);
    for (uint64_t i = 0; i < dataBytes; ++i)
        file.push_back(uint8_t(random()));
    return file;
}

const bench::TemporaryFile& ddsFile() {
    static const bench::TemporaryFile file("dds", dxt1File());
    return file;
}

void BM_LoadDds(benchmark::State& state) {
    ComRef<IDirect3DDevice8> device;
    if (FAILED(platform_ext::createHeadlessDevice(64, 64, device.out()))) {
        state.SkipWithError("no device");
        return;
    }
    const std::string path = ddsFile().path();
    for (auto _ : state) {
        ComRef<IDirect3DTexture8> texture;
        const HRESULT hr = createTextureFromFile(
            device.get(), path.c_str(), 0xFFFFFFFFu, 0xFFFFFFFFu, 0, 0, D3DFMT_DXT1,
            D3DPOOL_MANAGED, FilterNone, FilterDefault, 0, nullptr, nullptr, texture.out());
        if (FAILED(hr) || texture->GetLevelCount() != Levels) {
            state.SkipWithError("the load failed");
            break;
        }
    }
}
BENCHMARK(BM_LoadDds)->Unit(benchmark::kMicrosecond);

void BM_CopyDdsData(benchmark::State& state) {
    const std::vector<uint8_t>& file = ddsFile().bytes();
    const size_t dataBytes = file.size() - DdsHeaderBytes;
    std::vector<uint8_t> to(dataBytes);
    for (auto _ : state) {
        std::memcpy(to.data(), file.data() + DdsHeaderBytes, dataBytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CopyDdsData)->Unit(benchmark::kMicrosecond);

} // namespace
