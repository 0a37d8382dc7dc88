// The picture path rule: the current directory followed by the file's suffix, and no path at
// all when the directory does not fit its 256 characters.
#include "game/picture_path.h"

#include "tests/platform/win32/temp_folder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using PicturePathTest = InTempFolder;

TEST_F(PicturePathTest, IsTheCurrentDirectoryAndTheSuffix) {
    Texture picture;
    ASSERT_TRUE(buildPicturePath(picture, "\\buisson.png"));
    char directory[256];
    const DWORD length = GetCurrentDirectoryA(sizeof directory, directory);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(std::string(picture.path), std::string(directory) + "\\buisson.png");
}

TEST_F(PicturePathTest, ADirectoryOfTheLongestLengthThatFitsIsKept) {
    // 255 characters in all: the longest directory the 256-character buffer holds.
    const size_t base = std::filesystem::current_path().string().size();
    ASSERT_LT(base + 2, 255u);
    const std::string name(255 - base - 1, 'd');
    std::filesystem::create_directory(name);
    std::filesystem::current_path(name);
    Texture picture;
    ASSERT_TRUE(buildPicturePath(picture, "\\buisson.png"));
    EXPECT_EQ(std::string(picture.path).size(), 255u + 12u);
}

TEST_F(PicturePathTest, ADirectoryTooLongForItsBufferGivesNoPath) {
    // 256 characters: one too many. A truncated directory must never name a file.
    const size_t base = std::filesystem::current_path().string().size();
    const std::string name(256 - base - 1, 'd');
    std::filesystem::create_directory(name);
    std::filesystem::current_path(name);
    Texture picture;
    std::strcpy(picture.path, "left over");
    EXPECT_FALSE(buildPicturePath(picture, "\\fond.png"));
    EXPECT_STREQ(picture.path, "");
    // Far too long too, as deep as the system allows.
    for (int level = 0; level < 3; ++level) {
        std::filesystem::create_directory(std::string(200, 'e'));
        std::filesystem::current_path(std::string(200, 'e'));
    }
    EXPECT_FALSE(buildPicturePath(picture, "\\cible.png"));
    EXPECT_STREQ(picture.path, "");
}

} // namespace
