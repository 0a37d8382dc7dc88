// Loading a 1024 x 1024 photograph stored as a quality-90 JPEG as the game does (mapping,
// decoding, keyed copy, full box mip chain), against libjpeg's decode alone of the same file.
#include "bench/load_figures.h"
#include "bench/load_files.h"
#include "tests/support/photos.h"
#include "tests/texture/jpeg_maker.h"
#include "texture/texture_loader.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <csetjmp>
#include <memory>
#include <string>

#include <stb/stb_image.h>

namespace {

// The photo compressed at quality 90, or nothing when the photo is missing.
std::vector<uint8_t> jpegPhoto() {
    test_support::Photo photo;
    if (!test_support::loadPhoto("photo-1024-rgb.png", &photo))
        return {};
    JpegRecipe recipe;
    recipe.width = photo.width;
    recipe.height = photo.height;
    for (uint32_t argb : photo.argb)
        recipe.samples.insert(recipe.samples.end(),
                              {uint8_t(argb >> 16), uint8_t(argb >> 8), uint8_t(argb)});
    return makeJpeg(recipe);
}

const bench::TemporaryFile& photo() {
    static const bench::TemporaryFile file("jpg", jpegPhoto());
    return file;
}

struct JumpingErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void jumpBack(j_common_ptr decompressor) {
    std::longjmp(reinterpret_cast<JumpingErrors*>(decompressor->err)->jump, 1);
}

// libjpeg alone: the red, green, blue rows into one plain buffer, not cleared beforehand, as
// many rows a call as libjpeg hands out.
void readRows(jpeg_decompress_struct& decompressor, const std::vector<uint8_t>& file,
              std::unique_ptr<uint8_t[]>* pixels) {
    jpeg_create_decompress(&decompressor);
    jpeg_mem_src(&decompressor, file.data(), file.size());
    jpeg_read_header(&decompressor, TRUE);
    jpeg_start_decompress(&decompressor);
    const size_t rowBytes = size_t(decompressor.output_width) * decompressor.output_components;
    pixels->reset(new uint8_t[rowBytes * decompressor.output_height]);
    JSAMPROW rows[16];
    while (decompressor.output_scanline < decompressor.output_height) {
        for (size_t i = 0; i < 16; ++i)
            rows[i] = pixels->get() + std::min<size_t>(decompressor.output_scanline + i,
                                                       decompressor.output_height - 1) *
                                          rowBytes;
        jpeg_read_scanlines(&decompressor, rows, 16);
    }
    jpeg_finish_decompress(&decompressor);
}

bool decodeWithLibjpegAlone(const std::vector<uint8_t>& file, std::unique_ptr<uint8_t[]>* pixels) {
    jpeg_decompress_struct decompressor = {};
    JumpingErrors errors;
    decompressor.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jumpBack;
    volatile bool decoded = false;
    if (setjmp(errors.jump) == 0) {
        readRows(decompressor, file, pixels);
        decoded = true;
    }
    jpeg_destroy_decompress(&decompressor);
    return decoded;
}

// Each decode gets a buffer of its own, as the loader's decode does.
void BM_DecodeWithLibjpeg(benchmark::State& state) {
    if (photo().bytes().empty()) {
        state.SkipWithError("no benchmark photograph");
        return;
    }
    for (auto _ : state) {
        std::unique_ptr<uint8_t[]> pixels;
        if (!decodeWithLibjpegAlone(photo().bytes(), &pixels))
            state.SkipWithError("libjpeg refused the photograph");
        benchmark::DoNotOptimize(pixels.get());
    }
}
BENCHMARK(BM_DecodeWithLibjpeg)->Unit(benchmark::kMillisecond);

void BM_LoadJpeg(benchmark::State& state) {
    bench::loadAsTheGame(state, photo().path());
}
BENCHMARK(BM_LoadJpeg)->Unit(benchmark::kMillisecond);

// stb_image's decode of the same file into 32-bit pixels, for the record.
void BM_StbDecodeJpeg(benchmark::State& state) {
    const std::vector<uint8_t>& file = photo().bytes();
    for (auto _ : state) {
        int width = 0, height = 0, channels = 0;
        stbi_uc* pixels = stbi_load_from_memory(file.data(), int(file.size()), &width, &height,
                                                &channels, 4);
        if (pixels == nullptr)
            state.SkipWithError("stb_image refused the photograph");
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
}
BENCHMARK(BM_StbDecodeJpeg)->Unit(benchmark::kMillisecond);

void BM_CreateTexture1024(benchmark::State& state) {
    bench::createTextureAlone(state, 1024, 1024);
}
BENCHMARK(BM_CreateTexture1024)->Unit(benchmark::kMillisecond);

} // namespace

std::vector<bench::Figure> jpegLoadFigures() {
    return {
        {"load_jpeg_peak_kib",
         [](const bench::RatioReporter&) { return bench::peakLoadKib(photo().path(), true); }},
        {"load_jpeg_general_peak_kib",
         [](const bench::RatioReporter&) { return bench::peakLoadKib(photo().path(), false); }},
    };
}
