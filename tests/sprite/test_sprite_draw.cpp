// Sprites rendered by the software device and read back from the presented frame: placement
// and texture coordinates on pretransformed and untransformed devices, source rectangles,
// scaling, rotation about a centre, blending by colour alpha and the alpha test.
#include "sprite/sprite_batch.h"

#include "tests/sprite/device_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numbers>

namespace {

using platform_ext::PresentedFrame;

constexpr D3DCOLOR Background = 0xFF203040;

// Distinct opaque texels, so that a texel drawn in the wrong place shows.
uint32_t patternTexel(UINT x, UINT y) {
    return 0xFF000000u | ((x * 37u + y * 5u) & 0xFF) << 16 | ((y * 59u + x) & 0xFF) << 8 |
           (((x + y) * 11u) & 0xFF);
}

bool channelsWithin(uint32_t a, uint32_t b, int tolerance) {
    for (int shift = 0; shift < 32; shift += 8)
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance)
            return false;
    return true;
}

struct DrawCase {
    const char* name;
    uint32_t profile;
};

void PrintTo(const DrawCase& c, std::ostream* out) {
    *out << c.name;
}

class SpriteDrawTest : public sprite_test::DeviceFixture,
                       public ::testing::WithParamInterface<DrawCase> {
protected:
    void create(uint32_t profile) {
        createDevice(profile);
        ASSERT_EQ(createSpriteBatch(device.get(), batch.out()), S_OK);
    }
    void SetUp() override { create(GetParam().profile); }
    void TearDown() override { batch.reset(); }

    // Clears to the background, runs the draws inside a scene and the batch's begin ... end,
    // and presents.
    template <class Draws> PresentedFrame frame(Draws draws) {
        clear(Background);
        EXPECT_EQ(device->BeginScene(), D3D_OK);
        EXPECT_EQ(batch->begin(), S_OK);
        draws();
        EXPECT_EQ(batch->end(), S_OK);
        EXPECT_EQ(device->EndScene(), D3D_OK);
        return present();
    }

    // Texel-for-pixel mappings reproduce the texture bit for bit, on both kinds of device.
    void expectRegion(const PresentedFrame& f, LONG atX, LONG atY, UINT width, UINT height,
                      const std::function<uint32_t(UINT, UINT)>& expected) {
        int wrong = 0;
        for (UINT y = 0; y < height; ++y)
            for (UINT x = 0; x < width; ++x) {
                const uint32_t got = f.at(atX + x, atY + y);
                const uint32_t want = expected(x, y) | 0xFF000000u;
                if (got != want && ++wrong <= 5)
                    ADD_FAILURE() << "pixel (" << atX + x << ", " << atY + y << ") is " << std::hex
                                  << got << ", expected " << want;
            }
        EXPECT_EQ(wrong, 0);
    }

    ComRef<SpriteBatch> batch;
};

TEST_P(SpriteDrawTest, ATranslatedSpriteCoversExactlyItsPixelsWithItsTexels) {
    ComRef<IDirect3DTexture8> texture = makeTexture(16, 8, D3DFMT_X8R8G8B8, patternTexel);
    const Vector2 at = {100.0f, 100.0f};
    const PresentedFrame f = frame([&] {
        EXPECT_EQ(batch->draw(texture.get(), nullptr, nullptr, nullptr, 0.0f, &at, 0xFFFFFFFF),
                  S_OK);
    });
    expectRegion(f, 100, 100, 16, 8, patternTexel);
    for (UINT i = 0; i < 18; ++i) {
        EXPECT_EQ(f.at(99 + i, 99), Background) << "above, x " << 99 + i;
        EXPECT_EQ(f.at(99 + i, 108), Background) << "below, x " << 99 + i;
    }
    for (UINT j = 0; j < 8; ++j) {
        EXPECT_EQ(f.at(99, 100 + j), Background) << "left, y " << 100 + j;
        EXPECT_EQ(f.at(116, 100 + j), Background) << "right, y " << 100 + j;
    }
}

TEST_P(SpriteDrawTest, ASourceRectangleOfALargerTextureMapsTexelForPixel) {
    // 640 / 1024 and 480 / 512: the quad's far texture coordinates are 0.625 and 0.9375.
    ComRef<IDirect3DTexture8> texture = makeTexture(1024, 512, D3DFMT_X8R8G8B8, patternTexel);
    const RECT whole = {0, 0, 640, 480};
    const RECT part = {300, 200, 340, 230};
    const Vector2 partAt = {20.0f, 400.0f};
    PresentedFrame f = frame([&] {
        EXPECT_EQ(batch->draw(texture.get(), &whole, nullptr, nullptr, 0.0f, nullptr, 0xFFFFFFFF),
                  S_OK);
    });
    expectRegion(f, 0, 0, 640, 480, patternTexel);
    f = frame([&] {
        EXPECT_EQ(batch->draw(texture.get(), &part, nullptr, nullptr, 0.0f, &partAt, 0xFFFFFFFF),
                  S_OK);
    });
    expectRegion(f, 20, 400, 40, 30, [](UINT x, UINT y) { return patternTexel(300 + x, 200 + y); });
    EXPECT_EQ(f.at(60, 400), Background);
    EXPECT_EQ(f.at(19, 400), Background);
}

TEST_P(SpriteDrawTest, ARectanglePastTheTextureEdgeRepeatsTheEdgeTexels) {
    ComRef<IDirect3DTexture8> texture = makeTexture(16, 8, D3DFMT_X8R8G8B8, patternTexel);
    const RECT beyond = {8, 0, 24, 12};
    const Vector2 at = {50.0f, 60.0f};
    const PresentedFrame f = frame([&] {
        EXPECT_EQ(batch->draw(texture.get(), &beyond, nullptr, nullptr, 0.0f, &at, 0xFFFFFFFF),
                  S_OK);
    });
    expectRegion(f, 50, 60, 16, 12, [](UINT x, UINT y) {
        return patternTexel(std::min(8u + x, 15u), std::min(y, 7u));
    });
}

TEST_P(SpriteDrawTest, ScalingStretchesTheQuadFromItsTopLeftCorner) {
    ComRef<IDirect3DTexture8> texture =
        makeTexture(4, 4, D3DFMT_X8R8G8B8, [](UINT, UINT) { return 0xFFC08040u; });
    const Vector2 scale = {2.0f, 3.0f};
    const Vector2 at = {10.0f, 20.0f};
    const PresentedFrame f = frame([&] {
        EXPECT_EQ(batch->draw(texture.get(), nullptr, &scale, nullptr, 0.0f, &at, 0xFFFFFFFF),
                  S_OK);
    });
    expectRegion(f, 10, 20, 8, 12, [](UINT, UINT) { return 0xFFC08040u; });
    EXPECT_EQ(f.at(18, 20), Background);
    EXPECT_EQ(f.at(10, 32), Background);
    EXPECT_EQ(f.at(9, 25), Background);
}

// Quadrants red, green, blue, white (top-left, top-right, bottom-left, bottom-right).
uint32_t quadrantTexel(UINT x, UINT y) {
    static const uint32_t colours[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    return colours[(y >= 16 ? 2 : 0) + (x >= 16 ? 1 : 0)];
}

TEST_P(SpriteDrawTest, APositiveRotationTurnsTheSpriteCounterClockwiseAboutItsCentre) {
    ComRef<IDirect3DTexture8> texture = makeTexture(32, 32, D3DFMT_X8R8G8B8, quadrantTexel);
    const Vector2 centre = {16.0f, 16.0f};
    const Vector2 at = {200.0f, 100.0f};
    const PresentedFrame f = frame([&] {
        EXPECT_EQ(batch->draw(texture.get(), nullptr, nullptr, &centre, float(std::numbers::pi / 2),
                              &at, 0xFFFFFFFF),
                  S_OK);
    });
    // A quarter turn counter-clockwise on screen: top-right goes to top-left, top-left to
    // bottom-left, bottom-left to bottom-right. The square stays in place.
    expectRegion(f, 202, 102, 12, 12, [](UINT, UINT) { return 0xFF00FF00u; });
    expectRegion(f, 202, 118, 12, 12, [](UINT, UINT) { return 0xFFFF0000u; });
    expectRegion(f, 218, 118, 12, 12, [](UINT, UINT) { return 0xFF0000FFu; });
    expectRegion(f, 218, 102, 12, 12, [](UINT, UINT) { return 0xFFFFFFFFu; });
    EXPECT_EQ(f.at(199, 110), Background);
    EXPECT_EQ(f.at(232, 110), Background);
}

TEST_P(SpriteDrawTest, ACentreWithoutRotationChangesNothing) {
    ComRef<IDirect3DTexture8> texture = makeTexture(32, 32, D3DFMT_X8R8G8B8, quadrantTexel);
    const Vector2 centre = {16.0f, 16.0f};
    const Vector2 at = {200.0f, 100.0f};
    const PresentedFrame plain = frame(
        [&] { batch->draw(texture.get(), nullptr, nullptr, nullptr, 0.0f, &at, 0xFFFFFFFF); });
    const PresentedFrame centred = frame(
        [&] { batch->draw(texture.get(), nullptr, nullptr, &centre, 0.0f, &at, 0xFFFFFFFF); });
    EXPECT_EQ(plain.pixels, centred.pixels);
    expectRegion(plain, 200, 100, 32, 32, quadrantTexel);
}

TEST_P(SpriteDrawTest, ALoneDrawDrawsWithoutBegin) {
    ComRef<IDirect3DTexture8> texture = makeTexture(16, 8, D3DFMT_X8R8G8B8, patternTexel);
    const Vector2 at = {3.0f, 4.0f};
    clear(Background);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(batch->draw(texture.get(), nullptr, nullptr, nullptr, 0.0f, &at, 0xFFFFFFFF), S_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    expectRegion(present(), 3, 4, 16, 8, patternTexel);
}

INSTANTIATE_TEST_SUITE_P(Devices, SpriteDrawTest,
                         ::testing::Values(DrawCase{"pretransformed", 0},
                                           DrawCase{"untransformed",
                                                    platform_ext::ProfileUntransformed}),
                         [](const auto& info) { return std::string(info.param.name); });

class SpriteBlendTest : public SpriteDrawTest {};

TEST_P(SpriteBlendTest, ATranslucentColourBlendsAnOpaqueFormat) {
    ComRef<IDirect3DTexture8> texture =
        makeTexture(8, 8, D3DFMT_X8R8G8B8, [](UINT, UINT) { return 0x00FFFFFFu; });
    const Vector2 left = {10.0f, 10.0f};
    const Vector2 right = {30.0f, 10.0f};
    clear(0xFF000000);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(batch->begin(), S_OK);
    batch->draw(texture.get(), nullptr, nullptr, nullptr, 0.0f, &left, 0x80FFFFFF);
    batch->draw(texture.get(), nullptr, nullptr, nullptr, 0.0f, &right, 0xFFFFFFFF);
    ASSERT_EQ(batch->end(), S_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    const PresentedFrame f = present();
    // 128/255 of white over black; the opaque one draws white without blending.
    EXPECT_TRUE(channelsWithin(f.at(12, 12), 0xFF808080, 1)) << std::hex << f.at(12, 12);
    EXPECT_EQ(f.at(32, 12), 0xFFFFFFFFu);
}

TEST_P(SpriteBlendTest, AnAlphaFormatBlendsEvenWithAnOpaqueColour) {
    ComRef<IDirect3DTexture8> texture =
        makeTexture(8, 8, D3DFMT_A8R8G8B8, [](UINT, UINT) { return 0x40FF0000u; });
    const Vector2 at = {10.0f, 10.0f};
    const PresentedFrame f = frame(
        [&] { batch->draw(texture.get(), nullptr, nullptr, nullptr, 0.0f, &at, 0xFFFFFFFF); });
    // 0x40/255 of red over the background.
    const auto mix = [](uint32_t src, uint32_t dst) { return (src * 0x40 + dst * 0xBF) / 255; };
    const uint32_t want = 0xFF000000u | mix(0xFF, 0x20) << 16 | mix(0, 0x30) << 8 | mix(0, 0x40);
    EXPECT_TRUE(channelsWithin(f.at(12, 12), want, 1)) << std::hex << f.at(12, 12);
}

INSTANTIATE_TEST_SUITE_P(Devices, SpriteBlendTest, ::testing::Values(DrawCase{"pretransformed", 0}),
                         [](const auto& info) { return std::string(info.param.name); });

class SpriteAlphaTestTest : public SpriteDrawTest {};

// Without blending, texels of alpha 127 and above are drawn opaque and the others not at all.
TEST_P(SpriteAlphaTestTest, KeepsTexelsFromAlpha127Up) {
    ComRef<IDirect3DTexture8> texture = makeTexture(
        16, 4, D3DFMT_A8R8G8B8, [](UINT x, UINT) { return x < 8 ? 0x7F00FF00u : 0x7E0000FFu; });
    const Vector2 at = {40.0f, 40.0f};
    const PresentedFrame f = frame(
        [&] { batch->draw(texture.get(), nullptr, nullptr, nullptr, 0.0f, &at, 0xFFFFFFFF); });
    for (UINT x = 0; x < 7; ++x)
        EXPECT_EQ(f.at(40 + x, 41), 0xFF00FF00u) << "x " << x;
    for (UINT x = 9; x < 16; ++x)
        EXPECT_EQ(f.at(40 + x, 41), Background) << "x " << x;
}

INSTANTIATE_TEST_SUITE_P(Devices, SpriteAlphaTestTest,
                         ::testing::Values(DrawCase{"noblend", platform_ext::ProfileNoBlend}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
