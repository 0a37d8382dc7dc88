// PNG output of the asset generator through libpng.
#include "tools/make_assets/png_file.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace assets {
namespace {

// Everything libpng can long-jump over is plain data set up by the caller, so the jump
// skips no destructor.
bool encode(FILE* file, int width, int height, png_bytepp rows) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) {
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool writeRgbPng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb) {
    size_t stride = static_cast<size_t>(width) * 3;
    if (width <= 0 || height <= 0 || rgb.size() != stride * static_cast<size_t>(height)) {
        std::fprintf(stderr, "make_assets: %s: pixel buffer does not match %d x %d\n", path.c_str(),
                     width, height);
        return false;
    }
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        rows[static_cast<size_t>(y)] = const_cast<png_bytep>(rgb.data() + stride * y);
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "make_assets: cannot create %s\n", path.c_str());
        return false;
    }
    bool encoded = encode(file, width, height, rows.data());
    bool closed = std::fclose(file) == 0;
    if (!encoded || !closed) {
        std::fprintf(stderr, "make_assets: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

} // namespace assets
