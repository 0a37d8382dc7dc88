// texkit convert's mip chains run as a user runs them: kernels in linear light on a
// checkerboard, alpha-tested coverage, normal maps, the chain a load makes kept on request,
// the same bytes for any number of workers and with "DisableMMX", and bad values refused.
#include "blit/mip_coverage.h"
#include "tests/platform/win32/temp_folder.h"
#include "tests/texture/jpeg_maker.h"
#include "tests/texture/png_maker.h"
#include "tests/tools/program_run.h"
#include "texture/image_decoder.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

class TexkitChain : public InTempFolder {
protected:
    static ProgramRun texkit(const std::string& arguments) {
        return runCommand(std::string(TEXKIT_PROGRAM) + " " + arguments);
    }

    // An RGBA PNG from 0xAARRGGBB texels.
    static void writePicture(const std::string& path, uint32_t width, uint32_t height,
                             const std::vector<uint32_t>& texels) {
        PngRecipe r;
        r.width = width;
        r.height = height;
        r.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
        for (const uint32_t t : texels)
            for (const int shift : {16, 8, 0, 24})
                r.rows.push_back(uint8_t(t >> shift));
        const Bytes file = makePng(r);
        writeHostFile(path, std::string(file.begin(), file.end()));
    }

    static Bytes bytesOf(const fs::path& path) {
        const std::string text = readHostFile(path);
        return Bytes(text.begin(), text.end());
    }

    // The levels of an A8R8G8B8 DDS file as 0xAARRGGBB texels.
    static std::vector<std::vector<uint32_t>> levelsOf(const fs::path& path) {
        const Bytes file = bytesOf(path);
        ImageDecoder image;
        std::vector<std::vector<uint32_t>> levels;
        EXPECT_EQ(image.load(file.data(), UINT(file.size()), nullptr), D3D_OK) << path;
        for (const ImageDecoder* level = &image; level != nullptr; level = level->nextLevel.get()) {
            EXPECT_EQ(level->format, D3DFMT_A8R8G8B8);
            std::vector<uint32_t> texels(size_t(level->width) * level->height);
            for (UINT y = 0; y < level->height; ++y)
                std::memcpy(&texels[size_t(y) * level->width], level->bits + y * level->rowPitch,
                            level->width * 4);
            levels.push_back(std::move(texels));
        }
        return levels;
    }
};

std::vector<uint32_t> checkerboard(uint32_t size) {
    std::vector<uint32_t> texels(size * size);
    for (uint32_t y = 0; y < size; ++y)
        for (uint32_t x = 0; x < size; ++x)
            texels[y * size + x] = (x + y) % 2 ? 0xFFFFFFFFu : 0xFF000000u;
    return texels;
}

// A cut-out: thin leaves and twigs on a clear background, with soft edges.
std::vector<uint32_t> cutOut(uint32_t width, uint32_t height) {
    std::vector<uint32_t> texels(width * height);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const double u = x / 256.0, v = y / 256.0;
            const double leaf = std::sin(u * 90) * std::cos(v * 70) + std::sin((u + v) * 160) * 0.6;
            const double a = std::clamp((leaf - 0.3) * 3.0, 0.0, 1.0);
            texels[y * width + x] = uint32_t(a * 255 + 0.5) << 24 | 0x3C8C28u;
        }
    }
    return texels;
}

uint32_t channel(uint32_t t, int shift) {
    return (t >> shift) & 0xFF;
}

TEST_F(TexkitChain, ACheckerboardKeepsItsLightByDefaultAndAveragesValuesInLinear) {
    writePicture("checker.png", 64, 64, checkerboard(64));
    ASSERT_EQ(texkit("convert checker.png -o srgb --format A8R8G8B8 -q").status, 0);
    ASSERT_EQ(texkit("convert checker.png -o linear --format A8R8G8B8 -q --colorspace linear")
                  .status,
              0);
    ASSERT_EQ(texkit("convert checker.png -o load --format A8R8G8B8 -q --mip-filter box "
                     "--colorspace linear")
                  .status,
              0);
    const auto srgb = levelsOf("srgb/checker.dds");
    const auto linear = levelsOf("linear/checker.dds");
    const auto load = levelsOf("load/checker.dds");
    ASSERT_EQ(srgb.size(), 7u);
    // Away from the clamped edges, where the kernel sees the whole pattern.
    for (uint32_t y = 4; y < 28; ++y) {
        for (uint32_t x = 4; x < 28; ++x) {
            const uint32_t s = srgb[1][y * 32 + x], l = linear[1][y * 32 + x];
            ASSERT_NEAR(int(channel(s, 16)), 188, 1) << x << "," << y;
            ASSERT_NEAR(int(channel(s, 0)), 188, 1);
            ASSERT_NEAR(int(channel(l, 8)), 128, 1);
        }
    }
    for (const uint32_t t : load[1])
        ASSERT_EQ(t, 0xFF808080u); // (255 + 255 + 0 + 0 + 2) >> 2
}

TEST_F(TexkitChain, AlphaTestKeepsEveryLevelsCoverage) {
    const std::vector<uint32_t> picture = cutOut(256, 256);
    writePicture("leaf.png", 256, 256, picture);
    ASSERT_EQ(texkit("convert leaf.png -o kept --format A8R8G8B8 -q --alpha-test 128").status, 0);
    ASSERT_EQ(texkit("convert leaf.png -o plain --format A8R8G8B8 -q").status, 0);
    const auto kept = levelsOf("kept/leaf.dds");
    const auto plain = levelsOf("plain/leaf.dds");
    const double level0 = alphaCoverage(picture.data(), picture.size(), 128);
    ASSERT_GT(level0, 0.2);
    double plainDrift = 0;
    for (size_t l = 1; l < kept.size() && kept[l].size() >= 256; ++l) {
        EXPECT_NEAR(alphaCoverage(kept[l].data(), kept[l].size(), 128), level0, 0.01) << l;
        plainDrift = std::max(
            plainDrift, std::fabs(alphaCoverage(plain[l].data(), plain[l].size(), 128) - level0));
    }
    EXPECT_GT(plainDrift, 0.02);
    // compare names each level's coverage in both files.
    const ProgramRun compare = texkit("compare kept/leaf.dds plain/leaf.dds --alpha-test 128");
    ASSERT_EQ(compare.status, 0) << compare.err;
    char line[96];
    std::snprintf(line, sizeof line, "level=0 alpha_test=128 coverage_a=%.4f coverage_b=%.4f\n",
                  level0, level0);
    EXPECT_NE(compare.out.find(line), std::string::npos) << compare.out;
    std::snprintf(line, sizeof line, "level=2 alpha_test=128 coverage_a=%.4f coverage_b=%.4f\n",
                  alphaCoverage(kept[2].data(), kept[2].size(), 128),
                  alphaCoverage(plain[2].data(), plain[2].size(), 128));
    EXPECT_NE(compare.out.find(line), std::string::npos) << compare.out;
}

TEST_F(TexkitChain, NormalMapsStayUnitLength) {
    std::vector<uint32_t> normals(128 * 128);
    for (uint32_t y = 0; y < 128; ++y) {
        for (uint32_t x = 0; x < 128; ++x) {
            const double nx = 0.6 * std::sin(x * 0.4), ny = 0.5 * std::cos(y * 0.3 + x * 0.1);
            const double length = std::sqrt(nx * nx + ny * ny + 1);
            auto byte = [](double c) { return uint32_t(std::lround((c + 1) * 127.5)); };
            normals[y * 128 + x] = 0xFF000000u | byte(nx / length) << 16 |
                                   byte(ny / length) << 8 | byte(1 / length);
        }
    }
    writePicture("normals.png", 128, 128, normals);
    ASSERT_EQ(texkit("convert normals.png -o n --format A8R8G8B8 -q --normal-map").status, 0);
    ASSERT_EQ(texkit("convert normals.png -o plain --format A8R8G8B8 -q --colorspace linear")
                  .status,
              0);
    const auto renormalised = levelsOf("n/normals.dds");
    const auto plain = levelsOf("plain/normals.dds");
    double shortest = 2;
    for (size_t l = 0; l < renormalised.size(); ++l) {
        for (size_t i = 0; i < renormalised[l].size(); ++i) {
            auto length = [](uint32_t t) {
                const double x = channel(t, 16) / 127.5 - 1, y = channel(t, 8) / 127.5 - 1,
                             z = channel(t, 0) / 127.5 - 1;
                return std::sqrt(x * x + y * y + z * z);
            };
            ASSERT_NEAR(length(renormalised[l][i]), 1.0, 0.02) << "level " << l;
            shortest = std::min(shortest, length(plain[l][i]));
        }
    }
    EXPECT_LT(shortest, 0.9); // averaged as colours, the vectors shrink
    const ProgramRun compare = texkit("compare n/normals.dds plain/normals.dds --normal-map");
    ASSERT_EQ(compare.status, 0) << compare.err;
    // Level 0 is the same picture in both files: no angle between them.
    EXPECT_NE(compare.out.find("level=0 mean_angle=0.000 max_angle=0.000\n"), std::string::npos)
        << compare.out;
    EXPECT_NE(compare.out.find("level=3 mean_angle="), std::string::npos) << compare.out;
}

TEST_F(TexkitChain, EveryOptionGivesTheSameBytesForAnyWorkersAndWithoutProcessorCode) {
    writePicture("a.png", 203, 150, cutOut(203, 150));
    writePicture("b.png", 64, 64, checkerboard(64));
    writeHostFile("plain.reg", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Direct3D]"
                               "\r\n\"DisableMMX\"=dword:00000001\r\n");
    const char* requests[] = {
        "",
        "--alpha-test 128",
        "--normal-map --mip-filter triangle",
        "--mip-filter lanczos --wrap repeat",
        "--mip-filter mitchell --wrap mirror --colorspace linear",
        "--filter kaiser --width 300 --height 77",
    };
    for (const char* format : {"A8R8G8B8", "DXT5"}) {
        for (const char* request : requests) {
            const std::string common = std::string(" a.png b.png -q --force --format ") + format +
                                       " " + request;
            ASSERT_EQ(texkit("convert -o one -j 1" + common).status, 0) << request;
            ASSERT_EQ(texkit("convert -o four -j 4" + common).status, 0) << request;
            ASSERT_EQ(runCommand("BOSQUETIR_REGISTRY=plain.reg " + std::string(TEXKIT_PROGRAM) +
                                 " convert -o plain -j 2" + common)
                          .status,
                      0);
            for (const char* name : {"a.dds", "b.dds"}) {
                const Bytes one = bytesOf(fs::path("one") / name);
                ASSERT_GT(one.size(), 128u);
                EXPECT_TRUE(bytesOf(fs::path("four") / name) == one) << format << request;
                EXPECT_TRUE(bytesOf(fs::path("plain") / name) == one) << format << request;
            }
        }
    }
}

TEST_F(TexkitChain, AssembleFiltersEachCubeFaceWithTheKernels) {
    writePicture("face.png", 32, 32, checkerboard(32));
    const std::string faces = " face.png face.png face.png face.png face.png face.png";
    ASSERT_EQ(texkit("assemble --cube" + faces + " -o cube.dds --format A8R8G8B8").status, 0);
    const Bytes file = bytesOf("cube.dds");
    ImageDecoder image;
    ASSERT_EQ(image.load(file.data(), UINT(file.size()), nullptr), D3D_OK);
    ASSERT_EQ(image.faceCount(), 6u);
    for (const ImageDecoder* face = &image; face != nullptr; face = face->nextFace.get()) {
        const ImageDecoder* level1 = face->nextLevel.get();
        ASSERT_NE(level1, nullptr);
        ASSERT_EQ(level1->width, 16u);
        uint32_t texel = 0;
        std::memcpy(&texel, level1->bits + 8 * level1->rowPitch + 8 * 4, 4);
        EXPECT_NEAR(int(channel(texel, 16)), 188, 1); // linear light by default
    }
    // A volume's levels by the kernels too: a one-pixel checkerboard in every slice, and slices
    // that alternate it with its inverse, both average to the light of grey 188.
    writePicture("back.png", 32, 32, [] {
        std::vector<uint32_t> inverse = checkerboard(32);
        for (uint32_t& t : inverse)
            t ^= 0xFFFFFFu;
        return inverse;
    }());
    for (const char* slices : {" face.png face.png", " face.png back.png face.png back.png"}) {
        const std::string volume =
            std::string("assemble --volume") + slices + " -o v.dds --format A8R8G8B8 --mip-filter ";
        ASSERT_EQ(texkit(volume + "kaiser").status, 0) << slices;
        const Bytes made = bytesOf("v.dds");
        ASSERT_EQ(image.load(made.data(), UINT(made.size()), nullptr), D3D_OK);
        const ImageDecoder* level1 = image.nextLevel.get();
        ASSERT_NE(level1, nullptr);
        ASSERT_EQ(level1->width, 16u);
        ASSERT_EQ(level1->depth, UINT(std::string(slices).size() > 20 ? 2 : 1));
        for (UINT z = 0; z < level1->depth; ++z) {
            uint32_t texel = 0;
            std::memcpy(&texel,
                        level1->bits + z * level1->slicePitch + 8 * level1->rowPitch + 8 * 4, 4);
            EXPECT_NEAR(int(channel(texel, 16)), 188, 1) << slices << " slice " << z;
        }
        // The loader's chain on request: its volume filter, the mean of eight stored values.
        ASSERT_EQ(texkit(volume + "box --colorspace linear").status, 0);
        const Bytes loader = bytesOf("v.dds");
        ASSERT_EQ(image.load(loader.data(), UINT(loader.size()), nullptr), D3D_OK);
        uint32_t texel = 0;
        std::memcpy(&texel, image.nextLevel->bits + 8 * image.nextLevel->rowPitch + 8 * 4, 4);
        EXPECT_NEAR(int(channel(texel, 16)), 128, 1) << slices;
    }
    // Every option of the kernels applies to a volume.
    EXPECT_EQ(texkit("assemble --volume face.png back.png -o v.dds --wrap repeat --alpha-test 100 "
                     "--filter lanczos --width 20 --height 12")
                  .status,
              0);
    EXPECT_EQ(texkit("assemble --volume face.png back.png -o v.dds --normal-map").status, 0);
}

uint32_t wordAt(const Bytes& file, size_t offset) {
    return uint32_t(file[offset]) | uint32_t(file[offset + 1]) << 8 |
           uint32_t(file[offset + 2]) << 16 | uint32_t(file[offset + 3]) << 24;
}

// Block formats keep the picture's size: the header and the readers see it, the blocks inside
// the picture are those of the picture cut to whole blocks, each face of a cube is the chain
// convert makes of its picture, and each slice of a volume its level 0.
TEST_F(TexkitChain, BlockFormatsKeepThePicturesSizeInConvertAndAssemble) {
    const struct {
        uint32_t width, height, levels;
    } shapes[] = {{451, 300, 9}, {57, 57, 6}, {63, 63, 6}};
    for (const auto& shape : shapes) {
        const std::vector<uint32_t> texels = cutOut(shape.width, shape.height);
        writePicture("p.png", shape.width, shape.height, texels);
        const uint32_t wholeWidth = shape.width / 4 * 4, wholeHeight = shape.height / 4 * 4;
        std::vector<uint32_t> whole;
        for (uint32_t y = 0; y < wholeHeight; ++y)
            whole.insert(whole.end(), texels.begin() + y * shape.width,
                         texels.begin() + y * shape.width + wholeWidth);
        writePicture("whole.png", wholeWidth, wholeHeight, whole);
        for (const char* format : {"DXT1", "DXT5"}) {
            const std::string what = std::to_string(shape.width) + " " + format;
            ASSERT_EQ(
                texkit(std::string("convert p.png whole.png -o out -q --force --format ") + format)
                    .status,
                0)
                << what;
            const Bytes file = bytesOf("out/p.dds");
            ASSERT_GT(file.size(), 128u);
            EXPECT_EQ(wordAt(file, 12), shape.height) << what;
            EXPECT_EQ(wordAt(file, 16), shape.width) << what;
            EXPECT_EQ(wordAt(file, 28), shape.levels) << what;
            ImageDecoder image;
            ASSERT_EQ(image.load(file.data(), UINT(file.size()), nullptr), D3D_OK) << what;
            uint32_t level = 0;
            for (const ImageDecoder* l = &image; l != nullptr; l = l->nextLevel.get(), ++level) {
                EXPECT_EQ(l->width, std::max(1u, shape.width >> level)) << what;
                EXPECT_EQ(l->height, std::max(1u, shape.height >> level)) << what;
            }
            EXPECT_EQ(level, shape.levels) << what;
            // Level 0's full blocks, byte for byte.
            const Bytes cut = bytesOf("out/whole.dds");
            const size_t blockBytes = std::string(format) == "DXT1" ? 8 : 16;
            const size_t across = (shape.width + 3) / 4, cutAcross = wholeWidth / 4;
            for (size_t by = 0; by < wholeHeight / 4; ++by) {
                ASSERT_TRUE(std::equal(cut.begin() + 128 + by * cutAcross * blockBytes,
                                       cut.begin() + 128 + (by + 1) * cutAcross * blockBytes,
                                       file.begin() + 128 + by * across * blockBytes))
                    << what << ", block row " << by;
            }
            const ProgramRun identify = runCommand("identify -format '%w %h\\n' out/p.dds");
            ASSERT_EQ(identify.status, 0) << identify.err;
            EXPECT_EQ(identify.out.substr(0, identify.out.find('\n')),
                      std::to_string(shape.width) + " " + std::to_string(shape.height));
            if (shape.width != shape.height)
                continue;
            ASSERT_EQ(texkit(std::string("assemble --cube p.png p.png p.png p.png p.png p.png "
                                         "-o cube.dds --format ") +
                             format)
                          .status,
                      0)
                << what;
            const Bytes cube = bytesOf("cube.dds");
            ASSERT_EQ(cube.size(), 128 + 6 * (file.size() - 128)) << what;
            EXPECT_EQ(wordAt(cube, 12), shape.height) << what;
            EXPECT_EQ(wordAt(cube, 16), shape.width) << what;
            EXPECT_EQ(wordAt(cube, 28), shape.levels) << what;
            for (size_t face = 0; face < 6; ++face)
                EXPECT_TRUE(std::equal(file.begin() + 128, file.end(),
                                       cube.begin() + 128 + face * (file.size() - 128)))
                    << what << ", face " << face;
            // A volume keeps its slices' size too; its level 0 slices are convert's level 0.
            ASSERT_EQ(texkit(std::string("assemble --volume p.png p.png -o volume.dds --format ") +
                             format)
                          .status,
                      0)
                << what;
            const Bytes volume = bytesOf("volume.dds");
            const size_t level0 = across * ((shape.height + 3) / 4) * blockBytes;
            ASSERT_GT(volume.size(), 128 + 2 * level0);
            EXPECT_EQ(wordAt(volume, 12), shape.height) << what;
            EXPECT_EQ(wordAt(volume, 16), shape.width) << what;
            EXPECT_EQ(wordAt(volume, 24), 2u) << what;
            EXPECT_EQ(wordAt(volume, 28), shape.levels) << what;
            for (size_t z = 0; z < 2; ++z)
                EXPECT_TRUE(std::equal(file.begin() + 128, file.begin() + 128 + level0,
                                       volume.begin() + 128 + z * level0))
                    << what << ", slice " << z;
            ImageDecoder slices;
            ASSERT_EQ(slices.load(volume.data(), UINT(volume.size()), nullptr), D3D_OK) << what;
            EXPECT_EQ(slices.width, shape.width);
            EXPECT_EQ(slices.depth, 2u);
            const ProgramRun faces = runCommand("identify -format '%w %h\\n' cube.dds");
            ASSERT_EQ(faces.status, 0) << faces.err;
            const std::string line =
                std::to_string(shape.width) + " " + std::to_string(shape.height) + "\n";
            EXPECT_EQ(faces.out, line + line + line + line + line + line);
        }
    }
}

// A DDS that brings its own levels keeps its size in a block format too: its levels are
// encoded as they are stored, so going through an A8R8G8B8 file gives the blocks that
// converting the picture straight away gives, with no word about a changed size.
TEST_F(TexkitChain, APictureWithItsOwnLevelsKeepsItsSizeInBlockFormats) {
    writePicture("p.png", 451, 300, cutOut(451, 300));
    ASSERT_EQ(texkit("convert p.png -q -o argb --format A8R8G8B8").status, 0);
    for (const char* format : {"DXT1", "DXT5"}) {
        ASSERT_EQ(texkit(std::string("convert p.png -q --force -o straight --format ") + format)
                      .status,
                  0);
        const ProgramRun run =
            texkit(std::string("convert argb/p.dds --force -o stored --format ") + format);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err.find("warning"), std::string::npos) << run.err;
        const Bytes file = bytesOf("stored/p.dds");
        ASSERT_GT(file.size(), 128u);
        EXPECT_EQ(wordAt(file, 12), 300u) << format;
        EXPECT_EQ(wordAt(file, 16), 451u) << format;
        EXPECT_EQ(wordAt(file, 28), 9u) << format;
        EXPECT_TRUE(file == bytesOf("straight/p.dds")) << format;
    }
    // Whole blocks already hold the size: the load's own levels, as before.
    writePicture("q.png", 64, 32, cutOut(64, 32));
    ASSERT_EQ(texkit("convert q.png -q -o argb --format A8R8G8B8").status, 0);
    ASSERT_EQ(texkit("convert argb/q.dds -q -o stored --format DXT1").status, 0);
    const Bytes whole = bytesOf("stored/q.dds");
    EXPECT_EQ(wordAt(whole, 16), 64u);
    EXPECT_EQ(wordAt(whole, 28), 7u);
}

// 16-bit pictures: 25777 is 100.30 of 255 and 26548 is 103.30. Filtered from those values a
// constant picture's level 1 is 100 throughout, and 2 x 2 cells of three low and one high
// texels average 101.05. Level 0 at 8 bits is dithered (100s and 101s), so the constant
// picture's chain made from it is not flat.
TEST_F(TexkitChain, SixteenBitPicturesAreFilteredFromTheirOwnValues) {
    const uint16_t low = 25777, high = 26548;
    for (const int colorType : {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_RGB_ALPHA}) {
        const int channels = colorType == PNG_COLOR_TYPE_GRAY ? 1 : 4;
        for (const bool mixed : {false, true}) {
            PngRecipe r;
            r.width = r.height = 8;
            r.colorType = colorType;
            r.bitDepth = 16;
            for (uint32_t y = 0; y < 8; ++y) {
                for (uint32_t x = 0; x < 8; ++x) {
                    const uint16_t v = mixed && x % 2 && y % 2 ? high : low;
                    for (int c = 0; c < channels; ++c) {
                        const uint16_t sample = c == 3 ? 0xFFFF : v;
                        r.rows.insert(r.rows.end(), {uint8_t(sample >> 8), uint8_t(sample)});
                    }
                }
            }
            const Bytes file = makePng(r);
            writeHostFile("deep.png", std::string(file.begin(), file.end()));
            // The builder's box chain (--wrap names it), values as they are; a colour key has
            // no 16-bit value, so with one the chain starts from the 8-bit level 0.
            const std::string common = "convert deep.png -o out -q --force --format A8R8G8B8 "
                                       "--mip-filter box --colorspace linear --wrap clamp";
            for (const bool keyed : {false, true}) {
                ASSERT_EQ(texkit(common + (keyed ? " --key 0x01020304" : "")).status, 0);
                const auto levels = levelsOf("out/deep.dds");
                ASSERT_EQ(levels.size(), 4u);
                const uint32_t flat = 0xFF000000u | (mixed ? 101 : 100) * 0x10101u;
                const auto flatTexels = std::count(levels[1].begin(), levels[1].end(), flat);
                if (keyed && !mixed) {
                    EXPECT_LT(flatTexels, 16) << "colour type " << colorType;
                } else if (!keyed) {
                    EXPECT_EQ(flatTexels, 16)
                        << "colour type " << colorType << (mixed ? ", mixed" : "");
                }
            }
            // assemble's cube faces and volume slices alike.
            const std::string options = " --format A8R8G8B8 --mip-filter box --colorspace linear "
                                        "--wrap clamp";
            ASSERT_EQ(texkit("assemble --cube deep.png deep.png deep.png deep.png deep.png "
                             "deep.png -o cube.dds" +
                             options)
                          .status,
                      0);
            ASSERT_EQ(texkit("assemble --volume deep.png deep.png -o volume.dds" + options).status,
                      0);
            const uint32_t flat = 0xFF000000u | (mixed ? 101 : 100) * 0x10101u;
            for (const char* made : {"cube.dds", "volume.dds"}) {
                const Bytes bytes = bytesOf(made);
                ImageDecoder image;
                ASSERT_EQ(image.load(bytes.data(), UINT(bytes.size()), nullptr), D3D_OK);
                for (const ImageDecoder* face = &image; face != nullptr;
                     face = face->nextFace.get()) {
                    const ImageDecoder* level1 = face->nextLevel.get();
                    ASSERT_NE(level1, nullptr);
                    ASSERT_EQ(level1->width, 4u);
                    for (UINT y = 0; y < 4; ++y) {
                        for (UINT x = 0; x < 4; ++x) {
                            uint32_t texel = 0;
                            std::memcpy(&texel, level1->bits + y * level1->rowPitch + x * 4, 4);
                            ASSERT_EQ(texel, flat) << made << (mixed ? ", mixed" : "");
                        }
                    }
                }
            }
        }
    }
}

TEST_F(TexkitChain, BadValuesAreNamedAndExitWith2) {
    struct Case {
        const char* arguments;
        const char* error;
    };
    const Case cases[] = {
        {"--alpha-test 300", "texkit: cannot read --alpha-test 300\n"},
        {"--alpha-test -1", "texkit: cannot read --alpha-test -1\n"},
        {"--mip-filter gauss", "texkit: cannot read --mip-filter gauss\n"},
        {"--filter sharp", "texkit: cannot read --filter sharp\n"},
        {"--wrap tile", "texkit: cannot read --wrap tile\n"},
        {"--colorspace rgb", "texkit: cannot read --colorspace rgb\n"},
        {"--normal-map --format L8",
         "texkit: --normal-map needs a format with red and green channels at least\n"},
        {"--normal-map --format A8",
         "texkit: --normal-map needs a format with red and green channels at least\n"},
        {"--normal-map --colorspace srgb",
         "texkit: --normal-map filters vectors, without the sRGB curve: --colorspace srgb does "
         "not apply\n"},
        {"--alpha-test 100 --mip-filter point",
         "texkit: --alpha-test, --normal-map and --wrap need a --mip-filter of box, triangle, "
         "kaiser, lanczos or mitchell\n"},
    };
    for (const Case& c : cases) {
        const ProgramRun r = texkit(std::string("convert a.png -o out ") + c.arguments);
        EXPECT_EQ(r.status, 2) << c.arguments;
        EXPECT_EQ(r.err.substr(0, r.err.find('\n') + 1), c.error) << c.arguments;
    }
    // A grey picture has no room for a vector: that file fails, named.
    PngRecipe grey;
    grey.width = grey.height = 8;
    grey.colorType = PNG_COLOR_TYPE_GRAY;
    grey.rows.assign(64, 100);
    const Bytes file = makePng(grey);
    writeHostFile("grey.png", std::string(file.begin(), file.end()));
    const ProgramRun r = texkit("convert grey.png -o out --normal-map");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE((r.out + r.err).find("--normal-map needs red and green channels at least"), std::string::npos)
        << r.out << r.err;
    // Two channels hold a normal map's x and y.
    writePicture("rgb.png", 8, 8, std::vector<uint32_t>(64, 0xFF8080FFu));
    EXPECT_EQ(texkit("convert rgb.png -o bc5 -q --normal-map --format BC5").status, 0);
    const ProgramRun help = texkit("convert --help");
    for (const char* text : {"kaiser (the default", "radius 3, alpha 4, stretch 1",
                             "B = C = 1/3", "clamp (the default", "--alpha-test REF"})
        EXPECT_NE(help.out.find(text), std::string::npos) << text;
}

} // namespace
