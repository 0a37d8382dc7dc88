// texkit convert on one and on two workers, in one process: a batch of 24 photographs (the six
// of real-photos/, four times each) into DXT5 DDS files with full chains, and one 4096 x 4096
// picture (photo-1024-rgb.png tiled four by four) into DXT1 with its chain, read from an
// uncompressed bitmap and from a PNG file. Prints the scalings (time on one worker over time on
// two) and the batch's megapixels per second on two workers.
#include "bench/ratio_report.h"
#include "tests/support/container_files.h"
#include "tests/support/photos.h"
#include "texture/image_decoder.h"
#include "texture/png_fast_decode.h"
#include "tools/png_writer.h"
#include "tools/texkit/conversion_run.h"

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int batchCopies = 4;
constexpr uint32_t bigSide = 4096;
const char* const realPhotoTable[] = {"astronaut.png",         "chelsea.png", "coffee.png",
                                      "hubble_deep_field.png", "retina.png",  "rocket.png"};

// The inputs, written once to a temporary folder that goes with the process.
struct Workspace {
    fs::path root;
    std::vector<ConversionJob> batch;
    ConversionJob bigBitmap;
    ConversionJob bigPng;
    double batchMegapixels = 0;
    bool ready = false;

    Workspace() {
        root = fs::temp_directory_path() / ("bench_texkit_" + std::to_string(::getpid()));
        fs::create_directories(root / "in");
        for (const char* name : realPhotoTable) {
            const std::string path = test_support::testdataPath(std::string("real-photos/") + name);
            const std::vector<uint8_t> file = test_support::readFileBytes(path);
            ImageDecoder photo;
            if (file.empty() || FAILED(photo.load(file.data(), UINT(file.size()), nullptr)))
                return;
            batchMegapixels += batchCopies * double(photo.width) * photo.height / 1e6;
            for (int copy = 0; copy < batchCopies; ++copy) {
                const fs::path input = root / "in" / (std::to_string(copy) + "-" + name);
                fs::copy_file(path, input);
                batch.push_back({input.string(), (root / "out" / input.stem()).string() + ".dds",
                                 fs::file_size(input)});
            }
        }
        ready = writeBigPictures();
    }
    ~Workspace() { fs::remove_all(root); }

    bool writeBigPictures() {
        test_support::Photo tile;
        if (!test_support::loadPhoto("photo-1024-rgb.png", &tile) || tile.width != 1024)
            return false;
        std::vector<uint32_t> argb(size_t(bigSide) * bigSide);
        for (uint32_t y = 0; y < bigSide; ++y)
            for (uint32_t x = 0; x < bigSide; ++x)
                argb[size_t(y) * bigSide + x] = tile.argb[size_t(y % 1024) * 1024 + x % 1024];
        // A 24-bit bitmap, rows bottom to top as bitmaps store them.
        test_support::BitmapRecipe bitmap;
        bitmap.width = bigSide;
        bitmap.height = bigSide;
        bitmap.bitCount = 24;
        bitmap.pixels.resize(size_t(bigSide) * bigSide * 3);
        for (uint32_t y = 0; y < bigSide; ++y) {
            uint8_t* row = &bitmap.pixels[size_t(bigSide - 1 - y) * bigSide * 3];
            for (uint32_t x = 0; x < bigSide; ++x) {
                const uint32_t pixel = argb[size_t(y) * bigSide + x];
                row[3 * x] = uint8_t(pixel);
                row[3 * x + 1] = uint8_t(pixel >> 8);
                row[3 * x + 2] = uint8_t(pixel >> 16);
            }
        }
        const std::vector<uint8_t> bmp = test_support::makeBmp(bitmap);
        const fs::path bitmapPath = root / "in" / "big.bmp";
        std::ofstream(bitmapPath, std::ios::binary)
            .write(reinterpret_cast<const char*>(bmp.data()), std::streamsize(bmp.size()));
        const fs::path pngPath = root / "in" / "big.png";
        std::string error;
        if (!tools::writePng(pngPath.string(), argb.data(), bigSide, bigSide, bigSide, false,
                             &error))
            return false;
        bigBitmap = {bitmapPath.string(), (root / "out" / "big-bmp.dds").string(),
                     fs::file_size(bitmapPath)};
        bigPng = {pngPath.string(), (root / "out" / "big-png.dds").string(),
                  fs::file_size(pngPath)};
        return true;
    }
};

const Workspace& workspace() {
    static const Workspace instance;
    return instance;
}

void convert(benchmark::State& state, const std::vector<ConversionJob>& jobs, D3DFORMAT format) {
    if (!workspace().ready) {
        state.SkipWithError("the photographs are missing");
        return;
    }
    ConvertOptions options;
    options.format = format;
    options.jobs = unsigned(state.range(0));
    options.force = true;
    options.quiet = true;
    for (auto _ : state) {
        ConversionReport report(options, jobs.size(), 0);
        OutputFiles outputs;
        convertJobs(jobs, options, &report, &outputs);
        if (report.anyFailed())
            state.SkipWithError("a conversion failed");
    }
}

void BM_batch(benchmark::State& state) {
    convert(state, workspace().batch, D3DFMT_DXT5);
}

void BM_big(benchmark::State& state) {
    convert(state, {workspace().bigBitmap}, D3DFMT_DXT1);
}

void BM_big_png(benchmark::State& state) {
    convert(state, {workspace().bigPng}, D3DFMT_DXT1);
}

// The serial part of the big PNG's conversion: its decode, and the one-call inflate within it,
// which no thread count shortens.
void BM_big_png_decode(benchmark::State& state) {
    const std::vector<uint8_t> file = test_support::readFileBytes(workspace().bigPng.input);
    for (auto _ : state) {
        ImageDecoder image;
        if (FAILED(image.load(file.data(), UINT(file.size()), nullptr)))
            state.SkipWithError("the big PNG does not decode");
    }
}

void BM_big_png_inflate(benchmark::State& state) {
    const std::vector<uint8_t> file = test_support::readFileBytes(workspace().bigPng.input);
    for (auto _ : state) {
        PngRowReader reader;
        if (!reader.accept(file.data(), UINT(file.size())) || reader.inflate() != D3D_OK)
            state.SkipWithError("the big PNG is not one for the fast path");
    }
}

BENCHMARK(BM_big_png_decode)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_big_png_inflate)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_batch)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_big)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_big_png)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    const double batchMegapixels = workspace().batchMegapixels;
    return bench::runWithRatios(
        argc, argv,
        {{"batch_scaling", "BM_batch/1/real_time", "BM_batch/2/real_time"},
         {"big_scaling", "BM_big/1/real_time", "BM_big/2/real_time"},
         {"big_png_scaling", "BM_big_png/1/real_time", "BM_big_png/2/real_time"},
         {"big_png_decode_share", "BM_big_png_decode/real_time", "BM_big_png/1/real_time"},
         {"big_png_inflate_share", "BM_big_png_inflate/real_time", "BM_big_png/1/real_time"}},
        {{"batch_mpix", [batchMegapixels](const bench::RatioReporter& r) {
              const double seconds = r.time("BM_batch/2/real_time");
              return seconds > 0 ? batchMegapixels / seconds : 0.0;
          }}});
}
