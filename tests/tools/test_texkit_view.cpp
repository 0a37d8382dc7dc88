// texkit compare, sheet, assemble and info --json run as programs on pictures made here: exact
// PSNR figures and heat-map pixels, the sheet's layout, pixels and labels, cube maps and
// volumes written byte by byte and read back, every refusal, and the JSON object of info.
#include "blit/com_ref.h"
#include "blit/surface_load.h"
#include "platform_ext.h"
#include "tests/platform/win32/temp_folder.h"
#include "tests/support/json_reader.h"
#include "tests/support/photos.h"
#include "tests/texture/dds_maker.h"
#include "tests/texture/png_maker.h"
#include "tests/tools/png_reader.h"
#include "tests/tools/program_run.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <map>
#include <sstream>

namespace {

using Bytes = std::vector<uint8_t>;
using Words = std::vector<uint32_t>;

// A level of ARGB words.
struct Level {
    uint32_t width;
    uint32_t height;
    Words argb;
};

// A picture whose pixels all differ from their neighbours, opaque unless `alpha` says.
Level patternLevel(uint32_t width, uint32_t height, uint32_t seed, uint8_t alpha = 0xFF) {
    Level level = {width, height, {}};
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            level.argb.push_back(uint32_t(alpha) << 24 | (x * 29 + seed) % 256 << 16 |
                                 (y * 53 + seed * 7) % 256 << 8 | (x * y + seed * 3) % 256);
    return level;
}

Level filledLevel(uint32_t width, uint32_t height, uint32_t argb) {
    return {width, height, Words(size_t(width) * height, argb)};
}

// The key=value fields of the output line that starts with `start`.
std::map<std::string, std::string> fieldsOf(const std::string& out, const std::string& start) {
    std::map<std::string, std::string> fields;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(start, 0) != 0)
            continue;
        std::istringstream words(line);
        for (std::string word; words >> word;) {
            const size_t equals = word.find('=');
            if (equals != std::string::npos)
                fields[word.substr(0, equals)] = word.substr(equals + 1);
        }
    }
    return fields;
}

std::string decibels(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

class TexkitView : public InTempFolder {
protected:
    ProgramRun run(const std::string& arguments) {
        return runCommand(std::string(TEXKIT_PROGRAM) + " " + arguments);
    }

    void writePng(const std::string& name, const Level& level) {
        PngRecipe r;
        r.width = level.width;
        r.height = level.height;
        r.colorType = PNG_COLOR_TYPE_RGBA;
        for (const uint32_t p : level.argb)
            r.rows.insert(r.rows.end(),
                          {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), uint8_t(p >> 24)});
        const Bytes file = makePng(r);
        writeHostFile(name, std::string(file.begin(), file.end()));
    }

    // An A8R8G8B8 DDS file of the given levels, one face.
    void writeDds(const std::string& name, const std::vector<Level>& levels) {
        DdsRecipe r;
        r.flags = 0x21007;
        r.width = levels[0].width;
        r.height = levels[0].height;
        r.mipCount = uint32_t(levels.size());
        r.pixel = ddsPixelWords(D3DFMT_A8R8G8B8);
        for (const Level& level : levels)
            for (const uint32_t p : level.argb)
                r.data.insert(r.data.end(),
                              {uint8_t(p), uint8_t(p >> 8), uint8_t(p >> 16), uint8_t(p >> 24)});
        const Bytes file = makeDds(r);
        writeHostFile(name, std::string(file.begin(), file.end()));
    }

    Bytes readBytes(const std::string& name) {
        const std::string text = readHostFile(name);
        return Bytes(text.begin(), text.end());
    }

    PngImage readSheet(const std::string& name) {
        PngImage image;
        EXPECT_TRUE(readPng(name, image)) << name;
        return image;
    }
};

// ---- compare ---------------------------------------------------------------------------------

TEST_F(TexkitView, IdenticalPicturesGiveInfinitePsnrAndNoError) {
    const Level picture = patternLevel(8, 8, 1, 0x80);
    writePng("a.png", picture);
    writeDds("a.dds", {picture});
    const ProgramRun r = run("compare a.png a.dds");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "level=0 size=8x8 rgb_psnr=inf alpha_psnr=inf max_error=0 differing=0\n"
                     "chain levels=1 pixels=64 rgb_psnr=inf alpha_psnr=inf max_error=0 "
                     "differing=0\n");
}

TEST_F(TexkitView, OneChangedPixelGivesTheExactPsnr) {
    const Level picture = patternLevel(8, 8, 2);
    Level green = picture, alpha = picture;
    green.argb[19] += 10 << 8;    // green of one pixel up by 10
    alpha.argb[40] -= 10u << 24;  // alpha of one pixel down by 10
    writePng("a.png", picture);
    writePng("green.png", green);
    writePng("alpha.png", alpha);
    // 100 over 3 x 64 samples, and over 64 alpha samples.
    const std::string rgb = decibels(10 * std::log10(255.0 * 255.0 * 192 / 100));
    const std::string a = decibels(10 * std::log10(255.0 * 255.0 * 64 / 100));

    ProgramRun r = run("compare a.png green.png");
    ASSERT_EQ(r.status, 0) << r.err;
    auto fields = fieldsOf(r.out, "level=0");
    EXPECT_EQ(fields["rgb_psnr"], rgb);
    EXPECT_EQ(fields["alpha_psnr"], "inf");
    EXPECT_EQ(fields["max_error"], "10");
    EXPECT_EQ(fields["differing"], "1");

    r = run("compare a.png alpha.png");
    ASSERT_EQ(r.status, 0) << r.err;
    fields = fieldsOf(r.out, "level=0");
    EXPECT_EQ(fields["rgb_psnr"], "inf");
    EXPECT_EQ(fields["alpha_psnr"], a);
    EXPECT_EQ(fields["max_error"], "10");
}

TEST_F(TexkitView, ComparesChainsLevelByLevelAndPoolsThemInTheLastLine) {
    const std::vector<Level> chain = {patternLevel(8, 4, 3), patternLevel(4, 2, 4),
                                      patternLevel(2, 1, 5), patternLevel(1, 1, 6)};
    std::vector<Level> changed = chain;
    changed[2].argb[1] ^= 0x00000020; // blue of one level-2 pixel off by 32
    writeDds("a.dds", chain);
    writeDds("b.dds", changed);
    writePng("top.png", chain[0]);
    ProgramRun r = run("compare a.dds b.dds");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(fieldsOf(r.out, "level=1")["size"], "4x2");
    EXPECT_EQ(fieldsOf(r.out, "level=1")["rgb_psnr"], "inf");
    EXPECT_EQ(fieldsOf(r.out, "level=2")["rgb_psnr"],
              decibels(10 * std::log10(255.0 * 255.0 * 6 / (32 * 32))));
    EXPECT_EQ(fieldsOf(r.out, "level=3")["differing"], "0");
    auto chainFields = fieldsOf(r.out, "chain");
    EXPECT_EQ(chainFields["levels"], "4");
    EXPECT_EQ(chainFields["pixels"], "43");
    EXPECT_EQ(chainFields["rgb_psnr"], decibels(10 * std::log10(255.0 * 255.0 * 129 / 1024)));
    EXPECT_EQ(chainFields["max_error"], "32");

    // A single picture against a chain: level 0 only.
    r = run("compare top.png b.dds");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(fieldsOf(r.out, "chain")["levels"], "1");
    EXPECT_EQ(fieldsOf(r.out, "level=0")["differing"], "0");

    r = run("compare a.dds b.dds --level 2");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find("level=0"), std::string::npos);
    EXPECT_EQ(fieldsOf(r.out, "level=2")["max_error"], "32");
}

TEST_F(TexkitView, RefusesWhatCannotBeComparedBeforeComparingAnything) {
    writeDds("four.dds", {patternLevel(8, 4, 3), patternLevel(4, 2, 4), patternLevel(2, 1, 5),
                          patternLevel(1, 1, 6)});
    writeDds("two.dds", {patternLevel(8, 4, 3), patternLevel(4, 2, 4)});
    writePng("wide.png", patternLevel(8, 8, 3));
    writeHostFile("junk.png", "not a picture");
    const struct {
        const char* arguments;
        const char* message;
    } cases[] = {
        {"compare four.dds two.dds", "chains of different lengths: 4 and 2 levels"},
        {"compare four.dds wide.png", "level 0 is 8x4 in the first file and 8x8 in the second"},
        {"compare four.dds two.dds --level 3", "level 3 is not in both files"},
        {"compare four.dds junk.png", "junk.png: no decoder accepts this file"},
        {"compare four.dds missing.png", "missing.png: cannot be opened (No such file or directory)"},
    };
    for (const auto& c : cases) {
        const ProgramRun r = run(c.arguments);
        EXPECT_EQ(r.status, 1) << c.arguments;
        EXPECT_EQ(r.out, "") << c.arguments;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.arguments << ": " << r.err;
    }
    EXPECT_EQ(run("compare four.dds").status, 2);
    EXPECT_EQ(run("compare four.dds two.dds --min-psnr many").status, 2);
}

TEST_F(TexkitView, MinimumPsnrDecidesTheStatus) {
    const Level picture = patternLevel(8, 8, 2);
    Level changed = picture;
    changed.argb[19] += 10 << 8; // 50.96 dB
    writePng("a.png", picture);
    writePng("b.png", changed);
    EXPECT_EQ(run("compare a.png b.png --min-psnr 50.9").status, 0);
    const ProgramRun below = run("compare a.png b.png --min-psnr 51");
    EXPECT_EQ(below.status, 1);
    EXPECT_NE(below.err.find("level 0: RGB PSNR 50.96 dB is below 51.00 dB"), std::string::npos)
        << below.err;
    EXPECT_NE(below.out.find("chain levels=1"), std::string::npos); // the report is still whole
    EXPECT_EQ(run("compare a.png a.png --min-psnr 1000").status, 0);
}

TEST_F(TexkitView, HeatMapColoursEachPixelByItsLargestError) {
    const std::vector<Level> chain = {patternLevel(8, 8, 1), patternLevel(4, 4, 2)};
    std::vector<Level> changed = chain;
    changed[0].argb[3 * 8 + 2] -= 10 << 16;  // (2, 3): red off by 10
    changed[0].argb[1 * 8 + 5] ^= 0x80000000; // (5, 1): alpha off by 128
    changed[1].argb[2 * 4 + 1] += 16;         // (1, 2) of level 1: blue off by 16
    writeDds("a.dds", chain);
    writeDds("b.dds", changed);
    const ProgramRun r = run("compare a.dds b.dds --heatmap heat.png");
    ASSERT_EQ(r.status, 0) << r.err;
    const PngImage heat = readSheet("heat.png");
    // The legend's 33 bands of 4 pixels set the width; 8 rows, a gap of 4, a strip of 12.
    ASSERT_EQ(heat.width, 132);
    ASSERT_EQ(heat.height, 24);
    EXPECT_EQ(heat.pixel(0, 0), 0x000000u);
    EXPECT_EQ(heat.pixel(2, 3), 0x003FC0u); // a quarter of the way from blue to green
    EXPECT_EQ(heat.pixel(5, 1), 0xFF0000u); // 32 and above
    EXPECT_EQ(heat.pixel(8 + 4 + 1, 2), 0x00FF00u);
    EXPECT_EQ(heat.pixel(8 + 4 + 0, 2), 0x000000u);
    EXPECT_EQ(heat.pixel(10, 0), 0x808080u);  // the gap between the levels
    EXPECT_EQ(heat.pixel(13, 6), 0x808080u);  // below the smaller level
    EXPECT_EQ(heat.pixel(0, 12), 0x000000u);  // legend: 0
    EXPECT_EQ(heat.pixel(32, 23), 0x0000FFu); // 8
    EXPECT_EQ(heat.pixel(96, 12), 0xFFFF00u); // 24
    EXPECT_EQ(heat.pixel(131, 12), 0xFF0000u);
}

// The same figure bench_dxt prints as dxt1_psnr: the photo through the DXT1 encoder and back,
// its squared RGB errors pooled.
TEST_F(TexkitView, DxtFileAgainstItsSourceGivesTheBenchmarksPsnr) {
    const std::string photo = test_support::testdataPath("photos/photo-1024-rgb.png");
    test_support::Photo source;
    ASSERT_TRUE(test_support::loadPhoto("photo-1024-rgb.png", &source));
    ComRef<IDirect3DDevice8> device;
    ASSERT_EQ(platform_ext::createHeadlessDevice(64, 64, device.out()), D3D_OK);
    ComRef<IDirect3DSurface8> compressed, decoded;
    ASSERT_EQ(device->CreateImageSurface(1024, 1024, D3DFMT_DXT1, compressed.out()), D3D_OK);
    ASSERT_EQ(device->CreateImageSurface(1024, 1024, D3DFMT_A8R8G8B8, decoded.out()), D3D_OK);
    const RECT whole = {0, 0, 1024, 1024};
    ASSERT_EQ(loadSurfaceFromMemory(compressed.get(), nullptr, nullptr, source.argb.data(),
                                    D3DFMT_A8R8G8B8, 4096, nullptr, &whole, FilterNone, 0),
              D3D_OK);
    ASSERT_EQ(loadSurfaceFromSurface(decoded.get(), nullptr, nullptr, compressed.get(), nullptr,
                                     nullptr, FilterNone, 0),
              D3D_OK);
    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(decoded->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    double sum = 0;
    for (uint32_t y = 0; y < 1024; ++y) {
        const auto* row = static_cast<const uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch;
        for (uint32_t x = 0; x < 1024; ++x)
            for (int c = 0; c < 3; ++c) {
                const double d = double(row[4 * x + c]) -
                                 double(source.argb[size_t(y) * 1024 + x] >> (8 * c) & 0xFF);
                sum += d * d;
            }
    }
    decoded->UnlockRect();
    const double expected = 10 * std::log10(255.0 * 255.0 / (sum / (3.0 * 1024 * 1024)));

    ASSERT_EQ(run("info " + photo + " --format DXT1 --key 0 --levels 1 --dds photo.dds").status, 0);
    const ProgramRun r = run("compare " + photo + " photo.dds");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(fieldsOf(r.out, "level=0")["rgb_psnr"], decibels(expected));
    EXPECT_GT(expected, 30.0);
}

// ---- sheet -----------------------------------------------------------------------------------

TEST_F(TexkitView, SheetLaysLevelsOutSideBySide) {
    std::vector<Level> chain;
    for (uint32_t w = 256, h = 64; w >= 1; w /= 2, h = std::max(1u, h / 2))
        chain.push_back(patternLevel(w, h, w));
    ASSERT_EQ(chain.size(), 9u);
    writeDds("chain.dds", chain);
    // Margins of 8, gaps of 8, cells at least 64 wide: 256 + 128 + 7 x 64 + 8 x 8 + 16 wide;
    // the tallest level, a label line of 20 and the margins high.
    const ProgramRun r = run("sheet chain.dds -o sheet.png");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "sheet=912x100 levels=9\n");
    const PngImage sheet = readSheet("sheet.png");
    EXPECT_EQ(sheet.width, 912);
    EXPECT_EQ(sheet.height, 100);
    EXPECT_EQ(sheet.pixel(0, 0), 0x404040u);

    for (int face = 0; face < 6; ++face)
        writePng("face" + std::to_string(face) + ".png", filledLevel(16, 16, 0xFF000000u + face));
    ASSERT_EQ(run("assemble --cube face0.png face1.png face2.png face3.png face4.png face5.png "
                  "--levels 1 -o cube.dds")
                  .status,
              0);
    EXPECT_EQ(run("sheet cube.dds -o cube.png").out, "sheet=80x84 levels=1\n"); // a 64 x 48 cross
    ASSERT_EQ(run("assemble --volume face0.png face1.png face2.png --levels 1 -o volume.dds")
                  .status,
              0);
    EXPECT_EQ(run("sheet volume.dds -o volume.png").out, "sheet=80x52 levels=1\n");
}

TEST_F(TexkitView, SheetShowsEachLevelsPixelsOverACheckerboardWithItsSize) {
    std::vector<Level> chain = {patternLevel(16, 8, 1), patternLevel(8, 4, 2),
                                patternLevel(4, 2, 3)};
    chain[1].argb[0] = 0x00123456; // transparent: the checkerboard shows
    writeDds("chain.dds", chain);
    ASSERT_EQ(run("sheet chain.dds -o sheet.png").status, 0);
    const PngImage sheet = readSheet("sheet.png");
    // Level 1 after the first cell (64 wide) and a gap, level 2 after another.
    const int lefts[3] = {8, 80, 152};
    for (int level = 0; level < 3; ++level) {
        const Level& l = chain[level];
        for (uint32_t y = 0; y < l.height; ++y)
            for (uint32_t x = 0; x < l.width; ++x) {
                if (level == 1 && x == 0 && y == 0)
                    continue;
                ASSERT_EQ(sheet.pixel(lefts[level] + x, 8 + y), l.argb[y * l.width + x] & 0xFFFFFF)
                    << "level " << level << " at " << x << "," << y;
            }
    }
    EXPECT_EQ(sheet.pixel(80, 8), 0xC0C0C0u);
    // Every label box holds text pixels; the space right of the last cell holds none.
    auto whiteIn = [&](int left, int top, int width, int height) {
        int count = 0;
        for (int y = top; y < top + height; ++y)
            for (int x = left; x < left + width; ++x)
                count += sheet.pixel(x, y) == 0xFFFFFFu;
        return count;
    };
    for (int level = 0; level < 3; ++level)
        EXPECT_GT(whiteIn(lefts[level], 8 + int(chain[level].height), 64, 20), 5) << level;
    EXPECT_EQ(whiteIn(lefts[2] + 64, 0, 8, sheet.height), 0);
}

// ---- assemble --------------------------------------------------------------------------------

constexpr uint32_t faceColors[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF,
                                    0xFFFFFF00, 0xFF00FFFF, 0xFFFF00FF};

TEST_F(TexkitView, AssemblesACubeMapFaceByFace) {
    std::string faces;
    for (int face = 0; face < 6; ++face) {
        writePng("f" + std::to_string(face) + ".png", filledLevel(8, 8, faceColors[face]));
        faces += " f" + std::to_string(face) + ".png";
    }
    ProgramRun r = run("assemble --cube" + faces + " --format A8R8G8B8 -o cube.dds");
    ASSERT_EQ(r.status, 0) << r.err;
    const Bytes file = readBytes("cube.dds");
    // Each face with its chain of 8 x 8, 4 x 4, 2 x 2 and 1 x 1.
    ASSERT_EQ(file.size(), 128u + 6 * 85 * 4);
    EXPECT_EQ(readWord(file, 8), 0x2100Fu);    // flags: pitch and mip count
    EXPECT_EQ(readWord(file, 28), 4u);          // levels
    EXPECT_EQ(readWord(file, 108), 0x401008u); // complex, texture, mip map
    EXPECT_EQ(readWord(file, 112), 0xFE00u);   // a cube with its six faces
    for (int face = 0; face < 6; ++face)
        for (int texel = 0; texel < 85; ++texel)
            ASSERT_EQ(readWord(file, 128 + (face * 85 + texel) * 4), faceColors[face])
                << "face " << face << " texel " << texel;

    r = run("info cube.dds --json");
    test_support::JsonValue json;
    std::string error;
    ASSERT_TRUE(test_support::parseJson(r.out, &json, &error)) << error;
    EXPECT_EQ(json.find("info")->find("resourceType")->number, double(D3DRTYPE_CUBETEXTURE));

    // Read back by the sheet: +Y above -X +Z +X -Z, -Y below, cells of 8.
    ASSERT_EQ(run("sheet cube.dds -o sheet.png").status, 0);
    const PngImage sheet = readSheet("sheet.png");
    const int places[6][2] = {{2, 1}, {0, 1}, {1, 0}, {1, 2}, {1, 1}, {3, 1}};
    for (int face = 0; face < 6; ++face)
        EXPECT_EQ(sheet.pixel(8 + places[face][0] * 8 + 3, 8 + places[face][1] * 8 + 3),
                  faceColors[face] & 0xFFFFFF)
            << "face " << face;

    r = run("assemble --cube" + faces + " --format DXT1 --levels 2 -o small.dds");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readBytes("small.dds").size(), 128u + 6 * (32 + 8)); // 4 blocks and 1 per face
    r = run("compare cube.dds small.dds --level 1");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(fieldsOf(r.out, "level=1")["size"], "4x4");
}

TEST_F(TexkitView, AssemblesAVolumeSliceBySlice) {
    std::string slices;
    for (int slice = 0; slice < 3; ++slice) {
        writePng("s" + std::to_string(slice) + ".png", filledLevel(4, 4, faceColors[slice]));
        slices += " s" + std::to_string(slice) + ".png";
    }
    ProgramRun r = run("assemble --volume" + slices + " -o volume.dds");
    ASSERT_EQ(r.status, 0) << r.err;
    const Bytes file = readBytes("volume.dds");
    // 4 x 4 x 3, 2 x 2 x 1 and 1 x 1 x 1 of A8R8G8B8 (the pictures have an alpha channel).
    ASSERT_EQ(file.size(), 128u + (48 + 4 + 1) * 4);
    EXPECT_EQ(readWord(file, 8), 0x82100Fu); // with the depth flag
    EXPECT_EQ(readWord(file, 24), 3u);
    EXPECT_EQ(readWord(file, 28), 3u);
    EXPECT_EQ(readWord(file, 112), 0x200000u);
    EXPECT_EQ(readWord(file, 80), 0x41u);
    for (int slice = 0; slice < 3; ++slice)
        for (int texel = 0; texel < 16; ++texel)
            ASSERT_EQ(readWord(file, 128 + (slice * 16 + texel) * 4) & 0xFFFFFF,
                      faceColors[slice] & 0xFFFFFF)
                << "slice " << slice;

    r = run("info volume.dds");
    EXPECT_NE(r.out.find("info.depth=3\ninfo.mipLevels=3\n"), std::string::npos) << r.out;
    r = run("compare volume.dds volume.dds");
    EXPECT_EQ(fieldsOf(r.out, "level=0")["size"], "4x4x3");
    EXPECT_EQ(fieldsOf(r.out, "level=1")["size"], "2x2x1");
    EXPECT_EQ(fieldsOf(r.out, "chain")["pixels"], "53");
    ASSERT_EQ(run("sheet volume.dds -o sheet.png").status, 0);
    const PngImage sheet = readSheet("sheet.png");
    for (int slice = 0; slice < 3; ++slice)
        EXPECT_EQ(sheet.pixel(8 + slice * 4 + 1, 9), faceColors[slice] & 0xFFFFFF);
}

TEST_F(TexkitView, AssembleRefusesWithOneMessageAndWritesNothing) {
    for (int i = 0; i < 7; ++i)
        writePng("p" + std::to_string(i) + ".png", filledLevel(8, 8, faceColors[i % 6]));
    writePng("wide.png", filledLevel(8, 4, 0xFF000000));
    writePng("big.png", filledLevel(16, 16, 0xFF000000));
    const struct {
        const char* arguments;
        int status;
        const char* message;
    } cases[] = {
        {"--cube p0.png p1.png p2.png p3.png p4.png", 1, "a cube map takes six pictures"},
        {"--cube p0.png p1.png p2.png p3.png p4.png p5.png p6.png", 1, "not 7"},
        {"--cube p0.png p1.png p2.png p3.png p4.png big.png", 1,
         "the pictures differ in size: p0.png is 8x8, big.png is 16x16"},
        {"--cube wide.png wide.png wide.png wide.png wide.png wide.png", 1,
         "cube faces are square: the pictures are 8x4"},
        {"--volume p0.png", 1, "a volume takes two or more pictures, not 1"},
        {"--volume p0.png wide.png", 1, "the pictures differ in size"},
        {"--volume p0.png missing.png", 1, "missing.png: cannot be opened (No such file or directory)"},
        {"p0.png p1.png", 2, "--cube or --volume is needed"},
        {"--cube --volume p0.png p1.png", 2, "--cube and --volume together"},
    };
    for (const auto& c : cases) {
        const ProgramRun r = run(std::string("assemble ") + c.arguments + " -o out.dds");
        EXPECT_EQ(r.status, c.status) << c.arguments;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.arguments << ": " << r.err;
        EXPECT_FALSE(std::filesystem::exists("out.dds")) << c.arguments;
    }
    EXPECT_EQ(run("assemble --cube p0.png p1.png p2.png p3.png p4.png p5.png").status, 2);
}

TEST_F(TexkitView, ImageMagickReadsTheCubeAndTheVolume) {
    for (int i = 0; i < 6; ++i)
        writePng("p" + std::to_string(i) + ".png", filledLevel(8, 8, faceColors[i]));
    ASSERT_EQ(run("assemble --cube p0.png p1.png p2.png p3.png p4.png p5.png -o cube.dds").status,
              0);
    ASSERT_EQ(run("assemble --volume p0.png p1.png p2.png --format DXT5 --levels 1 -o vol.dds")
                  .status,
              0);
    // One line per face or slice.
    ProgramRun r = runCommand("identify -format '%m %w %h\\n' cube.dds");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "DDS 8 8\nDDS 8 8\nDDS 8 8\nDDS 8 8\nDDS 8 8\nDDS 8 8\n");
    r = runCommand("identify -format '%m %w %h\\n' vol.dds");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "DDS 8 8\nDDS 8 8\nDDS 8 8\n");
}

// ---- info --json -----------------------------------------------------------------------------

TEST_F(TexkitView, InfoJsonHoldsTheTextOutputsFacts) {
    writeDds("chain.dds", {patternLevel(8, 4, 1), patternLevel(4, 2, 2)});
    const ProgramRun r = run("info chain.dds --json --format DXT5");
    ASSERT_EQ(r.status, 0) << r.err;
    test_support::JsonValue json;
    std::string error;
    ASSERT_TRUE(test_support::parseJson(r.out, &json, &error)) << error << "\n" << r.out;
    EXPECT_EQ(json.find("result")->string, "0x00000000");
    const test_support::JsonValue* info = json.find("info");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->find("width")->number, 8);
    EXPECT_EQ(info->find("height")->number, 4);
    EXPECT_EQ(info->find("depth")->number, 1);
    EXPECT_EQ(info->find("mipLevels")->number, 2);
    EXPECT_EQ(info->find("format")->string, "D3DFMT_A8R8G8B8");
    EXPECT_EQ(info->find("resourceType")->number, 3);
    EXPECT_EQ(info->find("imageFileFormat")->string, "Dds");
    const test_support::JsonValue* texture = json.find("texture");
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->find("levels")->number, 4); // the full chain, as the text says
    const test_support::JsonValue* levels = texture->find("level");
    ASSERT_NE(levels, nullptr);
    ASSERT_EQ(levels->items.size(), 4u);
    EXPECT_EQ(levels->items[1].find("width")->number, 4);
    EXPECT_EQ(levels->items[1].find("height")->number, 2);
    EXPECT_EQ(levels->items[1].find("format")->string, "DXT5");

    writeHostFile("junk.png", "not a picture");
    const ProgramRun failed = run("info junk.png --json");
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.out, "{\"result\":\"0x88760B59\"}\n");
}

} // namespace
