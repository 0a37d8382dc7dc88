// PNG writing over libpng. The library's long jump stays inside writeRows, where no object
// with a destructor is alive.
#include "tools/png_writer.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace tools {

namespace {

struct WriteFailure {
    char message[256];
};

void onPngError(png_structp png, png_const_charp message) {
    WriteFailure* failure = static_cast<WriteFailure*>(png_get_error_ptr(png));
    std::snprintf(failure->message, sizeof(failure->message), "%s", message);
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

// Writes the rows (`rowBytes` apart) to an open file; null on success, else the reason.
const char* writeRows(FILE* file, const uint8_t* rows, size_t rowBytes, unsigned width,
                      unsigned height, bool withAlpha, WriteFailure* failure) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, failure, onPngError, onPngWarning);
    if (png == nullptr)
        return "cannot start libpng";
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return "cannot start libpng";
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return failure->message;
    }
    png_init_io(png, file);
    // The smallest file: the generated pictures are committed, and the tools write one picture.
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, width, height, 8,
                 withAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (unsigned y = 0; y < height; ++y)
        png_write_row(png, rows + y * rowBytes);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return nullptr;
}

// Writes rows of packed 8-bit samples, `channels` a pixel, to `path`.
bool writeFile(const std::string& path, const uint8_t* rows, unsigned width, unsigned height,
               size_t channels, std::string* error) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        *error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    WriteFailure failure{};
    const char* reason =
        writeRows(file, rows, channels * width, width, height, channels == 4, &failure);
    const bool closed = std::fclose(file) == 0;
    if (reason != nullptr || !closed) {
        *error = "cannot write " + path + ": " + (reason != nullptr ? reason : "closing failed");
        return false;
    }
    return true;
}

// Rows of packed 8-bit samples from ARGB words: RGBA with `withAlpha`, else RGB.
std::vector<uint8_t> packedRows(const uint32_t* pixels, unsigned width, unsigned height,
                                size_t stride, bool withAlpha) {
    const size_t channels = withAlpha ? 4 : 3;
    const size_t rowBytes = channels * width;
    std::vector<uint8_t> rows(rowBytes * height);
    for (unsigned y = 0; y < height; ++y)
        for (unsigned x = 0; x < width; ++x) {
            const uint32_t argb = pixels[y * stride + x];
            uint8_t* to = &rows[y * rowBytes + x * channels];
            to[0] = uint8_t(argb >> 16);
            to[1] = uint8_t(argb >> 8);
            to[2] = uint8_t(argb);
            if (withAlpha)
                to[3] = uint8_t(argb >> 24);
        }
    return rows;
}

bool isPicture(const void* pixels, unsigned width, unsigned height, std::string* error) {
    if (pixels == nullptr || width == 0 || height == 0) {
        *error = "no picture to write";
        return false;
    }
    return true;
}

} // namespace

bool writePng(const std::string& path, const uint32_t* pixels, unsigned width, unsigned height,
              size_t stride, bool withAlpha, std::string* error) {
    if (!isPicture(pixels, width, height, error) || stride < width) {
        *error = "no picture to write";
        return false;
    }
    const std::vector<uint8_t> rows = packedRows(pixels, width, height, stride, withAlpha);
    return writeFile(path, rows.data(), width, height, withAlpha ? 4 : 3, error);
}

bool writePng(FILE* file, const uint32_t* pixels, unsigned width, unsigned height, size_t stride,
              bool withAlpha, std::string* error) {
    if (!isPicture(pixels, width, height, error) || stride < width) {
        *error = "no picture to write";
        return false;
    }
    const std::vector<uint8_t> rows = packedRows(pixels, width, height, stride, withAlpha);
    const size_t channels = withAlpha ? 4 : 3;
    WriteFailure failure{};
    const char* reason =
        writeRows(file, rows.data(), channels * width, width, height, withAlpha, &failure);
    if (reason == nullptr && (std::fflush(file) != 0 || std::ferror(file) != 0))
        reason = std::strerror(errno);
    if (reason != nullptr) {
        *error = reason;
        return false;
    }
    return true;
}

bool writeRgbPng(const std::string& path, const uint8_t* rgb, unsigned width, unsigned height,
                 std::string* error) {
    if (!isPicture(rgb, width, height, error))
        return false;
    return writeFile(path, rgb, width, height, 3, error);
}

} // namespace tools
