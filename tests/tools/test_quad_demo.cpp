// quad_demo, run headless as run.sh runs it: it names the PNG file it wrote, and the file
// holds the 640 x 480 frame the device presented.
#include <gtest/gtest.h>

#include <png.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Runs the demo with an argument; returns its exit status and what it printed.
int runDemo(const std::string& argument, std::string* output) {
    const std::string command =
        "SDL_VIDEODRIVER=dummy DISPLAY= '" QUAD_DEMO_PROGRAM "' '" + argument + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return -1;
    char buffer[256];
    while (std::fgets(buffer, sizeof(buffer), pipe) != nullptr)
        *output += buffer;
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(QuadDemoTest, WritesThePresentedFrameAndNamesIt) {
    const fs::path file =
        fs::temp_directory_path() / ("quad_demo_" + std::to_string(getpid()) + ".png");
    std::string output;
    ASSERT_EQ(runDemo(file.string(), &output), 0) << output;
    EXPECT_NE(output.find(file.string()), std::string::npos) << output;

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, file.c_str()));
    EXPECT_EQ(image.width, 640u);
    EXPECT_EQ(image.height, 480u);
    EXPECT_EQ(image.format & PNG_FORMAT_FLAG_ALPHA, 0u);
    image.format = PNG_FORMAT_BGRA;
    std::vector<uint32_t> pixels(640 * 480);
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
    fs::remove(file);
    // The background's top-left vertex colour, and a floor that is no longer the background.
    EXPECT_EQ(pixels[0], 0xFF10203Au);
    EXPECT_NE(pixels[479 * 640 + 320], pixels[479 * 640 + 321 - 64]) << "no checkered floor";
}

TEST(QuadDemoTest, ReportsAFileItCannotWrite) {
    std::string output;
    EXPECT_EQ(runDemo("/nonexistent-folder/frame.png", &output), 1);
    EXPECT_NE(output.find("nonexistent-folder"), std::string::npos) << output;
}
