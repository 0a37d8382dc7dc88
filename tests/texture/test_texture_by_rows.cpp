// Textures filled by rows against the general fill: every container, every level format of the
// request table, odd sizes, larger and smaller levels than the picture, the BMP Suite and
// files that fail part-way give the same result code, ImageInfo and bytes in every level both
// ways, and the loads that should go by rows report that they did. The sink writes levels the
// device has not cleared: a fill that stops short leaves them as a new texture's, and no byte of
// a released texture shows through a loaded one.
#include "tests/support/container_files.h"
#include "tests/support/photos.h"
#include "tests/texture/dds_maker.h"
#include "tests/texture/jpeg_maker.h"
#include "tests/texture/png_maker.h"

#include "blit/blit_surface.h"
#include "blit/level_row_sink.h"
#include "blit/pixel_format.h"
#include "platform_ext.h"
#include "texture/texture_loader.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using test_support::Bytes;
using namespace platform_ext;

// What a load gave: its code, its ImageInfo and every level's bytes (format and size first).
struct Outcome {
    HRESULT result = E_FAIL;
    ImageInfo info = {};
    std::vector<Bytes> levels;
    LevelFill fill = LevelFill::General;
};

Bytes levelBytes(IDirect3DTexture8* texture, UINT level) {
    D3DSURFACE_DESC desc = {};
    texture->GetLevelDesc(level, &desc);
    Bytes bytes(12);
    std::memcpy(bytes.data(), &desc.Format, 4);
    std::memcpy(bytes.data() + 4, &desc.Width, 4);
    std::memcpy(bytes.data() + 8, &desc.Height, 4);
    const bool blocks = isBlockCompressed(desc.Format);
    const UINT rows = blocks ? (desc.Height + 3) / 4 : desc.Height;
    const UINT rowBytes = blocks ? (desc.Width + 3) / 4 * blockBytes(desc.Format)
                                 : desc.Width * getFormatInfo(desc.Format).bitsPerPixel / 8;
    D3DLOCKED_RECT locked = {};
    if (texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY) != D3D_OK)
        return bytes;
    const auto* bits = static_cast<const uint8_t*>(locked.pBits);
    for (UINT y = 0; y < rows; ++y)
        bytes.insert(bytes.end(), bits + size_t(y) * locked.Pitch,
                     bits + size_t(y) * locked.Pitch + rowBytes);
    texture->UnlockRect(level);
    return bytes;
}

struct Request {
    D3DFORMAT format = D3DFMT_A8R8G8B8;
    ImageFilter filter = FilterNone;
    ImageFilter mipFilter = FilterDefault;
    D3DCOLOR colorKey = 0xFFFF00FF;
    UINT mipLevels = 0;
    D3DPOOL pool = D3DPOOL_MANAGED;
    DWORD usage = 0;
};

class TextureByRows : public ::testing::Test {
protected:
    void TearDown() override {
        setRowFillEnabled(true);
        platform_ext::resetDeviceProfile();
    }

    Outcome load(const Bytes& file, const Request& request, bool byRows, uint32_t profile = 0) {
        platform_ext::setDeviceProfile(profile);
        IDirect3DDevice8* device = nullptr;
        Outcome outcome;
        EXPECT_EQ(platform_ext::createHeadlessDevice(64, 64, &device), D3D_OK);
        if (device == nullptr)
            return outcome;
        setRowFillEnabled(byRows);
        IDirect3DTexture8* texture = nullptr;
        PALETTEENTRY palette[256] = {};
        const bool paletted = request.format == D3DFMT_P8;
        outcome.result = createTextureFromMemory(
            device, file.data(), UINT(file.size()), 0xFFFFFFFF, 0xFFFFFFFF, request.mipLevels,
            request.usage, request.format, request.pool, request.filter, request.mipFilter,
            request.colorKey, &outcome.info, paletted ? palette : nullptr, &texture);
        outcome.fill = lastLevelFill();
        setRowFillEnabled(true);
        if (texture != nullptr) {
            for (UINT level = 0; level < texture->GetLevelCount(); ++level)
                outcome.levels.push_back(levelBytes(texture, level));
            if (paletted)
                outcome.levels.emplace_back(reinterpret_cast<uint8_t*>(palette),
                                            reinterpret_cast<uint8_t*>(palette + 256));
            texture->Release();
        }
        device->Release();
        return outcome;
    }

    // Loads both ways and compares; returns how the row-enabled load filled its levels.
    LevelFill expectSameBothWays(const Bytes& file, const Request& request,
                                 const std::string& what, uint32_t profile = 0) {
        const Outcome rows = load(file, request, true, profile);
        const Outcome general = load(file, request, false, profile);
        EXPECT_EQ(general.fill, LevelFill::General) << what;
        EXPECT_EQ(rows.result, general.result) << what;
        EXPECT_EQ(std::memcmp(&rows.info, &general.info, sizeof(ImageInfo)), 0) << what;
        EXPECT_EQ(rows.levels.size(), general.levels.size()) << what;
        for (size_t level = 0; level < std::min(rows.levels.size(), general.levels.size());
             ++level)
            EXPECT_TRUE(rows.levels[level] == general.levels[level])
                << what << ": level " << level << " differs";
        return rows.fill;
    }
};

Bytes ramp(size_t count, unsigned step, unsigned start = 5) {
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = uint8_t(i * step + start + (i * i) % 7);
    return bytes;
}

// Pixels of `bytes` each, with every fifth pixel magenta so that the key has work.
Bytes keyedPixels(uint32_t count, unsigned bytes) {
    Bytes pixels = ramp(size_t(count) * bytes, 13);
    for (uint32_t i = 0; i < count; i += 5) {
        uint8_t* p = pixels.data() + size_t(i) * bytes;
        if (bytes >= 3) {
            p[0] = 0xFF; // blue
            p[1] = 0x00;
            p[2] = 0xFF; // red
            if (bytes == 4)
                p[3] = 0xFF;
        }
    }
    return pixels;
}

Bytes paddedRows(const Bytes& pixels, uint32_t width, uint32_t height, unsigned bytes) {
    const size_t rowBytes = size_t(width) * bytes, stride = (rowBytes + 3) & ~size_t(3);
    Bytes rows(stride * height, 0);
    for (uint32_t y = 0; y < height; ++y)
        std::memcpy(rows.data() + y * stride, pixels.data() + y * rowBytes, rowBytes);
    return rows;
}

Bytes bitmap(uint32_t width, int32_t height, uint16_t bitCount) {
    test_support::BitmapRecipe r;
    r.width = int32_t(width);
    r.height = height;
    r.bitCount = bitCount;
    const uint32_t rows = uint32_t(height < 0 ? -height : height);
    if (bitCount <= 8) {
        r.colorTable = ramp(4 << bitCount, 11);
        const size_t stride = ((size_t(width) * bitCount + 7) / 8 + 3) & ~size_t(3);
        r.pixels = ramp(stride * rows, 7);
    } else {
        r.pixels = paddedRows(keyedPixels(width * rows, bitCount / 8), width, rows, bitCount / 8);
    }
    return test_support::makeBmp(r);
}

Bytes targa(uint32_t width, uint32_t height, uint8_t pixelBits, bool runLength,
            uint8_t descriptor) {
    test_support::TargaRecipe r;
    r.imageType = runLength ? 10 : 2;
    r.width = uint16_t(width);
    r.height = uint16_t(height);
    r.pixelBits = pixelBits;
    r.descriptor = descriptor;
    const unsigned bytes = pixelBits / 8;
    Bytes pixels = keyedPixels(width * height, bytes);
    // Runs of one pixel, so that repeat packets cross row ends.
    for (size_t i = 0; i + 2 * bytes < pixels.size(); i += 9 * bytes)
        std::memcpy(pixels.data() + i + bytes, pixels.data() + i, bytes);
    r.pixels = runLength ? test_support::targaPackets(pixels, bytes) : pixels;
    return test_support::makeTga(r);
}

Bytes pixmap(uint32_t width, uint32_t height, unsigned maximum) {
    const std::string header =
        "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n" +
        std::to_string(maximum) + "\n";
    Bytes file(header.begin(), header.end());
    Bytes samples = keyedPixels(width * height, 3);
    for (uint8_t& s : samples)
        s = uint8_t(s % (maximum + 1));
    file.insert(file.end(), samples.begin(), samples.end());
    return file;
}

Bytes pngPicture(uint32_t width, uint32_t height) {
    PngRecipe r;
    r.width = width;
    r.height = height;
    r.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    r.bitDepth = 8;
    r.rows = keyedPixels(width * height, 4);
    return makePng(r);
}

Bytes jpegPicture(uint32_t width, uint32_t height, int components) {
    JpegRecipe r;
    r.width = width;
    r.height = height;
    r.components = components;
    r.samples = photoLikeSamples(width, height, components);
    return makeJpeg(r);
}

struct Container {
    const char* name;
    Bytes file;
};

// Odd sizes, each row order and run-length form the decoders hand out by rows.
std::vector<Container> containerTable() {
    return {
        {"bmp24 bottom-up", bitmap(13, 7, 24)},
        {"bmp32 bottom-up", bitmap(9, 10, 32)},
        {"bmp32 top-down", bitmap(9, -10, 32)},
        {"bmp8", bitmap(13, 7, 8)},
        {"bmp4", bitmap(11, 6, 4)},
        {"bmp1", bitmap(21, 5, 1)},
        {"bmp16", bitmap(7, 9, 16)},
        {"tga24", targa(13, 7, 24, false, 0)},
        {"tga32 top-down", targa(13, 7, 32, false, 0x20)},
        {"tga24 right-to-left", targa(10, 6, 24, false, 0x10)},
        {"tga24 run-length", targa(13, 7, 24, true, 0)},
        {"tga32 run-length top-down", targa(6, 11, 32, true, 0x20)},
        {"tga16 run-length right-to-left", targa(9, 8, 16, true, 0x10)},
        {"ppm 255", pixmap(13, 7, 255)},
        {"ppm 15", pixmap(6, 5, 15)},
        {"png", pngPicture(13, 7)},
        {"jpeg colour", jpegPicture(19, 13, 3)},
        {"jpeg grey", jpegPicture(10, 17, 1)},
    };
}

// The formats a load may ask for, 0 (the loader's choice) included, and one that cannot be
// filled by rows.
const D3DFORMAT levelFormatTable[] = {
    D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5,   D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5,
    D3DFMT_A4R4G4B4, D3DFMT_R3G3B2,   D3DFMT_A8,       D3DFMT_L8,       D3DFMT_A8L8,
    D3DFMT_A4L4,     D3DFMT_A8R3G3B2, D3DFMT_X4R4G4B4, D3DFMT_P8,       D3DFMT_A2B10G10R10,
    D3DFMT_G16R16,   D3DFMT_R8G8B8,   D3DFMT_UNKNOWN,  D3DFMT_DXT1,
};

TEST_F(TextureByRows, EveryContainerAndLevelFormatGivesTheGeneralBytes) {
    for (const Container& container : containerTable()) {
        for (D3DFORMAT format : levelFormatTable) {
            Request request;
            request.format = format;
            const std::string what =
                std::string(container.name) + " into format " + std::to_string(format);
            const LevelFill fill = expectSameBothWays(container.file, request, what);
            if (format == D3DFMT_DXT1) {
                EXPECT_EQ(fill, LevelFill::General) << what;
            } else if (format == D3DFMT_A8R8G8B8) {
                EXPECT_EQ(fill, LevelFill::Rows) << what;
            }
        }
    }
}

// Larger levels (power-of-two device: blank rows and columns), smaller ones (cropped), and a
// level-0 filter or mip filter that the row fill only partly takes over.
TEST_F(TextureByRows, LevelSizesAndFiltersGiveTheGeneralBytes) {
    struct Case {
        const char* name;
        uint32_t profile;
        Request request;
        LevelFill expected;
    };
    Request keyless;
    keyless.colorKey = 0;
    Request dithered;
    dithered.format = D3DFMT_R5G6B5;
    dithered.filter = FilterNone | FilterDither;
    Request pointMips;
    pointMips.mipFilter = FilterPoint;
    Request triangleMips;
    triangleMips.mipFilter = FilterTriangle;
    Request scaled;
    scaled.filter = FilterTriangle;
    Request staged;
    staged.pool = D3DPOOL_DEFAULT;
    Request threeLevels;
    threeLevels.mipLevels = 3;
    const Case caseTable[] = {
        {"power-of-two levels", ProfilePow2, Request{}, LevelFill::Rows},
        {"square levels", ProfileSquare, Request{}, LevelFill::Rows},
        {"no key", 0, keyless, LevelFill::Rows},
        {"dithered 565", ProfilePow2, dithered, LevelFill::Rows},
        {"point mips", 0, pointMips, LevelFill::Rows},
        {"triangle mips", 0, triangleMips, LevelFill::Rows},
        {"no mips", ProfileNoMip, Request{}, LevelFill::Rows},
        {"three levels", 0, threeLevels, LevelFill::Rows},
        {"default pool", 0, staged, LevelFill::Rows},
        {"scaled into a power of two", ProfilePow2, scaled, LevelFill::General},
    };
    for (const Container& container : containerTable()) {
        for (const Case& c : caseTable) {
            const std::string what = std::string(container.name) + ", " + c.name;
            EXPECT_EQ(expectSameBothWays(container.file, c.request, what, c.profile), c.expected)
                << what;
        }
    }
}

// A picture larger than the device allows: the level holds its top-left corner.
TEST_F(TextureByRows, PictureLargerThanTheLevelIsCroppedAlike) {
    for (const Bytes& file : {bitmap(300, 270, 24), targa(270, 300, 32, true, 0),
                              jpegPicture(280, 260, 3)})
        EXPECT_EQ(expectSameBothWays(file, Request{}, "large picture", ProfileSmall),
                  LevelFill::Rows);
}

// Files whose trouble shows only part-way through the rows: the general way answers for them.
TEST_F(TextureByRows, FilesThatFailPartWayAnswerAsTheGeneralLoad) {
    Bytes cutTarga = targa(13, 7, 24, true, 0);
    cutTarga.resize(cutTarga.size() - 20);
    Bytes cutPixmap = pixmap(13, 7, 255);
    cutPixmap.resize(cutPixmap.size() - 1);
    Bytes cutBitmap = bitmap(13, 7, 24);
    cutBitmap.resize(cutBitmap.size() - 4);
    for (const Bytes& file : {cutTarga, cutPixmap, cutBitmap}) {
        const Outcome rows = load(file, Request{}, true);
        const Outcome general = load(file, Request{}, false);
        EXPECT_EQ(rows.result, general.result);
        EXPECT_EQ(rows.fill, LevelFill::General);
        EXPECT_TRUE(rows.levels == general.levels);
    }
    EXPECT_EQ(load(cutTarga, Request{}, true).result, InvalidData);
}

// The palette a caller asks for is written alike, and only when the load succeeds.
TEST_F(TextureByRows, CallersPaletteIsWrittenAlike) {
    for (const Bytes& file : {bitmap(13, 7, 8), bitmap(11, 6, 4)}) {
        Request request;
        request.format = D3DFMT_P8;
        EXPECT_EQ(expectSameBothWays(file, request, "paletted"), LevelFill::Rows);
    }
}

Bytes ddsFile(D3DFORMAT format, uint32_t width, uint32_t height, uint32_t levels) {
    DdsRecipe r;
    r.width = width;
    r.height = height;
    r.mipCount = levels;
    r.flags |= 0x20000;
    r.caps |= 0x400008;
    r.pixel = ddsPixelWords(format);
    uint64_t bytes = 0;
    for (uint32_t level = 0, w = width, h = height; level < levels;
         ++level, w = std::max(1u, w / 2), h = std::max(1u, h / 2)) {
        bytes += isBlockCompressed(format)
                     ? uint64_t((w + 3) / 4) * ((h + 3) / 4) * blockBytes(format)
                     : uint64_t(w) * h * getFormatInfo(format).bitsPerPixel / 8;
    }
    r.data = patternBytes(size_t(bytes));
    return makeDds(r);
}

// DDS levels in the texture's own format are copied as stored; a key or another format sends
// them the general way.
TEST_F(TextureByRows, DdsLevelsCopiedAsStoredGiveTheGeneralBytes) {
    struct Case {
        const char* name;
        Bytes file;
        D3DFORMAT format;
        D3DCOLOR key;
        LevelFill expected;
    };
    const Case caseTable[] = {
        {"dxt1 full chain", ddsFile(D3DFMT_DXT1, 16, 16, 5), D3DFMT_UNKNOWN, 0, LevelFill::Stored},
        // Block textures are made in whole blocks: a 16 x 8 level does not take 13 x 7 as stored.
        {"dxt1 odd size", ddsFile(D3DFMT_DXT1, 13, 7, 2), D3DFMT_DXT1, 0, LevelFill::General},
        {"dxt5 into argb", ddsFile(D3DFMT_DXT5, 16, 8, 5), D3DFMT_A8R8G8B8, 0, LevelFill::General},
        {"argb part chain", ddsFile(D3DFMT_A8R8G8B8, 13, 7, 2), D3DFMT_A8R8G8B8, 0,
         LevelFill::Stored},
        {"argb keyed", ddsFile(D3DFMT_A8R8G8B8, 13, 7, 2), D3DFMT_A8R8G8B8, 0xFFFF00FF,
         LevelFill::General},
        // One level goes by rows, as any single picture.
        {"565 one level", ddsFile(D3DFMT_R5G6B5, 9, 9, 1), D3DFMT_R5G6B5, 0, LevelFill::Rows},
    };
    for (const Case& c : caseTable) {
        Request request;
        request.format = c.format;
        request.colorKey = c.key;
        EXPECT_EQ(expectSameBothWays(c.file, request, c.name), c.expected) << c.name;
    }
}

// From a named file the same levels are read from the file into the level memory, not copied
// from the mapping: the bytes are those of the load from memory.
TEST_F(TextureByRows, DdsLevelsReadFromTheFileGiveTheBytesFromMemory) {
    IDirect3DDevice8* device = nullptr;
    ASSERT_EQ(platform_ext::createHeadlessDevice(64, 64, &device), D3D_OK);
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("test_texture_by_rows_" + std::to_string(::getpid()) + ".dds"))
                                 .string();
    struct Case {
        const char* name;
        Bytes file;
        D3DFORMAT format;
        LevelFill fromFile;
    };
    const Case caseTable[] = {
        {"dxt1 full chain", ddsFile(D3DFMT_DXT1, 64, 32, 7), D3DFMT_UNKNOWN,
         LevelFill::ReadAsStored},
        {"argb part chain", ddsFile(D3DFMT_A8R8G8B8, 13, 7, 2), D3DFMT_A8R8G8B8,
         LevelFill::ReadAsStored},
        // Rows padded in the level (3 x 3 bytes in 12) are copied row by row from the mapping.
        {"24-bit padded rows", ddsFile(D3DFMT_R8G8B8, 3, 5, 2), D3DFMT_R8G8B8, LevelFill::Stored},
    };
    for (const Case& c : caseTable) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(c.file.data()), std::streamsize(c.file.size()));
        IDirect3DTexture8* fromMemory = nullptr;
        IDirect3DTexture8* fromFile = nullptr;
        ASSERT_EQ(createTextureFromMemory(device, c.file.data(), UINT(c.file.size()), 0xFFFFFFFF,
                                          0xFFFFFFFF, 0, 0, c.format, D3DPOOL_SCRATCH,
                                          FilterNone, FilterDefault, 0, nullptr, nullptr,
                                          &fromMemory),
                  D3D_OK)
            << c.name;
        EXPECT_EQ(lastLevelFill(), LevelFill::Stored) << c.name;
        ASSERT_EQ(createTextureFromFile(device, path.c_str(), 0xFFFFFFFF, 0xFFFFFFFF, 0, 0,
                                        c.format, D3DPOOL_SCRATCH, FilterNone, FilterDefault, 0,
                                        nullptr, nullptr, &fromFile),
                  D3D_OK)
            << c.name;
        EXPECT_EQ(lastLevelFill(), c.fromFile) << c.name;
        ASSERT_EQ(fromFile->GetLevelCount(), fromMemory->GetLevelCount()) << c.name;
        for (UINT level = 0; level < fromFile->GetLevelCount(); ++level)
            EXPECT_TRUE(levelBytes(fromFile, level) == levelBytes(fromMemory, level))
                << c.name << ": level " << level;
        fromFile->Release();
        fromMemory->Release();
    }
    std::filesystem::remove(path);
    device->Release();
}

TEST_F(TextureByRows, BmpSuiteGivesTheGeneralBytes) {
    namespace fs = std::filesystem;
    const fs::path folder(test_support::testdataPath("bmpsuite"));
    if (!fs::exists(folder))
        GTEST_SKIP() << "no BMP Suite";
    int files = 0, byRows = 0;
    for (const char* group : {"g", "q", "b", "x"}) {
        for (const auto& entry : fs::directory_iterator(folder / group)) {
            if (entry.path().extension() != ".bmp")
                continue;
            const Bytes file = test_support::readFileBytes(entry.path().string());
            const std::string name = std::string(group) + "/" + entry.path().filename().string();
            ++files;
            byRows += expectSameBothWays(file, Request{}, name) == LevelFill::Rows;
        }
    }
    EXPECT_GT(files, 80);
    // Every readable bitmap of the good and questionable groups fills by rows.
    EXPECT_GT(byRows, files / 2) << byRows << " of " << files;
}

// A texture made where a released one lay, its levels filled with 0x5A first.
IDirect3DTexture8* textureOverOldPixels(IDirect3DDevice8* device, UINT width, UINT height,
                                        UINT levels, D3DFORMAT format, D3DPOOL pool) {
    platform_ext::releaseKeptDeviceMemory();
    IDirect3DTexture8* old = nullptr;
    EXPECT_EQ(device->CreateTexture(width, height, levels, 0, format, pool, &old), D3D_OK);
    if (old == nullptr)
        return nullptr;
    for (UINT level = 0; level < old->GetLevelCount(); ++level) {
        D3DSURFACE_DESC desc = {};
        D3DLOCKED_RECT locked = {};
        old->GetLevelDesc(level, &desc);
        EXPECT_EQ(old->LockRect(level, &locked, nullptr, 0), D3D_OK);
        std::memset(locked.pBits, 0x5A, desc.Size);
        old->UnlockRect(level);
    }
    old->Release();
    IDirect3DTexture8* texture = nullptr;
    EXPECT_EQ(device->CreateTexture(width, height, levels, 0, format, pool, &texture), D3D_OK);
    return texture;
}

bool levelIsZero(IDirect3DTexture8* texture, UINT level) {
    D3DSURFACE_DESC desc = {};
    D3DLOCKED_RECT locked = {};
    texture->GetLevelDesc(level, &desc);
    if (texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY) != D3D_OK)
        return false;
    const auto* bits = static_cast<const uint8_t*>(locked.pBits);
    const bool zero = std::all_of(bits, bits + desc.Size, [](uint8_t b) { return b == 0; });
    texture->UnlockRect(level);
    return zero;
}

// Half the rows put, then closed or dropped: every level the sink held reads as zeros, as the
// levels of a texture nobody wrote.
TEST_F(TextureByRows, ASinkThatStopsShortLeavesNewLevels) {
    IDirect3DDevice8* device = nullptr;
    ASSERT_EQ(platform_ext::createHeadlessDevice(64, 64, &device), D3D_OK);
    constexpr UINT Side = 256;
    const Bytes row(Side * 4, 0xC3);
    LevelRowSink::Source source;
    source.format = D3DFMT_A8R8G8B8;
    source.width = Side;
    source.height = Side;
    source.rowPitch = Side * 4;
    for (const bool closed : {true, false}) {
        IDirect3DTexture8* texture =
            textureOverOldPixels(device, Side, Side, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED);
        ASSERT_NE(texture, nullptr);
        {
            LevelRowSink sink;
            ASSERT_EQ(sink.open(texture, nullptr, source, FilterNone, FilterBox), D3D_OK);
            for (UINT y = 0; y < Side / 2; ++y)
                sink.putRow(row.data());
            if (closed) {
                EXPECT_EQ(sink.close(), E_FAIL);
            }
        }
        for (UINT level = 0; level < texture->GetLevelCount(); ++level)
            EXPECT_TRUE(levelIsZero(texture, level)) << "level " << level << ", closed " << closed;
        texture->Release();
    }
    device->Release();
}

// Loads into textures made where released ones lay: the loaded bytes, and zeros at the ends
// of rows, whether the levels were filled by rows, as stored or the general way.
TEST_F(TextureByRows, LoadedLevelsShowNoReleasedPixels) {
    IDirect3DDevice8* device = nullptr;
    ASSERT_EQ(platform_ext::createHeadlessDevice(64, 64, &device), D3D_OK);
    struct Case {
        const char* name;
        Bytes file;
        D3DFORMAT format;
        D3DPOOL pool;
        LevelFill expected;
    };
    // 255 pixels of 3 bytes leave 1 byte at the end of each 768-byte row.
    const Case caseTable[] = {
        {"24-bit rows into R8G8B8", bitmap(255, 100, 24), D3DFMT_R8G8B8, D3DPOOL_SCRATCH,
         LevelFill::Rows},
        {"dds as stored", ddsFile(D3DFMT_R8G8B8, 255, 100, 1), D3DFMT_R8G8B8, D3DPOOL_SCRATCH,
         LevelFill::Rows},
        {"dxt1 chain as stored", ddsFile(D3DFMT_DXT1, 512, 256, 10), D3DFMT_DXT1,
         D3DPOOL_MANAGED, LevelFill::Stored},
    };
    for (const Case& c : caseTable) {
        IDirect3DTexture8* probe = nullptr;
        ASSERT_EQ(createTextureFromMemory(device, c.file.data(), UINT(c.file.size()), 0xFFFFFFFF,
                                          0xFFFFFFFF, 0, 0, c.format, c.pool, FilterNone,
                                          FilterDefault, 0, nullptr, nullptr, &probe),
                  D3D_OK)
            << c.name;
        const UINT levels = probe->GetLevelCount();
        std::vector<Bytes> wanted;
        for (UINT level = 0; level < levels; ++level)
            wanted.push_back(levelBytes(probe, level));
        D3DSURFACE_DESC desc = {};
        probe->GetLevelDesc(0, &desc);
        probe->Release();

        // The same texture again, over released pixels.
        IDirect3DTexture8* old =
            textureOverOldPixels(device, desc.Width, desc.Height, levels, c.format, c.pool);
        ASSERT_NE(old, nullptr);
        old->Release();
        IDirect3DTexture8* texture = nullptr;
        ASSERT_EQ(createTextureFromMemory(device, c.file.data(), UINT(c.file.size()), 0xFFFFFFFF,
                                          0xFFFFFFFF, 0, 0, c.format, c.pool, FilterNone,
                                          FilterDefault, 0, nullptr, nullptr, &texture),
                  D3D_OK)
            << c.name;
        EXPECT_EQ(lastLevelFill(), c.expected) << c.name;
        for (UINT level = 0; level < levels; ++level) {
            EXPECT_TRUE(levelBytes(texture, level) == wanted[level])
                << c.name << ": level " << level;
            D3DSURFACE_DESC levelDesc = {};
            D3DLOCKED_RECT locked = {};
            texture->GetLevelDesc(level, &levelDesc);
            ASSERT_EQ(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
            const auto* bits = static_cast<const uint8_t*>(locked.pBits);
            const size_t rowBytes = isBlockCompressed(levelDesc.Format)
                                        ? size_t(locked.Pitch)
                                        : size_t(levelDesc.Width) *
                                              getFormatInfo(levelDesc.Format).bitsPerPixel / 8;
            for (size_t at = rowBytes; at < levelDesc.Size; at += size_t(locked.Pitch))
                for (size_t pad = at; pad < at - rowBytes + size_t(locked.Pitch); ++pad)
                    ASSERT_EQ(bits[pad], 0) << c.name << ": level " << level << " byte " << pad;
            texture->UnlockRect(level);
        }
        texture->Release();
    }
    device->Release();
}

} // namespace
