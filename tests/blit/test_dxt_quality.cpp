// The block encoder on the benchmark photographs: its error is held to the figure it reaches, a
// plain bounding-box encoder's figure printed beside it, and its invariants on real blocks.
#include "blit/dxt_block.h"
#include "blit/surface_blitter.h"
#include "tests/support/photos.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

using test_support::Photo;

BlitSurface argbSide(std::vector<uint32_t>& pixels, uint32_t width, uint32_t height) {
    BlitSurface side;
    side.bits = reinterpret_cast<uint8_t*>(pixels.data());
    side.format = D3DFMT_A8R8G8B8;
    side.rowPitch = width * 4;
    side.extent = side.rect = {0, 0, int32_t(width), int32_t(height), 0, 1};
    return side;
}

struct Compressed {
    std::vector<uint8_t> blocks;
    BlitSurface side;
};

// The photo compressed into `format` through the blit engine.
Compressed compressed(Photo& photo, PixelFormat format) {
    const uint32_t blockSize = format == D3DFMT_DXT1 ? 8 : 16;
    const uint32_t across = (photo.width + 3) / 4, down = (photo.height + 3) / 4;
    Compressed out;
    out.blocks.resize(size_t(across) * down * blockSize);
    out.side.bits = out.blocks.data();
    out.side.format = format;
    out.side.rowPitch = across * blockSize;
    out.side.extent = out.side.rect = {0, 0, int32_t(photo.width), int32_t(photo.height), 0, 1};
    EXPECT_EQ(blitSurface(out.side, argbSide(photo.argb, photo.width, photo.height), FilterNone),
              D3D_OK);
    return out;
}

// The photo compressed into `format` and decoded back.
std::vector<uint32_t> throughBlocks(Photo& photo, PixelFormat format) {
    Compressed blocks = compressed(photo, format);
    std::vector<uint32_t> out(photo.argb.size());
    EXPECT_EQ(blitSurface(argbSide(out, photo.width, photo.height), blocks.side, FilterNone),
              D3D_OK);
    return out;
}

// Mean squared error per channel over blue, green and red (channels 0 to 2) or alpha (3).
double meanSquaredError(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int first,
                        int last) {
    double sum = 0.0;
    const int channels = last - first + 1;
    for (size_t i = 0; i < a.size(); ++i) {
        for (int c = first; c <= last; ++c) {
            const double d = double((a[i] >> (8 * c)) & 0xFF) - double((b[i] >> (8 * c)) & 0xFF);
            sum += d * d;
        }
    }
    return sum / (double(a.size()) * channels);
}

double psnr(double mse) {
    return 10.0 * std::log10(255.0 * 255.0 / mse);
}

uint32_t channel(uint32_t argb, int c) {
    return (argb >> (8 * c)) & 0xFF;
}

// The simple encoder the weighted one is compared with: the corners of each block's colour
// bounding box as endpoints (rounded to 5:6:5), every pixel on its nearest of four colours.
std::vector<uint32_t> boundingBoxEncoded(const Photo& photo) {
    std::vector<uint32_t> out(photo.argb.size());
    for (uint32_t by = 0; by < photo.height; by += 4) {
        for (uint32_t bx = 0; bx < photo.width; bx += 4) {
            double lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
            for (uint32_t y = by; y < by + 4 && y < photo.height; ++y) {
                for (uint32_t x = bx; x < bx + 4 && x < photo.width; ++x) {
                    for (int c = 0; c < 3; ++c) {
                        lo[c] =
                            std::min(lo[c], double(channel(photo.argb[y * photo.width + x], c)));
                        hi[c] =
                            std::max(hi[c], double(channel(photo.argb[y * photo.width + x], c)));
                    }
                }
            }
            double palette[4][3];
            for (int c = 0; c < 3; ++c) {
                const double levels = c == 1 ? 63.0 : 31.0; // blue, green, red
                const double a = std::round(lo[c] / 255 * levels) / levels * 255;
                const double b = std::round(hi[c] / 255 * levels) / levels * 255;
                for (int k = 0; k < 4; ++k)
                    palette[k][c] = std::round(a + (b - a) * k / 3);
            }
            for (uint32_t y = by; y < by + 4 && y < photo.height; ++y) {
                for (uint32_t x = bx; x < bx + 4 && x < photo.width; ++x) {
                    const uint32_t pixel = photo.argb[y * photo.width + x];
                    int best = 0;
                    double bestDistance = 1e30;
                    for (int k = 0; k < 4; ++k) {
                        double distance = 0;
                        for (int c = 0; c < 3; ++c)
                            distance += std::pow(palette[k][c] - channel(pixel, c), 2);
                        if (distance < bestDistance) {
                            bestDistance = distance;
                            best = k;
                        }
                    }
                    out[y * photo.width + x] =
                        (pixel & 0xFF000000u) | uint32_t(palette[best][2]) << 16 |
                        uint32_t(palette[best][1]) << 8 | uint32_t(palette[best][0]);
                }
            }
        }
    }
    return out;
}

struct QualityCase {
    const char* photo;
    PixelFormat format;
    double rgbPsnr; // dB
    double alphaPsnr;
};

// The figures the encoder reaches; a change that lowers one by more than the margin fails.
const QualityCase qualityTable[] = {
    {"photo-1024-rgb.png", D3DFMT_DXT1, 39.194, 99.0}, // opaque stays exactly opaque
    {"photo-1024-rgba.png", D3DFMT_DXT3, 39.194, 33.168},
    {"photo-1024-rgba.png", D3DFMT_DXT5, 39.194, 62.239},
};
constexpr double qualityMargin = 0.02;

} // namespace

TEST(DxtQualityTest, PhotosKeepTheQualityTheEncoderReaches) {
    for (const QualityCase& c : qualityTable) {
        Photo photo;
        ASSERT_TRUE(test_support::loadPhoto(c.photo, &photo)) << c.photo;
        const std::vector<uint32_t> decoded = throughBlocks(photo, c.format);
        const double rgb = psnr(meanSquaredError(photo.argb, decoded, 0, 2));
        const double alpha = psnr(meanSquaredError(photo.argb, decoded, 3, 3));
        const double boundingBox =
            psnr(meanSquaredError(photo.argb, boundingBoxEncoded(photo), 0, 2));
        std::printf("%s as %.4s: RGB %.3f dB, alpha %.3f dB (bounding-box encoder: RGB %.3f dB)\n",
                    c.photo, reinterpret_cast<const char*>(&c.format), rgb, alpha, boundingBox);
        EXPECT_GE(rgb, c.rgbPsnr - qualityMargin) << c.photo;
        EXPECT_GE(alpha, c.alphaPsnr - qualityMargin) << c.photo;
    }
}

TEST(DxtQualityTest, EncoderInvariantsHoldOnPhotoBlocks) {
    Photo photo;
    ASSERT_TRUE(test_support::loadPhoto("photo-1024-rgba.png", &photo));
    const uint32_t across = photo.width / 4;
    const Compressed dxt1 = compressed(photo, D3DFMT_DXT1);
    const Compressed dxt5 = compressed(photo, D3DFMT_DXT5);
    int transparentBlocks = 0;
    for (uint32_t n = 0; n < across * (photo.height / 4); ++n) {
        const uint8_t* colors = &dxt5.blocks[size_t(n) * 16 + 8];
        const uint32_t c0 = colors[0] | colors[1] << 8, c1 = colors[2] | colors[3] << 8;
        const uint32_t indices = colors[4] | colors[5] << 8 | colors[6] << 16 | colors[7] << 24;
        ASSERT_TRUE(c0 > c1 || (c0 == c1 && indices == 0)) << "DXT5 block " << n;

        const uint8_t* block = &dxt1.blocks[size_t(n) * 8];
        const uint32_t d0 = block[0] | block[1] << 8, d1 = block[2] | block[3] << 8;
        const uint32_t dxt1Indices = block[4] | block[5] << 8 | block[6] << 16 | block[7] << 24;
        uint32_t transparent = 0; // bit i: pixel i has alpha below one half
        for (int i = 0; i < 16; ++i) {
            const uint32_t x = (n % across) * 4 + i % 4, y = (n / across) * 4 + i / 4;
            if ((photo.argb[size_t(y) * photo.width + x] >> 24) < 128)
                transparent |= 1u << i;
        }
        if (transparent == 0) {
            ASSERT_TRUE(d0 > d1 || (d0 == d1 && dxt1Indices == 0)) << "DXT1 block " << n;
            continue;
        }
        ++transparentBlocks;
        ASSERT_LE(d0, d1) << "DXT1 block " << n;
        for (int i = 0; i < 16; ++i) {
            ASSERT_EQ(((dxt1Indices >> (2 * i)) & 3) == 3, ((transparent >> i) & 1) != 0)
                << "DXT1 block " << n << " pixel " << i;
        }
    }
    std::printf("%d of the photo's DXT1 blocks have transparent pixels\n", transparentBlocks);
}
