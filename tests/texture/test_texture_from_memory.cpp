// createTextureFromMemory and createTextureFromFile: the game's request on the software device,
// format and palette choices, failures that leave nothing behind, and arbitrary input bytes.
#include "texture/texture_loader.h"

#include "tests/platform/win32/temp_folder.h"
#include "tests/texture/process_resources.h"
#include "tests/texture/texture_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <unistd.h>

namespace {

using namespace texture_test;
using d3d8_test::DeviceTest;
using Bytes = std::vector<uint8_t>;

constexpr UINT Choose = 0xFFFFFFFFu;
constexpr D3DCOLOR GameKey = 0xFFFF00FF;

class TextureFromMemory : public DeviceTest {
protected:
    // The game's one request: image size, full chain, A8R8G8B8, managed, no scaling, box mips.
    HRESULT loadAsTheGameDoes(const Bytes& file, ImageInfo* info) {
        return createTextureFromMemory(device.get(), file.data(), UINT(file.size()), Choose, Choose,
                                       0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, FilterNone,
                                       FilterDefault, GameKey, info, nullptr, texture.out());
    }
    // Format 0 (let the loader choose) into the given pool, with the given key.
    HRESULT loadChoosingFormat(const Bytes& file, D3DPOOL pool, D3DCOLOR key,
                               PALETTEENTRY* palette = nullptr) {
        return createTextureFromMemory(device.get(), file.data(), UINT(file.size()), Choose, Choose,
                                       1, 0, D3DFMT_UNKNOWN, pool, FilterNone, FilterDefault, key,
                                       nullptr, palette, texture.out());
    }
    D3DFORMAT topFormat() {
        D3DSURFACE_DESC desc = {};
        EXPECT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
        return desc.Format;
    }

    Ref<IDirect3DTexture8> texture;
};

// The texel a picture pixel becomes: opaque, or transparent black for the key colour.
uint32_t keyedTexel(uint32_t rgb) {
    return rgb == Magenta ? 0u : 0xFF000000u | rgb;
}

void expectGamePicture(const LevelPixels& level, UINT width, UINT height) {
    int wrong = 0;
    for (UINT y = 0; y < level.height; ++y) {
        for (UINT x = 0; x < level.width; ++x) {
            const uint32_t want =
                x < width && y < height ? keyedTexel(blockColour(x / 2, y / 2)) : 0u;
            if (level.at(x, y) != want && ++wrong <= 3)
                ADD_FAILURE() << "(" << x << ", " << y << "): " << std::hex << level.at(x, y)
                              << " instead of " << want;
        }
    }
}

void expectInfo(const ImageInfo& info, UINT width, UINT height, D3DFORMAT format) {
    EXPECT_EQ(info.width, width);
    EXPECT_EQ(info.height, height);
    EXPECT_EQ(info.depth, 1u);
    EXPECT_EQ(info.mipLevels, 1u);
    EXPECT_EQ(info.format, PixelFormat(format));
    EXPECT_EQ(info.resourceType, D3DRTYPE_TEXTURE);
    EXPECT_EQ(info.imageFileFormat, Png);
}

TEST_F(TextureFromMemory, GamePictureKeepsItsSizeWithAFullBoxFilteredChain) {
    const Bytes file = blockPicture(64, 48);
    ImageInfo info = {};
    ASSERT_EQ(loadAsTheGameDoes(file, &info), D3D_OK);
    expectInfo(info, 64, 48, D3DFMT_X8R8G8B8);
    EXPECT_EQ(texture->GetLevelCount(), 7u);
    EXPECT_EQ(refCount(texture.get()), 1u);
    EXPECT_EQ(topFormat(), D3DFMT_A8R8G8B8);
    expectGamePicture(readLevel(texture.get(), 0, 4), 64, 48);

    // Each texel of level 1 averages one 2 x 2 block of a single colour.
    const LevelPixels level1 = readLevel(texture.get(), 1, 4);
    ASSERT_EQ(level1.width, 32u);
    ASSERT_EQ(level1.height, 24u);
    for (UINT y = 0; y < 24; ++y)
        for (UINT x = 0; x < 32; ++x)
            ASSERT_EQ(level1.at(x, y), keyedTexel(blockColour(x, y))) << x << ", " << y;
    const LevelPixels last = readLevel(texture.get(), 6, 4);
    EXPECT_EQ(last.width, 1u);
    EXPECT_EQ(last.height, 1u);
}

TEST_F(TextureFromMemory, PowerOfTwoDevicePadsWithTransparentBlack) {
    createDevice(platform_ext::ProfilePow2, 64, 64);
    const Bytes file = blockPicture(640, 480);
    ImageInfo info = {};
    ASSERT_EQ(loadAsTheGameDoes(file, &info), D3D_OK);
    expectInfo(info, 640, 480, D3DFMT_X8R8G8B8);
    EXPECT_EQ(texture->GetLevelCount(), 11u);
    const LevelPixels top = readLevel(texture.get(), 0, 4);
    ASSERT_EQ(top.width, 1024u);
    ASSERT_EQ(top.height, 512u);
    expectGamePicture(top, 640, 480);
}

TEST_F(TextureFromMemory, LevelCountFollowsTheDevice) {
    const Bytes file = blockPicture(40, 30);
    createDevice(platform_ext::ProfileNoMip, 64, 64);
    ASSERT_EQ(loadAsTheGameDoes(file, nullptr), D3D_OK);
    EXPECT_EQ(texture->GetLevelCount(), 1u);
    createDevice(platform_ext::ProfilePow2Cond, 64, 64);
    ASSERT_EQ(loadAsTheGameDoes(file, nullptr), D3D_OK);
    EXPECT_EQ(texture->GetLevelCount(), 1u);
    expectGamePicture(readLevel(texture.get(), 0, 4), 40, 30);
}

TEST_F(TextureFromMemory, KeyAddsAnAlphaChannelWhenTheLoaderChooses) {
    const Bytes rgb = blockPicture(4, 4);
    ASSERT_EQ(loadChoosingFormat(rgb, D3DPOOL_MANAGED, 0), D3D_OK);
    EXPECT_EQ(topFormat(), D3DFMT_X8R8G8B8);
    ASSERT_EQ(loadChoosingFormat(rgb, D3DPOOL_MANAGED, GameKey), D3D_OK);
    EXPECT_EQ(topFormat(), D3DFMT_A8R8G8B8);

    PngRecipe grey;
    grey.width = 2;
    grey.rows = {0x10, 0x20};
    const Bytes greyFile = makePng(grey);
    ASSERT_EQ(loadChoosingFormat(greyFile, D3DPOOL_MANAGED, 0), D3D_OK);
    EXPECT_EQ(topFormat(), D3DFMT_L8);
    ASSERT_EQ(loadChoosingFormat(greyFile, D3DPOOL_MANAGED, 0xFF101010), D3D_OK);
    EXPECT_EQ(topFormat(), D3DFMT_A8L8);
    const LevelPixels keyed = readLevel(texture.get(), 0, 2);
    EXPECT_EQ(keyed.at(0, 0), 0x0000u);
    EXPECT_EQ(keyed.at(1, 0), 0xFF20u);
}

TEST_F(TextureFromMemory, TwentyFourBitImagesStayOnlyInScratchMemory) {
    PngRecipe wide;
    wide.colorType = PNG_COLOR_TYPE_RGB;
    wide.bitDepth = 16;
    wide.rows = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC};
    const Bytes file = makePng(wide); // decodes as " R16", shown outside as R8G8B8
    ASSERT_EQ(loadChoosingFormat(file, D3DPOOL_MANAGED, 0), D3D_OK);
    EXPECT_EQ(topFormat(), D3DFMT_X8R8G8B8);
    EXPECT_EQ(readLevel(texture.get(), 0, 4).at(0, 0) & 0xFFFFFF, 0x12569Au); // X is unused
    ASSERT_EQ(loadChoosingFormat(file, D3DPOOL_SCRATCH, 0), D3D_OK);
    EXPECT_EQ(topFormat(), D3DFMT_R8G8B8);
    EXPECT_EQ(readLevel(texture.get(), 0, 3).at(0, 0), 0x12569Au);
}

// Four entries: black, magenta, grey, and a half-transparent red when `translucent`.
Bytes palettePicture(bool translucent) {
    PngRecipe r;
    r.width = 4;
    r.colorType = PNG_COLOR_TYPE_PALETTE;
    r.bitDepth = 8;
    r.rows = {0, 1, 2, 3};
    r.palette = {0, 0, 0, 0xFF, 0, 0xFF, 0x80, 0x80, 0x80, 0xFF, 0, 0};
    if (translucent)
        r.paletteAlpha = {0xFF, 0xFF, 0xFF, 0x80};
    return makePng(r);
}

TEST_F(TextureFromMemory, PaletteImagesBecomeTrueColourWithTheKeyInThePalette) {
    ASSERT_EQ(loadChoosingFormat(palettePicture(false), D3DPOOL_MANAGED, 0), D3D_OK);
    EXPECT_EQ(topFormat(), D3DFMT_X8R8G8B8);
    ASSERT_EQ(loadChoosingFormat(palettePicture(true), D3DPOOL_MANAGED, 0), D3D_OK);
    EXPECT_EQ(topFormat(), D3DFMT_A8R8G8B8);
    const LevelPixels translucent = readLevel(texture.get(), 0, 4);
    EXPECT_EQ(translucent.at(3, 0), 0x80FF0000u);

    // The keyed entry is cleared in the palette, so an opaque file needs alpha after all.
    PALETTEENTRY palette[256];
    std::memset(palette, 0xAB, sizeof(palette));
    ASSERT_EQ(loadChoosingFormat(palettePicture(false), D3DPOOL_MANAGED, GameKey, palette), D3D_OK);
    EXPECT_EQ(topFormat(), D3DFMT_A8R8G8B8); // the device has no paletted textures
    const LevelPixels keyed = readLevel(texture.get(), 0, 4);
    EXPECT_EQ(keyed.at(0, 0), 0xFF000000u);
    EXPECT_EQ(keyed.at(1, 0), 0x00000000u);
    EXPECT_EQ(keyed.at(2, 0), 0xFF808080u);
    EXPECT_EQ(keyed.at(3, 0), 0xFFFF0000u);
    // The caller's palette receives every entry, the keyed one cleared.
    EXPECT_EQ((std::array<int, 4>{palette[1].peRed, palette[1].peGreen, palette[1].peBlue,
                                  palette[1].peFlags}),
              (std::array<int, 4>{0, 0, 0, 0}));
    EXPECT_EQ(palette[3].peRed, 0xFF);
    EXPECT_EQ(palette[3].peFlags, 0xFF);
    EXPECT_EQ(palette[255].peGreen, 0xFF);
}

TEST_F(TextureFromMemory, PaletteWithoutAKeyedEntryStaysOpaque) {
    ASSERT_EQ(loadChoosingFormat(palettePicture(false), D3DPOOL_MANAGED, 0xFF123456), D3D_OK);
    EXPECT_EQ(topFormat(), D3DFMT_X8R8G8B8);
    EXPECT_EQ(readLevel(texture.get(), 0, 4).at(1, 0) & 0xFFFFFF, 0xFF00FFu);
}

TEST_F(TextureFromMemory, DefaultPoolIsFilledThroughStaging) {
    const Bytes file = blockPicture(16, 8);
    for (DWORD usage : {DWORD(0), DWORD(D3DUSAGE_DYNAMIC)}) {
        ASSERT_EQ(createTextureFromMemory(device.get(), file.data(), UINT(file.size()), Choose,
                                          Choose, 0, usage, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                          FilterNone, FilterDefault, GameKey, nullptr, nullptr,
                                          texture.out()),
                  D3D_OK);
        D3DSURFACE_DESC desc = {};
        ASSERT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
        EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);
        EXPECT_EQ(desc.Usage, usage);
        expectGamePicture(readLevel(texture.get(), 0, 4), 16, 8);
        EXPECT_EQ(readLevel(texture.get(), 1, 4).at(3, 2), keyedTexel(blockColour(3, 2)));
    }
    createDevice(platform_ext::ProfileNoDynamic, 64, 64);
    EXPECT_EQ(createTextureFromMemory(device.get(), file.data(), UINT(file.size()), Choose, Choose,
                                      0, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                      FilterNone, FilterDefault, 0, nullptr, nullptr,
                                      texture.out()),
              D3DERR_NOTAVAILABLE);
}

TEST_F(TextureFromMemory, ScalesToARequestedSize) {
    const Bytes file = blockPicture(8, 8);
    ASSERT_EQ(createTextureFromMemory(device.get(), file.data(), UINT(file.size()), 4, 4, 1, 0,
                                      D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, FilterPoint, FilterDefault,
                                      0, nullptr, nullptr, texture.out()),
              D3D_OK);
    const LevelPixels level = readLevel(texture.get(), 0, 4);
    ASSERT_EQ(level.width, 4u);
    for (UINT y = 0; y < 4; ++y)
        for (UINT x = 0; x < 4; ++x)
            EXPECT_EQ(level.at(x, y), 0xFF000000u | blockColour(x, y)) << x << ", " << y;
}

TEST_F(TextureFromMemory, BadArgumentsAreInvalidCalls) {
    const Bytes file = blockPicture(4, 4);
    IDirect3DTexture8* untouched = reinterpret_cast<IDirect3DTexture8*>(0x1234);
    auto load = [&](IDirect3DDevice8* d, const void* data, UINT size, IDirect3DTexture8** out) {
        return createTextureFromMemory(d, data, size, Choose, Choose, 0, 0, D3DFMT_A8R8G8B8,
                                       D3DPOOL_MANAGED, FilterNone, FilterDefault, GameKey, nullptr,
                                       nullptr, out);
    };
    EXPECT_EQ(load(nullptr, file.data(), UINT(file.size()), &untouched), D3DERR_INVALIDCALL);
    EXPECT_EQ(load(device.get(), nullptr, 10, &untouched), D3DERR_INVALIDCALL);
    EXPECT_EQ(load(device.get(), file.data(), 0, &untouched), D3DERR_INVALIDCALL);
    EXPECT_EQ(load(device.get(), file.data(), UINT(file.size()), nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(untouched, reinterpret_cast<IDirect3DTexture8*>(0x1234));
}

TEST_F(TextureFromMemory, FailureAfterDecodingKeepsTheInfoAndLeaksNothing) {
    const Bytes file = blockPicture(6, 4);
    const ULONG deviceReferences = refCount(device.get());
    ImageInfo info = {};
    IDirect3DTexture8* untouched = nullptr;
    EXPECT_EQ(createTextureFromMemory(device.get(), file.data(), UINT(file.size()), Choose, Choose,
                                      0, D3DUSAGE_SOFTWAREPROCESSING, D3DFMT_A8R8G8B8,
                                      D3DPOOL_MANAGED, FilterNone, FilterDefault, 0, &info, nullptr,
                                      &untouched),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(info.width, 6u);
    EXPECT_EQ(untouched, nullptr);
    // A filter word the surface load refuses fails after the texture exists.
    EXPECT_EQ(createTextureFromMemory(device.get(), file.data(), UINT(file.size()), Choose, Choose,
                                      0, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, 0x77, FilterDefault,
                                      0, nullptr, nullptr, &untouched),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(untouched, nullptr);
    EXPECT_EQ(refCount(device.get()), deviceReferences) << "a texture was left alive";
}

TEST_F(TextureFromMemory, UnrecognisedBytesAreInvalidData) {
    const Bytes text(100, 'a');
    Bytes truncated = blockPicture(8, 8);
    truncated.resize(truncated.size() - 30);
    for (const Bytes& data : {text, truncated})
        EXPECT_EQ(loadAsTheGameDoes(data, nullptr), InvalidData);
}

// Random bytes changed in small pictures, many times over: every answer is a result code, and
// the sanitizer build catches any read outside the data. Half the rounds repair the chunk CRCs
// so that the changes reach the header and the compressed pixels.
TEST_F(TextureFromMemory, MutatedFilesGiveResultCodes) {
    const Bytes pictures[] = {palettePicture(true), blockPicture(6, 5)};
    std::mt19937 random(20240601);
    int accepted = 0;
    for (int round = 0; round < 4000; ++round) {
        Bytes data = pictures[round % 2];
        const int changes = 1 + int(random() % 4);
        for (int i = 0; i < changes; ++i)
            data[random() % data.size()] = uint8_t(random());
        if (round % 7 == 0)
            data.resize(1 + random() % data.size());
        if (round % 4 < 2)
            fixChunkCrcs(data);
        const HRESULT hr = loadAsTheGameDoes(data, nullptr);
        if (SUCCEEDED(hr))
            ++accepted;
        else
            EXPECT_EQ(hr, InvalidData);
    }
    EXPECT_GT(accepted, 0);
}

// The same requests through a named file, in a fresh folder that is the current directory.
class TextureFromFile : public TextureFromMemory {
protected:
    void SetUp() override {
        TextureFromMemory::SetUp();
        ASSERT_TRUE(current_.enter());
        folder_ = current_.path();
    }
    void TearDown() override {
        current_.leave();
        TextureFromMemory::TearDown();
    }
    HRESULT load(const char* name, ImageInfo* info = nullptr) {
        return createTextureFromFile(device.get(), name, Choose, Choose, 0, 0, D3DFMT_A8R8G8B8,
                                     D3DPOOL_MANAGED, FilterNone, FilterDefault, GameKey, info,
                                     nullptr, texture.out());
    }
    static void writeFile(const char* name, const Bytes& bytes) {
        std::ofstream(name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }

    std::filesystem::path folder_;

private:
    CurrentTempFolder current_;
};

TEST_F(TextureFromFile, LoadsThroughTheMapping) {
    const Bytes file = blockPicture(10, 6);
    writeFile("fond.png", file);
    ImageInfo info = {};
    ASSERT_EQ(load("fond.png", &info), D3D_OK);
    expectInfo(info, 10, 6, D3DFMT_X8R8G8B8);
    expectGamePicture(readLevel(texture.get(), 0, 4), 10, 6);
}

TEST_F(TextureFromFile, EmptyMissingAndUnknownFilesAreInvalidDataAndReleased) {
    writeFile("empty.png", {});
    writeFile("notes.png", Bytes(50, 'n'));
    writeFile("good.png", blockPicture(4, 4));
    const ProcessResources before = ProcessResources::now(folder_.string());
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(load("empty.png"), InvalidData);
        EXPECT_EQ(load("missing.png"), InvalidData);
        EXPECT_EQ(load("notes.png"), InvalidData);
        ASSERT_EQ(load("good.png"), D3D_OK);
        texture.reset();
    }
    EXPECT_EQ(ProcessResources::now(folder_.string()), before);
    EXPECT_EQ(load(nullptr), D3DERR_INVALIDCALL);
}

} // namespace
