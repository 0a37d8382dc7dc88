// Texture sampling against per-pixel reference evaluations written here: bilinear filtering of
// scaled, rotated and perspective quads, the choice of the minification filter, and the
// address modes.
#include "raster_test_support.h"

#include <algorithm>
#include <cmath>

using namespace d3d8_test;

namespace {

class SamplingTest : public RasterTest {
protected:
    void SetUp() override {
        RasterTest::SetUp();
        texels = randomWords(TexW * TexH, 99);
        for (uint32_t& t : texels)
            t |= 0xFF000000u;
        texture = makeTexture(TexW, TexH, texels);
        ASSERT_EQ(device->SetTexture(0, texture.get()), D3D_OK);
        setStage(D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
                 D3DTA_DIFFUSE);
        setFilter(D3DTEXF_LINEAR);
        setAddress(D3DTADDRESS_CLAMP);
        clear(0xFF000000);
    }

    uint32_t texelAt(int x, int y) const {
        x = std::clamp(x, 0, int(TexW) - 1);
        y = std::clamp(y, 0, int(TexH) - 1);
        return texels[size_t(y) * TexW + size_t(x)];
    }

    // Bilinear filtering with exact weights and clamped addressing, per channel as floats.
    void reference(double u, double v, double out[4]) const {
        const double s = u * TexW - 0.5, t = v * TexH - 0.5;
        const int x = int(std::floor(s)), y = int(std::floor(t));
        const double fx = s - x, fy = t - y;
        for (int c = 0; c < 4; ++c) {
            const auto ch = [&](int px, int py) {
                return double((texelAt(px, py) >> (8 * c)) & 0xFF);
            };
            out[c] = (ch(x, y) * (1 - fx) + ch(x + 1, y) * fx) * (1 - fy) +
                     (ch(x, y + 1) * (1 - fx) + ch(x + 1, y + 1) * fx) * fy;
        }
    }

    void expectNear(uint32_t pixel, const double expected[4], int x, int y) const {
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(double((pixel >> (8 * c)) & 0xFF), expected[c], 1.0)
                << "pixel " << x << "," << y << " channel " << c;
    }

    static constexpr UINT TexW = 8, TexH = 6;
    std::vector<uint32_t> texels;
    Ref<IDirect3DTexture8> texture;
};

} // namespace

TEST_F(SamplingTest, ScaledQuadMatchesBilinearReference) {
    // 8x6 texels stretched over 40x30 pixels from (3.25, 2.75).
    const float x0 = 3.25f, y0 = 2.75f, w = 40.0f, h = 30.0f;
    ASSERT_EQ(drawFan(quad(x0, y0, x0 + w, y0 + h, 0, 0, 1, 1)), D3D_OK);
    const std::vector<uint32_t> pixels = target();
    int checked = 0;
    for (int y = 0; y < int(Height); ++y)
        for (int x = 0; x < int(Width); ++x) {
            const double u = (x - x0) / w, v = (y - y0) / h;
            const bool inside = x >= x0 && x < x0 + w && y >= y0 && y < y0 + h;
            if (!inside) {
                EXPECT_EQ(pixels[size_t(y) * Width + x], 0xFF000000u) << x << "," << y;
                continue;
            }
            double expected[4];
            reference(u, v, expected);
            expectNear(pixels[size_t(y) * Width + x], expected, x, y);
            ++checked;
        }
    EXPECT_EQ(checked, 40 * 30);
}

TEST_F(SamplingTest, RotatedQuadMatchesBilinearReference) {
    const double cx = 31.7, cy = 23.4, half = 14.0, angle = 0.5236; // 30 degrees
    const double c = std::cos(angle), s = std::sin(angle);
    const auto corner = [&](double du, double dv, float u, float v) {
        const double x = cx + du * c - dv * s, y = cy + du * s + dv * c;
        return TransformedVertex{float(x), float(y), 0, 1, 0xFFFFFFFF, u, v};
    };
    const std::vector<TransformedVertex> fan = {corner(-half, -half, 0, 0),
                                                corner(half, -half, 1, 0), corner(half, half, 1, 1),
                                                corner(-half, half, 0, 1)};
    ASSERT_EQ(drawFan(fan), D3D_OK);
    const std::vector<uint32_t> pixels = target();
    int checked = 0;
    for (int y = 0; y < int(Height); ++y)
        for (int x = 0; x < int(Width); ++x) {
            // Back into the quad's own axes.
            const double dx = x - cx, dy = y - cy;
            const double du = dx * c + dy * s, dv = -dx * s + dy * c;
            if (std::fabs(du) > half - 0.01 || std::fabs(dv) > half - 0.01) {
                if (std::fabs(du) > half + 0.01 || std::fabs(dv) > half + 0.01) {
                    EXPECT_EQ(pixels[size_t(y) * Width + x], 0xFF000000u) << x << "," << y;
                }
                continue;
            }
            double expected[4];
            reference((du + half) / (2 * half), (dv + half) / (2 * half), expected);
            expectNear(pixels[size_t(y) * Width + x], expected, x, y);
            ++checked;
        }
    EXPECT_GT(checked, 700);
}

TEST_F(SamplingTest, PerspectiveQuadInterpolatesOverW) {
    // A trapezoid whose far edge has w = 4: texture coordinates follow u * rhw / rhw.
    const TransformedVertex fan[4] = {{10, 40, 0, 1.0f, 0xFFFFFFFF, 0, 1},
                                      {54, 40, 0, 1.0f, 0xFFFFFFFF, 1, 1},
                                      {40, 8, 0, 0.25f, 0xFFFFFFFF, 1, 0},
                                      {24, 8, 0, 0.25f, 0xFFFFFFFF, 0, 0}};
    ASSERT_EQ(drawFan(std::vector<TransformedVertex>(fan, fan + 4)), D3D_OK);
    const std::vector<uint32_t> pixels = target();
    // Reference: barycentric weights in screen space of the triangle holding the pixel.
    const auto solve = [&](const TransformedVertex& a, const TransformedVertex& b,
                           const TransformedVertex& c, double x, double y, double* u, double* v) {
        const double det = (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
        const double wb = ((x - a.x) * (c.y - a.y) - (c.x - a.x) * (y - a.y)) / det;
        const double wc = ((b.x - a.x) * (y - a.y) - (x - a.x) * (b.y - a.y)) / det;
        const double wa = 1 - wb - wc;
        if (wa < 0.02 || wb < 0.02 || wc < 0.02)
            return false;
        const double q = wa * a.rhw + wb * b.rhw + wc * c.rhw;
        *u = (wa * a.u * a.rhw + wb * b.u * b.rhw + wc * c.u * c.rhw) / q;
        *v = (wa * a.v * a.rhw + wb * b.v * b.rhw + wc * c.v * c.rhw) / q;
        return true;
    };
    int checked = 0;
    for (int y = 0; y < int(Height); ++y)
        for (int x = 0; x < int(Width); ++x) {
            double u, v;
            if (!solve(fan[0], fan[1], fan[2], x, y, &u, &v) &&
                !solve(fan[0], fan[2], fan[3], x, y, &u, &v))
                continue;
            double expected[4];
            reference(u, v, expected);
            expectNear(pixels[size_t(y) * Width + x], expected, x, y);
            ++checked;
        }
    EXPECT_GT(checked, 500);
}

TEST_F(SamplingTest, MinifiedQuadUsesTheMinificationFilter) {
    ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT), D3D_OK);
    // 8x6 texels onto 4x3 pixels: each pixel centre falls on a corner between four texels; a
    // point sample takes the texel right of and below it.
    ASSERT_EQ(drawFan(quad(-0.5f, -0.5f, 3.5f, 2.5f, 0, 0, 1, 1)), D3D_OK);
    const std::vector<uint32_t> pixels = target();
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(pixels[size_t(y) * Width + x], texelAt(2 * x + 1, 2 * y + 1))
                << x << "," << y;
}

TEST_F(SamplingTest, AddressModes) {
    setFilter(D3DTEXF_POINT);
    ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_BORDERCOLOR, 0xFF123456), D3D_OK);
    // Texel-for-pixel from u = -1 to 2: three texture widths across 24 pixels, one row.
    const auto expectedAt = [&](DWORD mode, int x) -> uint32_t {
        const int i = x - 8; // texel index before addressing
        const int n = int(TexW);
        switch (mode) {
        case D3DTADDRESS_WRAP:
            return texelAt(((i % n) + n) % n, 0);
        case D3DTADDRESS_MIRROR: {
            const int p = ((i % (2 * n)) + 2 * n) % (2 * n);
            return texelAt(p < n ? p : 2 * n - 1 - p, 0);
        }
        case D3DTADDRESS_BORDER:
            return i < 0 || i >= n ? 0xFF123456u : texelAt(i, 0);
        case D3DTADDRESS_MIRRORONCE:
            return texelAt(std::min(i < 0 ? -1 - i : i, n - 1), 0);
        default:
            return texelAt(i, 0);
        }
    };
    for (DWORD mode : {D3DTADDRESS_WRAP, D3DTADDRESS_MIRROR, D3DTADDRESS_CLAMP, D3DTADDRESS_BORDER,
                       D3DTADDRESS_MIRRORONCE}) {
        setAddress(mode);
        clear(0xFF000000);
        ASSERT_EQ(drawFan(quad(-0.5f, -0.5f, 23.5f, 0.5f, -1, 0.5f / TexH, 2, 0.5f / TexH)),
                  D3D_OK);
        const std::vector<uint32_t> pixels = target();
        for (int x = 0; x < 24; ++x)
            EXPECT_EQ(pixels[x], expectedAt(mode, x)) << "mode " << mode << " pixel " << x;
    }
}

TEST_F(SamplingTest, GouraudColoursInterpolateAcrossTheTriangle) {
    setStage(D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_TEXTURE, D3DTOP_SELECTARG1, D3DTA_DIFFUSE,
             D3DTA_TEXTURE);
    const TransformedVertex triangle[3] = {{0, 0, 0, 1, 0xFFFF0000, 0, 0},
                                           {60, 0, 0, 1, 0xFF00FF00, 0, 0},
                                           {0, 45, 0, 1, 0xFF0000FF, 0, 0}};
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, sizeof(triangle[0])),
              D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    const std::vector<uint32_t> pixels = target();
    for (int y = 0; y < 45; y += 4)
        for (int x = 0; x < 60; x += 5) {
            const double wg = x / 60.0, wb = y / 45.0, wr = 1 - wg - wb;
            if (wr < 0.01)
                continue;
            const uint32_t p = pixels[size_t(y) * Width + x];
            EXPECT_NEAR(double((p >> 16) & 0xFF), 255 * wr, 1.0) << x << "," << y;
            EXPECT_NEAR(double((p >> 8) & 0xFF), 255 * wg, 1.0) << x << "," << y;
            EXPECT_NEAR(double(p & 0xFF), 255 * wb, 1.0) << x << "," << y;
        }
    // Flat shading takes the first vertex's colour.
    ASSERT_EQ(device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT), D3D_OK);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, sizeof(triangle[0])),
              D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(target()[20 * Width + 20], 0xFFFF0000u);
}
