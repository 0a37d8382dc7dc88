// createTextureFromImage with images of several levels and faces: levels the file holds, then
// levels scaled from its last one or built by the mip filter, and faces written in turn.
#include "texture/texture_loader.h"

#include "tests/texture/texture_test_support.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace texture_test;
using d3d8_test::DeviceTest;

constexpr UINT Choose = 0xFFFFFFFFu;
constexpr uint32_t Red = 0xFFFF0000, Green = 0xFF00FF00, Blue = 0xFF0000FF;
constexpr uint32_t White = 0xFFFFFFFF, Black = 0xFF000000;

// An A8R8G8B8 level as a decoder would leave it, with its box set as load sets it.
std::unique_ptr<ImageDecoder> level(UINT size, const std::function<uint32_t(UINT, UINT)>& colour) {
    auto node = std::make_unique<ImageDecoder>();
    node->format = D3DFMT_A8R8G8B8;
    node->width = node->height = size;
    node->depth = 1;
    node->rowPitch = size * 4;
    auto* pixels = new uint8_t[size_t(size) * size * 4];
    for (UINT y = 0; y < size; ++y) {
        for (UINT x = 0; x < size; ++x) {
            const uint32_t texel = colour(x, y);
            std::memcpy(pixels + (size_t(y) * size + x) * 4, &texel, 4);
        }
    }
    node->bits = pixels;
    node->ownsBits = true;
    node->box = {0, 0, size, size, 0, 1};
    return node;
}

auto uniform(uint32_t colour) {
    return [colour](UINT, UINT) { return colour; };
}

uint32_t checker(UINT x, UINT y) {
    return (x + y) % 2 ? White : Black;
}

// Three file levels: 16 x 16 red, 8 x 8 green, 4 x 4 black-and-white checker.
std::unique_ptr<ImageDecoder> threeLevels() {
    auto image = level(16, uniform(Red));
    image->nextLevel = level(8, uniform(Green));
    image->nextLevel->nextLevel = level(4, checker);
    return image;
}

class TextureLevels : public DeviceTest {
protected:
    HRESULT load(const ImageDecoder& image, UINT levels, ImageFilter filter, ImageFilter mipFilter,
                 D3DCOLOR key = 0) {
        return createTextureFromImage(device.get(), image, Choose, Choose, levels, 0,
                                      D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, filter, mipFilter, key,
                                      nullptr, texture.out());
    }
    void expectUniform(UINT index, uint32_t colour) {
        const LevelPixels pixels = readLevel(texture.get(), index, 4);
        for (UINT y = 0; y < pixels.height; ++y)
            for (UINT x = 0; x < pixels.width; ++x)
                ASSERT_EQ(pixels.at(x, y), colour)
                    << "level " << index << " (" << x << ", " << y << ")";
    }
    void expectFileLevels() {
        expectUniform(0, Red);
        expectUniform(1, Green);
        const LevelPixels third = readLevel(texture.get(), 2, 4);
        for (UINT y = 0; y < 4; ++y)
            for (UINT x = 0; x < 4; ++x)
                EXPECT_EQ(third.at(x, y), checker(x, y));
    }

    Ref<IDirect3DTexture8> texture;
};

TEST_F(TextureLevels, MissingLevelsAreScaledFromTheLastFileLevel) {
    const auto image = threeLevels();
    // Point sampling keeps the checker's pure colours; the mip filter would average them.
    ASSERT_EQ(load(*image, 5, FilterPoint, FilterLinear), D3D_OK);
    ASSERT_EQ(texture->GetLevelCount(), 5u);
    expectFileLevels();
    for (UINT index : {3u, 4u}) {
        const LevelPixels pixels = readLevel(texture.get(), index, 4);
        for (UINT y = 0; y < pixels.height; ++y)
            for (UINT x = 0; x < pixels.width; ++x)
                EXPECT_TRUE(pixels.at(x, y) == White || pixels.at(x, y) == Black)
                    << std::hex << pixels.at(x, y);
    }
}

TEST_F(TextureLevels, MissingLevelsAreBuiltByTheMipFilterFromTheLastFileLevel) {
    const auto image = threeLevels();
    ASSERT_EQ(load(*image, 5, FilterPoint, FilterBox), D3D_OK);
    expectFileLevels();
    // Each 2 x 2 block of the checker holds two black and two white texels.
    const LevelPixels fourth = readLevel(texture.get(), 3, 4);
    ASSERT_EQ(fourth.width, 2u);
    for (UINT y = 0; y < 2; ++y) {
        for (UINT x = 0; x < 2; ++x) {
            const uint32_t texel = fourth.at(x, y);
            EXPECT_EQ(texel >> 24, 0xFFu);
            for (int shift : {0, 8, 16})
                EXPECT_NEAR(int(texel >> shift & 0xFF), 0x80, 1) << std::hex << texel;
        }
    }
}

TEST_F(TextureLevels, NoScalingMeansTheMipFilterEvenWithALinearMipFilterWord) {
    const auto image = threeLevels();
    ASSERT_EQ(load(*image, 5, FilterNone, FilterLinear), D3D_OK);
    expectFileLevels();
    // The linear mip filter builds every level from the source level: the 1 x 1 level averages
    // the checker too.
    const uint32_t last = readLevel(texture.get(), 4, 4).at(0, 0);
    EXPECT_NEAR(int(last & 0xFF), 0x80, 2) << std::hex << last;
}

TEST_F(TextureLevels, TextureWithFewerLevelsTakesTheFirstFileLevels) {
    const auto image = threeLevels();
    ASSERT_EQ(load(*image, 2, FilterNone, FilterDefault), D3D_OK);
    ASSERT_EQ(texture->GetLevelCount(), 2u);
    expectUniform(0, Red);
    expectUniform(1, Green);
}

TEST_F(TextureLevels, EveryFaceIsWrittenInTurnSoTheLastRemains) {
    auto image = level(8, uniform(Red));
    image->nextLevel = level(4, uniform(Red));
    image->nextFace = level(8, uniform(Blue));
    image->nextFace->nextLevel = level(4, uniform(Green));
    ASSERT_EQ(load(*image, 0, FilterNone, FilterDefault), D3D_OK);
    ASSERT_EQ(texture->GetLevelCount(), 4u);
    expectUniform(0, Blue);
    expectUniform(1, Green);
    expectUniform(3, Green);
}

TEST_F(TextureLevels, KeyAppliesToEveryFileLevel) {
    const auto image = threeLevels();
    ASSERT_EQ(load(*image, 3, FilterNone, FilterDefault, Green), D3D_OK);
    expectUniform(0, Red);
    expectUniform(1, 0);
}

} // namespace
