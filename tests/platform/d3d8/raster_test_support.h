// Helpers of the rasteriser tests: a device with a lockable back buffer, textures filled from
// words, quads and triangles in the two vertex formats, and reading the render target back.
#pragma once

#include "d3d8_test_support.h"

#include <functional>

namespace d3d8_test {

struct TransformedVertex { // D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1
    float x, y, z, rhw;
    D3DCOLOR color;
    float u, v;
};
constexpr DWORD TransformedFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct UntransformedVertex { // D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1
    float x, y, z;
    D3DCOLOR color;
    float u, v;
};
constexpr DWORD UntransformedFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

class RasterTest : public DeviceTest {
protected:
    static constexpr UINT Width = 64;
    static constexpr UINT Height = 48;

    void SetUp() override { useDevice(0); }

    void useDevice(uint32_t profile) {
        createDevice(profile, Width, Height, D3DPRESENTFLAG_LOCKABLE_BACKBUFFER);
        ASSERT_EQ(device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
        ASSERT_EQ(device->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
        ASSERT_EQ(device->SetVertexShader(TransformedFvf), D3D_OK);
    }

    // A managed texture whose texel (x, y) is texels[y * w + x].
    Ref<IDirect3DTexture8> makeTexture(UINT w, UINT h, const std::vector<uint32_t>& texels,
                                       D3DFORMAT format = D3DFMT_A8R8G8B8) {
        Ref<IDirect3DTexture8> texture;
        EXPECT_EQ(device->CreateTexture(w, h, 1, 0, format, D3DPOOL_MANAGED, texture.out()),
                  D3D_OK);
        D3DLOCKED_RECT locked;
        EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        for (UINT y = 0; y < h; ++y)
            std::memcpy(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch, &texels[y * w], w * 4);
        EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
        return Ref<IDirect3DTexture8>(texture.detach());
    }

    void clear(D3DCOLOR color) {
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, color, 0, 0), D3D_OK);
    }

    HRESULT drawFan(const std::vector<TransformedVertex>& v) {
        EXPECT_EQ(device->BeginScene(), D3D_OK);
        const HRESULT hr = device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, UINT(v.size() - 2), v.data(),
                                                   sizeof(TransformedVertex));
        EXPECT_EQ(device->EndScene(), D3D_OK);
        return hr;
    }

    // A screen-space quad from (x0, y0) to (x1, y1) with texture coordinates (u0, v0)-(u1, v1).
    static std::vector<TransformedVertex> quad(float x0, float y0, float x1, float y1, float u0,
                                               float v0, float u1, float v1,
                                               D3DCOLOR color = 0xFFFFFFFF) {
        return {{x0, y0, 0, 1, color, u0, v0},
                {x1, y0, 0, 1, color, u1, v0},
                {x1, y1, 0, 1, color, u1, v1},
                {x0, y1, 0, 1, color, u0, v1}};
    }

    // The render target as 32-bit words (X8R8G8B8) or widened R5G6B5, row by row.
    std::vector<uint32_t> target() {
        Ref<IDirect3DSurface8> back;
        EXPECT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, back.out()), D3D_OK);
        D3DSURFACE_DESC desc;
        EXPECT_EQ(back->GetDesc(&desc), D3D_OK);
        D3DLOCKED_RECT locked;
        EXPECT_EQ(back->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        std::vector<uint32_t> pixels(desc.Width * desc.Height);
        for (UINT y = 0; y < desc.Height; ++y)
            for (UINT x = 0; x < desc.Width; ++x) {
                const BYTE* p = static_cast<BYTE*>(locked.pBits) + y * locked.Pitch;
                if (desc.Format == D3DFMT_R5G6B5) {
                    uint16_t word;
                    std::memcpy(&word, p + 2 * x, 2);
                    pixels[y * desc.Width + x] = word;
                } else {
                    std::memcpy(&pixels[y * desc.Width + x], p + 4 * x, 4);
                }
            }
        EXPECT_EQ(back->UnlockRect(), D3D_OK);
        return pixels;
    }

    void setBlend(DWORD source, DWORD dest) {
        ASSERT_EQ(device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE), D3D_OK);
        ASSERT_EQ(device->SetRenderState(D3DRS_SRCBLEND, source), D3D_OK);
        ASSERT_EQ(device->SetRenderState(D3DRS_DESTBLEND, dest), D3D_OK);
    }

    void setStage(DWORD colorOp, DWORD colorArg1, DWORD colorArg2, DWORD alphaOp, DWORD alphaArg1,
                  DWORD alphaArg2) {
        ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_COLOROP, colorOp), D3D_OK);
        ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_COLORARG1, colorArg1), D3D_OK);
        ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_COLORARG2, colorArg2), D3D_OK);
        ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_ALPHAOP, alphaOp), D3D_OK);
        ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_ALPHAARG1, alphaArg1), D3D_OK);
        ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_ALPHAARG2, alphaArg2), D3D_OK);
    }

    void setFilter(DWORD filter) {
        ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_MAGFILTER, filter), D3D_OK);
        ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_MINFILTER, filter), D3D_OK);
    }

    void setAddress(DWORD mode) {
        ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_ADDRESSU, mode), D3D_OK);
        ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_ADDRESSV, mode), D3D_OK);
    }
};

// round(x / 255), the rasteriser's rounding of products of bytes.
inline uint32_t rounded255(uint32_t x) {
    return (2 * x + 255) / 510;
}

// A reproducible pseudo-random word sequence.
inline std::vector<uint32_t> randomWords(size_t count, uint32_t seed) {
    std::vector<uint32_t> words(count);
    uint32_t state = seed;
    for (uint32_t& w : words) {
        state = state * 1664525u + 1013904223u;
        w = state ^ (state >> 13);
    }
    return words;
}

} // namespace d3d8_test
