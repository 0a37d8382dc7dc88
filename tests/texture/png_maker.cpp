// Test helper: PNG files made in memory with libpng's writer, and raw chunk surgery.
#include "tests/texture/png_maker.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {

void appendToVector(png_structp png, png_bytep data, size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void flushNothing(png_structp) {}

size_t rowBytes(const PngRecipe& recipe) {
    static const int channelsOfType[] = {1, 0, 3, 1, 2, 0, 4};
    const size_t bits = size_t(recipe.width) * channelsOfType[recipe.colorType] * recipe.bitDepth;
    return (bits + 7) / 8;
}

// The libpng calls in a function of their own, with no local changed after setjmp.
bool writeWithLibpng(png_structp png, png_infop info, const PngRecipe& recipe,
                     std::vector<uint8_t>* out, png_bytep* rows) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_write_fn(png, out, appendToVector, flushNothing);
    png_set_IHDR(png, info, recipe.width, recipe.height, recipe.bitDepth, recipe.colorType,
                 recipe.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!recipe.palette.empty()) {
        std::vector<png_color> colors(recipe.palette.size() / 3);
        std::memcpy(colors.data(), recipe.palette.data(), colors.size() * 3);
        png_set_PLTE(png, info, colors.data(), int(colors.size()));
    }
    png_color_16 transparent = {};
    const bool colourKey = recipe.transparentRed.has_value();
    if (recipe.transparentGrey || colourKey) {
        transparent.gray = recipe.transparentGrey.value_or(0);
        transparent.red = recipe.transparentRed.value_or(0);
        transparent.green = recipe.transparentGreen.value_or(0);
        transparent.blue = recipe.transparentBlue.value_or(0);
        png_set_tRNS(png, info, nullptr, 0, &transparent);
    } else if (!recipe.paletteAlpha.empty()) {
        png_set_tRNS(png, info, recipe.paletteAlpha.data(), int(recipe.paletteAlpha.size()),
                     nullptr);
    }
    if (recipe.gamma > 0.0)
        png_set_gAMA(png, info, recipe.gamma);
    if (recipe.srgbIntent >= 0)
        png_set_sRGB(png, info, recipe.srgbIntent);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

uint32_t readBigEndian32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

} // namespace

std::vector<uint8_t> bigEndian32(uint32_t value) {
    return {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)};
}

std::vector<uint8_t> makePng(const PngRecipe& recipe) {
    const size_t stride = rowBytes(recipe);
    if (recipe.rows.size() != stride * recipe.height)
        throw std::invalid_argument("recipe rows do not match the header");
    std::vector<uint8_t> pixels = recipe.rows;
    std::vector<png_bytep> rows(recipe.height);
    for (uint32_t y = 0; y < recipe.height; ++y)
        rows[y] = pixels.data() + y * stride;

    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<uint8_t> out;
    const bool written = writeWithLibpng(png, info, recipe, &out, rows.data());
    png_destroy_write_struct(&png, &info);
    if (!written)
        throw std::runtime_error("libpng refused the recipe");
    return out;
}

void appendChunk(std::vector<uint8_t>& file, const char type[4], const std::vector<uint8_t>& data) {
    const std::vector<uint8_t> length = bigEndian32(uint32_t(data.size()));
    file.insert(file.end(), length.begin(), length.end());
    const size_t typeStart = file.size();
    file.insert(file.end(), type, type + 4);
    file.insert(file.end(), data.begin(), data.end());
    const uLong crc = crc32(0, file.data() + typeStart, uInt(4 + data.size()));
    const std::vector<uint8_t> crcBytes = bigEndian32(uint32_t(crc));
    file.insert(file.end(), crcBytes.begin(), crcBytes.end());
}

std::vector<uint8_t> withChunkAfterHeader(const std::vector<uint8_t>& file, const char type[4],
                                          const std::vector<uint8_t>& data) {
    const size_t headerEnd = 8 + 12 + readBigEndian32(&file[8]);
    std::vector<uint8_t> out(file.begin(), file.begin() + headerEnd);
    appendChunk(out, type, data);
    out.insert(out.end(), file.begin() + headerEnd, file.end());
    return out;
}

std::vector<uint8_t> pngHeaderOnly(uint32_t width, uint32_t height, int bitDepth, int colorType) {
    std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header = bigEndian32(width);
    const std::vector<uint8_t> h = bigEndian32(height);
    header.insert(header.end(), h.begin(), h.end());
    header.insert(header.end(), {uint8_t(bitDepth), uint8_t(colorType), 0, 0, 0});
    appendChunk(file, "IHDR", header);
    return file;
}

void fixChunkCrcs(std::vector<uint8_t>& file) {
    for (size_t at = 8; at + 12 <= file.size();) {
        const uint64_t length = readBigEndian32(&file[at]);
        if (at + 12 + length > file.size())
            return;
        const uLong crc = crc32(0, &file[at + 4], uInt(4 + length));
        const std::vector<uint8_t> crcBytes = bigEndian32(uint32_t(crc));
        std::copy(crcBytes.begin(), crcBytes.end(), file.begin() + at + 8 + length);
        at += 12 + length;
    }
}
