// Test helper: PNG reading with libpng, no transforms, so the stored format is reported.
#include "tests/tools/png_reader.h"

#include <png.h>

#include <cstdio>

namespace {

// Each libpng call that may long-jump sits alone in a function that changes no local after
// setjmp, so the jump leaves nothing in an undefined state.
bool readInfo(png_structp png, png_infop info, FILE* file) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    return true;
}

bool readRows(png_structp png, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_read_image(png, rows);
    return true;
}

bool decode(png_structp png, png_infop info, FILE* file, PngImage& image) {
    if (!readInfo(png, info, file)) {
        return false;
    }
    image.width = static_cast<int>(png_get_image_width(png, info));
    image.height = static_cast<int>(png_get_image_height(png, info));
    image.bitDepth = png_get_bit_depth(png, info);
    image.colorType = png_get_color_type(png, info);
    image.interlace = png_get_interlace_type(png, info);
    image.hasTransparencyChunk = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    image.rgb.clear();
    if (image.bitDepth != 8 || image.colorType != PNG_COLOR_TYPE_RGB ||
        image.interlace != PNG_INTERLACE_NONE) {
        return true;
    }
    std::size_t stride = static_cast<std::size_t>(image.width) * 3;
    image.rgb.resize(stride * image.height);
    std::vector<png_bytep> rows(static_cast<std::size_t>(image.height));
    for (int y = 0; y < image.height; ++y) {
        rows[static_cast<std::size_t>(y)] = image.rgb.data() + stride * y;
    }
    return readRows(png, rows.data());
}

} // namespace

bool readPng(const std::filesystem::path& path, PngImage& image) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    bool ok = info != nullptr && decode(png, info, file, image);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return ok;
}
