// texinfo run as a program: its exact output for a small picture in every container the
// loader decodes itself, the level it writes as a PNG file and as raw bytes, and its exit
// status on failures and usage errors.
#include "tests/platform/win32/temp_folder.h"
#include "tests/support/container_files.h"
#include "tests/texture/png_maker.h"

#include <gtest/gtest.h>
#include <png.h>

#include <array>
#include <cstdio>
#include <sys/wait.h>

namespace {

struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};

class Texinfo : public InTempFolder {
protected:
    ProgramRun run(const std::string& arguments) {
        const std::string command =
            std::string(TEXINFO_PROGRAM) + " " + arguments + " 2>stderr.txt";
        ProgramRun result;
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr)
            return result;
        std::array<char, 4096> buffer;
        for (size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
            result.out.append(buffer.data(), n);
        const int status = pclose(pipe);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.err = readHostFile("stderr.txt");
        return result;
    }

    // 6 x 4 pixels in 2 x 2 blocks: red, magenta, blue on top, green, white, black below.
    void writePicture() {
        static const uint32_t blocks[2][3] = {{0xFF0000, 0xFF00FF, 0x0000FF},
                                              {0x00FF00, 0xFFFFFF, 0x000000}};
        PngRecipe r;
        r.width = 6;
        r.height = 4;
        r.colorType = PNG_COLOR_TYPE_RGB;
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 6; ++x) {
                const uint32_t rgb = blocks[y / 2][x / 2];
                r.rows.insert(r.rows.end(), {uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb)});
            }
        }
        const std::vector<uint8_t> file = makePng(r);
        writeHostFile("picture.png", std::string(file.begin(), file.end()));
    }
};

// The texel of a block as texinfo's PNG shows it, red, green, blue, alpha: keyed magenta is
// transparent black.
std::array<uint8_t, 4> rgbaOf(uint32_t rgb) {
    if (rgb == 0xFF00FF)
        return {0, 0, 0, 0};
    return {uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb), 0xFF};
}

TEST_F(Texinfo, PrintsTheGameRequestsResult) {
    writePicture();
    const ProgramRun r = run("picture.png");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "result=0x00000000\n"
                     "info.width=6\n"
                     "info.height=4\n"
                     "info.depth=1\n"
                     "info.mipLevels=1\n"
                     "info.format=D3DFMT_X8R8G8B8\n"
                     "info.resourceType=3\n"
                     "info.imageFileFormat=Png\n"
                     "texture.levels=3\n"
                     "texture.level.0=6x4 D3DFMT_A8R8G8B8\n"
                     "texture.level.1=3x2 D3DFMT_A8R8G8B8\n"
                     "texture.level.2=1x1 D3DFMT_A8R8G8B8\n");
}

TEST_F(Texinfo, WritesALevelAsAnRgbaPicture) {
    writePicture();
    const ProgramRun r = run("picture.png --profile pow2 --level 0 --png level0.png");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("texture.level.0=8x4 D3DFMT_A8R8G8B8\n"), std::string::npos) << r.out;

    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_NE(png_image_begin_read_from_file(&image, "level0.png"), 0);
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
    ASSERT_NE(png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr), 0);
    ASSERT_EQ(image.width, 8u);
    ASSERT_EQ(image.height, 4u);
    static const uint32_t blocks[2][3] = {{0xFF0000, 0xFF00FF, 0x0000FF},
                                          {0x00FF00, 0xFFFFFF, 0x000000}};
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) {
            const std::array<uint8_t, 4> want =
                x < 6 ? rgbaOf(blocks[y / 2][x / 2]) : std::array<uint8_t, 4>{0, 0, 0, 0};
            const uint8_t* got = &rgba[(size_t(y) * 8 + x) * 4];
            EXPECT_EQ((std::array<uint8_t, 4>{got[0], got[1], got[2], got[3]}), want)
                << x << ", " << y;
        }
    }
}

TEST_F(Texinfo, WritesALevelsStoredBytes) {
    writePicture();
    ASSERT_EQ(run("picture.png --level 1 --raw level1.bin").status, 0);
    // Level 1 holds one texel per block, stored blue, green, red, alpha.
    const std::string raw = readHostFile("level1.bin");
    EXPECT_EQ(raw, std::string("\x00\x00\xFF\xFF"
                               "\x00\x00\x00\x00"
                               "\xFF\x00\x00\xFF"
                               "\x00\xFF\x00\xFF"
                               "\xFF\xFF\xFF\xFF"
                               "\x00\x00\x00\xFF",
                               24));

    // Rows of 3 texels of 16 bits are stored 8 bytes apart; the file holds 6 bytes of each.
    const ProgramRun wide = run("picture.png --format R5G6B5 --key 0 --level 1 --raw level1.bin");
    ASSERT_EQ(wide.status, 0) << wide.err;
    EXPECT_NE(wide.out.find("texture.level.1=3x2 D3DFMT_R5G6B5\n"), std::string::npos) << wide.out;
    EXPECT_EQ(readHostFile("level1.bin"), std::string("\x00\xF8\x1F\xF8\x1F\x00"
                                                      "\xE0\x07\xFF\xFF\x00\x00",
                                                      12));
}

// The 6 x 4 picture's 3 x 2 blocks, one pixel each, as the containers store them.
const uint32_t smallPicture[2][3] = {{0xFF0000, 0xFF00FF, 0x0000FF},
                                     {0x00FF00, 0xFFFFFF, 0x000000}};

// Blue, green, red per pixel, rows bottom-up, each row padded to `rowBytes`.
std::vector<uint8_t> storedBottomUp(size_t rowBytes) {
    std::vector<uint8_t> rows;
    for (int y = 1; y >= 0; --y) {
        for (uint32_t rgb : smallPicture[y])
            rows.insert(rows.end(), {uint8_t(rgb), uint8_t(rgb >> 8), uint8_t(rgb >> 16)});
        rows.resize(rows.size() + rowBytes - 9, 0);
    }
    return rows;
}

// What texinfo prints for the small picture and the level 0 it writes, the magenta pixel
// keyed out.
void expectSmallPictureLoaded(const ProgramRun& r, const std::string& level0,
                              const std::string& format, const std::string& container) {
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "result=0x00000000\n"
                     "info.width=3\n"
                     "info.height=2\n"
                     "info.depth=1\n"
                     "info.mipLevels=1\n"
                     "info.format=" +
                         format +
                         "\n"
                         "info.resourceType=3\n"
                         "info.imageFileFormat=" +
                         container +
                         "\n"
                         "texture.levels=2\n"
                         "texture.level.0=3x2 D3DFMT_A8R8G8B8\n"
                         "texture.level.1=1x1 D3DFMT_A8R8G8B8\n");
    EXPECT_EQ(level0, std::string("\x00\x00\xFF\xFF"
                                  "\x00\x00\x00\x00"
                                  "\xFF\x00\x00\xFF"
                                  "\x00\xFF\x00\xFF"
                                  "\xFF\xFF\xFF\xFF"
                                  "\x00\x00\x00\xFF",
                                  24));
}

std::string asText(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST_F(Texinfo, LoadsABitmapFile) {
    test_support::BitmapRecipe r;
    r.width = 3;
    r.height = 2;
    r.bitCount = 24;
    r.pixels = storedBottomUp(12);
    writeHostFile("picture.bmp", asText(test_support::makeBmp(r)));
    const ProgramRun loaded = run("picture.bmp --raw level0.bin");
    expectSmallPictureLoaded(loaded, readHostFile("level0.bin"), "D3DFMT_R8G8B8", "Bmp");
}

// Without its file header, as an 8-bit bitmap whose palette holds the six colours.
TEST_F(Texinfo, LoadsAHeaderlessBitmap) {
    test_support::BitmapRecipe r;
    r.width = 3;
    r.height = -2;
    r.colorsUsed = 6;
    for (const auto& row : smallPicture)
        for (uint32_t rgb : row)
            r.colorTable.insert(r.colorTable.end(),
                                {uint8_t(rgb), uint8_t(rgb >> 8), uint8_t(rgb >> 16), 0});
    r.pixels = {0, 1, 2, 0, 3, 4, 5, 0};
    writeHostFile("picture.dib", asText(test_support::makeDib(r)));
    const ProgramRun loaded = run("picture.dib --raw level0.bin");
    expectSmallPictureLoaded(loaded, readHostFile("level0.bin"), "D3DFMT_P8", "Dib");
}

TEST_F(Texinfo, LoadsARunLengthTarga) {
    test_support::TargaRecipe r;
    r.imageType = 10;
    r.width = 3;
    r.height = 2;
    r.pixelBits = 24;
    r.pixels = test_support::targaPackets(storedBottomUp(9), 3);
    writeHostFile("picture.tga", asText(test_support::makeTga(r)));
    const ProgramRun loaded = run("picture.tga --raw level0.bin");
    expectSmallPictureLoaded(loaded, readHostFile("level0.bin"), "D3DFMT_R8G8B8", "Tga");
}

TEST_F(Texinfo, LoadsAPixmap) {
    writeHostFile("picture.ppm", "P3\n# small picture\n3 2\n255\n"
                                 "255 0 0  255 0 255  0 0 255\n"
                                 "0 255 0  255 255 255  0 0 0\n");
    const ProgramRun loaded = run("picture.ppm --raw level0.bin");
    expectSmallPictureLoaded(loaded, readHostFile("level0.bin"), "D3DFMT_X8R8G8B8", "Ppm");
}

TEST_F(Texinfo, LoadsIntoBlockFormatsAndWritesTheirLevelsDecoded) {
    // Two 4 x 4 blocks, red and green: colours every block format stores exactly.
    PngRecipe recipe;
    recipe.width = 8;
    recipe.height = 4;
    recipe.colorType = PNG_COLOR_TYPE_RGB;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x)
            recipe.rows.insert(recipe.rows.end(),
                               {uint8_t(x < 4 ? 0xFF : 0), uint8_t(x < 4 ? 0 : 0xFF), 0});
    }
    const std::vector<uint8_t> file = makePng(recipe);
    writeHostFile("blocks.png", std::string(file.begin(), file.end()));
    for (const char* format : {"DXT1", "DXT2", "DXT3", "DXT4", "D3DFMT_DXT5"}) {
        const ProgramRun r =
            run(std::string("blocks.png --format ") + format + " --key 0 --level 0 --png dxt.png");
        ASSERT_EQ(r.status, 0) << format << r.err;
        const std::string name = std::string(format).substr(std::string(format).size() - 4);
        EXPECT_NE(r.out.find("texture.level.0=8x4 " + name + "\n"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("texture.level.1=4x2 " + name + "\n"), std::string::npos) << r.out;

        png_image image = {};
        image.version = PNG_IMAGE_VERSION;
        ASSERT_NE(png_image_begin_read_from_file(&image, "dxt.png"), 0);
        image.format = PNG_FORMAT_RGBA;
        std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
        ASSERT_NE(png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr), 0);
        ASSERT_EQ(image.width, 8u);
        ASSERT_EQ(image.height, 4u);
        for (size_t i = 0; i < 32; ++i) {
            const uint8_t* got = &rgba[i * 4];
            const bool red = i % 8 < 4;
            EXPECT_EQ(
                (std::array<uint8_t, 4>{got[0], got[1], got[2], got[3]}),
                (std::array<uint8_t, 4>{uint8_t(red ? 0xFF : 0), uint8_t(red ? 0 : 0xFF), 0, 0xFF}))
                << format << " pixel " << i;
        }
    }
}

TEST_F(Texinfo, FailedLoadPrintsOnlyTheResult) {
    writeHostFile("notes.txt", "no picture here");
    for (const char* file : {"notes.txt", "missing.png"}) {
        const ProgramRun r = run(file);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "result=0x88760B59\n");
    }
    writePicture();
    const ProgramRun r = run("picture.png --usage 0x10");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "result=0x8876086C\n");
}

TEST_F(Texinfo, UsageErrorsGoToStandardErrorWithStatus2) {
    for (const char* arguments :
         {"", "picture.png --format NOSUCH", "picture.png --bogus 1", "picture.png --width",
          "picture.png --pool video", "picture.png --filter box+shiny",
          "picture.png --profile fast", "a.png b.png"}) {
        const ProgramRun r = run(arguments);
        EXPECT_EQ(r.status, 2) << arguments;
        EXPECT_EQ(r.out, "") << arguments;
        EXPECT_NE(r.err.find("usage: texinfo"), std::string::npos) << arguments;
    }
    const ProgramRun help = run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: texinfo FILE"), std::string::npos);
}

TEST_F(Texinfo, RequestOptionsReachTheLoader) {
    writePicture();
    const ProgramRun r = run("picture.png --format UNKNOWN --key 0 --width 3 --height 2 --levels 1 "
                             "--pool scratch --filter box --mip-filter default");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("texture.levels=1\ntexture.level.0=3x2 D3DFMT_X8R8G8B8\n"),
              std::string::npos)
        << r.out;
}

} // namespace
