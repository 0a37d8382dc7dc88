// Writes small seed files for the fuzz targets, made by the same generators the decoder tests
// use: make_seeds OUT writes OUT/<target>/<name> for every container, the texture loader, the
// registry reader and the block decoder.
#include "tests/support/container_files.h"
#include "tests/texture/dds_maker.h"
#include "tests/texture/jpeg_maker.h"
#include "tests/texture/png_maker.h"

#include "d3d8.h"

#include <png.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using test_support::Bytes;

fs::path outFolder;

// Every image seed also seeds the texture loader, which takes any container.
void write(const std::string& target, const std::string& name, const Bytes& bytes) {
    for (const std::string& folder : {target, std::string("texture")}) {
        if (folder == "texture" && (target == "registry" || target == "dxt" || target == "scene"))
            continue;
        fs::create_directories(outFolder / folder);
        std::ofstream(outFolder / folder / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
}

Bytes ramp(size_t count) {
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = uint8_t(i * 37 + 11);
    return bytes;
}

void bitmapSeeds() {
    using test_support::BitmapRecipe;
    std::vector<std::pair<std::string, BitmapRecipe>> recipes;
    for (uint16_t bits : {1, 4, 8, 16, 24, 32}) {
        BitmapRecipe r;
        r.width = 3;
        r.height = bits == 8 ? -2 : 2;
        r.bitCount = bits;
        if (bits <= 8)
            r.colorTable = ramp(4u << bits);
        r.pixels = ramp(size_t((3 * bits + 31) / 32 * 4) * 2);
        recipes.emplace_back("plain" + std::to_string(bits), r);
    }
    BitmapRecipe fields;
    fields.width = 2;
    fields.height = 2;
    fields.bitCount = 16;
    fields.compression = 3;
    fields.masks = {0xF800, 0x07E0, 0x001F};
    fields.pixels = ramp(8);
    recipes.emplace_back("fields565", fields);
    BitmapRecipe v5 = fields;
    v5.headerSize = 124;
    v5.bitCount = 32;
    v5.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    v5.pixels = ramp(16);
    recipes.emplace_back("v5argb", v5);
    BitmapRecipe rle8;
    rle8.width = 4;
    rle8.height = 3;
    rle8.compression = 1;
    rle8.colorTable = ramp(1024);
    // A run, an absolute run, end of line, a delta, a run past the row and end of bitmap.
    rle8.pixels = {3, 7, 0, 3, 1, 2, 3, 0, 0, 0, 2, 1, 1, 4, 0, 2, 1, 0, 9, 0, 0, 1};
    recipes.emplace_back("rle8", rle8);
    BitmapRecipe rle4 = rle8;
    rle4.bitCount = 4;
    rle4.compression = 2;
    rle4.colorTable = ramp(64);
    rle4.pixels = {3, 0x70, 0, 3, 0x12, 0x30, 0, 0, 2, 0x11, 0, 2, 1, 0, 9, 0, 0, 1};
    recipes.emplace_back("rle4", rle4);
    for (const auto& [name, recipe] : recipes) {
        write("bmp", name + ".bmp", test_support::makeBmp(recipe));
        write("dib", name + ".dib", test_support::makeDib(recipe));
    }
}

void targaSeeds() {
    using test_support::TargaRecipe;
    for (uint8_t bits : {8, 15, 16, 24, 32}) {
        for (bool runLength : {false, true}) {
            TargaRecipe r;
            r.width = 3;
            r.height = 2;
            r.pixelBits = bits;
            r.imageType = uint8_t((bits == 8 ? 3 : 2) | (runLength ? 8 : 0));
            r.descriptor = bits == 32 ? 0x28 : 0;
            r.id = {'s', 'e', 'e', 'd'};
            const Bytes pixels = ramp(size_t(6) * ((bits + 7) / 8));
            r.pixels = runLength ? test_support::targaPackets(pixels, (bits + 7) / 8) : pixels;
            write("tga", "type" + std::to_string(r.imageType) + "_" + std::to_string(bits) + ".tga",
                  test_support::makeTga(r));
        }
    }
    TargaRecipe mapped;
    mapped.colorMapType = 1;
    mapped.imageType = 1;
    mapped.mapLength = 4;
    mapped.mapEntryBits = 24;
    mapped.colorMap = ramp(12);
    mapped.width = 2;
    mapped.height = 2;
    mapped.pixelBits = 8;
    mapped.pixels = {0, 1, 2, 3};
    write("tga", "mapped.tga", test_support::makeTga(mapped));
}

void pixmapSeeds() {
    const std::string binary = "P6\n# seed\n3 2\n255\n";
    Bytes p6(binary.begin(), binary.end());
    const Bytes samples = ramp(18);
    p6.insert(p6.end(), samples.begin(), samples.end());
    write("ppm", "binary.ppm", p6);
    const std::string text = "P3\n2 2\n15\n0 1 2  3 4 5\n6 7 8 15 14 13\n";
    write("ppm", "text.ppm", Bytes(text.begin(), text.end()));
    const std::string wide = "P6 1 1 65535 ";
    Bytes p6wide(wide.begin(), wide.end());
    p6wide.insert(p6wide.end(), {1, 2, 3, 4, 5, 6});
    write("ppm", "wide.ppm", p6wide);
}

void pngSeeds() {
    struct Kind {
        const char* name;
        int colorType;
        int bitDepth;
        int channels;
        bool interlaced;
    };
    const Kind kinds[] = {
        {"grey1", PNG_COLOR_TYPE_GRAY, 1, 1, false},
        {"grey16", PNG_COLOR_TYPE_GRAY, 16, 1, true},
        {"rgb8", PNG_COLOR_TYPE_RGB, 8, 3, false},
        {"rgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16, 4, true},
        {"rgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8, 4, false},
        {"greyalpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, 2, false},
        {"palette4", PNG_COLOR_TYPE_PALETTE, 4, 1, false},
    };
    for (const Kind& kind : kinds) {
        PngRecipe r;
        r.width = 5;
        r.height = 3;
        r.colorType = kind.colorType;
        r.bitDepth = kind.bitDepth;
        r.interlaced = kind.interlaced;
        r.rows = ramp(size_t((5 * kind.channels * kind.bitDepth + 7) / 8) * 3);
        if (kind.colorType == PNG_COLOR_TYPE_PALETTE) {
            r.palette = ramp(48);
            r.paletteAlpha = {0, 128, 255};
        }
        if (kind.colorType == PNG_COLOR_TYPE_RGB)
            r.transparentRed = r.transparentGreen = r.transparentBlue = 11;
        r.gamma = kind.bitDepth == 16 ? 0.45455 : 0.0;
        write("png", std::string(kind.name) + ".png", makePng(r));
    }
}

void jpegSeeds() {
    struct Kind {
        const char* name;
        int components;
        int lumaH, lumaV;
        bool progressive;
        int restartRows;
    };
    const Kind kinds[] = {
        {"grey", 1, 1, 1, false, 0},   {"rgb420", 3, 2, 2, false, 0}, {"rgb422", 3, 2, 1, true, 0},
        {"rgb444", 3, 1, 1, false, 1}, {"cmyk", 4, 1, 1, false, 0},
    };
    for (const Kind& kind : kinds) {
        JpegRecipe r;
        r.width = 19;
        r.height = 11;
        r.components = kind.components;
        r.samples = photoLikeSamples(r.width, r.height, kind.components);
        r.quality = 50;
        r.lumaH = kind.lumaH;
        r.lumaV = kind.lumaV;
        r.progressive = kind.progressive;
        r.restartRows = kind.restartRows;
        write("jpg", std::string(kind.name) + ".jpg", makeJpeg(r));
    }
}

void registrySeeds() {
    const std::string ansi = "REGEDIT4\r\n\r\n"
                             "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Direct3D]\r\n"
                             "\"DisableMMX\"=dword:00000001\r\n"
                             "\"DisableSimdMath\"=hex(4):01,00,00,00\r\n"
                             "@=\"C:\\\\Jeux\\\\\\\"Bosquetir\\\"\"\r\n"
                             "; comment\r\n"
                             "\"Blob\"=hex:00,01,\\\r\n  02,03\r\n";
    write("registry", "ansi.reg", Bytes(ansi.begin(), ansi.end()));
    const std::string version5 = "Windows Registry Editor Version 5.00\n\n"
                                 "[HKEY_CURRENT_USER\\Software]\n\"Name\"=\"caf\xC3\xA9\"\n";
    Bytes utf16 = {0xFF, 0xFE};
    for (char c : version5)
        utf16.insert(utf16.end(), {uint8_t(c), 0});
    write("registry", "utf16.reg", utf16);
    Bytes utf8 = {0xEF, 0xBB, 0xBF};
    utf8.insert(utf8.end(), version5.begin(), version5.end());
    write("registry", "utf8.reg", utf8);
}

// The codes of the later block formats, and files with the DX10 header: a block format with
// a chain, a rewritten byte order, an array of cubes and a volume.
void laterDdsSeeds() {
    for (const char* code : {"ATI1", "BC4U", "BC4S", "ATI2", "BC5U", "BC5S"}) {
        DdsRecipe r;
        r.width = 8;
        r.height = 4;
        r.pixel.flags = 0x4;
        r.pixel.code = MAKEFOURCC(code[0], code[1], code[2], code[3]);
        r.data = patternBytes(2 * 16);
        write("dds", std::string("code") + code + ".dds", makeDds(r));
    }
    struct Dx10Seed {
        const char* name;
        uint32_t dxgi, width, height, levels, dimension, misc, arraySize, dataBytes;
    };
    const Dx10Seed seeds[] = {{"dx10bc5chain", 83, 8, 8, 4, 3, 0, 1, (4 + 1 + 1 + 1) * 16},
                              {"dx10rgba", 28, 3, 2, 1, 3, 0, 1, 24},
                              {"dx10cubes", 61, 2, 2, 1, 3, 4, 2, 12 * 4},
                              {"dx10volume", 98, 4, 4, 1, 4, 0, 1, 2 * 16}};
    for (const Dx10Seed& seed : seeds) {
        DdsRecipe r;
        r.width = seed.width;
        r.height = seed.height;
        r.mipCount = seed.levels;
        r.depth = seed.dimension == 4 ? 2 : 0;
        r.pixel.flags = 0x4;
        r.pixel.code = MAKEFOURCC('D', 'X', '1', '0');
        Bytes header(20, 0);
        writeWord(header, 0, seed.dxgi);
        writeWord(header, 4, seed.dimension);
        writeWord(header, 8, seed.misc);
        writeWord(header, 12, seed.arraySize);
        r.data = header;
        const Bytes pixels = patternBytes(seed.dataBytes);
        r.data.insert(r.data.end(), pixels.begin(), pixels.end());
        write("dds", std::string(seed.name) + ".dds", makeDds(r));
    }
}

// A small file of every format a DDS file can hold, and a mip chain, a cube and a volume.
void ddsSeeds() {
    for (uint32_t format : ddsFormats()) {
        DdsRecipe r;
        r.width = 4;
        r.height = 4;
        r.pixel = ddsPixelWords(format);
        if (format == D3DFMT_P8)
            r.palette = patternBytes(1024);
        r.data = patternBytes(4 * 4 * 16);
        char name[32];
        std::snprintf(name, sizeof(name), "format%08X.dds", format);
        write("dds", name, makeDds(r));
    }
    DdsRecipe chain;
    chain.width = 8;
    chain.height = 4;
    chain.mipCount = 4;
    chain.flags |= 0x20000;
    chain.caps |= 0x400008;
    chain.pixel = ddsPixelWords(D3DFMT_A8R8G8B8);
    chain.data = patternBytes((32 + 8 + 2 + 1) * 4);
    write("dds", "chain.dds", makeDds(chain));
    DdsRecipe cube = chain;
    cube.width = cube.height = 4;
    cube.mipCount = 0;
    cube.caps2 = 0xFE00;
    cube.data = patternBytes(6 * 16 * 4);
    write("dds", "cube.dds", makeDds(cube));
    DdsRecipe volume = cube;
    volume.caps2 = 0x200000;
    volume.flags |= 0x800000;
    volume.depth = 3;
    volume.data = patternBytes(3 * 16 * 4);
    write("dds", "volume.dds", makeDds(volume));
    laterDdsSeeds();
}

// Four bytes choose the surface's size and rectangle, then 2 x 2 blocks of each size follow:
// both colour modes of the colour half and both alpha modes.
void blockSeeds() {
    const Bytes shape = {6, 7, 1, 2};
    const Bytes fourColor = {0xE0, 0xFF, 0x1F, 0x00, 0x1B, 0x6C, 0xB1, 0xE4};
    const Bytes threeColor = {0x1F, 0x00, 0xE0, 0xFF, 0x1B, 0x6C, 0xB1, 0xFF};
    const Bytes sixAlphas = {0x20, 0xD0, 0x49, 0x92, 0x24, 0xB6, 0x6D, 0xFF};
    const Bytes eightAlphas = {0xD0, 0x20, 0x88, 0x46, 0x2C, 0xFA, 0x05, 0x77};
    Bytes small = shape;
    Bytes large = shape;
    for (int block = 0; block < 4; ++block) {
        const Bytes& color = block % 2 == 0 ? fourColor : threeColor;
        small.insert(small.end(), color.begin(), color.end());
        const Bytes& alpha = block < 2 ? sixAlphas : eightAlphas;
        large.insert(large.end(), alpha.begin(), alpha.end());
        large.insert(large.end(), color.begin(), color.end());
    }
    write("dxt", "blocks8.bin", small);
    write("dxt", "blocks16.bin", large);
    // One- and two-channel blocks: signed endpoints in both orders, in both modes.
    const Bytes signedSix = {0x81, 0x7F, 0x49, 0x92, 0x24, 0xB6, 0x6D, 0xFF};
    const Bytes signedEight = {0x40, 0xC0, 0x88, 0x46, 0x2C, 0xFA, 0x05, 0x77};
    Bytes channels = shape;
    for (int block = 0; block < 8; ++block) {
        const Bytes& half = block % 3 == 0 ? signedSix : block % 3 == 1 ? signedEight : sixAlphas;
        channels.insert(channels.end(), half.begin(), half.end());
    }
    write("dxt", "channels.bin", channels);
}

// The scene target reads any bytes as calls: a few pseudo-random scenes of different lengths
// start it past the first, short inputs.
void sceneSeeds() {
    uint32_t state = 31;
    for (size_t size : {160, 400, 700, 1200, 2000, 3000}) {
        Bytes bytes(size);
        for (uint8_t& b : bytes) {
            state = state * 1664525u + 1013904223u;
            b = uint8_t(state >> 24);
        }
        write("scene", "random" + std::to_string(size) + ".bin", bytes);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds OUT\n");
        return 2;
    }
    outFolder = argv[1];
    bitmapSeeds();
    targaSeeds();
    pixmapSeeds();
    pngSeeds();
    jpegSeeds();
    ddsSeeds();
    registrySeeds();
    blockSeeds();
    sceneSeeds();
    return 0;
}
