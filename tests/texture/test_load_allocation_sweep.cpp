// A file of each container loaded with the game's request while the 1st, 2nd, ... allocation
// fails, malloc inside libpng and libjpeg included: every such load answers E_OUTOFMEMORY or
// InvalidData (a decoder's failure is reported as unreadable data), or copes and makes the very
// texture the unfailed load makes; none leaves memory behind.
#include "tests/support/allocation_sweep.h"
#include "tests/support/container_files.h"
#include "tests/texture/jpeg_maker.h"
#include "tests/texture/png_maker.h"

#include "blit/blit_surface.h"
#include "platform_ext.h"
#include "texture/texture_loader.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <string>

namespace {

using test_support::Bytes;

Bytes ramp(size_t count, unsigned step) {
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = uint8_t(i * step + 5);
    return bytes;
}

// 13 x 7 pictures: not a power of two, so the loader also places the picture in a larger level.
constexpr uint32_t Width = 13;
constexpr uint32_t Height = 7;

Bytes bitmapFile(bool withFileHeader) {
    test_support::BitmapRecipe r;
    r.width = Width;
    r.height = Height;
    r.bitCount = 8;
    r.colorTable = ramp(1024, 7);
    r.pixels = ramp(16 * Height, 3);
    return withFileHeader ? test_support::makeBmp(r) : test_support::makeDib(r);
}

Bytes targaFile() {
    test_support::TargaRecipe r;
    r.imageType = 10;
    r.width = Width;
    r.height = Height;
    r.pixelBits = 32;
    r.pixels = test_support::targaPackets(ramp(4 * Width * Height, 1), 4);
    return test_support::makeTga(r);
}

Bytes pixmapFile() {
    const std::string header = "P6\n13 7\n255\n";
    Bytes file(header.begin(), header.end());
    const Bytes samples = ramp(3 * Width * Height, 11);
    file.insert(file.end(), samples.begin(), samples.end());
    return file;
}

Bytes pngFile() {
    PngRecipe r;
    r.width = Width;
    r.height = Height;
    r.colorType = PNG_COLOR_TYPE_PALETTE;
    r.bitDepth = 8;
    r.rows = ramp(Width * Height, 1);
    r.palette = ramp(3 * 256, 5);
    r.paletteAlpha = ramp(200, 9);
    return makePng(r);
}

Bytes jpegFile() {
    JpegRecipe r;
    r.width = Width;
    r.height = Height;
    r.samples = photoLikeSamples(Width, Height, 3);
    return makeJpeg(r);
}

uint32_t levelsDigest(IDirect3DTexture8* texture) {
    uint32_t hash = 2166136261u;
    for (UINT level = 0; level < texture->GetLevelCount(); ++level) {
        D3DSURFACE_DESC desc = {};
        D3DLOCKED_RECT locked = {};
        texture->GetLevelDesc(level, &desc);
        EXPECT_EQ(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        const auto* bytes = static_cast<const uint8_t*>(locked.pBits);
        for (UINT y = 0; y < desc.Height; ++y)
            for (UINT x = 0; x < desc.Width * 4; ++x)
                hash = (hash ^ bytes[size_t(y) * locked.Pitch + x]) * 16777619u;
        texture->UnlockRect(level);
    }
    return hash;
}

struct Container {
    const char* name;
    Bytes (*make)();
};

const Container containerTable[] = {
    {"bmp", [] { return bitmapFile(true); }},
    {"dib", [] { return bitmapFile(false); }},
    {"tga", targaFile},
    {"ppm", pixmapFile},
    {"png", pngFile},
    {"jpg", jpegFile},
};
static_assert(std::size(containerTable) == 6);

class LoadAllocationSweep : public ::testing::TestWithParam<Container> {
protected:
    void SetUp() override {
        ASSERT_EQ(platform_ext::createHeadlessDevice(64, 64, &device_), D3D_OK);
    }
    void TearDown() override {
        if (device_ != nullptr)
            device_->Release();
    }
    IDirect3DDevice8* device_ = nullptr;
};

TEST_P(LoadAllocationSweep, EveryFailedAllocationIsAnsweredAndLeavesNothingBehind) {
    const Bytes file = GetParam().make();
    IDirect3DTexture8* texture = nullptr;
    test_support::SweptOperation load;
    load.run = [&] {
        return createTextureFromMemory(device_, file.data(), UINT(file.size()), 0xFFFFFFFF,
                                       0xFFFFFFFF, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                       FilterNone, FilterDefault, 0xFFFF00FF, nullptr, nullptr,
                                       &texture);
    };
    load.inspectAndRelease = [&](HRESULT result) {
        if (FAILED(result)) {
            EXPECT_EQ(texture, nullptr);
            return 0u;
        }
        const uint32_t digest = levelsDigest(texture);
        texture->Release();
        texture = nullptr;
        return digest;
    };
    const test_support::SweepReport report = test_support::sweepAllocationFailures(load);

    EXPECT_GT(report.allocations, 0);
    for (const std::string& fault : report.faults)
        ADD_FAILURE() << GetParam().name << ": " << fault;
    std::printf("%s: %ld allocations;", GetParam().name, report.allocations);
    for (const auto& [code, runs] : report.failedRunCodes) {
        std::printf(" %08X x %ld", uint32_t(code), runs);
        EXPECT_TRUE(code == E_OUTOFMEMORY || code == InvalidData) << std::hex << code;
    }
    std::printf("; %ld coped\n", report.successesDespiteFailure);
}

INSTANTIATE_TEST_SUITE_P(Containers, LoadAllocationSweep, ::testing::ValuesIn(containerTable),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
