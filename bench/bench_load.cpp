// Loading pictures as the game does (mapping, decoding, keyed copy, full box mip chain): a
// 640 x 480 PNG against decoding it with libpng alone, and the other containers (in files of
// their own, linked into this program) against the references they name.
#include "bench/load_figures.h"
#include "bench/load_files.h"
#include "bench/ratio_report.h"

#include <png.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int Width = 640;
constexpr int Height = 480;

void appendToVector(png_structp png, png_bytep data, size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

// Smooth colour fields with some noise and a few magenta patches, like a painted picture.
std::vector<uint8_t> pictureRows() {
    std::mt19937 random(640480);
    std::vector<uint8_t> rows;
    rows.reserve(size_t(Width) * Height * 3);
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            if ((x / 40 + y / 40) % 7 == 0) {
                rows.insert(rows.end(), {0xFF, 0x00, 0xFF});
                continue;
            }
            const int noise = int(random() % 9) - 4;
            rows.push_back(uint8_t(std::clamp(x * 255 / Width + noise, 0, 255)));
            rows.push_back(uint8_t(std::clamp(y * 255 / Height + noise, 0, 255)));
            rows.push_back(uint8_t(std::clamp((x + y) * 255 / (Width + Height) - noise, 0, 255)));
        }
    }
    return rows;
}

std::vector<uint8_t> encodePicture() {
    std::vector<uint8_t> rows = pictureRows();
    std::vector<png_bytep> pointers(Height);
    for (int y = 0; y < Height; ++y)
        pointers[y] = rows.data() + size_t(y) * Width * 3;
    std::vector<uint8_t> file;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_set_write_fn(png, &file, appendToVector, nullptr);
        png_set_IHDR(png, info, Width, Height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        png_write_image(png, pointers.data());
        png_write_end(png, info);
    }
    png_destroy_write_struct(&png, &info);
    return file;
}

struct MemorySource {
    const uint8_t* next;
    size_t left;
};

void readFromMemory(png_structp png, png_bytep out, size_t count) {
    auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
    if (count > source->left)
        png_error(png, "read error");
    std::memcpy(out, source->next, count);
    source->next += count;
    source->left -= count;
}

// libpng alone: the file's rows, as stored, into one plain buffer, not cleared beforehand.
bool decodeWithLibpng(const std::vector<uint8_t>& file, std::unique_ptr<uint8_t[]>* pixels,
                      std::vector<png_bytep>* rows) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    MemorySource source = {file.data(), file.size()};
    bool decoded = false;
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_set_read_fn(png, &source, readFromMemory);
        png_read_info(png, info);
        png_read_update_info(png, info);
        const size_t rowBytes = png_get_rowbytes(png, info);
        const png_uint_32 height = png_get_image_height(png, info);
        pixels->reset(new uint8_t[rowBytes * height]);
        rows->resize(height);
        for (png_uint_32 y = 0; y < height; ++y)
            (*rows)[y] = pixels->get() + y * rowBytes;
        png_read_image(png, rows->data());
        decoded = true;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return decoded;
}

const bench::TemporaryFile& picture() {
    static const bench::TemporaryFile file("png", encodePicture());
    return file;
}

// Each decode gets a buffer of its own, as the loader's decode does.
void BM_DecodeWithLibpng(benchmark::State& state) {
    for (auto _ : state) {
        std::unique_ptr<uint8_t[]> pixels;
        std::vector<png_bytep> rows;
        if (!decodeWithLibpng(picture().bytes(), &pixels, &rows))
            state.SkipWithError("libpng refused the picture");
        benchmark::DoNotOptimize(pixels.get());
    }
}
BENCHMARK(BM_DecodeWithLibpng)->Unit(benchmark::kMillisecond);

void BM_LoadAsTheGame(benchmark::State& state) {
    bench::loadAsTheGame(state, picture().path());
}
BENCHMARK(BM_LoadAsTheGame)->Unit(benchmark::kMillisecond);

// The reference of the bitmap and Targa loads: copying a 640 x 480 frame of 32-bit pixels.
void BM_CopyFrame(benchmark::State& state) {
    const size_t bytes = size_t(Width) * Height * 4;
    std::vector<uint8_t> from(bytes, 0x5A), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CopyFrame)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    std::vector<bench::Figure> figures = bmpTgaLoadFigures();
    for (bench::Figure& figure : jpegLoadFigures())
        figures.push_back(std::move(figure));
    return bench::runWithRatios(argc, argv,
                                {
                                    {"load", "BM_LoadAsTheGame", "BM_DecodeWithLibpng"},
                                    {"load_bmp", "BM_LoadBmp", "BM_CopyFrame"},
                                    {"load_tga", "BM_LoadTga", "BM_CopyFrame"},
                                    {"load_jpeg", "BM_LoadJpeg", "BM_DecodeWithLibjpeg"},
                                    {"load_dds", "BM_LoadDds", "BM_CopyDdsData"},
                                    {"stb_bmp", "BM_StbDecodeBmp", "BM_CopyFrame"},
                                    {"stb_tga", "BM_StbDecodeTga", "BM_CopyFrame"},
                                    {"stb_jpeg", "BM_StbDecodeJpeg", "BM_DecodeWithLibjpeg"},
                                    {"texture_640", "BM_CreateTexture640", "BM_CopyFrame"},
                                    {"texture_1024", "BM_CreateTexture1024",
                                     "BM_DecodeWithLibjpeg"},
                                },
                                figures);
}
