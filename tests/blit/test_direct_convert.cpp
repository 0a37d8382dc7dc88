// The direct converters against the float path they stand in for: every stored value of
// each source channel, at every cell of the dither pattern, with and without the colour key.
#include "blit/direct_convert.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

struct Planes {
    uint32_t bytes, width, height, depth;
    std::vector<uint8_t> memory;

    Planes(uint32_t b, uint32_t w, uint32_t h, uint32_t d)
        : bytes(b), width(w), height(h), depth(d), memory(size_t(b) * w * h * d) {}

    BlitSurface side(PixelFormat format, uint32_t key = 0, bool dither = false) {
        BlitSurface s;
        s.bits = memory.data();
        s.format = format;
        s.rowPitch = bytes * width;
        s.slicePitch = bytes * width * height;
        s.extent = s.rect = {0, 0, int32_t(width), int32_t(height), 0, int32_t(depth)};
        s.colorKey = key;
        s.dither = dither;
        return s;
    }
};

struct Pair {
    PixelFormat source;
    uint32_t sourceBytes;
    PixelFormat destination;
    uint32_t destinationBytes;
};

const Pair pairTable[] = {
    {D3DFMT_X8R8G8B8, 4, D3DFMT_A8R8G8B8, 4}, {D3DFMT_A8R8G8B8, 4, D3DFMT_A8R8G8B8, 4},
    {D3DFMT_A8R8G8B8, 4, D3DFMT_X8R8G8B8, 4}, {D3DFMT_X8R8G8B8, 4, D3DFMT_X8R8G8B8, 4},
    {D3DFMT_A8R8G8B8, 4, D3DFMT_R5G6B5, 2},   {D3DFMT_X8R8G8B8, 4, D3DFMT_R5G6B5, 2},
    {D3DFMT_R5G6B5, 2, D3DFMT_A8R8G8B8, 4},   {D3DFMT_R5G6B5, 2, D3DFMT_X8R8G8B8, 4},
    {D3DFMT_A4R4G4B4, 2, D3DFMT_A8R8G8B8, 4}, {D3DFMT_X1R5G5B5, 2, D3DFMT_R5G6B5, 2},
    {D3DFMT_A8R8G8B8, 4, D3DFMT_A1R5G5B5, 2}, {D3DFMT_A8R8G8B8, 4, D3DFMT_A8, 1},
    {D3DFMT_R3G3B2, 1, D3DFMT_A8R3G3B2, 2},   {D3DFMT_A8R8G8B8, 4, D3DFMT_R8G8B8, 3},
    {D3DFMT_R8G8B8, 3, D3DFMT_A4R4G4B4, 2},   {D3DFMT_A1R5G5B5, 2, D3DFMT_X4R4G4B4, 2},
    {D3DFMT_R8G8B8, 3, D3DFMT_A8R8G8B8, 4},   {D3DFMT_R8G8B8, 3, D3DFMT_X8R8G8B8, 4},
};

uint32_t sampleCount(uint32_t bytes) {
    return bytes == 1 ? 256 : bytes == 2 ? 65536 : 256;
}

// Four columns by four rows per sample, so each value meets every cell of the dither pattern.
void fillSamples(Planes& source, uint32_t key) {
    const uint32_t samples = sampleCount(source.bytes);
    for (uint32_t z = 0; z < source.depth; ++z) {
        for (uint32_t y = 0; y < source.height; ++y) {
            for (uint32_t x = 0; x < source.width; ++x) {
                const uint32_t v = (x / 4 + 37 * z) % samples;
                uint32_t word = source.bytes >= 3 ? (v * 13 & 0xFF) << 24 | (255 - v) << 16 |
                                                        v << 8 | (v * 7 & 0xFF)
                                                  : v;
                // Some pixels carry the key, some miss it by one bit.
                if (key != 0 && x % 11 == 0)
                    word = x % 22 == 0 ? key : key ^ 0x100;
                std::memcpy(&source.memory[((size_t(z) * source.height + y) * source.width + x) *
                                           source.bytes],
                            &word, source.bytes);
            }
        }
    }
}

class DirectConverterMatchesFloatPath
    : public testing::TestWithParam<std::tuple<Pair, bool, uint32_t>> {};

TEST_P(DirectConverterMatchesFloatPath, OverEveryStoredValue) {
    const auto [pair, dither, key] = GetParam();
    const uint32_t depth = dither ? 2 : 1; // slices shift the pattern
    // Five extra columns leave a tail that the wide-vector loops hand to the plain ones.
    Planes source(pair.sourceBytes, 4 * sampleCount(pair.sourceBytes) + 5, 4, depth);
    fillSamples(source, key);
    Planes expected(pair.destinationBytes, source.width, 4, depth);
    Planes actual = expected;

    auto decoder = createPixelCodec(source.side(pair.source, key));
    auto encoder = createPixelCodec(expected.side(pair.destination, 0, dither));
    std::vector<FloatColor> row(source.width);
    for (uint32_t z = 0; z < depth; ++z) {
        for (uint32_t y = 0; y < 4; ++y) {
            decoder->decodeRow(y, z, row.data());
            encoder->encodeRow(y, z, row.data());
        }
    }

    auto reader = createPixelCodec(source.side(pair.source, key));
    auto writer = createPixelCodec(actual.side(pair.destination, 0, dither));
    auto converter = findDirectConverter(*writer, *reader, UINT64_MAX);
    ASSERT_NE(converter, nullptr);
    for (uint32_t z = 0; z < depth; ++z) {
        for (uint32_t y = 0; y < 4; ++y)
            converter->convertRow(y, z, source.width);
    }
    ASSERT_EQ(actual.memory.size(), expected.memory.size());
    for (size_t i = 0; i < actual.memory.size(); ++i)
        ASSERT_EQ(actual.memory[i], expected.memory[i]) << "byte " << i;
}

INSTANTIATE_TEST_SUITE_P(CommonPairs, DirectConverterMatchesFloatPath,
                         testing::Combine(testing::ValuesIn(pairTable), testing::Bool(),
                                          testing::Values(0u, 0xFFFF00FFu)));

TEST(DirectConverter, DeclinesWhatItCannotReproduce) {
    Planes a(4, 64, 64, 1), b(4, 64, 64, 1);
    auto source = createPixelCodec(a.side(D3DFMT_A8R8G8B8));
    for (PixelFormat format : {PixelFormat(D3DFMT_L8), PixelFormat(D3DFMT_A2B10G10R10),
                               PixelFormat(D3DFMT_V8U8), PixelFormat(D3DFMT_P8)}) {
        auto destination = createPixelCodec(b.side(format));
        destination->setSourceRange(source->range);
        EXPECT_EQ(findDirectConverter(*destination, *source, UINT64_MAX), nullptr) << format;
    }
    // Tables are only built when the picture pays for them.
    auto small = createPixelCodec(b.side(D3DFMT_A4R4G4B4, 0, true));
    EXPECT_EQ(findDirectConverter(*small, *source, 4096), nullptr);
    EXPECT_NE(findDirectConverter(*small, *source, 1 << 20), nullptr);
}

} // namespace
