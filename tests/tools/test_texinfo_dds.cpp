// texinfo --dds: the description a written file carries, its levels against the texture's, the
// palette of a paletted texture, and round trips that give back the same file byte for byte.
#include "tests/texture/dds_maker.h"
#include "tests/tools/texinfo_run.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<uint8_t>;

class TexinfoDds : public Texinfo {
protected:
    Bytes readBytes(const std::string& path) {
        const std::string text = readHostFile(path);
        return Bytes(text.begin(), text.end());
    }

    // Every level of the last loaded texture as --raw writes it, one after the other.
    Bytes rawLevels(const std::string& arguments, int levels) {
        Bytes all;
        for (int level = 0; level < levels; ++level) {
            const ProgramRun r =
                run(arguments + " --level " + std::to_string(level) + " --raw level.bin");
            EXPECT_EQ(r.status, 0) << r.err;
            const Bytes bytes = readBytes("level.bin");
            all.insert(all.end(), bytes.begin(), bytes.end());
        }
        return all;
    }
};

TEST_F(TexinfoDds, WritesTheDescriptionReadersExpect) {
    writePicture();
    const ProgramRun r = run("picture.png --dds out.dds");
    ASSERT_EQ(r.status, 0) << r.err;
    const Bytes file = readBytes("out.dds");
    // 6 x 4, 3 x 2 and 1 x 1 texels of four bytes.
    ASSERT_EQ(file.size(), 128u + 96 + 24 + 4);
    const uint32_t expected[32] = {
        // magic, size, flags (caps, height, width, pitch, pixel format, mip count), height,
        // width, pitch, depth, mip count
        0x20534444, 124, 0x2100F, 4, 6, 24, 0, 3,
        // reserved
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        // pixel format: size, flags, code, bits, red, green, blue and alpha masks
        32, 0x41, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000,
        // capabilities: a complex mip-mapped texture; no cube faces
        0x401008, 0, 0, 0, 0};
    for (size_t word = 0; word < 32; ++word)
        EXPECT_EQ(readWord(file, word * 4), expected[word]) << "offset " << word * 4;
    const Bytes levels = rawLevels("picture.png", 3);
    EXPECT_EQ(Bytes(file.begin() + 128, file.end()), levels);
}

TEST_F(TexinfoDds, RoundTripsGiveTheSameFile) {
    writePicture();
    struct Case {
        const char* format;
        const char* pool;
        const char* levels; // as info.mipLevels prints them
        size_t dataBytes;
    };
    // Every level of the 6 x 4 picture: 31 texels, or for the block formats (whose texture is
    // 8 x 4) two blocks and then one a level. The scratch pool holds what cannot be sampled.
    const Case cases[] = {
        {"D3DFMT_A8R8G8B8", "managed", "3", 124},
        {"D3DFMT_X1R5G5B5", "managed", "3", 62},
        {"D3DFMT_R5G6B5", "managed", "3", 62},
        {"D3DFMT_A4R4G4B4", "managed", "3", 62},
        {"D3DFMT_A8L8", "managed", "3", 62},
        {"D3DFMT_L8", "managed", "3", 31},
        {"D3DFMT_R8G8B8", "scratch", "3", 93},
        {"D3DFMT_Q8W8V8U8", "scratch", "3", 124},
        {"D3DFMT_G16R16", "managed", "3", 124},
        {"D3DFMT_A2W10V10U10", "scratch", "3", 124},
        {"DXT1", "managed", "4", 40},
        {"DXT2", "managed", "4", 80},
        {"DXT3", "managed", "4", 80},
        {"DXT4", "managed", "4", 80},
        {"DXT5", "managed", "4", 80},
    };
    for (const Case& c : cases) {
        const std::string request =
            std::string(" --format ") + c.format + " --pool " + c.pool + " --key 0";
        const ProgramRun first = run("picture.png" + request + " --dds first.dds");
        ASSERT_EQ(first.status, 0) << c.format << ": " << first.err;
        const ProgramRun second = run("first.dds" + request + " --dds second.dds");
        ASSERT_EQ(second.status, 0) << c.format << ": " << second.err;
        const std::string info = "info.depth=1\ninfo.mipLevels=" + std::string(c.levels) +
                                 "\ninfo.format=" + c.format +
                                 "\ninfo.resourceType=3\ninfo.imageFileFormat=Dds\n";
        EXPECT_NE(second.out.find(info), std::string::npos) << second.out;
        const Bytes written = readBytes("first.dds");
        EXPECT_EQ(written.size(), 128 + c.dataBytes) << c.format;
        EXPECT_EQ(readBytes("second.dds"), written) << c.format;
    }
}

TEST_F(TexinfoDds, ConvertsAnyPictureIntoACompressedMipmappedFile) {
    writePicture();
    const ProgramRun r = run("picture.png --format DXT5 --key 0 --dds out.dds");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("texture.levels=4\ntexture.level.0=8x4 DXT5\n"), std::string::npos)
        << r.out;
    const Bytes file = readBytes("out.dds");
    ASSERT_EQ(file.size(), 128u + 32 + 3 * 16);
    const uint32_t expected[32] = {
        // magic, size, flags (caps, height, width, pixel format, mip count, linear size),
        // height, width, the top level's bytes, depth, mip count
        0x20534444, 124, 0xA1007, 4, 8, 32, 0, 4,
        // reserved
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        // pixel format: size, flags, code, no bits or masks
        32, 4, 0x35545844, 0, 0, 0, 0, 0,
        // capabilities: a complex mip-mapped texture; no cube faces
        0x401008, 0, 0, 0, 0};
    for (size_t word = 0; word < 32; ++word)
        EXPECT_EQ(readWord(file, word * 4), expected[word]) << "offset " << word * 4;
    // The file's levels are the texture's, block for block.
    const Bytes raw = rawLevels("picture.png --format DXT5 --key 0", 4);
    EXPECT_EQ(Bytes(file.begin() + 128, file.end()), raw);
}

TEST_F(TexinfoDds, PalettedTexturesKeepTheirPalette) {
    PngRecipe r;
    r.width = 4;
    r.height = 2;
    r.colorType = PNG_COLOR_TYPE_PALETTE;
    r.rows = {0, 1, 2, 1, 2, 2, 0, 1};
    r.palette = {10, 20, 30, 40, 50, 60, 70, 80, 90};
    const Bytes png = makePng(r);
    writeHostFile("indexed.png", std::string(png.begin(), png.end()));

    const ProgramRun first = run("indexed.png --format P8 --pool scratch --key 0 --dds first.dds");
    ASSERT_EQ(first.status, 0) << first.err;
    const Bytes file = readBytes("first.dds");
    // The description, 256 entries, then 8 + 2 + 1 indices.
    ASSERT_EQ(file.size(), 128u + 1024 + 11);
    EXPECT_EQ(readWord(file, 80), 0x20u);
    EXPECT_EQ(readWord(file, 88), 8u);
    const Bytes entries(file.begin() + 128, file.begin() + 128 + 12);
    EXPECT_EQ(entries, (Bytes{10, 20, 30, 0xFF, 40, 50, 60, 0xFF, 70, 80, 90, 0xFF}));
    EXPECT_EQ(Bytes(file.begin() + 1152, file.begin() + 1160), r.rows);

    const ProgramRun second = run("first.dds --format P8 --pool scratch --key 0 --dds second.dds");
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(readBytes("second.dds"), file);
}

TEST_F(TexinfoDds, AFileThatCannotBeWrittenIsReported) {
    writePicture();
    const ProgramRun r = run("picture.png --dds missing-folder/out.dds");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "texinfo: cannot write missing-folder/out.dds (0x80004005)\n");
}

} // namespace
