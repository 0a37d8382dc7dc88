// Format names for people: the D3DFMT_ name of every code the platform defines, and the
// four characters of the coded formats.
#include "tools/texkit/format_names.h"

#include "blocks/block_format.h"

#include <cctype>
#include <cstring>
#include <iterator>
#include <strings.h>

namespace {

struct FormatName {
    D3DFORMAT format;
    const char* name;
};

constexpr FormatName formatNameTable[] = {
    {D3DFMT_UNKNOWN, "D3DFMT_UNKNOWN"},
    {D3DFMT_R8G8B8, "D3DFMT_R8G8B8"},
    {D3DFMT_A8R8G8B8, "D3DFMT_A8R8G8B8"},
    {D3DFMT_X8R8G8B8, "D3DFMT_X8R8G8B8"},
    {D3DFMT_R5G6B5, "D3DFMT_R5G6B5"},
    {D3DFMT_X1R5G5B5, "D3DFMT_X1R5G5B5"},
    {D3DFMT_A1R5G5B5, "D3DFMT_A1R5G5B5"},
    {D3DFMT_A4R4G4B4, "D3DFMT_A4R4G4B4"},
    {D3DFMT_R3G3B2, "D3DFMT_R3G3B2"},
    {D3DFMT_A8, "D3DFMT_A8"},
    {D3DFMT_A8R3G3B2, "D3DFMT_A8R3G3B2"},
    {D3DFMT_X4R4G4B4, "D3DFMT_X4R4G4B4"},
    {D3DFMT_A2B10G10R10, "D3DFMT_A2B10G10R10"},
    {D3DFMT_G16R16, "D3DFMT_G16R16"},
    {D3DFMT_A8P8, "D3DFMT_A8P8"},
    {D3DFMT_P8, "D3DFMT_P8"},
    {D3DFMT_L8, "D3DFMT_L8"},
    {D3DFMT_A8L8, "D3DFMT_A8L8"},
    {D3DFMT_A4L4, "D3DFMT_A4L4"},
    {D3DFMT_V8U8, "D3DFMT_V8U8"},
    {D3DFMT_L6V5U5, "D3DFMT_L6V5U5"},
    {D3DFMT_X8L8V8U8, "D3DFMT_X8L8V8U8"},
    {D3DFMT_Q8W8V8U8, "D3DFMT_Q8W8V8U8"},
    {D3DFMT_V16U16, "D3DFMT_V16U16"},
    {D3DFMT_W11V11U10, "D3DFMT_W11V11U10"},
    {D3DFMT_A2W10V10U10, "D3DFMT_A2W10V10U10"},
    {D3DFMT_UYVY, "D3DFMT_UYVY"},
    {D3DFMT_YUY2, "D3DFMT_YUY2"},
    {D3DFMT_DXT1, "D3DFMT_DXT1"},
    {D3DFMT_DXT2, "D3DFMT_DXT2"},
    {D3DFMT_DXT3, "D3DFMT_DXT3"},
    {D3DFMT_DXT4, "D3DFMT_DXT4"},
    {D3DFMT_DXT5, "D3DFMT_DXT5"},
    {D3DFMT_D16_LOCKABLE, "D3DFMT_D16_LOCKABLE"},
    {D3DFMT_D32, "D3DFMT_D32"},
    {D3DFMT_D15S1, "D3DFMT_D15S1"},
    {D3DFMT_D24S8, "D3DFMT_D24S8"},
    {D3DFMT_D16, "D3DFMT_D16"},
    {D3DFMT_D24X8, "D3DFMT_D24X8"},
    {D3DFMT_D24X4S4, "D3DFMT_D24X4S4"},
    {D3DFMT_VERTEXDATA, "D3DFMT_VERTEXDATA"},
    {D3DFMT_INDEX16, "D3DFMT_INDEX16"},
    {D3DFMT_INDEX32, "D3DFMT_INDEX32"},
};
static_assert(std::size(formatNameTable) == 43);

// The later block formats by the names people give them, the first of each being the one
// shown; the others are read too (the codes DDS files use for them).
constexpr FormatName blockNameTable[] = {
    {D3DFORMAT(BlockFormatBc4), "BC4"},        {D3DFORMAT(BlockFormatBc4), "ATI1"},
    {D3DFORMAT(BlockFormatBc4), "BC4U"},       {D3DFORMAT(BlockFormatBc4Signed), "BC4S"},
    {D3DFORMAT(BlockFormatBc5), "BC5"},        {D3DFORMAT(BlockFormatBc5), "ATI2"},
    {D3DFORMAT(BlockFormatBc5), "BC5U"},       {D3DFORMAT(BlockFormatBc5Signed), "BC5S"},
    {D3DFORMAT(BlockFormatBc7), "BC7"},
};
static_assert(std::size(blockNameTable) == 9);

// A code whose four bytes are all printable characters, as MAKEFOURCC builds them.
bool isFourCharacterCode(uint32_t format) {
    for (int shift = 0; shift < 32; shift += 8)
        if (!std::isprint(int(format >> shift & 0xFF)))
            return false;
    return true;
}

std::string fourCharacters(uint32_t format) {
    std::string text;
    for (int shift = 0; shift < 32; shift += 8)
        text += char(format >> shift & 0xFF);
    return text;
}

} // namespace

std::string formatName(uint32_t format) {
    for (const FormatName& row : blockNameTable)
        if (uint32_t(row.format) == format)
            return row.name;
    if (isFourCharacterCode(format))
        return fourCharacters(format);
    for (const FormatName& row : formatNameTable)
        if (uint32_t(row.format) == format)
            return row.name;
    return std::to_string(format);
}

bool parseFormatName(const std::string& text, D3DFORMAT* format) {
    // Names in any case: a "dxt1" read as a four-character code of its own would be a format
    // no device knows, quietly loaded as the nearest one.
    const auto same = [&text](const char* name) { return ::strcasecmp(text.c_str(), name) == 0; };
    for (const FormatName& row : blockNameTable) {
        if (same(row.name)) {
            *format = row.format;
            return true;
        }
    }
    for (const FormatName& row : formatNameTable) {
        if (same(row.name) || same(row.name + std::strlen("D3DFMT_"))) {
            *format = row.format;
            return true;
        }
    }
    if (text.size() == 4 && isFourCharacterCode(MAKEFOURCC(text[0], text[1], text[2], text[3]))) {
        *format = D3DFORMAT(MAKEFOURCC(text[0], text[1], text[2], text[3]));
        return true;
    }
    return false;
}
