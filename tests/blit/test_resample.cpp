// The resampling strategies through the blit engine: which one takes a request, and the
// exact pixels of point, box, linear and triangle filtering at the edges that matter.
#include "blit/resample_weights.h"
#include "blit/surface_blitter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

struct Image {
    PixelFormat format;
    uint32_t bytes, width, height;
    std::vector<uint8_t> memory;

    Image(PixelFormat f, uint32_t b, uint32_t w, uint32_t h)
        : format(f), bytes(b), width(w), height(h), memory(size_t(b) * w * h) {}

    BlitSurface side() {
        BlitSurface s;
        s.bits = memory.data();
        s.format = format;
        s.rowPitch = bytes * width;
        s.extent = s.rect = {0, 0, int32_t(width), int32_t(height), 0, 1};
        return s;
    }
    uint8_t& byte(uint32_t x, uint32_t y, uint32_t i = 0) {
        return memory[(size_t(y) * width + x) * bytes + i];
    }
};

// An L8 row holding the given values.
Image greyRow(std::initializer_list<uint8_t> values) {
    Image image(D3DFMT_L8, 1, uint32_t(values.size()), 1);
    std::copy(values.begin(), values.end(), image.memory.begin());
    return image;
}

std::vector<uint8_t> resizeGreyRow(Image& source, uint32_t width, ImageFilter filter) {
    Image destination(D3DFMT_L8, 1, width, 1);
    EXPECT_EQ(blitSurface(destination.side(), source.side(), filter), D3D_OK);
    return destination.memory;
}

TEST(PointFilter, StepsBy16Dot16) {
    Image source = greyRow({10, 20, 30, 40});
    EXPECT_EQ(resizeGreyRow(source, 3, FilterPoint), (std::vector<uint8_t>{10, 20, 30}));
    EXPECT_EQ(resizeGreyRow(source, 8, FilterPoint),
              (std::vector<uint8_t>{10, 10, 20, 20, 30, 30, 40, 40}));
    EXPECT_EQ(resizeGreyRow(source, 3, FilterPoint | FilterMirrorU),
              (std::vector<uint8_t>{10, 20, 30}));
}

TEST(PointFilter, WideSourcesDoNotWrapTheStep) {
    // 100000 x 65536 / 3 does not fit 32 bits, nor does twice the step.
    Image source(D3DFMT_L8, 1, 100000, 1);
    source.byte(0, 0) = 1;
    source.byte(33333, 0) = 2;
    source.byte(66666, 0) = 3;
    EXPECT_EQ(resizeGreyRow(source, 3, FilterPoint), (std::vector<uint8_t>{1, 2, 3}));
}

TEST(BoxFilter, OddSizesDropTheirLastColumnAndRow) {
    for (PixelFormat format : {PixelFormat(D3DFMT_A8R8G8B8), PixelFormat(D3DFMT_R8G8B8)}) {
        const uint32_t bytes = format == D3DFMT_R8G8B8 ? 3 : 4;
        Image source(format, bytes, 5, 3);
        for (uint32_t y = 0; y < 3; ++y) {
            for (uint32_t x = 0; x < 5; ++x)
                source.byte(x, y) = uint8_t(x == 4 || y == 2 ? 255 : 4 * (x + 4 * y));
        }
        Image destination(format, bytes, 2, 1);
        ASSERT_EQ(blitSurface(destination.side(), source.side(), FilterBox), D3D_OK);
        // (0 + 4 + 16 + 20 + 2) >> 2 and (8 + 12 + 24 + 28 + 2) >> 2
        EXPECT_EQ(destination.byte(0, 0), 10) << format;
        EXPECT_EQ(destination.byte(1, 0), 18) << format;
    }
}

TEST(BoxFilter, OnePixelWideSourcesAverageAlongTheOtherAxis) {
    Image source(D3DFMT_L8, 1, 1, 8);
    for (uint32_t y = 0; y < 8; ++y)
        source.byte(0, y) = uint8_t(y * 10);
    Image destination(D3DFMT_L8, 1, 1, 4);
    ASSERT_EQ(blitSurface(destination.side(), source.side(), FilterBox), D3D_OK);
    EXPECT_EQ(destination.memory, (std::vector<uint8_t>{5, 25, 45, 65}));
    Image single(D3DFMT_L8, 1, 1, 1);
    Image same = single;
    single.byte(0, 0) = 77;
    ASSERT_EQ(blitSurface(same.side(), single.side(), FilterBox), D3D_OK);
    EXPECT_EQ(same.byte(0, 0), 77);
}

// A 4 x 2 A8R8G8B8 source whose two 2 x 2 blocks hold the given reds.
uint8_t boxRedOfSecondBlock(std::initializer_list<uint8_t> reds, ImageFilter filter) {
    Image source(D3DFMT_A8R8G8B8, 4, 4, 2);
    auto red = reds.begin();
    for (uint32_t y = 0; y < 2; ++y) {
        for (uint32_t x = 2; x < 4; ++x)
            source.byte(x, y, 2) = *red++;
    }
    Image destination(D3DFMT_A8R8G8B8, 4, 2, 1);
    EXPECT_EQ(blitSurface(destination.side(), source.side(), filter), D3D_OK);
    return destination.byte(1, 0, 2);
}

TEST(BoxFilter, IntegerPathRoundsHalfUp) {
    EXPECT_EQ(boxRedOfSecondBlock({0, 0, 0, 2}, FilterBox), 1);
    EXPECT_EQ(boxRedOfSecondBlock({0, 0, 1, 1}, FilterBox), 1);
    EXPECT_EQ(boxRedOfSecondBlock({0, 0, 0, 1}, FilterBox), 0);
}

TEST(BoxFilter, DitherTakesTheFloatPath) {
    // 0.5 / 255 scaled back gives 0.5, plus the pattern's 0.46875 at column 1: 0 in floats,
    // where the integer path rounds (2 + 2) >> 2 up to 1.
    EXPECT_EQ(boxRedOfSecondBlock({0, 0, 0, 2}, FilterBox | FilterDither), 0);
}

TEST(BoxFilter, SizesNotHalvedGoToTheTriangleFilter) {
    Image source(D3DFMT_A8R8G8B8, 4, 6, 6);
    for (size_t i = 0; i < source.memory.size(); ++i)
        source.memory[i] = uint8_t(i * 37);
    Image viaBox(D3DFMT_A8R8G8B8, 4, 4, 4);
    Image viaTriangle = viaBox;
    ASSERT_EQ(blitSurface(viaBox.side(), source.side(), FilterBox), D3D_OK);
    ASSERT_EQ(blitSurface(viaTriangle.side(), source.side(), FilterTriangle), D3D_OK);
    EXPECT_EQ(viaBox.memory, viaTriangle.memory);
}

TEST(BoxFilter, FieldsOfSmallFormatsAverageSeparately) {
    // R5G6B5: red 31 + 31 + 0 + 0, green 63 + 0 + 0 + 1, blue 1 + 1 + 1 + 0.
    Image source(D3DFMT_R5G6B5, 2, 2, 2);
    const uint16_t pixels[4] = {0xFFE1, 0xF801, 0x0001, 0x0020};
    std::memcpy(source.memory.data(), pixels, 8);
    Image destination(D3DFMT_R5G6B5, 2, 1, 1);
    ASSERT_EQ(blitSurface(destination.side(), source.side(), FilterBox), D3D_OK);
    const uint16_t out = uint16_t(destination.byte(0, 0) | destination.byte(0, 0, 1) << 8);
    EXPECT_EQ(out >> 11, 16);
    EXPECT_EQ((out >> 5) & 63, 16);
    EXPECT_EQ(out & 31, 1);
    // X1R5G5B5 writes its unused bit as 0.
    Image x1(D3DFMT_X1R5G5B5, 2, 2, 2);
    std::fill(x1.memory.begin(), x1.memory.end(), 0xFF);
    Image x1Out(D3DFMT_X1R5G5B5, 2, 1, 1);
    ASSERT_EQ(blitSurface(x1Out.side(), x1.side(), FilterBox), D3D_OK);
    EXPECT_EQ(x1Out.byte(0, 0, 1), 0x7F);
}

TEST(LinearFilter, HalvingMixesNeighbourPairs) {
    Image source = greyRow({0, 100, 200, 50});
    EXPECT_EQ(resizeGreyRow(source, 2, FilterLinear), (std::vector<uint8_t>{50, 125}));
}

TEST(LinearFilter, EdgesWrapOrMirror) {
    Image source = greyRow({0, 200});
    EXPECT_EQ(resizeGreyRow(source, 4, FilterLinear), (std::vector<uint8_t>{50, 50, 150, 150}));
    EXPECT_EQ(resizeGreyRow(source, 4, FilterLinear | FilterMirrorU),
              (std::vector<uint8_t>{0, 50, 150, 200}));
    // The mirror flag of the other axis changes nothing here.
    EXPECT_EQ(resizeGreyRow(source, 4, FilterLinear | FilterMirrorV),
              (std::vector<uint8_t>{50, 50, 150, 150}));
}

TEST(LinearFilter, WeightsOfTwoToFour) {
    std::unique_ptr<LinearWeight[]> wrap = buildLinearWeights(2, 4, false);
    EXPECT_EQ(wrap[0].i0, 1u);
    EXPECT_EQ(wrap[0].w0, 0.25f);
    EXPECT_EQ(wrap[0].i1, 0u);
    EXPECT_EQ(wrap[0].w1, 0.75f);
    EXPECT_EQ(wrap[1].i0, 0u);
    EXPECT_EQ(wrap[1].w0, 0.75f);
    EXPECT_EQ(wrap[3].i1, 0u);
    std::unique_ptr<LinearWeight[]> mirror = buildLinearWeights(2, 4, true);
    EXPECT_EQ(mirror[0].i0, 0u);
    EXPECT_EQ(mirror[3].i1, 1u);
}

TEST(LinearFilter, VerticalRowsAreSharedAndMixed) {
    Image source(D3DFMT_L8, 1, 1, 2);
    source.byte(0, 0) = 0;
    source.byte(0, 1) = 200;
    Image destination(D3DFMT_L8, 1, 1, 4);
    ASSERT_EQ(blitSurface(destination.side(), source.side(), FilterLinear | FilterMirrorV), D3D_OK);
    EXPECT_EQ(destination.memory, (std::vector<uint8_t>{0, 50, 150, 200}));
}

std::vector<std::pair<uint32_t, float>> pairsOf(const TriangleWeights& w, uint32_t i) {
    std::vector<std::pair<uint32_t, float>> pairs;
    for (const TrianglePair* p = w.begin(i); p != w.end(i); ++p)
        pairs.emplace_back(p->index, p->weight);
    return pairs;
}

TEST(TriangleFilter, WeightsOfFourToEight) {
    TriangleWeights wrap, mirror;
    ASSERT_TRUE(buildTriangleWeights(4, 8, false, &wrap));
    ASSERT_TRUE(buildTriangleWeights(4, 8, true, &mirror));
    // Source 1's tent covers destination 1 to 4; source 0's left edge wraps to 7.
    EXPECT_EQ(pairsOf(wrap, 1), (std::vector<std::pair<uint32_t, float>>{
                                    {1, 0.25f}, {2, 0.75f}, {3, 0.75f}, {4, 0.25f}}));
    EXPECT_EQ(pairsOf(wrap, 0), (std::vector<std::pair<uint32_t, float>>{
                                    {7, 0.25f}, {0, 0.75f}, {1, 0.75f}, {2, 0.25f}}));
    EXPECT_EQ(pairsOf(mirror, 0),
              (std::vector<std::pair<uint32_t, float>>{{0, 1.0f}, {1, 0.75f}, {2, 0.25f}}));
    EXPECT_EQ(pairsOf(mirror, 3),
              (std::vector<std::pair<uint32_t, float>>{{5, 0.25f}, {6, 0.75f}, {7, 1.0f}}));
}

TEST(TriangleFilter, UpscaledPixelsMixTheirNeighbours) {
    Image source = greyRow({0, 200, 40, 80});
    const std::vector<uint8_t> wrap = resizeGreyRow(source, 8, FilterTriangle);
    const std::vector<uint8_t> mirror = resizeGreyRow(source, 8, FilterTriangle | FilterMirrorU);
    EXPECT_EQ(wrap[3], 160); // 0.75 x 200 + 0.25 x 40
    EXPECT_EQ(wrap[0], 20);  // 0.75 x 0 + 0.25 x 80
    EXPECT_EQ(mirror[0], 0);
    EXPECT_EQ(mirror[7], 80);
    EXPECT_EQ(mirror[3], 160);
}

TEST(TriangleFilter, DownscaledRowsStreamInAnyOrder) {
    // With wrapping the last source row completes destination row 0 last of all.
    Image source(D3DFMT_L8, 1, 3, 6);
    for (uint32_t y = 0; y < 6; ++y) {
        for (uint32_t x = 0; x < 3; ++x)
            source.byte(x, y) = uint8_t(40 * y);
    }
    Image destination(D3DFMT_L8, 1, 3, 2);
    ASSERT_EQ(blitSurface(destination.side(), source.side(), FilterTriangle), D3D_OK);
    // Uniform rows stay uniform; row 0 takes in rows 5, 0, 1, 2 and row 1 rows 2 to 5.
    for (uint32_t x = 0; x < 3; ++x) {
        EXPECT_EQ(destination.byte(x, 0), destination.byte(0, 0));
        EXPECT_EQ(destination.byte(x, 1), destination.byte(0, 1));
    }
    EXPECT_GT(destination.byte(0, 1), destination.byte(0, 0));
}

TEST(VolumeFilters, HalveAndResizeSlices) {
    std::vector<uint8_t> volume(2 * 2 * 4);
    for (size_t i = 0; i < volume.size(); ++i)
        volume[i] = uint8_t(i * 8);
    BlitSurface from;
    from.bits = volume.data();
    from.format = D3DFMT_L8;
    from.rowPitch = 2;
    from.slicePitch = 4;
    from.extent = from.rect = {0, 0, 2, 2, 0, 4};
    std::vector<uint8_t> half(2);
    BlitSurface to;
    to.bits = half.data();
    to.format = D3DFMT_L8;
    to.rowPitch = 1;
    to.slicePitch = 1;
    to.extent = to.rect = {0, 0, 1, 1, 0, 2};
    ASSERT_EQ(blitSurface(to, from, FilterBox), D3D_OK);
    EXPECT_EQ(half, (std::vector<uint8_t>{28, 92})); // means of 0..56 and 64..120
    ASSERT_EQ(blitSurface(to, from, FilterLinear | FilterMirror), D3D_OK);
    EXPECT_EQ(half, (std::vector<uint8_t>{28, 92}));
    ASSERT_EQ(blitSurface(to, from, FilterPoint), D3D_OK);
    EXPECT_EQ(half, (std::vector<uint8_t>{0, 64}));
    // Slice means 12, 44, 76, 108; the tents halving 4 slices under mirror give
    // 0.5, 0.4375, 0.0625 (and the same from the other end).
    ASSERT_EQ(blitSurface(to, from, FilterTriangle | FilterMirror), D3D_OK);
    EXPECT_EQ(half, (std::vector<uint8_t>{30, 90}));
}

} // namespace
