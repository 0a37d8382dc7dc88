// A file of each container loaded with the game's request while the 1st, 2nd, ... allocation
// fails, malloc inside libpng and libjpeg included: every such load answers E_OUTOFMEMORY or
// InvalidData (a decoder's failure is reported as unreadable data), or copes and makes the very
// picture of the unfailed load (its lower levels may come from the blitter's next filter when
// the box filter cannot get its rows); none leaves memory behind.
#include "tests/support/allocation_sweep.h"
#include "tests/support/container_files.h"
#include "tests/texture/dds_maker.h"
#include "tests/texture/jpeg_maker.h"
#include "tests/texture/png_maker.h"

#include "blit/blit_surface.h"
#include "platform_ext.h"
#include "texture/png_fast_decode.h"
#include "texture/texture_loader.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

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

// 8-bit RGB with a tRNS key: the PNG fast path's common case, beside the paletted one.
Bytes rgbPngFile() {
    PngRecipe r;
    r.width = Width;
    r.height = Height;
    r.colorType = PNG_COLOR_TYPE_RGB;
    r.bitDepth = 8;
    r.rows = ramp(3 * Width * Height, 13);
    r.transparentRed = 5;
    r.transparentGreen = 18;
    r.transparentBlue = 31;
    return makePng(r);
}

// Three stored levels: the decoder chains a node for each.
Bytes ddsFile() {
    DdsRecipe r;
    r.width = Width;
    r.height = Height;
    r.mipCount = 3;
    r.flags |= 0x20000;
    r.caps |= 0x400008;
    r.pixel = ddsPixelWords(D3DFMT_A8R8G8B8);
    r.data = patternBytes(4 * (Width * Height + 6 * 3 + 3 * 1));
    return makeDds(r);
}

// The DX10 header: three levels of R8G8B8A8, each rewritten into a buffer of its own; and of
// BC5, which the device gets decoded.
Bytes dx10File(uint32_t dxgi, size_t dataBytes) {
    DdsRecipe r;
    r.width = Width;
    r.height = Height;
    r.mipCount = 3;
    r.pixel.flags = 0x4;
    r.pixel.code = MAKEFOURCC('D', 'X', '1', '0');
    r.data = Bytes(20, 0);
    writeWord(r.data, 0, dxgi);
    writeWord(r.data, 4, 3);
    writeWord(r.data, 12, 1);
    const Bytes pixels = patternBytes(dataBytes);
    r.data.insert(r.data.end(), pixels.begin(), pixels.end());
    return makeDds(r);
}
Bytes dx10RgbaFile() {
    return dx10File(28, 4 * (Width * Height + 6 * 3 + 3 * 1));
}
Bytes dx10Bc5File() {
    return dx10File(83, size_t(16) * ((Width + 3) / 4 * ((Height + 3) / 4) + 2 * 1 + 1));
}

Bytes jpegFile() {
    JpegRecipe r;
    r.width = Width;
    r.height = Height;
    r.samples = photoLikeSamples(Width, Height, 3);
    return makeJpeg(r);
}

// Level 0 must come out exactly; the lower levels are the derived part.
test_support::RunDigest levelsDigest(IDirect3DTexture8* texture) {
    test_support::RunDigest digest;
    for (UINT level = 0; level < texture->GetLevelCount(); ++level) {
        uint32_t hash = 2166136261u;
        D3DSURFACE_DESC desc = {};
        D3DLOCKED_RECT locked = {};
        texture->GetLevelDesc(level, &desc);
        EXPECT_EQ(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        const auto* bytes = static_cast<const uint8_t*>(locked.pBits);
        // Block formats store rows of 4 x 4 blocks.
        const bool blocks = isBlockCompressed(desc.Format);
        const UINT rows = blocks ? (desc.Height + 3) / 4 : desc.Height;
        const UINT rowBytes = blocks ? (desc.Width + 3) / 4 * blockBytes(desc.Format)
                                     : desc.Width * getFormatInfo(desc.Format).bitsPerPixel / 8;
        for (UINT y = 0; y < rows; ++y)
            for (UINT x = 0; x < rowBytes; ++x)
                hash = (hash ^ bytes[size_t(y) * locked.Pitch + x]) * 16777619u;
        texture->UnlockRect(level);
        if (level == 0)
            digest.exact = hash;
        else
            digest.derived = digest.derived * 31 + hash;
    }
    return digest;
}

struct Load {
    const char* name;
    Bytes (*make)();
    D3DFORMAT format; // the game asks for A8R8G8B8; the others convert into blocks
};

const Load loadTable[] = {
    {"bmp", [] { return bitmapFile(true); }, D3DFMT_A8R8G8B8},
    {"dib", [] { return bitmapFile(false); }, D3DFMT_A8R8G8B8},
    {"tga", targaFile, D3DFMT_A8R8G8B8},
    {"ppm", pixmapFile, D3DFMT_A8R8G8B8},
    {"png", pngFile, D3DFMT_A8R8G8B8},
    {"png_rgb", rgbPngFile, D3DFMT_A8R8G8B8},
    {"jpg", jpegFile, D3DFMT_A8R8G8B8},
    {"dds", ddsFile, D3DFMT_A8R8G8B8},
    {"png_to_dxt1", pngFile, D3DFMT_DXT1},
    {"png_to_dxt5", pngFile, D3DFMT_DXT5},
    {"dds10_rgba", dx10RgbaFile, D3DFMT_A8R8G8B8},
    {"dds10_bc5", dx10Bc5File, D3DFMT_UNKNOWN},
};
static_assert(std::size(loadTable) == 12);

class LoadAllocationSweep : public ::testing::TestWithParam<Load> {
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
                                       0xFFFFFFFF, 0, 0, GetParam().format, D3DPOOL_MANAGED,
                                       FilterNone, FilterDefault, 0xFFFF00FF, nullptr, nullptr,
                                       &texture);
    };
    load.inspectAndRelease = [&](HRESULT result) {
        if (FAILED(result)) {
            EXPECT_EQ(texture, nullptr);
            return test_support::RunDigest{};
        }
        const test_support::RunDigest digest = levelsDigest(texture);
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
    std::printf("; %ld coped, %ld of them through another filter\n", report.successesDespiteFailure,
                report.successesByOtherMeans);
}

INSTANTIATE_TEST_SUITE_P(Loads, LoadAllocationSweep, ::testing::ValuesIn(loadTable),
                         [](const auto& info) { return std::string(info.param.name); });

// A PNG decoded with its rows pending, then made into a texture whose blits make the rows.
TEST_F(LoadAllocationSweep, PendingPngRowsAnswerEveryFailedAllocation) {
    for (const Bytes& file : {pngFile(), rgbPngFile()}) {
        IDirect3DTexture8* texture = nullptr;
        test_support::SweptOperation load;
        load.run = [&] {
            ImageDecoder image;
            image.pendRows = true;
            const HRESULT hr = image.load(file.data(), UINT(file.size()), nullptr);
            if (FAILED(hr))
                return hr;
            return createTextureFromImage(device_, image, 0, 0, 0, 0, D3DFMT_DXT1,
                                          D3DPOOL_MANAGED, FilterNone, FilterDefault, 0xFFFF00FF,
                                          nullptr, &texture);
        };
        load.inspectAndRelease = [&](HRESULT result) {
            if (FAILED(result)) {
                EXPECT_EQ(texture, nullptr);
                return test_support::RunDigest{};
            }
            const test_support::RunDigest digest = levelsDigest(texture);
            texture->Release();
            texture = nullptr;
            return digest;
        };
        const test_support::SweepReport report = test_support::sweepAllocationFailures(load);
        EXPECT_GT(report.allocations, 0);
        for (const std::string& fault : report.faults)
            ADD_FAILURE() << "pending png: " << fault;
        for (const auto& [code, runs] : report.failedRunCodes)
            EXPECT_TRUE(code == E_OUTOFMEMORY || code == InvalidData) << std::hex << code;
    }
}

// The sweep covers the PNG fast path only if its files take it.
TEST(LoadAllocationSweepFiles, PngFilesTakeTheFastPath) {
    for (const Bytes& file : {pngFile(), rgbPngFile()}) {
        ImageDecoder image;
        ASSERT_EQ(image.decodePng(file.data(), UINT(file.size())), D3D_OK);
        EXPECT_EQ(lastPngDecodePath(), PngDecodePath::Fast);
    }
}

// The sweep itself must see the faults it is there for: memory left behind by a failed run,
// and a success that hides a failed allocation.
TEST(AllocationSweepHarness, ReportsALeakAndASuccessWithMissingData) {
    std::unique_ptr<uint8_t[]> kept;
    std::vector<std::unique_ptr<uint8_t[]>> forgotten;
    forgotten.reserve(4);
    test_support::SweptOperation leaky;
    leaky.run = [&] {
        kept.reset(new (std::nothrow) uint8_t[64]);
        auto* second = new (std::nothrow) uint8_t[64];
        if (second == nullptr) {
            forgotten.push_back(std::move(kept)); // the fault: the first block stays held
            return E_OUTOFMEMORY;
        }
        delete[] second;
        return kept ? S_OK : E_OUTOFMEMORY;
    };
    leaky.inspectAndRelease = [&](HRESULT) {
        kept.reset();
        return test_support::RunDigest{};
    };
    const test_support::SweepReport leaks = test_support::sweepAllocationFailures(leaky);
    EXPECT_EQ(leaks.allocations, 2);
    ASSERT_EQ(leaks.faults.size(), 1u);
    // Without a sanitizer the heap's count includes the C library's block header.
    long leaked = 0;
    ASSERT_EQ(std::sscanf(leaks.faults[0].c_str(), "allocation 2: %ld bytes left behind", &leaked),
              1)
        << leaks.faults[0];
    EXPECT_GE(leaked, 64);
    EXPECT_LE(leaked, 96);

    std::unique_ptr<uint8_t[]> made;
    test_support::SweptOperation silent;
    silent.run = [&] {
        made.reset(new (std::nothrow) uint8_t[4]());
        return S_OK; // the fault: no check of the allocation
    };
    silent.inspectAndRelease = [&](HRESULT) {
        test_support::RunDigest digest{made ? 1u : 0u, 0};
        made.reset();
        return digest;
    };
    const test_support::SweepReport silence = test_support::sweepAllocationFailures(silent);
    ASSERT_EQ(silence.faults.size(), 1u);
    EXPECT_EQ(silence.faults[0], "allocation 1: success 00000000 with different data");
}

} // namespace
