// Loading pictures as the game does (mapping, decoding, keyed copy, full box mip chain): a
// 640 x 480 PNG against decoding it with libpng alone, and the other containers (in files of
// their own, linked into this program) against the references they name.
#include "bench/load_figures.h"
#include "bench/load_files.h"
#include "bench/ratio_report.h"
#include "texture/png_fast_decode.h"

#include <libdeflate.h>
#include <png.h>
#include <stb/stb_image.h>
#include <zlib.h>

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

// ---- The PNG decode and its inflate, beside libpng, zlib and stb_image ---------------------

// The picture's IDAT data gathered into one zlib stream, and the size it inflates to.
struct PictureStream {
    std::vector<uint8_t> stream;
    size_t inflated = 0;
};

const PictureStream& pictureStream() {
    static const PictureStream gathered = [] {
        PictureStream s;
        const std::vector<uint8_t>& file = picture().bytes();
        for (size_t at = 8; at + 12 <= file.size();) {
            const size_t length = size_t(file[at]) << 24 | size_t(file[at + 1]) << 16 |
                                  size_t(file[at + 2]) << 8 | file[at + 3];
            if (std::memcmp(&file[at + 4], "IDAT", 4) == 0)
                s.stream.insert(s.stream.end(), &file[at + 8], &file[at + 8] + length);
            at += 12 + length;
        }
        s.inflated = size_t(Height) * (size_t(Width) * 3 + 1);
        return s;
    }();
    return gathered;
}

// zlib's inflate of the whole stream in one call, as a one-call decoder on zlib would.
void BM_InflateWithZlib(benchmark::State& state) {
    const PictureStream& s = pictureStream();
    std::vector<uint8_t> out(s.inflated);
    for (auto _ : state) {
        z_stream z = {};
        inflateInit(&z);
        z.next_in = const_cast<Bytef*>(s.stream.data());
        z.avail_in = uInt(s.stream.size());
        z.next_out = out.data();
        z.avail_out = uInt(out.size());
        if (inflate(&z, Z_FINISH) != Z_STREAM_END)
            state.SkipWithError("zlib refused the stream");
        inflateEnd(&z);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_InflateWithZlib)->Unit(benchmark::kMillisecond);

// libdeflate's, as the fast path calls it (a decompressor made for each picture).
void BM_InflateWithLibdeflate(benchmark::State& state) {
    const PictureStream& s = pictureStream();
    std::vector<uint8_t> out(s.inflated);
    for (auto _ : state) {
        libdeflate_decompressor* d = libdeflate_alloc_decompressor();
        if (libdeflate_zlib_decompress(d, s.stream.data(), s.stream.size(), out.data(),
                                       out.size(), nullptr) != LIBDEFLATE_SUCCESS)
            state.SkipWithError("libdeflate refused the stream");
        libdeflate_free_decompressor(d);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_InflateWithLibdeflate)->Unit(benchmark::kMillisecond);

// The toolkit's PNG decode alone, by the fast path and by libpng's path.
template <bool Reference>
void decodeInToolkit(benchmark::State& state) {
    const std::vector<uint8_t>& file = picture().bytes();
    for (auto _ : state) {
        ImageDecoder image;
        const HRESULT hr = Reference ? decodePngWithLibpng(image, file.data(), UINT(file.size()))
                                     : image.decodePng(file.data(), UINT(file.size()));
        if (FAILED(hr) || (!Reference && lastPngDecodePath() != PngDecodePath::Fast))
            state.SkipWithError("the decode failed or left the fast path");
        benchmark::DoNotOptimize(image.bits);
    }
}
void BM_DecodePngFastPath(benchmark::State& state) {
    decodeInToolkit<false>(state);
}
BENCHMARK(BM_DecodePngFastPath)->Unit(benchmark::kMillisecond);
void BM_DecodePngLibpngPath(benchmark::State& state) {
    decodeInToolkit<true>(state);
}
BENCHMARK(BM_DecodePngLibpngPath)->Unit(benchmark::kMillisecond);

// stb_image's decode of the same file into its stored channels, for the record.
void BM_DecodeWithStb(benchmark::State& state) {
    const std::vector<uint8_t>& file = picture().bytes();
    for (auto _ : state) {
        int width = 0, height = 0, channels = 0;
        stbi_uc* pixels =
            stbi_load_from_memory(file.data(), int(file.size()), &width, &height, &channels, 0);
        if (pixels == nullptr)
            state.SkipWithError("stb_image refused the picture");
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
}
BENCHMARK(BM_DecodeWithStb)->Unit(benchmark::kMillisecond);

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
                                    {"png_decode_fast", "BM_DecodePngFastPath",
                                     "BM_DecodeWithLibpng"},
                                    {"png_decode_libpng_path", "BM_DecodePngLibpngPath",
                                     "BM_DecodeWithLibpng"},
                                    {"inflate_libdeflate_vs_zlib", "BM_InflateWithLibdeflate",
                                     "BM_InflateWithZlib"},
                                    {"inflate_zlib_vs_libpng", "BM_InflateWithZlib",
                                     "BM_DecodeWithLibpng"},
                                    {"stb_decode", "BM_DecodeWithStb", "BM_DecodeWithLibpng"},
                                    {"load_bmp", "BM_LoadBmp", "BM_CopyFrame"},
                                    {"load_tga", "BM_LoadTga", "BM_CopyFrame"},
                                    {"load_bmp_from_memory", "BM_LoadBmpFromMemory",
                                     "BM_CopyFrame"},
                                    {"load_tga_from_memory", "BM_LoadTgaFromMemory",
                                     "BM_CopyFrame"},
                                    {"map_bmp_file", "BM_MapBmpFile", "BM_CopyFrame"},
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
