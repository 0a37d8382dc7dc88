// Test helper: DDS files made byte by byte.
#include "tests/texture/dds_maker.h"

#include "d3d8.h"

#include <iterator>

namespace {

struct PixelWordsRow {
    uint32_t format;
    DdsPixelWords words;
};

// Written from the file format's description of each pixel layout, apart from the decoder's.
const PixelWordsRow pixelWordsTable[] = {
    {D3DFMT_R8G8B8, {0x40, 0, 24, {0xFF0000, 0xFF00, 0xFF, 0}}},
    {D3DFMT_A8R8G8B8, {0x41, 0, 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}}},
    {D3DFMT_X8R8G8B8, {0x40, 0, 32, {0xFF0000, 0xFF00, 0xFF, 0}}},
    {D3DFMT_R5G6B5, {0x40, 0, 16, {0xF800, 0x7E0, 0x1F, 0}}},
    {D3DFMT_X1R5G5B5, {0x40, 0, 16, {0x7C00, 0x3E0, 0x1F, 0}}},
    {D3DFMT_A8P8, {0x21, 0, 16, {0, 0, 0, 0xFF00}}},
    {D3DFMT_P8, {0x20, 0, 8, {0, 0, 0, 0}}},
    {D3DFMT_A1R5G5B5, {0x41, 0, 16, {0x7C00, 0x3E0, 0x1F, 0x8000}}},
    {D3DFMT_A4R4G4B4, {0x41, 0, 16, {0xF00, 0xF0, 0xF, 0xF000}}},
    {D3DFMT_R3G3B2, {0x40, 0, 8, {0xE0, 0x1C, 0x3, 0}}},
    {D3DFMT_A8, {0x2, 0, 8, {0, 0, 0, 0xFF}}},
    {D3DFMT_A8R3G3B2, {0x41, 0, 16, {0xE0, 0x1C, 0x3, 0xFF00}}},
    {D3DFMT_X4R4G4B4, {0x40, 0, 16, {0xF00, 0xF0, 0xF, 0}}},
    {D3DFMT_A2B10G10R10, {0x41, 0, 32, {0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}}},
    {D3DFMT_G16R16, {0x40, 0, 32, {0xFFFF, 0xFFFF0000, 0, 0}}},
    {D3DFMT_L8, {0x20000, 0, 8, {0xFF, 0, 0, 0}}},
    {D3DFMT_A8L8, {0x20001, 0, 16, {0xFF, 0, 0, 0xFF00}}},
    {D3DFMT_A4L4, {0x20001, 0, 8, {0xF, 0, 0, 0xF0}}},
    {D3DFMT_V8U8, {0x80000, 0, 16, {0xFF, 0xFF00, 0, 0}}},
    {D3DFMT_L6V5U5, {0x40000, 0, 16, {0x1F, 0x3E0, 0xFC00, 0}}},
    {D3DFMT_X8L8V8U8, {0x40000, 0, 32, {0xFF, 0xFF00, 0xFF0000, 0}}},
    {D3DFMT_Q8W8V8U8, {0x80000, 0, 32, {0xFF, 0xFF00, 0xFF0000, 0xFF000000}}},
    {D3DFMT_V16U16, {0x80000, 0, 32, {0xFFFF, 0xFFFF0000, 0, 0}}},
    {D3DFMT_W11V11U10, {0x80000, 0, 32, {0x3FF, 0x1FFC00, 0xFFE00000, 0}}},
    {D3DFMT_A2W10V10U10, {0x80001, 0, 32, {0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}}},
    {D3DFMT_UYVY, {0x4, MAKEFOURCC('U', 'Y', 'V', 'Y'), 0, {0, 0, 0, 0}}},
    {D3DFMT_YUY2, {0x4, MAKEFOURCC('Y', 'U', 'Y', '2'), 0, {0, 0, 0, 0}}},
    {D3DFMT_DXT1, {0x4, MAKEFOURCC('D', 'X', 'T', '1'), 0, {0, 0, 0, 0}}},
    {D3DFMT_DXT2, {0x4, MAKEFOURCC('D', 'X', 'T', '2'), 0, {0, 0, 0, 0}}},
    {D3DFMT_DXT3, {0x4, MAKEFOURCC('D', 'X', 'T', '3'), 0, {0, 0, 0, 0}}},
    {D3DFMT_DXT4, {0x4, MAKEFOURCC('D', 'X', 'T', '4'), 0, {0, 0, 0, 0}}},
    {D3DFMT_DXT5, {0x4, MAKEFOURCC('D', 'X', 'T', '5'), 0, {0, 0, 0, 0}}},
    {D3DFMT_D16_LOCKABLE, {0x400, 0, 16, {0, 0xFFFF, 0, 0}}},
};
static_assert(std::size(pixelWordsTable) == 33);

} // namespace

void writeWord(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = uint8_t(value >> (8 * i));
}

uint32_t readWord(const std::vector<uint8_t>& bytes, size_t offset) {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= uint32_t(bytes[offset + i]) << (8 * i);
    return value;
}

std::vector<uint8_t> makeDds(const DdsRecipe& r) {
    std::vector<uint8_t> file(128, 0);
    writeWord(file, 0, MAKEFOURCC('D', 'D', 'S', ' '));
    writeWord(file, 4, 124);
    writeWord(file, 8, r.flags);
    writeWord(file, 12, r.height);
    writeWord(file, 16, r.width);
    writeWord(file, 24, r.depth);
    writeWord(file, 28, r.mipCount);
    writeWord(file, 76, r.pixelFormatSize);
    writeWord(file, 80, r.pixel.flags);
    writeWord(file, 84, r.pixel.code);
    writeWord(file, 88, r.pixel.bits);
    for (int i = 0; i < 4; ++i)
        writeWord(file, 92 + 4 * i, r.pixel.masks[i]);
    writeWord(file, 108, r.caps);
    writeWord(file, 112, r.caps2);
    file.insert(file.end(), r.palette.begin(), r.palette.end());
    file.insert(file.end(), r.data.begin(), r.data.end());
    return file;
}

DdsPixelWords ddsPixelWords(uint32_t format) {
    for (const PixelWordsRow& row : pixelWordsTable)
        if (row.format == format)
            return row.words;
    return {};
}

std::vector<uint8_t> patternBytes(size_t count, uint8_t start) {
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = uint8_t((start - 1 + i) % 251 + 1);
    return bytes;
}

std::vector<uint32_t> ddsFormats() {
    std::vector<uint32_t> formats;
    for (const PixelWordsRow& row : pixelWordsTable)
        formats.push_back(row.format);
    return formats;
}
