// Block compression of the 1024 x 1024 photographs through the blit engine on one thread:
// DXT1 of the RGB photo and DXT5 of the RGBA one, in megapixels per second, the RGB PSNR of
// the DXT1 result, and apart from the engine the encoders alone (plain and vector) and the
// floor (decoding the source rows into FloatColor and gathering them into blocks).
#include "bench/ratio_report.h"
#include "blit/com_ref.h"
#include "blit/pixel_codec.h"
#include "blit/surface_load.h"
#include "blocks/dxt_block.h"
#include "platform_ext.h"
#include "tests/support/photos.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {

using test_support::Photo;

struct Pictures {
    Photo rgb, rgba;
    bool loaded = false;
};

const Pictures& pictures() {
    static const Pictures loaded = [] {
        Pictures p;
        p.loaded = test_support::loadPhoto("photo-1024-rgb.png", &p.rgb) &&
                   test_support::loadPhoto("photo-1024-rgba.png", &p.rgba);
        return p;
    }();
    return loaded;
}

IDirect3DDevice8* device() {
    static ComRef<IDirect3DDevice8> created = [] {
        ComRef<IDirect3DDevice8> d;
        platform_ext::createHeadlessDevice(64, 64, d.out());
        return d;
    }();
    return created.get();
}

// The DXT surfaces the loads write, kept for the quality figure.
IDirect3DSurface8* compressedSurface(D3DFORMAT format, const Photo& photo) {
    static ComRef<IDirect3DSurface8> dxt1, dxt5;
    ComRef<IDirect3DSurface8>& surface = format == D3DFMT_DXT1 ? dxt1 : dxt5;
    if (!surface && device() != nullptr)
        device()->CreateImageSurface(photo.width, photo.height, format, surface.out());
    return surface.get();
}

double megapixels(const Photo& photo) {
    return double(photo.width) * photo.height / 1e6;
}

void loadIntoDxt(benchmark::State& state, D3DFORMAT format, const Photo& photo) {
    IDirect3DSurface8* surface = compressedSurface(format, photo);
    if (!pictures().loaded || surface == nullptr) {
        state.SkipWithError("the photos or the device are missing");
        return;
    }
    const RECT whole = {0, 0, LONG(photo.width), LONG(photo.height)};
    for (auto _ : state) {
        if (FAILED(loadSurfaceFromMemory(surface, nullptr, nullptr, photo.argb.data(),
                                         D3DFMT_A8R8G8B8, photo.width * 4, nullptr, &whole,
                                         FilterNone, 0)))
            state.SkipWithError("loadSurfaceFromMemory failed");
    }
}

void BM_Dxt1Load(benchmark::State& state) {
    loadIntoDxt(state, D3DFMT_DXT1, pictures().rgb);
}
BENCHMARK(BM_Dxt1Load)->Unit(benchmark::kMillisecond);

void BM_Dxt5Load(benchmark::State& state) {
    loadIntoDxt(state, D3DFMT_DXT5, pictures().rgba);
}
BENCHMARK(BM_Dxt5Load)->Unit(benchmark::kMillisecond);

BlitSurface argbSide(const Photo& photo) {
    BlitSurface side;
    side.bits = reinterpret_cast<uint8_t*>(const_cast<uint32_t*>(photo.argb.data()));
    side.format = D3DFMT_A8R8G8B8;
    side.rowPitch = photo.width * 4;
    side.extent = side.rect = {0, 0, int32_t(photo.width), int32_t(photo.height), 0, 1};
    return side;
}

// What the engine does before any block is encoded: each source row decoded, then copied
// into the block order of its block row. `blocks` holds one block row, or all of them.
void gatherBlocks(PixelCodec& source, const Photo& photo, FloatColor* row, FloatColor* blocks,
                  bool allBlockRows) {
    for (uint32_t y = 0; y < photo.height; ++y) {
        source.decodeRow(y, 0, row);
        FloatColor* blockRow = blocks + (allBlockRows ? size_t(y / 4) * photo.width * 4 : 0);
        for (uint32_t x = 0; x < photo.width; ++x)
            blockRow[(x / 4) * 16 + (y % 4) * 4 + x % 4] = row[x];
    }
}

void BM_Dxt1Floor(benchmark::State& state) {
    const Photo& photo = pictures().rgb;
    if (!pictures().loaded) {
        state.SkipWithError("the photos are missing");
        return;
    }
    std::unique_ptr<PixelCodec> source = createPixelCodec(argbSide(photo));
    std::vector<FloatColor> row(photo.width), blockRow(size_t(photo.width) * 4);
    for (auto _ : state) {
        gatherBlocks(*source, photo, row.data(), blockRow.data(), false);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Dxt1Floor)->Unit(benchmark::kMillisecond);

const std::vector<FloatColor>& gatheredBlocks(const Photo& photo) {
    static std::vector<FloatColor> rgb, rgba;
    std::vector<FloatColor>& blocks = &photo == &pictures().rgb ? rgb : rgba;
    if (blocks.empty()) {
        std::unique_ptr<PixelCodec> source = createPixelCodec(argbSide(photo));
        std::vector<FloatColor> row(photo.width);
        blocks.resize(photo.argb.size());
        gatherBlocks(*source, photo, row.data(), blocks.data(), true);
    }
    return blocks;
}

void encodeBlocks(benchmark::State& state, D3DFORMAT format, const Photo& photo, bool vector) {
    if (!pictures().loaded) {
        state.SkipWithError("the photos are missing");
        return;
    }
    const BlockFormat& row = *findBlockFormat(format);
    const BlockBatchEncoder encode = vector ? blockBatchEncoder(row) : row.encodePlainBatch;
    if (vector && encode == row.encodePlainBatch) {
        state.SkipWithError("no vector encoder on this processor");
        return;
    }
    const std::vector<FloatColor>& blocks = gatheredBlocks(photo);
    const uint32_t count = uint32_t(blocks.size() / 16);
    std::vector<uint8_t> out(size_t(count) * row.blockBytes);
    for (auto _ : state) {
        encode(blocks.data(), count, out.data());
        benchmark::ClobberMemory();
    }
}

void BM_Dxt1PlainBlocks(benchmark::State& state) {
    encodeBlocks(state, D3DFMT_DXT1, pictures().rgb, false);
}
BENCHMARK(BM_Dxt1PlainBlocks)->Unit(benchmark::kMillisecond);

void BM_Dxt1VectorBlocks(benchmark::State& state) {
    encodeBlocks(state, D3DFMT_DXT1, pictures().rgb, true);
}
BENCHMARK(BM_Dxt1VectorBlocks)->Unit(benchmark::kMillisecond);

void BM_Dxt5PlainBlocks(benchmark::State& state) {
    encodeBlocks(state, D3DFMT_DXT5, pictures().rgba, false);
}
BENCHMARK(BM_Dxt5PlainBlocks)->Unit(benchmark::kMillisecond);

void BM_Dxt5VectorBlocks(benchmark::State& state) {
    encodeBlocks(state, D3DFMT_DXT5, pictures().rgba, true);
}
BENCHMARK(BM_Dxt5VectorBlocks)->Unit(benchmark::kMillisecond);

// RGB PSNR of the DXT1 surface decoded back against the photo.
double dxt1Psnr() {
    const Photo& photo = pictures().rgb;
    IDirect3DSurface8* compressed = compressedSurface(D3DFMT_DXT1, photo);
    ComRef<IDirect3DSurface8> decoded;
    if (!pictures().loaded || compressed == nullptr ||
        FAILED(device()->CreateImageSurface(photo.width, photo.height, D3DFMT_A8R8G8B8,
                                            decoded.out())) ||
        FAILED(loadSurfaceFromSurface(decoded.get(), nullptr, nullptr, compressed, nullptr, nullptr,
                                      FilterNone, 0)))
        return 0.0;
    D3DLOCKED_RECT locked = {};
    if (FAILED(decoded->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
        return 0.0;
    double sum = 0.0;
    for (uint32_t y = 0; y < photo.height; ++y) {
        const uint8_t* row = static_cast<const uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch;
        for (uint32_t x = 0; x < photo.width; ++x) {
            const uint32_t original = photo.argb[size_t(y) * photo.width + x];
            for (int c = 0; c < 3; ++c) {
                const double d = double(row[4 * x + c]) - double((original >> (8 * c)) & 0xFF);
                sum += d * d;
            }
        }
    }
    decoded->UnlockRect();
    const double mse = sum / (3.0 * photo.width * photo.height);
    return 10.0 * std::log10(255.0 * 255.0 / mse);
}

// Megapixels per second of a benchmark over one of the photos.
bench::Figure rate(const char* label, const char* benchmark, bool rgba) {
    return {label, [benchmark, rgba](const bench::RatioReporter& reporter) {
                const double seconds = reporter.time(benchmark);
                const Photo& photo = rgba ? pictures().rgba : pictures().rgb;
                return seconds > 0.0 ? megapixels(photo) / seconds : 0.0;
            }};
}

} // namespace

int main(int argc, char** argv) {
    return bench::runWithRatios(
        argc, argv, {},
        {rate("dxt1_mpix", "BM_Dxt1Load", false),
         rate("dxt5_mpix", "BM_Dxt5Load", true),
         {"dxt1_psnr", [](const bench::RatioReporter&) { return dxt1Psnr(); }},
         rate("dxt1_floor_mpix", "BM_Dxt1Floor", false),
         rate("dxt1_plain_blocks_mpix", "BM_Dxt1PlainBlocks", false),
         rate("dxt1_vector_blocks_mpix", "BM_Dxt1VectorBlocks", false),
         rate("dxt5_plain_blocks_mpix", "BM_Dxt5PlainBlocks", true),
         rate("dxt5_vector_blocks_mpix", "BM_Dxt5VectorBlocks", true)});
}
