// The tools' PNG writer: ARGB words come back as the same RGB or RGBA bytes, rows follow the
// stride, packed RGB is written as the game's loader expects it, and a file that cannot be
// written is reported.
#include "tools/png_writer.h"

#include "tests/tools/png_reader.h"

#include <gtest/gtest.h>

#include <png.h>

#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Reads a PNG file as 0xAARRGGBB words through libpng's simplified interface.
bool readArgb(const fs::path& path, unsigned* width, unsigned* height, std::vector<uint32_t>* out) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return false;
    image.format = PNG_FORMAT_BGRA; // little-endian words 0xAARRGGBB
    out->assign(size_t(image.width) * image.height, 0);
    if (!png_image_finish_read(&image, nullptr, out->data(), 0, nullptr))
        return false;
    *width = image.width;
    *height = image.height;
    return true;
}

class PngWriterTest : public ::testing::Test {
protected:
    fs::path file =
        fs::temp_directory_path() / ("png_writer_" + std::to_string(::getpid()) + ".png");
    void TearDown() override { fs::remove(file); }
};

} // namespace

TEST_F(PngWriterTest, RgbAndRgbaRoundTrip) {
    // Three rows of five pixels held with a stride of seven words.
    std::vector<uint32_t> pixels(7 * 3, 0xDEADBEEF);
    for (unsigned y = 0; y < 3; ++y)
        for (unsigned x = 0; x < 5; ++x)
            pixels[y * 7 + x] = (x * 50) << 24 | (y * 100) << 16 | (x * 40 + 7) << 8 | (255 - x);
    std::string error;
    for (bool alpha : {false, true}) {
        ASSERT_TRUE(tools::writePng(file.string(), pixels.data(), 5, 3, 7, alpha, &error)) << error;
        unsigned width = 0, height = 0;
        std::vector<uint32_t> read;
        ASSERT_TRUE(readArgb(file, &width, &height, &read));
        ASSERT_EQ(width, 5u);
        ASSERT_EQ(height, 3u);
        for (unsigned y = 0; y < 3; ++y)
            for (unsigned x = 0; x < 5; ++x) {
                const uint32_t written = pixels[y * 7 + x];
                EXPECT_EQ(read[y * 5 + x], alpha ? written : written | 0xFF000000u)
                    << x << "," << y << (alpha ? " rgba" : " rgb");
            }
    }
}

TEST_F(PngWriterTest, FailuresAreReported) {
    const uint32_t pixel = 0xFF000000;
    std::string error;
    EXPECT_FALSE(tools::writePng((fs::temp_directory_path() / "no such folder" / "x.png").string(),
                                 &pixel, 1, 1, 1, false, &error));
    EXPECT_NE(error.find("no such folder"), std::string::npos) << error;
    EXPECT_FALSE(tools::writePng(file.string(), &pixel, 0, 1, 1, false, &error));
    EXPECT_FALSE(tools::writePng(file.string(), nullptr, 1, 1, 1, false, &error));
}

TEST_F(PngWriterTest, PackedRgbIsEightBitRgbWithoutTransparency) {
    const std::vector<uint8_t> rgb = {255, 0, 255, 1, 2, 3, 200, 100, 0,
                                      9,   8, 7,   0, 0, 0, 255, 255, 255};
    std::string error;
    ASSERT_TRUE(tools::writeRgbPng(file.string(), rgb.data(), 3, 2, &error)) << error;
    PngImage image;
    ASSERT_TRUE(readPng(file, image));
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.bitDepth, 8);
    EXPECT_EQ(image.colorType, PNG_COLOR_TYPE_RGB);
    EXPECT_FALSE(image.hasTransparencyChunk);
    EXPECT_EQ(image.rgb, rgb);

    EXPECT_FALSE(tools::writeRgbPng(file.string(), nullptr, 3, 2, &error));
    EXPECT_FALSE(tools::writeRgbPng(file.string(), rgb.data(), 0, 2, &error));
}
