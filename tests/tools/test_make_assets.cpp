// make_assets regenerates the committed pictures and resource rows byte for byte, and the
// committed pictures have what the game relies on: their formats and sizes, the magenta
// key only where the picture is transparent, hard outlines, and targets that start hidden
// behind the tree or the bush and end in the open.
#include "tests/tools/png_reader.h"

#include <gtest/gtest.h>

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const fs::path SourceRoot = SOURCE_ROOT;
const fs::path AssetsFolder = SourceRoot / "assets";
const char* const PictureNames[] = {"fond.png", "arbre.png", "buisson.png", "cible.png"};

std::string fileBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class CommittedAssets : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(readPng(AssetsFolder / "fond.png", background));
        ASSERT_TRUE(readPng(AssetsFolder / "arbre.png", tree));
        ASSERT_TRUE(readPng(AssetsFolder / "buisson.png", bush));
        ASSERT_TRUE(readPng(AssetsFolder / "cible.png", target));
    }

    // True when the tree (drawn at (100, 100)) or the bush (drawn at (400, 300)) has an
    // opaque pixel at this client pixel.
    static bool foregroundCovers(int x, int y) {
        return opaqueAt(tree, x - 100, y - 100) || opaqueAt(bush, x - 400, y - 300);
    }

    static bool opaqueAt(const PngImage& image, int x, int y) {
        return x >= 0 && y >= 0 && x < image.width && y < image.height && !image.isKey(x, y);
    }

    static PngImage background;
    static PngImage tree;
    static PngImage bush;
    static PngImage target;
};

PngImage CommittedAssets::background;
PngImage CommittedAssets::tree;
PngImage CommittedAssets::bush;
PngImage CommittedAssets::target;

TEST(MakeAssets, RegeneratesTheCommittedPicturesAndResourceRowsByteForByte) {
    fs::path folder = fs::temp_directory_path() / ("make_assets_" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    std::string program = MAKE_ASSETS_PROGRAM;
    std::string pictures = "'" + program + "' '" + folder.string() + "'";
    std::string resources = "'" + program + "' --resources '" + (folder / "rows.h").string() + "'";
    ASSERT_EQ(std::system(pictures.c_str()), 0);
    ASSERT_EQ(std::system(resources.c_str()), 0);

    for (const char* name : PictureNames) {
        std::string made = fileBytes(folder / name);
        EXPECT_FALSE(made.empty()) << name;
        EXPECT_TRUE(made == fileBytes(AssetsFolder / name)) << name << " differs from assets/";
    }
    EXPECT_TRUE(fileBytes(folder / "rows.h") ==
                fileBytes(SourceRoot / "app" / "module_resource_pictures.h"));
    fs::remove_all(folder);
}

TEST(MakeAssets, RejectsAMissingArgumentAndAnUnwritableFolder) {
    std::string program = MAKE_ASSETS_PROGRAM;
    EXPECT_NE(std::system(("'" + program + "' 2>/dev/null").c_str()), 0);
    EXPECT_NE(std::system(("'" + program + "' /nonexistent/folder 2>/dev/null").c_str()), 0);
}

TEST_F(CommittedAssets, AreEightBitRgbWithoutAlphaOrTransparencyChunk) {
    for (const PngImage* image : {&background, &tree, &bush, &target}) {
        EXPECT_EQ(image->bitDepth, 8);
        EXPECT_EQ(image->colorType, PNG_COLOR_TYPE_RGB);
        EXPECT_EQ(image->interlace, PNG_INTERLACE_NONE);
        EXPECT_FALSE(image->hasTransparencyChunk);
    }
}

TEST_F(CommittedAssets, HaveSizesThatFitTheSceneAtTheirPlaces) {
    EXPECT_EQ(background.width, 640);
    EXPECT_EQ(background.height, 480);
    EXPECT_EQ(target.width, 48);
    EXPECT_EQ(target.height, 48);
    EXPECT_NEAR(tree.width, 140, 20);
    EXPECT_NEAR(tree.height, 330, 20);
    EXPECT_NEAR(bush.width, 220, 20);
    EXPECT_NEAR(bush.height, 150, 20);
    EXPECT_LE(100 + tree.width, 640);
    EXPECT_LE(100 + tree.height, 480);
    EXPECT_LE(400 + bush.width, 640);
    EXPECT_LE(300 + bush.height, 480);
}

// A key pixel in the background would be a transparent hole in the scene.
TEST_F(CommittedAssets, BackgroundHasNoMagentaPixel) {
    int keyed = 0;
    for (int y = 0; y < background.height; ++y) {
        for (int x = 0; x < background.width; ++x) {
            keyed += background.isKey(x, y);
        }
    }
    EXPECT_EQ(keyed, 0);
}

// Outlines against the key are hard: an opaque pixel blended with magenta would show as a
// purple fringe (red and blue both well above green).
TEST_F(CommittedAssets, SpritesHaveNoPurpleFringe) {
    for (const PngImage* image : {&tree, &bush, &target}) {
        int fringe = 0;
        for (int y = 0; y < image->height; ++y) {
            for (int x = 0; x < image->width; ++x) {
                uint32_t p = image->pixel(x, y);
                int r = p >> 16, g = (p >> 8) & 0xFF, b = p & 0xFF;
                fringe += !image->isKey(x, y) && std::min(r, b) > g + 40;
            }
        }
        EXPECT_EQ(fringe, 0);
    }
}

int opaqueInColumn(const PngImage& image, int x) {
    int count = 0;
    for (int y = 0; y < image.height; ++y) {
        count += !image.isKey(x, y);
    }
    return count;
}

int opaqueInRow(const PngImage& image, int y) {
    int count = 0;
    for (int x = 0; x < image.width; ++x) {
        count += !image.isKey(x, y);
    }
    return count;
}

// A silhouette that runs into the picture's edge shows as a straight cut in the scene. Only
// the bush's left side is cut (over the rows where track 2's target hides), and the feet
// of both stand on the bottom row.
TEST_F(CommittedAssets, SpriteOutlinesStayInsideTheirPictures) {
    EXPECT_EQ(opaqueInRow(tree, 0), 0);
    EXPECT_EQ(opaqueInColumn(tree, 0), 0);
    EXPECT_EQ(opaqueInColumn(tree, tree.width - 1), 0);
    EXPECT_EQ(opaqueInRow(bush, 0), 0);
    EXPECT_EQ(opaqueInColumn(bush, bush.width - 1), 0);
    EXPECT_LE(opaqueInColumn(bush, 0), 64);
    EXPECT_GT(opaqueInRow(tree, tree.height - 1), 0);
    EXPECT_GT(opaqueInRow(bush, bush.height - 1), 0);
}

TEST_F(CommittedAssets, TargetIsARoundRedAndWhiteDisc) {
    // Transparent corners, opaque along both middle lines from edge to edge.
    for (int corner : {0, 47}) {
        EXPECT_TRUE(target.isKey(corner, 0));
        EXPECT_TRUE(target.isKey(corner, 47));
    }
    for (int i = 0; i < 48; ++i) {
        EXPECT_FALSE(target.isKey(i, 24)) << i;
        EXPECT_FALSE(target.isKey(24, i)) << i;
    }
    uint32_t bullseye = target.pixel(24, 24);
    EXPECT_GT(bullseye >> 16, 180u);
    EXPECT_LT((bullseye >> 8) & 0xFF, 80u);
    int white = 0;
    for (int x = 24; x < 48; ++x) {
        uint32_t p = target.pixel(x, 24);
        white += (p >> 16) > 220 && ((p >> 8) & 0xFF) > 220 && (p & 0xFF) > 200;
    }
    EXPECT_GE(white, 4);
}

struct Track {
    int startX;
    int startY;
    int endX;
    int endY;
};

const Track Tracks[] = {
    {140, 150, 270, 150}, {500, 350, 400, 250}, {400, 380, 300, 380},
    {140, 150, 10, 170},  {190, 230, 250, 350}, {140, 130, 140, 0},
};

TEST_F(CommittedAssets, EveryTrackStartsCompletelyBehindTheTreeOrTheBush) {
    for (size_t i = 0; i < std::size(Tracks); ++i) {
        int uncovered = 0;
        for (int y = Tracks[i].startY; y < Tracks[i].startY + 48; ++y) {
            for (int x = Tracks[i].startX; x < Tracks[i].startX + 48; ++x) {
                uncovered += !foregroundCovers(x, y);
            }
        }
        EXPECT_EQ(uncovered, 0) << "track " << i;
    }
}

TEST_F(CommittedAssets, EveryTrackEndsInTheOpen) {
    for (size_t i = 0; i < std::size(Tracks); ++i) {
        int covered = 0;
        for (int y = Tracks[i].endY; y < Tracks[i].endY + 48; ++y) {
            for (int x = Tracks[i].endX; x < Tracks[i].endX + 48; ++x) {
                covered += foregroundCovers(x, y);
            }
        }
        EXPECT_EQ(covered, 0) << "track " << i;
    }
}

} // namespace
