// A round trip through the device: DXT textures filled by the blit engine and drawn 1:1 with
// a textured quad show exactly the pixels the blit engine decodes from them.
#include "blit/surface_load.h"
#include "blit_device_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

struct QuadVertex { // D3DFVF_XYZRHW | D3DFVF_TEX1
    float x, y, z, rhw;
    float u, v;
};

constexpr UINT side = 32;

// Gradients with some noise, so that blocks use all four colours.
std::vector<uint32_t> picture() {
    std::vector<uint32_t> pixels(side * side);
    uint32_t state = 99;
    for (UINT y = 0; y < side; ++y) {
        for (UINT x = 0; x < side; ++x) {
            state = state * 214013u + 2531011u;
            const uint32_t noise = (state >> 16) & 0x1F;
            pixels[y * side + x] =
                0xFF000000u | (x * 8 + noise) << 16 | (y * 7 + noise) << 8 | ((x + y) * 3 + noise);
        }
    }
    return pixels;
}

class DxtDeviceDrawTest : public BlitDeviceTest {
protected:
    // The texture's level 0 decoded by the blit engine, as 0x00RRGGBB words.
    std::vector<uint32_t> decodedByBlit(IDirect3DTexture8* texture) {
        ComRef<IDirect3DSurface8> level;
        EXPECT_EQ(texture->GetSurfaceLevel(0, level.out()), D3D_OK);
        ComRef<IDirect3DSurface8> argb = imageSurface(side, side, D3DFMT_A8R8G8B8);
        EXPECT_EQ(loadSurfaceFromSurface(argb.get(), nullptr, nullptr, level.get(), nullptr,
                                         nullptr, FilterNone, 0),
                  D3D_OK);
        const std::vector<uint8_t> bytes = contents(argb.get(), 4);
        std::vector<uint32_t> words(side * side);
        for (size_t i = 0; i < words.size(); ++i)
            words[i] = bytes[4 * i] | bytes[4 * i + 1] << 8 | bytes[4 * i + 2] << 16;
        return words;
    }

    // The texture drawn with point sampling, texel centres on pixel centres.
    std::vector<uint32_t> drawn(IDirect3DTexture8* texture) {
        EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF808080, 0, 0), D3D_OK);
        EXPECT_EQ(device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
        EXPECT_EQ(device->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
        EXPECT_EQ(device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE), D3D_OK);
        EXPECT_EQ(device->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_TEX1), D3D_OK);
        EXPECT_EQ(device->SetTexture(0, texture), D3D_OK);
        EXPECT_EQ(device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1), D3D_OK);
        EXPECT_EQ(device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE), D3D_OK);
        EXPECT_EQ(device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT), D3D_OK);
        EXPECT_EQ(device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT), D3D_OK);
        const float edge = float(side) - 0.5f;
        const QuadVertex quad[4] = {{-0.5f, -0.5f, 0, 1, 0, 0},
                                    {edge, -0.5f, 0, 1, 1, 0},
                                    {edge, edge, 0, 1, 1, 1},
                                    {-0.5f, edge, 0, 1, 0, 1}};
        EXPECT_EQ(device->BeginScene(), D3D_OK);
        EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(QuadVertex)), D3D_OK);
        EXPECT_EQ(device->EndScene(), D3D_OK);
        EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        EXPECT_EQ(device->SetTexture(0, nullptr), D3D_OK);
        platform_ext::PresentedFrame frame;
        EXPECT_TRUE(platform_ext::lastPresentedFrame(device.get(), &frame));
        std::vector<uint32_t> words(side * side);
        for (UINT y = 0; y < side; ++y) {
            for (UINT x = 0; x < side; ++x)
                words[y * side + x] = frame.at(x, y) & 0x00FFFFFFu;
        }
        return words;
    }
};

} // namespace

TEST_F(DxtDeviceDrawTest, DrawnTexturesShowTheDecodedPixels) {
    const std::vector<uint32_t> pixels = picture();
    const RECT whole = {0, 0, LONG(side), LONG(side)};
    for (D3DFORMAT format : {D3DFMT_DXT1, D3DFMT_DXT3, D3DFMT_DXT5}) {
        ComRef<IDirect3DTexture8> texture;
        ASSERT_EQ(device->CreateTexture(side, side, 1, 0, format, D3DPOOL_MANAGED, texture.out()),
                  D3D_OK);
        ComRef<IDirect3DSurface8> level;
        ASSERT_EQ(texture->GetSurfaceLevel(0, level.out()), D3D_OK);
        ASSERT_EQ(loadSurfaceFromMemory(level.get(), nullptr, nullptr, pixels.data(),
                                        D3DFMT_A8R8G8B8, side * 4, nullptr, &whole, FilterNone, 0),
                  D3D_OK);
        const std::vector<uint32_t> expected = decodedByBlit(texture.get());
        const std::vector<uint32_t> shown = drawn(texture.get());
        for (size_t i = 0; i < expected.size(); ++i)
            ASSERT_EQ(shown[i], expected[i]) << "format " << format << " pixel " << i;
        // And what is shown is the picture, not some constant both sides agree on.
        double difference = 0.0;
        for (size_t i = 0; i < expected.size(); ++i) {
            for (int c = 0; c < 24; c += 8)
                difference +=
                    std::abs(int((expected[i] >> c) & 0xFF) - int((pixels[i] >> c) & 0xFF));
        }
        EXPECT_LT(difference / (3.0 * expected.size()), 6.0) << format;
    }
}
