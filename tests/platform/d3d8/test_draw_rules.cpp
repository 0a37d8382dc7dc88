// Drawing rules: scenes, refused draws (which change nothing), clipping to the viewport,
// culling, primitive types and the untransformed path through the transforms.
#include "raster_test_support.h"

#include <algorithm>
#include <cmath>

using namespace d3d8_test;

namespace {

class DrawRuleTest : public RasterTest {
protected:
    void SetUp() override {
        RasterTest::SetUp();
        setStage(D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_DIFFUSE,
                 D3DTA_DIFFUSE);
        clear(0xFF000000);
    }
    int countColored(uint32_t color) {
        const std::vector<uint32_t> pixels = target();
        return int(std::count(pixels.begin(), pixels.end(), color));
    }
};

} // namespace

TEST_F(DrawRuleTest, ScenesPairUp) {
    EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->BeginScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL);
    const auto v = quad(0, 0, 8, 8, 0, 0, 0, 0);
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, v.data(), sizeof(v[0])),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

TEST_F(DrawRuleTest, RefusedDrawsChangeNothing) {
    const auto v = quad(0, 0, 8, 8, 0, 0, 0, 0, 0xFFFFFFFF);
    const auto draw = [&](D3DPRIMITIVETYPE type, UINT count, const void* data, UINT stride) {
        EXPECT_EQ(device->BeginScene(), D3D_OK);
        const HRESULT hr = device->DrawPrimitiveUP(type, count, data, stride);
        EXPECT_EQ(device->EndScene(), D3D_OK);
        return hr;
    };
    const UINT stride = sizeof(v[0]);
    EXPECT_EQ(draw(D3DPT_TRIANGLEFAN, 2, nullptr, stride), D3DERR_INVALIDCALL);
    EXPECT_EQ(draw(D3DPT_TRIANGLEFAN, 0, v.data(), stride), D3DERR_INVALIDCALL);
    EXPECT_EQ(draw(D3DPT_TRIANGLEFAN, 2, v.data(), 20), D3DERR_INVALIDCALL);
    EXPECT_EQ(draw(D3DPT_POINTLIST, 4, v.data(), stride), D3DERR_INVALIDCALL);
    EXPECT_EQ(draw(D3DPT_LINELIST, 2, v.data(), stride), D3DERR_INVALIDCALL);

    const auto refusedWith = [&](auto change, auto undo, HRESULT expected) {
        change();
        EXPECT_EQ(draw(D3DPT_TRIANGLEFAN, 2, v.data(), stride), expected);
        DWORD passes = 0;
        EXPECT_EQ(device->ValidateDevice(&passes), expected);
        undo();
    };
    const auto renderState = [&](D3DRENDERSTATETYPE state, DWORD value, DWORD neutral,
                                 HRESULT expected) {
        refusedWith([&] { device->SetRenderState(state, value); },
                    [&] { device->SetRenderState(state, neutral); }, expected);
    };
    renderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME, D3DFILL_SOLID, D3DERR_INVALIDCALL);
    renderState(D3DRS_FOGENABLE, TRUE, FALSE, D3DERR_INVALIDCALL);
    renderState(D3DRS_COLORWRITEENABLE, 7, 0xF, D3DERR_INVALIDCALL);
    renderState(D3DRS_WRAP0, D3DWRAP_U, 0, D3DERR_INVALIDCALL);
    const auto stageState = [&](DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value,
                                DWORD neutral, HRESULT expected) {
        refusedWith([&] { device->SetTextureStageState(stage, type, value); },
                    [&] { device->SetTextureStageState(stage, type, neutral); }, expected);
    };
    stageState(0, D3DTSS_COLOROP, D3DTOP_ADD, D3DTOP_SELECTARG1, D3DERR_UNSUPPORTEDCOLOROPERATION);
    stageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE2X, D3DTOP_SELECTARG1,
               D3DERR_UNSUPPORTEDALPHAOPERATION);
    stageState(0, D3DTSS_COLORARG1, D3DTA_TEMP, D3DTA_DIFFUSE, D3DERR_UNSUPPORTEDCOLORARG);
    stageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE, D3DTOP_DISABLE, D3DERR_TOOMANYOPERATIONS);
    stageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2, D3DTTFF_DISABLE,
               D3DERR_INVALIDCALL);
    refusedWith([&] { device->SetVertexShader(D3DFVF_XYZB1 | D3DFVF_DIFFUSE); },
                [&] { device->SetVertexShader(TransformedFvf); }, D3DERR_INVALIDCALL);

    Ref<IDirect3DSurface8> back;
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, back.out()), D3D_OK);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(back->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(draw(D3DPT_TRIANGLEFAN, 2, v.data(), stride), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 0, 0), D3DERR_INVALIDCALL);
    ASSERT_EQ(back->UnlockRect(), D3D_OK);
    EXPECT_EQ(countColored(0xFF000000u), int(Width * Height)) << "refused draws drew";

    EXPECT_EQ(draw(D3DPT_TRIANGLEFAN, 2, v.data(), stride), D3D_OK);
    EXPECT_EQ(countColored(0xFFFFFFFFu), 64);
}

TEST_F(DrawRuleTest, TexturesTheRasteriserCannotSampleAreRefused) {
    const auto v = quad(0, 0, 8, 8, 0, 0, 1, 1);
    setStage(D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
             D3DTA_DIFFUSE);
    Ref<IDirect3DCubeTexture8> cube;
    ASSERT_EQ(device->CreateCubeTexture(8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, cube.out()),
              D3D_OK);
    ASSERT_EQ(device->SetTexture(0, cube.get()), D3D_OK);
    EXPECT_EQ(drawFan(v), D3DERR_WRONGTEXTUREFORMAT);
    Ref<IDirect3DTexture8> system;
    ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, system.out()),
              D3D_OK);
    EXPECT_EQ(device->SetTexture(0, system.get()), D3DERR_INVALIDCALL);
    Ref<IDirect3DTexture8> texture = makeTexture(2, 2, {1, 2, 3, 4});
    ASSERT_EQ(device->SetTexture(0, texture.get()), D3D_OK);
    ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_ANISOTROPIC), D3D_OK);
    EXPECT_EQ(drawFan(v), D3DERR_UNSUPPORTEDTEXTUREFILTER);
    EXPECT_EQ(countColored(0xFF000000u), int(Width * Height));
}

TEST_F(DrawRuleTest, ProfilesRefuseWhatTheirCardLacks) {
    const auto v = quad(0, 0, 8, 8, 0, 0, 1, 1, 0x80FFFFFF);
    useDevice(platform_ext::ProfileNoBlend);
    setStage(D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_DIFFUSE,
             D3DTA_DIFFUSE);
    setBlend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
    EXPECT_EQ(drawFan(v), D3DERR_INVALIDCALL);
    setBlend(D3DBLEND_ONE, D3DBLEND_ONE);
    EXPECT_EQ(drawFan(v), D3D_OK);

    useDevice(platform_ext::ProfilePow2Cond);
    setStage(D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
             D3DTA_DIFFUSE);
    Ref<IDirect3DTexture8> odd = makeTexture(3, 1, {1, 2, 3});
    ASSERT_EQ(device->SetTexture(0, odd.get()), D3D_OK);
    EXPECT_EQ(drawFan(v), D3DERR_INVALIDCALL) << "wrap addressing on a 3x1 texture";
    setAddress(D3DTADDRESS_CLAMP);
    EXPECT_EQ(drawFan(v), D3D_OK);
}

TEST_F(DrawRuleTest, GeometryIsClippedToTheViewport) {
    // Far beyond the rasteriser's range on every side: the clipped quad still covers it all.
    ASSERT_EQ(drawFan(quad(-3.0e7f, -2.0e7f, 5.0e7f, 4.0e7f, 0, 0, 1, 1)), D3D_OK);
    EXPECT_EQ(countColored(0xFFFFFFFFu), int(Width * Height));

    clear(0xFF000000);
    const D3DVIEWPORT8 viewport = {10, 5, 20, 30, 0, 1};
    ASSERT_EQ(device->SetViewport(&viewport), D3D_OK);
    ASSERT_EQ(drawFan(quad(-100, -100, 100, 100, 0, 0, 1, 1)), D3D_OK);
    const std::vector<uint32_t> pixels = target();
    for (UINT y = 0; y < Height; ++y)
        for (UINT x = 0; x < Width; ++x) {
            const bool inside = x >= 10 && x < 30 && y >= 5 && y < 35;
            ASSERT_EQ(pixels[y * Width + x], inside ? 0xFFFFFFFFu : 0xFF000000u) << x << "," << y;
        }
    const D3DVIEWPORT8 outside = {60, 0, 8, 8, 0, 1};
    EXPECT_EQ(device->SetViewport(&outside), D3DERR_INVALIDCALL);
    // Clear stays inside the viewport too.
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 0, 0), D3D_OK);
    EXPECT_EQ(countColored(0xFF0000FFu), 20 * 30);
    const D3DRECT rect = {0, 0, 12, 7};
    ASSERT_EQ(device->Clear(1, &rect, D3DCLEAR_TARGET, 0xFF00FF00, 0, 0), D3D_OK);
    EXPECT_EQ(countColored(0xFF00FF00u), 2 * 2);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->Clear(2, nullptr, D3DCLEAR_TARGET, 0, 0, 0), D3DERR_INVALIDCALL);
}

TEST_F(DrawRuleTest, CullingFollowsTheWinding) {
    // Clockwise on the screen, then counter-clockwise.
    const TransformedVertex clockwise[3] = {{0, 0, 0, 1, 0xFFFFFFFF, 0, 0},
                                            {16, 0, 0, 1, 0xFFFFFFFF, 0, 0},
                                            {0, 16, 0, 1, 0xFFFFFFFF, 0, 0}};
    const TransformedVertex counter[3] = {clockwise[0], clockwise[2], clockwise[1]};
    const auto drawn = [&](DWORD cull, const TransformedVertex* triangle) {
        clear(0xFF000000);
        device->SetRenderState(D3DRS_CULLMODE, cull);
        EXPECT_EQ(device->BeginScene(), D3D_OK);
        EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, sizeof(*triangle)),
                  D3D_OK);
        EXPECT_EQ(device->EndScene(), D3D_OK);
        return countColored(0xFFFFFFFFu) > 0;
    };
    EXPECT_TRUE(drawn(D3DCULL_CCW, clockwise));
    EXPECT_FALSE(drawn(D3DCULL_CCW, counter));
    EXPECT_FALSE(drawn(D3DCULL_CW, clockwise));
    EXPECT_TRUE(drawn(D3DCULL_CW, counter));
    EXPECT_TRUE(drawn(D3DCULL_NONE, counter));
}

TEST_F(DrawRuleTest, StripsAndListsCoverTheSameArea) {
    const TransformedVertex strip[4] = {{4, 4, 0, 1, 0xFFFFFFFF, 0, 0},
                                        {20, 4, 0, 1, 0xFFFFFFFF, 0, 0},
                                        {4, 12, 0, 1, 0xFFFFFFFF, 0, 0},
                                        {20, 12, 0, 1, 0xFFFFFFFF, 0, 0}};
    ASSERT_EQ(device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW), D3D_OK);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, strip, sizeof(strip[0])), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(countColored(0xFFFFFFFFu), 16 * 8) << "both triangles of the strip face the viewer";
    clear(0xFF000000);
    ASSERT_EQ(device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW), D3D_OK);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, strip, sizeof(strip[0])), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(countColored(0xFFFFFFFFu), 0) << "and both are culled together";
    // The same rectangle as a list and as a fan covers the same pixels.
    const TransformedVertex list[6] = {strip[0], strip[1], strip[2], strip[2], strip[1], strip[3]};
    const TransformedVertex fan[4] = {strip[0], strip[1], strip[3], strip[2]};
    ASSERT_EQ(device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
    for (D3DPRIMITIVETYPE type : {D3DPT_TRIANGLELIST, D3DPT_TRIANGLEFAN}) {
        clear(0xFF000000);
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        ASSERT_EQ(device->DrawPrimitiveUP(type, 2, type == D3DPT_TRIANGLELIST ? list : fan,
                                          sizeof(strip[0])),
                  D3D_OK);
        ASSERT_EQ(device->EndScene(), D3D_OK);
        EXPECT_EQ(countColored(0xFFFFFFFFu), 16 * 8) << "type " << type;
    }
}

TEST_F(DrawRuleTest, UntransformedVerticesGoThroughTheTransforms) {
    ASSERT_EQ(device->SetVertexShader(UntransformedFvf), D3D_OK);
    const UntransformedVertex triangle[3] = {{-1, -1, 0.5f, 0xFFFFFFFF, 0, 0},
                                             {-1, 1, 0.5f, 0xFFFFFFFF, 0, 0},
                                             {1, 1, 0.5f, 0xFFFFFFFF, 0, 0}};
    const auto draw = [&]() {
        EXPECT_EQ(device->BeginScene(), D3D_OK);
        const HRESULT hr =
            device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, sizeof(triangle[0]));
        EXPECT_EQ(device->EndScene(), D3D_OK);
        return hr;
    };
    ASSERT_EQ(device->SetRenderState(D3DRS_LIGHTING, TRUE), D3D_OK);
    EXPECT_EQ(draw(), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
    // Identity transforms: clip space fills the viewport; the triangle is the half above the
    // diagonal from the lower left to the upper right.
    ASSERT_EQ(draw(), D3D_OK);
    std::vector<uint32_t> pixels = target();
    EXPECT_EQ(pixels[2 * Width + 40], 0xFFFFFFFFu);
    EXPECT_EQ(pixels[40 * Width + 2], 0xFFFFFFFFu);
    EXPECT_EQ(pixels[44 * Width + 60], 0xFF000000u);
    // Column x holds the pixel centres strictly above y = 48 - 0.75 x (the diagonal is the
    // triangle's right edge).
    int above = 0;
    for (int x = 0; x < int(Width); ++x)
        above += int(std::ceil(48 - 0.75 * x));
    EXPECT_EQ(countColored(0xFFFFFFFFu), above);
    // A view matrix moving everything half the viewport to the right.
    clear(0xFF000000);
    D3DMATRIX view = {};
    view._11 = view._22 = view._33 = view._44 = 1.0f;
    view._41 = 1.0f;
    ASSERT_EQ(device->SetTransform(D3DTS_VIEW, &view), D3D_OK);
    ASSERT_EQ(draw(), D3D_OK);
    pixels = target();
    EXPECT_EQ(pixels[1 * Width + 31], 0xFF000000u);
    EXPECT_EQ(pixels[1 * Width + 34], 0xFFFFFFFFu);
    EXPECT_EQ(pixels[1 * Width + 63], 0xFFFFFFFFu);
    // Behind the near plane (z < 0) nothing is drawn; partly behind, the visible part is.
    clear(0xFF000000);
    view._41 = 0.0f;
    view._43 = -2.0f;
    ASSERT_EQ(device->SetTransform(D3DTS_VIEW, &view), D3D_OK);
    ASSERT_EQ(draw(), D3D_OK);
    EXPECT_EQ(countColored(0xFFFFFFFFu), 0);
}

// Found by the scene fuzzer: a vertex at 3e38 through a projection whose rows all give w, one of
// them behind the eye. Cutting its edges at the near plane rounded the cut points to w = 0, and
// their positions (0 / 0) overflowed the rasteriser's fixed point. The true triangle projects to
// one point, so the frame stays as it was.
TEST_F(DrawRuleTest, ClippingThatLosesPrecisionDrawsNothing) {
    ASSERT_EQ(device->SetVertexShader(UntransformedFvf), D3D_OK);
    D3DMATRIX projection;
    for (auto& row : projection.m) {
        row[0] = row[2] = 2.78125f;
        row[1] = row[3] = 3.96875f;
    }
    ASSERT_EQ(device->SetTransform(D3DTS_PROJECTION, &projection), D3D_OK);
    const UntransformedVertex triangle[3] = {{3.0e38f, 0, 0, 0xFFFFFFFF, 0, 0},
                                             {-2, 0, 0, 0xFFFFFFFF, 0, 0},
                                             {0.1f, 0, 0, 0xFFFFFFFF, 0, 0}};
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, sizeof(triangle[0])), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(countColored(0xFF000000u), int(Width * Height));
}
