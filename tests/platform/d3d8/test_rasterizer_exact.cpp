// Exact expectations of the rasteriser: texel-for-pixel quads reproduce their texture bit for
// bit, triangles sharing edges cover every pixel once, and the stage and blend arithmetic.
#include "raster_test_support.h"

#include <algorithm>
#include <cmath>

using namespace d3d8_test;

namespace {

using ExactRasterTest = RasterTest;

} // namespace

TEST_F(ExactRasterTest, HalfPixelQuadReproducesItsTextureBitForBit) {
    constexpr UINT tw = 37, th = 23;
    std::vector<uint32_t> texels = randomWords(tw * th, 7);
    Ref<IDirect3DTexture8> texture = makeTexture(tw, th, texels);
    ASSERT_EQ(device->SetTexture(0, texture.get()), D3D_OK);
    setStage(D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE, D3DTA_TEXTURE,
             D3DTA_DIFFUSE);
    setAddress(D3DTADDRESS_CLAMP);
    // Corners on pixel edges with coordinates 0 to 1, or on pixel centres with coordinates
    // shifted by half a texel: both put texel centres on pixel centres.
    const std::vector<TransformedVertex> placements[] = {
        quad(5.5f, 9.5f, 5.5f + tw, 9.5f + th, 0, 0, 1, 1),
        quad(6, 10, 6 + tw, 10 + th, 0.5f / tw, 0.5f / th, 1 + 0.5f / tw, 1 + 0.5f / th)};
    for (DWORD filter : {D3DTEXF_POINT, D3DTEXF_LINEAR})
        for (const auto& placement : placements) {
            setFilter(filter);
            clear(0xFF102030);
            ASSERT_EQ(drawFan(placement), D3D_OK);
            const std::vector<uint32_t> pixels = target();
            for (UINT py = 0; py < Height; ++py)
                for (UINT px = 0; px < Width; ++px) {
                    const bool inside = px >= 6 && px < 6 + tw && py >= 10 && py < 10 + th;
                    const uint32_t expected =
                        inside ? texels[(py - 10) * tw + (px - 6)] | 0xFF000000u : 0xFF102030u;
                    ASSERT_EQ(pixels[py * Width + px], expected)
                        << px << "," << py << " filter " << filter;
                }
        }
}

TEST_F(ExactRasterTest, TexelCentredQuadIsExactWithBlendingAndUntransformedVertices) {
    constexpr UINT tw = 16, th = 16;
    std::vector<uint32_t> texels = randomWords(tw * th, 11);
    for (size_t i = 0; i < texels.size(); i += 3)
        texels[i] |= 0xFF000000u; // runs of opaque texels next to translucent ones
    for (size_t i = 1; i < texels.size(); i += 5)
        texels[i] &= 0x00FFFFFFu;
    Ref<IDirect3DTexture8> texture = makeTexture(tw, th, texels);
    ASSERT_EQ(device->SetTexture(0, texture.get()), D3D_OK);
    setStage(D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE, D3DTA_TEXTURE,
             D3DTA_DIFFUSE);
    setFilter(D3DTEXF_LINEAR);
    setAddress(D3DTADDRESS_CLAMP);
    setBlend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
    std::vector<uint32_t> background = randomWords(Width * Height, 3);
    for (uint32_t& pixel : background)
        pixel |= 0xFF000000u; // a render target's unused byte is 0xFF

    // The sprite batch's untransformed path: a world matrix from pixels to clip space.
    D3DMATRIX world = {};
    world._11 = 2.0f / Width;
    world._41 = -1.0f / Width - 1.0f;
    world._22 = -2.0f / Height;
    world._42 = 1.0f / Height + 1.0f;
    world._44 = 1.0f;
    ASSERT_EQ(device->SetTransform(D3DTS_WORLD, &world), D3D_OK);
    for (DWORD fvf : {TransformedFvf, UntransformedFvf}) {
        ASSERT_EQ(device->SetVertexShader(fvf), D3D_OK);
        Ref<IDirect3DSurface8> back;
        ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, back.out()), D3D_OK);
        D3DLOCKED_RECT locked;
        ASSERT_EQ(back->LockRect(&locked, nullptr, 0), D3D_OK);
        for (UINT y = 0; y < Height; ++y)
            std::memcpy(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch, &background[y * Width],
                        Width * 4);
        ASSERT_EQ(back->UnlockRect(), D3D_OK);

        ASSERT_EQ(device->BeginScene(), D3D_OK);
        if (fvf == TransformedFvf) {
            const auto v = quad(19.5f, 3.5f, 35.5f, 19.5f, 0, 0, 1, 1);
            ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, v.data(), sizeof(v[0])),
                      D3D_OK);
        } else {
            const UntransformedVertex v[4] = {{20, 4, 0, 0xFFFFFFFF, 0, 0},
                                              {20, 20, 0, 0xFFFFFFFF, 0, 1},
                                              {36, 20, 0, 0xFFFFFFFF, 1, 1},
                                              {36, 4, 0, 0xFFFFFFFF, 1, 0}};
            ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, v, sizeof(v[0])), D3D_OK);
        }
        ASSERT_EQ(device->EndScene(), D3D_OK);

        const std::vector<uint32_t> pixels = target();
        for (UINT py = 0; py < Height; ++py)
            for (UINT px = 0; px < Width; ++px) {
                const uint32_t d = background[py * Width + px];
                uint32_t expected = d; // untouched outside the quad
                if (px >= 20 && px < 36 && py >= 4 && py < 20) {
                    const uint32_t s = texels[(py - 4) * tw + (px - 20)];
                    const uint32_t a = s >> 24;
                    expected = 0xFF000000u;
                    if (a == 0)
                        expected = d;
                    for (int shift = 0; shift < 24 && a != 0; shift += 8)
                        expected |= rounded255(((s >> shift) & 0xFF) * a +
                                               ((d >> shift) & 0xFF) * (255 - a))
                                    << shift;
                }
                ASSERT_EQ(pixels[py * Width + px], expected) << px << "," << py << " fvf " << fvf;
            }
    }
}

// A jittered mesh of triangles over the viewport, drawn with additive blending: every pixel
// centre is covered exactly once, with no gap and no double cover along shared edges.
TEST_F(ExactRasterTest, SharedEdgesCoverEveryPixelOnce) {
    setStage(D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_DIFFUSE,
             D3DTA_DIFFUSE);
    setBlend(D3DBLEND_ONE, D3DBLEND_ONE);
    clear(0);
    constexpr int columns = 7, rows = 5;
    const std::vector<uint32_t> jitter = randomWords((columns + 1) * (rows + 1) * 2, 5);
    std::vector<TransformedVertex> grid;
    for (int j = 0; j <= rows; ++j)
        for (int i = 0; i <= columns; ++i) {
            float x = float(i) * Width / columns, y = float(j) * Height / rows;
            const size_t k = size_t(j * (columns + 1) + i) * 2;
            // Inner vertices move off the grid; some land exactly on pixel centres or edges.
            if (i > 0 && i < columns) {
                x += float(int(jitter[k] % 1000) - 500) / 300.0f;
                if ((i + j) % 4 == 1)
                    x = std::floor(x);
            }
            if (j > 0 && j < rows) {
                y += float(int(jitter[k + 1] % 1000) - 500) / 300.0f;
                if ((i + 2 * j) % 5 == 2)
                    y = std::floor(y) + 0.5f;
            }
            grid.push_back({x, y, 0, 1, 0x01010101u, 0, 0});
        }
    std::vector<TransformedVertex> triangles;
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < columns; ++i) {
            const auto at = [&](int a, int b) { return grid[size_t(b * (columns + 1) + a)]; };
            const bool flip = (i + j) % 2 == 1;
            const TransformedVertex p = at(i, j), q = at(i + 1, j), r = at(i + 1, j + 1),
                                    s = at(i, j + 1);
            const TransformedVertex first[3] = {p, q, flip ? s : r};
            const TransformedVertex second[3] = {flip ? q : p, r, s};
            triangles.insert(triangles.end(), first, first + 3);
            triangles.insert(triangles.end(), second, second + 3);
        }
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, UINT(triangles.size() / 3),
                                      triangles.data(), sizeof(TransformedVertex)),
              D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    const std::vector<uint32_t> pixels = target();
    for (UINT y = 0; y < Height; ++y)
        for (UINT x = 0; x < Width; ++x)
            ASSERT_EQ(pixels[y * Width + x], 0xFF010101u) << x << "," << y;
}

TEST_F(ExactRasterTest, FillRuleAtPixelCentres) {
    setStage(D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_DIFFUSE,
             D3DTA_DIFFUSE);
    clear(0);
    // Edges exactly through pixel centres: left and top edges include them, right and bottom
    // edges do not.
    ASSERT_EQ(drawFan(quad(2, 3, 6, 5, 0, 0, 0, 0, 0xFFFFFFFF)), D3D_OK);
    const std::vector<uint32_t> pixels = target();
    for (UINT y = 0; y < 8; ++y)
        for (UINT x = 0; x < 8; ++x) {
            const bool covered = x >= 2 && x < 6 && y >= 3 && y < 5;
            EXPECT_EQ(pixels[y * Width + x], covered ? 0xFFFFFFFFu : 0xFF000000u) << x << "," << y;
        }
}

TEST_F(ExactRasterTest, StageOperationsAndModulation) {
    const std::vector<uint32_t> texels = randomWords(4 * 4, 21);
    Ref<IDirect3DTexture8> texture = makeTexture(4, 4, texels);
    ASSERT_EQ(device->SetTexture(0, texture.get()), D3D_OK);
    setAddress(D3DTADDRESS_CLAMP);
    const D3DCOLOR diffuse = 0x80C04020;
    const auto modulate = [](uint32_t a, uint32_t b) {
        uint32_t r = 0;
        for (int shift = 0; shift < 32; shift += 8)
            r |= rounded255(((a >> shift) & 0xFF) * ((b >> shift) & 0xFF)) << shift;
        return r;
    };
    struct Case {
        DWORD colorOp, colorArg1, colorArg2, alphaOp;
        std::function<uint32_t(uint32_t)> expected; // from the texel, before the blend
    };
    const Case cases[] = {
        {D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE,
         [&](uint32_t t) { return modulate(t, diffuse); }},
        {D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG2,
         [&](uint32_t t) { return (t & 0xFFFFFF) | (diffuse & 0xFF000000u); }},
        {D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1,
         [&](uint32_t t) { return (diffuse & 0xFFFFFF) | (t & 0xFF000000u); }},
        {D3DTOP_SELECTARG1, D3DTA_TEXTURE | D3DTA_COMPLEMENT, D3DTA_DIFFUSE, D3DTOP_SELECTARG1,
         [&](uint32_t t) { return (~t & 0xFFFFFF) | (t & 0xFF000000u); }},
        {D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1,
         [&](uint32_t) { return diffuse; }},
    };
    for (const Case& c : cases) {
        setStage(c.colorOp, c.colorArg1, c.colorArg2, c.alphaOp, D3DTA_TEXTURE, D3DTA_DIFFUSE);
        setBlend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
        clear(0xFF000000);
        ASSERT_EQ(drawFan(quad(-0.5f, -0.5f, 3.5f, 3.5f, 0, 0, 1, 1, diffuse)), D3D_OK);
        const std::vector<uint32_t> pixels = target();
        for (UINT y = 0; y < 4; ++y)
            for (UINT x = 0; x < 4; ++x) {
                const uint32_t s = c.expected(texels[y * 4 + x]);
                const uint32_t a = s >> 24;
                uint32_t expected = 0xFF000000u;
                for (int shift = 0; shift < 24; shift += 8)
                    expected |= rounded255(((s >> shift) & 0xFF) * a) << shift;
                EXPECT_EQ(pixels[y * Width + x], expected)
                    << "op " << c.colorOp << " at " << x << "," << y;
            }
    }
    // Without a texture the texture argument reads white: the default stage shows the diffuse.
    ASSERT_EQ(device->SetTexture(0, nullptr), D3D_OK);
    setStage(D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_CURRENT, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
             D3DTA_CURRENT);
    ASSERT_EQ(device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE), D3D_OK);
    ASSERT_EQ(drawFan(quad(9.5f, 0, 12, 2, 0, 0, 1, 1, 0x00336699)), D3D_OK);
    EXPECT_EQ(target()[1 * Width + 11], 0xFF336699u);
}

TEST_F(ExactRasterTest, BlendFactorsAndOperations) {
    setStage(D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_DIFFUSE,
             D3DTA_DIFFUSE);
    const uint32_t d = 0xFF40A0F0, s = 0x60C08010;
    const auto perChannel = [&](auto f) {
        uint32_t r = 0xFF000000u;
        for (int shift = 0; shift < 24; shift += 8)
            r |= uint32_t(f(int((s >> shift) & 0xFF), int((d >> shift) & 0xFF))) << shift;
        return r;
    };
    const auto clampRound = [](int x) { return x <= 0 ? 0 : std::min(255, (2 * x + 255) / 510); };
    const int a = int(s >> 24);
    struct Case {
        DWORD source, dest, op;
        uint32_t expected;
    };
    const Case cases[] = {
        {D3DBLEND_ONE, D3DBLEND_ZERO, D3DBLENDOP_ADD, s | 0xFF000000u},
        {D3DBLEND_ZERO, D3DBLEND_ONE, D3DBLENDOP_ADD, d},
        {D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_ADD,
         perChannel([](int x, int y) { return std::min(255, x + y); })},
        {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD,
         perChannel([&](int x, int y) { return clampRound(x * a + y * (255 - a)); })},
        {D3DBLEND_INVSRCALPHA, D3DBLEND_SRCALPHA, D3DBLENDOP_ADD,
         perChannel([&](int x, int y) { return clampRound(x * (255 - a) + y * a); })},
        {D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_REVSUBTRACT,
         perChannel([](int x, int y) { return std::max(0, y - x); })},
        {D3DBLEND_DESTCOLOR, D3DBLEND_ZERO, D3DBLENDOP_ADD,
         perChannel([&](int x, int y) { return clampRound(x * y); })},
        {D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_MIN,
         perChannel([](int x, int y) { return std::min(x, y); })},
    };
    for (const Case& c : cases) {
        clear(d);
        setBlend(c.source, c.dest);
        ASSERT_EQ(device->SetRenderState(D3DRS_BLENDOP, c.op), D3D_OK);
        ASSERT_EQ(drawFan(quad(0, 0, 4, 4, 0, 0, 0, 0, s)), D3D_OK);
        EXPECT_EQ(target()[1 * Width + 1], c.expected)
            << "factors " << c.source << "," << c.dest << " op " << c.op;
    }
}

TEST_F(ExactRasterTest, SixteenBitTargetStoresRoundedChannels) {
    useDevice(platform_ext::ProfileDesktop16);
    setStage(D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_DIFFUSE,
             D3DTA_DIFFUSE);
    clear(0xFF000000);
    ASSERT_EQ(drawFan(quad(0, 0, 4, 4, 0, 0, 0, 0, 0xFF8040C0)), D3D_OK);
    // 0x80 -> round(128 * 31 / 255) = 16, 0x40 -> round(64 * 63 / 255) = 16, 0xC0 -> 23.
    EXPECT_EQ(target()[1 * Width + 1], uint32_t(16 << 11 | 16 << 5 | 23));
    setBlend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
    ASSERT_EQ(drawFan(quad(0, 0, 4, 4, 0, 0, 0, 0, 0x80FFFFFF)), D3D_OK);
    // Dest widens to 132, 65, 189; blended with white at 128/255 and narrowed again.
    const uint32_t r = (2 * (255 * 128 + 132 * 127) + 255) / 510;
    const uint32_t g = (2 * (255 * 128 + 65 * 127) + 255) / 510;
    const uint32_t b = (2 * (255 * 128 + 189 * 127) + 255) / 510;
    const auto narrow = [](uint32_t v, uint32_t max) { return (v * max * 2 + 255) / 510; };
    EXPECT_EQ(target()[1 * Width + 1], narrow(r, 31) << 11 | narrow(g, 63) << 5 | narrow(b, 31));
}

TEST_F(ExactRasterTest, AlphaTestKeepsOnlyPassingPixels) {
    std::vector<uint32_t> texels(16);
    for (uint32_t i = 0; i < 16; ++i)
        texels[i] = (i * 17) << 24 | 0x00FF8000u;
    Ref<IDirect3DTexture8> texture = makeTexture(16, 1, texels);
    ASSERT_EQ(device->SetTexture(0, texture.get()), D3D_OK);
    setAddress(D3DTADDRESS_CLAMP);
    setStage(D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
             D3DTA_DIFFUSE);
    ASSERT_EQ(device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE), D3D_OK);
    ASSERT_EQ(device->SetRenderState(D3DRS_ALPHAREF, 127), D3D_OK);
    for (DWORD function : {D3DCMP_GREATEREQUAL, D3DCMP_LESS, D3DCMP_EQUAL, D3DCMP_NEVER}) {
        ASSERT_EQ(device->SetRenderState(D3DRS_ALPHAFUNC, function), D3D_OK);
        clear(0xFF000000);
        ASSERT_EQ(drawFan(quad(-0.5f, -0.5f, 15.5f, 0.5f, 0, 0.5f, 1, 0.5f)), D3D_OK);
        const std::vector<uint32_t> pixels = target();
        for (uint32_t i = 0; i < 16; ++i) {
            const uint32_t alpha = i * 17;
            const bool passes = function == D3DCMP_GREATEREQUAL ? alpha >= 127
                                : function == D3DCMP_LESS       ? alpha < 127
                                : function == D3DCMP_EQUAL      ? alpha == 127
                                                                : false;
            EXPECT_EQ(pixels[i], passes ? 0xFFFF8000u : 0xFF000000u) << function << " texel " << i;
        }
    }
}

// Quads that are axis-aligned rectangles take a path of their own; it gives the same pixels
// as the two triangles do, at any position, size and texture mapping.
TEST_F(ExactRasterTest, RectanglesMatchTheirTwoTriangles) {
    const std::vector<uint32_t> texels = randomWords(9 * 7, 31);
    Ref<IDirect3DTexture8> texture = makeTexture(9, 7, texels);
    ASSERT_EQ(device->SetTexture(0, texture.get()), D3D_OK);
    setStage(D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE, D3DTA_TEXTURE,
             D3DTA_DIFFUSE);
    setFilter(D3DTEXF_LINEAR);
    setBlend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
    const std::vector<uint32_t> random = randomWords(40 * 8, 17);
    for (int round = 0; round < 40; ++round) {
        const uint32_t* r = &random[size_t(round) * 8];
        const float x0 = float(r[0] % 4000) / 100.0f - 5, y0 = float(r[1] % 3000) / 100.0f - 5;
        const float x1 = x0 + float(r[2] % 3000) / 100.0f + 0.5f;
        const float y1 = y0 + float(r[3] % 2500) / 100.0f + 0.5f;
        const float u0 = float(r[4] % 200) / 100.0f - 1, v0 = float(r[5] % 200) / 100.0f - 1;
        const D3DCOLOR color = r[6] | 0x40000000u;
        const auto corners = quad(x0, y0, x1, y1, u0, v0, u0 + 1.3f, v0 + 0.7f, color);
        setAddress(round % 2 ? D3DTADDRESS_WRAP : D3DTADDRESS_CLAMP);
        clear(0xFF204060);
        ASSERT_EQ(drawFan(corners), D3D_OK);
        const std::vector<uint32_t> asRectangle = target();
        clear(0xFF204060);
        const TransformedVertex list[6] = {corners[0], corners[1], corners[2],
                                           corners[0], corners[2], corners[3]};
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, list, sizeof(list[0])), D3D_OK);
        ASSERT_EQ(device->EndScene(), D3D_OK);
        ASSERT_EQ(target(), asRectangle) << "round " << round;
    }
}

// A 2x2 texture doubled in size puts pixel centres a quarter texel from texel centres: the
// bilinear weights are exactly 64 and 192 of 256, and every channel comes out as
// ((t00 gx + t10 fx) gy + (t01 gx + t11 fx) fy + 32768) >> 16, g = 256 - f.
TEST_F(ExactRasterTest, BilinearArithmeticWithExactWeights) {
    const std::vector<uint32_t> texels = randomWords(4, 41);
    Ref<IDirect3DTexture8> texture = makeTexture(2, 2, texels);
    ASSERT_EQ(device->SetTexture(0, texture.get()), D3D_OK);
    setStage(D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
             D3DTA_DIFFUSE);
    setFilter(D3DTEXF_LINEAR);
    setAddress(D3DTADDRESS_CLAMP);
    const auto texel = [&](int x, int y) {
        return texels[size_t(std::clamp(y, 0, 1) * 2 + std::clamp(x, 0, 1))];
    };
    const auto expected = [&](int px, int py) {
        // s = px / 2 - 0.25: texel floor(s) with weight round(frac(s) * 256) for the next one.
        const int x = int(std::floor(px / 2.0 - 0.25)), y = int(std::floor(py / 2.0 - 0.25));
        const uint32_t fx = px % 2 == 0 ? 192 : 64, fy = py % 2 == 0 ? 192 : 64;
        uint32_t result = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            const auto c = [&](int tx, int ty) { return (texel(tx, ty) >> shift) & 0xFF; };
            const uint32_t top = c(x, y) * (256 - fx) + c(x + 1, y) * fx;
            const uint32_t bottom = c(x, y + 1) * (256 - fx) + c(x + 1, y + 1) * fx;
            result |= ((top * (256 - fy) + bottom * fy + 32768) >> 16) << shift;
        }
        return result | 0xFF000000u;
    };
    const auto corners = quad(-0.5f, -0.5f, 3.5f, 3.5f, 0, 0, 1, 1);
    const TransformedVertex list[6] = {corners[0], corners[1], corners[2],
                                       corners[0], corners[2], corners[3]};
    for (bool asRectangle : {true, false}) {
        clear(0xFF000000);
        if (asRectangle) {
            ASSERT_EQ(drawFan(corners), D3D_OK);
        } else {
            ASSERT_EQ(device->BeginScene(), D3D_OK);
            ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, list, sizeof(list[0])),
                      D3D_OK);
            ASSERT_EQ(device->EndScene(), D3D_OK);
        }
        const std::vector<uint32_t> pixels = target();
        for (int py = 0; py < 4; ++py)
            for (int px = 0; px < 4; ++px)
                EXPECT_EQ(pixels[size_t(py) * Width + size_t(px)], expected(px, py))
                    << px << "," << py << (asRectangle ? " rectangle" : " triangles");
    }
}
