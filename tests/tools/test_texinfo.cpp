// texinfo run as a program: its exact output for a small picture in every container the
// loader decodes itself, the level it writes as a PNG file and as raw bytes, and its status
// and messages on failures and usage errors.
#include "tests/support/container_files.h"
#include "tests/tools/texinfo_run.h"

#include <gtest/gtest.h>
#include <png.h>

#include <array>

namespace {

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

TEST_F(Texinfo, FailedLoadPrintsTheResultAndOneLineSayingWhy) {
    writeHostFile("notes.txt", "no picture here");
    writeHostFile("empty.png", "");
    writePicture();
    struct Case {
        const char* arguments;
        const char* out;
        const char* err;
    };
    const Case cases[] = {
        {"notes.txt", "result=0x88760B59\n",
         "texinfo: notes.txt: no decoder accepts this file (InvalidData)\n"},
        {"empty.png", "result=0x88760B59\n",
         "texinfo: empty.png: no decoder accepts this file (InvalidData)\n"},
        {"missing.png", "result=0x88760B59\n",
         "texinfo: missing.png: cannot be opened (No such file or directory)\n"},
        {".", "result=0x88760B59\n", "texinfo: .: cannot be opened (Is a directory)\n"},
        {"picture.png --usage 0x10", "result=0x8876086C\n",
         "texinfo: picture.png: the request is not valid for this file or device (InvalidCall)\n"},
        // No bump-map format can be sampled, so none is offered outside the scratch pool.
        {"picture.png --format V8U8", "result=0x8876086A\n",
         "texinfo: picture.png: the device cannot make this texture (NotAvailable)\n"},
    };
    for (const Case& c : cases) {
        const ProgramRun r = run(c.arguments);
        EXPECT_EQ(r.status, 1) << c.arguments;
        EXPECT_EQ(r.out, c.out) << c.arguments;
        EXPECT_EQ(r.err, c.err) << c.arguments;
    }
}

TEST_F(Texinfo, UsageErrorsGiveTheOneLineUsageWithStatus2) {
    const std::string usage = "usage: texinfo FILE [OPTION]...\n"
                              "try 'texinfo --help' for the options\n";
    struct Case {
        const char* arguments;
        const char* error;
    };
    const Case cases[] = {
        {"", "no file given"},
        {"picture.png --format NOSUCH", "cannot read --format NOSUCH"},
        {"picture.png --bogus 1", "unknown option --bogus"},
        {"picture.png --bogus", "unknown option --bogus"},
        {"picture.png --width", "--width needs a value"},
        {"picture.png --pool video", "cannot read --pool video"},
        {"picture.png --filter box+shiny", "cannot read --filter box+shiny"},
        {"picture.png --profile fast", "cannot read --profile fast"},
        {"a.png b.png", "more than one file: b.png"},
    };
    for (const Case& c : cases) {
        const ProgramRun r = run(c.arguments);
        EXPECT_EQ(r.status, 2) << c.arguments;
        EXPECT_EQ(r.out, "") << c.arguments;
        EXPECT_EQ(r.err, "texinfo: " + std::string(c.error) + "\n" + usage) << c.arguments;
    }
    const ProgramRun help = run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: texinfo FILE [OPTION]...\n\n", 0), 0u);
    for (const char* option : {"--format NAME", "--dds OUT.dds", "--png OUT.png", "--profile"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
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
