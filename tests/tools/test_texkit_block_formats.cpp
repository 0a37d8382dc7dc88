// texkit with the later block formats, run as a user runs it: convert into BC4, BC5 (both
// kinds, by every name) and, once its codec is built in, BC7; the legacy codes and the DX10
// header they are written with; info's DXGI line; and two independent readers: Debian's
// nvcompress files read by our loader as its nvdecompress reads them, and our files read by
// Python's imaging library as our decoder reads them.
#include "tests/platform/win32/temp_folder.h"
#include "tests/texture/jpeg_maker.h"
#include "tests/texture/png_maker.h"
#include "tests/tools/program_run.h"
#include "blocks/bc7.h"
#include "tools/texkit/decoded_texture.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t wordAt(const std::string& bytes, size_t offset) {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= uint32_t(uint8_t(bytes[offset + i])) << (8 * i);
    return value;
}

int channel(uint32_t argb, int shift) {
    return int((argb >> shift) & 0xFF);
}

class TexkitBlockFormats : public InTempFolder {
protected:
    ProgramRun texkit(const std::string& arguments) {
        return runCommand(std::string(TEXKIT_PROGRAM) + " " + arguments);
    }

    // A photograph-like 40 x 24 RGB picture: whole blocks and a chain down to 1 x 1.
    void writePicture(const std::string& name) {
        PngRecipe r;
        r.width = 40;
        r.height = 24;
        r.colorType = PNG_COLOR_TYPE_RGB;
        r.rows = photoLikeSamples(r.width, r.height, 3);
        const Bytes file = makePng(r);
        writeHostFile(name, std::string(file.begin(), file.end()));
    }

    // Square 16 x 16 RGB pictures cut from one photograph-like strip, each different.
    void writeFaces(uint32_t count) {
        const std::vector<uint8_t> strip = photoLikeSamples(16, 16 * count, 3);
        for (uint32_t face = 0; face < count; ++face) {
            PngRecipe r;
            r.width = 16;
            r.height = 16;
            r.colorType = PNG_COLOR_TYPE_RGB;
            r.rows.assign(strip.begin() + face * 16 * 16 * 3, strip.begin() + (face + 1) * 16 * 16 * 3);
            const Bytes file = makePng(r);
            writeHostFile("f" + std::to_string(face) + ".png",
                                        std::string(file.begin(), file.end()));
        }
    }

    // Level 0 of a file as our decoder gives it.
    static DecodedLevel decoded(const std::string& path) {
        DecodedTexture texture;
        std::string reason;
        EXPECT_EQ(decodeTextureFile(path, &texture, &reason), D3D_OK) << path << ": " << reason;
        return texture.faces.empty() ? DecodedLevel{} : texture.faces[0][0];
    }

    static bool hasProgram(const char* name) {
        return runCommand(std::string("command -v ") + name).status == 0;
    }
};

} // namespace

TEST_F(TexkitBlockFormats, ConvertWritesTheLegacyCodesOrTheDx10Header) {
    writePicture("in.png");
    struct Case {
        const char* name;
        uint32_t code;  // the legacy four-character code
        uint32_t dxgi;  // the DXGI format of --dds10
        uint32_t bytes; // of the 40 x 24 level
    };
    const Case cases[] = {{"BC4", MAKEFOURCC('A', 'T', 'I', '1'), 80, 10 * 6 * 8},
                          {"ATI1", MAKEFOURCC('A', 'T', 'I', '1'), 80, 10 * 6 * 8},
                          {"BC4S", MAKEFOURCC('B', 'C', '4', 'S'), 81, 10 * 6 * 8},
                          {"BC5", MAKEFOURCC('A', 'T', 'I', '2'), 83, 10 * 6 * 16},
                          {"ATI2", MAKEFOURCC('A', 'T', 'I', '2'), 83, 10 * 6 * 16},
                          {"BC5S", MAKEFOURCC('B', 'C', '5', 'S'), 84, 10 * 6 * 16},
                          {"DXT1", MAKEFOURCC('D', 'X', 'T', '1'), 71, 10 * 6 * 8}};
    for (const Case& c : cases) {
        const std::string legacy = std::string("legacy-") + c.name;
        const std::string dx10 = std::string("dx10-") + c.name;
        ASSERT_EQ(texkit(std::string("convert in.png -q --format ") + c.name + " -o " + legacy)
                      .status,
                  0)
            << c.name;
        ASSERT_EQ(texkit(std::string("convert in.png -q --dds10 --levels 1 --format ") + c.name +
                         " -o " + dx10)
                      .status,
                  0)
            << c.name;
        const std::string old = readHostFile(legacy + "/in.dds");
        const std::string modern = readHostFile(dx10 + "/in.dds");
        ASSERT_GT(old.size(), 128u + c.bytes);
        EXPECT_EQ(wordAt(old, 84), c.code) << c.name;
        // The picture keeps its size: no device's limits apply to a format no device samples.
        EXPECT_EQ(wordAt(old, 12), 24u);
        EXPECT_EQ(wordAt(old, 16), 40u);
        ASSERT_EQ(modern.size(), 148u + c.bytes) << c.name;
        EXPECT_EQ(wordAt(modern, 84), MAKEFOURCC('D', 'X', '1', '0'));
        EXPECT_EQ(wordAt(modern, 128), c.dxgi) << c.name;
        EXPECT_EQ(wordAt(modern, 132), 3u); // two-dimensional
        EXPECT_EQ(wordAt(modern, 140), 1u); // one element
        // The same blocks either way, read back as the same pixels.
        EXPECT_EQ(old.substr(128, c.bytes), modern.substr(148)) << c.name;
        EXPECT_EQ(decoded(legacy + "/in.dds").argb, decoded(dx10 + "/in.dds").argb) << c.name;
        const ProgramRun info = texkit("info " + dx10 + "/in.dds");
        EXPECT_NE(info.out.find("info.dxgiFormat=" + std::to_string(c.dxgi) + " "),
                  std::string::npos)
            << info.out;
        EXPECT_EQ(texkit("info " + legacy + "/in.dds").out.find("dxgiFormat"), std::string::npos);
    }
    // Premultiplied DXT4 is BC3 with the premultiplied alpha mode.
    ASSERT_EQ(texkit("convert in.png -q --dds10 --format DXT4 -o dxt4").status, 0);
    const std::string dxt4 = readHostFile("dxt4/in.dds");
    EXPECT_EQ(wordAt(dxt4, 128), 77u);
    EXPECT_EQ(wordAt(dxt4, 144), 2u);
}

TEST_F(TexkitBlockFormats, OneAndTwoChannelTexturesHoldTheGreyOrRedAndGreen) {
    writePicture("in.png");
    ASSERT_EQ(texkit("convert in.png -q --format BC4 -o grey").status, 0);
    ASSERT_EQ(texkit("convert in.png -q --format BC5 -o pair").status, 0);
    const DecodedLevel picture = decoded("in.png");
    const DecodedLevel grey = decoded("grey/in.dds");
    const DecodedLevel pair = decoded("pair/in.dds");
    ASSERT_EQ(grey.argb.size(), picture.argb.size());
    double greyError = 0.0, pairError = 0.0;
    for (size_t i = 0; i < picture.argb.size(); ++i) {
        const uint32_t p = picture.argb[i];
        const double luma =
            0.2125 * channel(p, 16) + 0.7154 * channel(p, 8) + 0.0721 * channel(p, 0);
        greyError += (channel(grey.argb[i], 16) - luma) * (channel(grey.argb[i], 16) - luma);
        EXPECT_EQ(channel(grey.argb[i], 8), channel(grey.argb[i], 16));
        for (int shift : {16, 8}) {
            const int d = channel(pair.argb[i], shift) - channel(p, shift);
            pairError += d * d;
        }
        EXPECT_EQ(channel(pair.argb[i], 0), 0);
    }
    // This small picture is all detail: 41 dB for the grey and 39 dB for each of red and green
    // (a wrong step or channel costs tens of dB).
    EXPECT_LT(greyError / double(picture.argb.size()), 5.0);
    EXPECT_LT(pairError / double(2 * picture.argb.size()), 9.0);
    // compare reads them as any other file.
    EXPECT_EQ(texkit("compare grey/in.dds grey/in.dds").status, 0);
}

// A two-channel normal map holds x and y; compare rebuilds z as a shader does, so the file
// measures close to the three-channel map it was made beside, not half a turn away.
TEST_F(TexkitBlockFormats, CompareRebuildsTheZOfTwoChannelNormalMaps) {
    PngRecipe r;
    r.width = 32;
    r.height = 32;
    r.colorType = PNG_COLOR_TYPE_RGB;
    for (uint32_t y = 0; y < r.height; ++y) {
        for (uint32_t x = 0; x < r.width; ++x) {
            const double nx = 0.6 * std::sin(x * 0.4), ny = 0.5 * std::cos(y * 0.3);
            const double length = std::sqrt(nx * nx + ny * ny + 1);
            for (const double c : {nx / length, ny / length, 1 / length})
                r.rows.push_back(uint8_t(std::lround((c + 1) * 127.5)));
        }
    }
    const Bytes file = makePng(r);
    writeHostFile("normals.png", std::string(file.begin(), file.end()));
    for (const char* format : {"A8R8G8B8", "BC5", "G16R16"}) {
        const std::string convert = "convert normals.png -q --normal-map --levels 1 --format ";
        ASSERT_EQ(texkit(convert + format + " -o " + format).status, 0) << format;
    }
    for (const char* format : {"BC5", "G16R16"}) {
        const ProgramRun compare = texkit(std::string("compare A8R8G8B8/normals.dds ") + format +
                                          "/normals.dds --normal-map");
        ASSERT_EQ(compare.status, 0) << compare.err;
        const size_t at = compare.out.find("level=0 mean_angle=");
        ASSERT_NE(at, std::string::npos) << compare.out;
        double mean = 0, largest = 0;
        ASSERT_EQ(std::sscanf(compare.out.c_str() + at, "level=0 mean_angle=%lf max_angle=%lf",
                              &mean, &largest),
                  2)
            << compare.out;
        // Block and 8-bit rounding of x and y only: a degree or two, where blue read as
        // stored (0) puts the vectors some 140 degrees apart.
        EXPECT_LT(mean, 1.0) << format;
        EXPECT_LT(largest, 4.0) << format;
    }
}

TEST_F(TexkitBlockFormats, Bc7FilesAlwaysCarryTheDx10Header) {
    writePicture("in.png");
    const ProgramRun run = texkit("convert in.png -q --format BC7 -o colour");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string file = readHostFile("colour/in.dds");
    // BC7 has no legacy code.
    EXPECT_EQ(wordAt(file, 84), MAKEFOURCC('D', 'X', '1', '0'));
    EXPECT_EQ(wordAt(file, 128), 98u);
}

TEST_F(TexkitBlockFormats, QualityChoosesBc7sLevelsAndTheOthersSearchingEncoder) {
    writePicture("in.png");
    for (const char* quality : {"exact", "fast", "high", "best"}) {
        for (const char* format : {"BC7", "DXT1"}) {
            ASSERT_EQ(texkit(std::string("convert in.png -q --levels 1 --format ") + format +
                             " --quality " + quality + " -o " + format + "-" + quality)
                          .status,
                      0)
                << format << " " << quality;
        }
    }
    const std::string fast = readHostFile("BC7-fast/in.dds"), high = readHostFile("BC7-high/in.dds");
    const std::string best = readHostFile("BC7-best/in.dds");
    EXPECT_NE(fast, high);
    EXPECT_NE(best, high);
    // A load's BC7 blocks are the middle level's: the format has no older encoder.
    EXPECT_EQ(readHostFile("BC7-exact/in.dds"), high);
    // DXT1 has one searching encoder, which the three levels share.
    EXPECT_EQ(readHostFile("DXT1-fast/in.dds"), readHostFile("DXT1-high/in.dds"));
    EXPECT_EQ(readHostFile("DXT1-best/in.dds"), readHostFile("DXT1-high/in.dds"));
    EXPECT_NE(readHostFile("DXT1-exact/in.dds"), readHostFile("DXT1-high/in.dds"));
    // The closer levels come closer to the picture.
    const DecodedLevel picture = decoded("in.png");
    auto error = [&](const char* folder) {
        const DecodedLevel level = decoded(std::string(folder) + "/in.dds");
        double sum = 0.0;
        for (size_t i = 0; i < picture.argb.size(); ++i) {
            for (int shift : {16, 8, 0}) {
                const int d = channel(level.argb[i], shift) - channel(picture.argb[i], shift);
                sum += d * d;
            }
        }
        return sum;
    };
    EXPECT_LE(error("BC7-best"), error("BC7-fast"));
    EXPECT_LE(error("BC7-high"), error("BC7-fast"));
    EXPECT_EQ(texkit("convert in.png -q --format BC7 --quality finest -o none").status, 2);
}

// Files written by Debian's nvcompress, read by our loader, give the pixels its nvdecompress
// gives (the channels each format holds). The format leaves open how a step between the
// endpoints is rounded to 8 bits, and readers differ there by one.
TEST_F(TexkitBlockFormats, NvcompressFilesReadAsNvdecompressReadsThem) {
    if (!hasProgram("nvcompress") || !hasProgram("nvdecompress"))
        GTEST_SKIP() << "nvcompress is not installed (libnvtt-bin)";
    writePicture("in.png");
    for (const char* kind : {"bc4", "bc5"}) {
        const std::string dds = std::string(kind) + ".dds", tga = std::string(kind) + ".tga";
        ASSERT_EQ(runCommand(std::string("nvcompress -nomips -") + kind + " in.png " + dds +
                             " >/dev/null")
                      .status,
                  0);
        ASSERT_EQ(runCommand("nvdecompress " + dds + " >/dev/null").status, 0);
        const DecodedLevel ours = decoded(dds), theirs = decoded(tga);
        ASSERT_EQ(ours.argb.size(), theirs.argb.size()) << kind;
        int worst = 0;
        for (size_t i = 0; i < ours.argb.size(); ++i) {
            worst = std::max(worst, std::abs(channel(ours.argb[i], 16) -
                                             channel(theirs.argb[i], 16)));
            if (std::string(kind) == "bc5")
                worst = std::max(worst, std::abs(channel(ours.argb[i], 8) -
                                                 channel(theirs.argb[i], 8)));
        }
        EXPECT_LE(worst, 1) << kind;
    }
}

// Our files read by Python's imaging library give our decoder's pixels: within one where a
// step between endpoints is rounded to 8 bits; for signed values, which it shows as
// value x 63.5 + 127.5 with its endpoints and steps truncated, within two of ours so mapped.
TEST_F(TexkitBlockFormats, PythonImagingReadsOurFilesAsOurDecoderDoes) {
    if (runCommand("/usr/bin/python3 -c 'import PIL'").status != 0)
        GTEST_SKIP() << "Python's imaging library is not installed (python3-pil)";
    writePicture("in.png");
    writeHostFile("read.py", "import sys\n"
                             "from PIL import Image\n"
                             "im = Image.open(sys.argv[1])\n"
                             "open(sys.argv[2], 'wb').write(im.convert('RGBA').tobytes())\n");
    struct Case {
        const char* format;
        const char* options;
        bool blueToo; // blue is a stored value in both readers
        bool signedValues;
    };
    const std::vector<Case> cases = {{"BC4", "", true, false},
                               {"BC5", "", true, false},
                               {"BC5", "--dds10", true, false},
                               {"BC5S", "", false, true},
                               {"BC5S", "--dds10", false, true},
                               {"BC7", "", true, false}};
    for (const Case& c : cases) {
        const std::string folder = std::string(c.format) + (c.options[0] ? "-dx10" : "");
        ASSERT_EQ(texkit(std::string("convert in.png -q --levels 1 --format ") + c.format + " " +
                         c.options + " -o " + folder)
                      .status,
                  0);
        const ProgramRun read =
            runCommand("/usr/bin/python3 read.py " + folder + "/in.dds " + folder + "/pil.raw");
        ASSERT_EQ(read.status, 0) << folder << ": " << read.err;
        const std::string pixels = readHostFile(folder + "/pil.raw");
        const DecodedLevel ours = decoded(folder + "/in.dds");
        ASSERT_EQ(pixels.size(), ours.argb.size() * 4) << folder;
        int worst = 0;
        for (size_t i = 0; i < ours.argb.size(); ++i) {
            const uint32_t p = ours.argb[i];
            const int theirs[3] = {uint8_t(pixels[i * 4]), uint8_t(pixels[i * 4 + 1]),
                                   uint8_t(pixels[i * 4 + 2])};
            for (int k = 0; k < (c.blueToo ? 3 : 2); ++k) {
                const int ours8 = channel(p, 16 - 8 * k);
                if (!c.signedValues) {
                    worst = std::max(worst, std::abs(ours8 - theirs[k]));
                    continue;
                }
                // Except the six-step mode's entries -1 and 1, which it shows as 0 and 255.
                if ((ours8 == 0 || ours8 == 255) && theirs[k] == ours8)
                    continue;
                const double value = ours8 / 255.0 * 2.0 - 1.0;
                worst = std::max(worst, int(std::ceil(std::fabs(value * 63.5 + 127.5 - theirs[k]))));
            }
        }
        EXPECT_LE(worst, c.signedValues ? 2 : 1) << folder;
    }
}

namespace {

struct LaterFormat {
    const char* name;
    uint32_t blockBytes;
    uint32_t code; // at offset 84: the legacy code, or "DX10"
    uint32_t dxgi; // at offset 128 when the code is "DX10"
};

const LaterFormat laterFormats[] = {
    {"BC4", 8, MAKEFOURCC('A', 'T', 'I', '1'), 0},
    {"BC5", 16, MAKEFOURCC('A', 'T', 'I', '2'), 0},
    {"BC7", 16, MAKEFOURCC('D', 'X', '1', '0'), 98},
};

size_t headerSize(const LaterFormat& f) {
    return f.code == MAKEFOURCC('D', 'X', '1', '0') ? 148 : 128;
}

} // namespace

TEST_F(TexkitBlockFormats, InfoWritesTheFormatsNoDeviceSamplesIntoItsDdsFile) {
    writePicture("in.png");
    for (const LaterFormat& f : laterFormats) {
        const std::string name = f.name;
        const ProgramRun run =
            texkit("info in.png --levels 1 --quality high --format " + name + " --dds " + name + ".dds");
        ASSERT_EQ(run.status, 0) << name << ": " << run.err;
        EXPECT_NE(run.out.find("texture.level.0=40x24 " + name + "\n"), std::string::npos) << run.out;
        const std::string file = readHostFile(name + ".dds");
        const size_t blocks = 10 * 6 * f.blockBytes;
        ASSERT_EQ(file.size(), headerSize(f) + blocks) << name;
        EXPECT_EQ(wordAt(file, 84), f.code) << name;
        if (f.dxgi != 0) {
            EXPECT_EQ(wordAt(file, 128), f.dxgi) << name;
        }
        // The same blocks as convert makes of the picture at the same level.
        ASSERT_EQ(texkit("convert in.png -q --levels 1 --quality high --format " + name + " -o cv-" + name)
                      .status,
                  0);
        const std::string converted = readHostFile("cv-" + name + "/in.dds");
        ASSERT_EQ(converted.size(), file.size()) << name;
        EXPECT_EQ(file.substr(headerSize(f)), converted.substr(headerSize(f))) << name;
    }
    // Read back through the loader, BC7's pixels are those our decoder gives for its blocks.
    const std::string bc7 = readHostFile("BC7.dds");
    const DecodedLevel level = decoded("BC7.dds");
    ASSERT_EQ(level.argb.size(), 40u * 24u);
    for (uint32_t b = 0; b < 60; ++b) {
        uint8_t texels[16][4];
        decodeBc7BlockBytes(reinterpret_cast<const uint8_t*>(bc7.data()) + 148 + b * 16, texels);
        for (uint32_t i = 0; i < 16; ++i) {
            const uint32_t x = b % 10 * 4 + i % 4, y = b / 10 * 4 + i / 4;
            const uint32_t argb = level.argb[y * 40 + x];
            ASSERT_EQ(channel(argb, 16), texels[i][0]) << "block " << b << " texel " << i;
            ASSERT_EQ(channel(argb, 8), texels[i][1]) << "block " << b << " texel " << i;
            ASSERT_EQ(channel(argb, 0), texels[i][2]) << "block " << b << " texel " << i;
            ASSERT_EQ(channel(argb, 24), texels[i][3]) << "block " << b << " texel " << i;
        }
    }
    // Without --dds the load is the game's: the device's nearest sampled format.
    const ProgramRun load = texkit("info in.png --levels 1 --format BC7");
    EXPECT_EQ(load.status, 0);
    EXPECT_NE(load.out.find("texture.level.0=40x24 D3DFMT_A8R8G8B8\n"), std::string::npos) << load.out;
    // A pool or usage that cannot keep the format is a wrong request, and nothing is written.
    EXPECT_EQ(texkit("info in.png --format BC7 --pool managed --dds no1.dds").status, 2);
    EXPECT_EQ(texkit("info in.png --format BC5 --pool default --dds no2.dds").status, 2);
    EXPECT_EQ(texkit("info in.png --format BC4 --usage 0x200 --dds no3.dds").status, 2);
    EXPECT_FALSE(fs::exists("no1.dds") || fs::exists("no2.dds") || fs::exists("no3.dds"));
    EXPECT_EQ(texkit("info in.png --format BC7 --pool scratch --dds yes.dds").status, 0);
}

TEST_F(TexkitBlockFormats, AssembleMakesCubesAndVolumesInTheFormatsNoDeviceSamples) {
    writeFaces(6);
    const std::string faces = "f0.png f1.png f2.png f3.png f4.png f5.png";
    const size_t faceBlocks = 4 * 4;
    for (const LaterFormat& f : laterFormats) {
        const std::string name = f.name;
        // Each face's blocks are those info makes of its picture.
        std::vector<std::string> alone;
        for (int face = 0; face < 6; ++face) {
            const std::string out = name + "-f" + std::to_string(face) + ".dds";
            ASSERT_EQ(texkit("info f" + std::to_string(face) + ".png --levels 1 --quality high --format " +
                             name + " --dds " + out)
                          .status,
                      0);
            alone.push_back(readHostFile(out).substr(headerSize(f)));
            ASSERT_EQ(alone.back().size(), faceBlocks * f.blockBytes);
        }
        const ProgramRun cube =
            texkit("assemble --cube " + faces + " --levels 1 --format " + name + " -o cube-" + name + ".dds");
        ASSERT_EQ(cube.status, 0) << name << ": " << cube.err;
        const std::string file = readHostFile("cube-" + name + ".dds");
        ASSERT_EQ(file.size(), headerSize(f) + 6 * faceBlocks * f.blockBytes) << name;
        EXPECT_EQ(wordAt(file, 84), f.code) << name;
        if (f.dxgi != 0) {
            EXPECT_EQ(wordAt(file, 128), f.dxgi);
            EXPECT_EQ(wordAt(file, 136) & 4u, 4u); // a cube
        } else {
            EXPECT_EQ(wordAt(file, 112) & 0xFE00u, 0xFE00u); // every face present
        }
        for (int face = 0; face < 6; ++face)
            EXPECT_EQ(file.substr(headerSize(f) + face * faceBlocks * f.blockBytes,
                                  faceBlocks * f.blockBytes),
                      alone[face])
                << name << " face " << face;

        // A volume of two slices, each slice's blocks again those of its picture.
        const ProgramRun volume =
            texkit("assemble --volume f2.png f4.png --levels 1 --format " + name + " -o vol-" + name + ".dds");
        ASSERT_EQ(volume.status, 0) << name << ": " << volume.err;
        const std::string slices = readHostFile("vol-" + name + ".dds");
        ASSERT_EQ(slices.size(), headerSize(f) + 2 * faceBlocks * f.blockBytes) << name;
        EXPECT_EQ(wordAt(slices, 24), 2u); // depth
        EXPECT_EQ(slices.substr(headerSize(f)), alone[2] + alone[4]) << name;

        // The whole chain reads back through the loader, every face and level.
        ASSERT_EQ(texkit("assemble --cube " + faces + " --format " + name + " -o chain-" + name + ".dds")
                      .status,
                  0);
        DecodedTexture texture;
        std::string reason;
        ASSERT_EQ(decodeTextureFile("chain-" + name + ".dds", &texture, &reason), D3D_OK) << reason;
        EXPECT_EQ(texture.faceCount(), 6u);
        EXPECT_EQ(texture.levelCount(), 5u);
    }
    // Formats without alpha refuse what only alpha could hold; the normal map needs two channels.
    EXPECT_EQ(texkit("assemble --cube " + faces + " --format BC4 --key 0xFFFF00FF -o no1.dds").status, 2);
    EXPECT_EQ(texkit("assemble --cube " + faces + " --format BC5 --alpha-test 128 -o no2.dds").status, 2);
    EXPECT_EQ(texkit("assemble --cube " + faces + " --format BC4 --normal-map -o no3.dds").status, 2);
    EXPECT_FALSE(fs::exists("no1.dds") || fs::exists("no2.dds") || fs::exists("no3.dds"));
    EXPECT_EQ(texkit("assemble --cube " + faces + " --format BC7 --key 0xFFFF00FF -o yes.dds").status, 0);
}
