// The block encoder on the benchmark photographs: its error is held to the figure it reaches, a
// plain bounding-box encoder's figure printed beside it, and its invariants on real blocks. The
// high-quality encoder likewise on the real photographs and greys, with its transparent pixels
// and the decoder's palette values it models.
#include "blit/pixel_codec.h"
#include "blit/pixel_format.h"
#include "blit/surface_blitter.h"
#include "blocks/dxt_block.h"
#include "blocks/dxt_hq.h"
#include "tests/support/photos.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
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

// PSNR of the high-quality encoder's blocks decoded back, over red, green and blue or over alpha,
// pooled over every pixel of the blocks.
double hqPsnr(const std::vector<FloatColor>& blocks, PixelFormat format, bool alpha) {
    const BlockFormat& row = *findBlockFormat(format);
    const uint32_t count = uint32_t(blocks.size() / 16);
    std::vector<uint8_t> encoded(size_t(count) * row.blockBytes);
    blockHqBatchEncoder(row)(blocks.data(), count, encoded.data());
    double sum = 0.0;
    for (uint32_t n = 0; n < count; ++n) {
        FloatColor decoded[16];
        row.decode(&encoded[size_t(n) * row.blockBytes], decoded);
        for (int i = 0; i < 16; ++i) {
            const FloatColor& a = blocks[size_t(n) * 16 + i];
            const FloatColor& b = decoded[i];
            const float from[4] = {a.r, a.g, a.b, a.a}, to[4] = {b.r, b.g, b.b, b.a};
            for (int c = alpha ? 3 : 0; c < (alpha ? 4 : 3); ++c) {
                const double d = double(quantizeUnsigned(from[c], 255, 0.5f)) -
                                 double(quantizeUnsigned(to[c], 255, 0.5f));
                sum += d * d;
            }
        }
    }
    return psnr(sum / (double(count) * 16 * (alpha ? 1 : 3)));
}

struct HqQualityCase {
    PixelFormat format;
    bool greys; // the greys as alpha, else the colour photographs
    bool alpha; // alpha PSNR, else RGB
    double psnr;
};

// The figures the high-quality encoder reaches; a change that lowers one by more than the
// margin fails. The colour photographs are opaque, so "DXT2".."DXT5" share one colour figure;
// their "DXT1" figure less the margin stays above the 38.48 dB of libsquish's cluster fit.
const HqQualityCase hqQualityTable[] = {
    {D3DFMT_DXT1, false, false, 38.520}, {D3DFMT_DXT5, false, false, 38.505},
    {D3DFMT_DXT3, true, true, 34.537},   {D3DFMT_DXT5, true, true, 40.574},
    {D3DFMT_DXT4, true, false, 29.014},  {D3DFMT_DXT4, true, true, 40.574},
};

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

TEST(DxtQualityTest, HighQualityEncoderKeepsItsFiguresOnRealPictures) {
    std::vector<Photo> pictures;
    std::vector<FloatColor> photos, greys;
    ASSERT_TRUE(test_support::loadRealPhotos(&pictures));
    for (const Photo& photo : pictures)
        test_support::appendBlocks(photo, false, &photos);
    ASSERT_TRUE(test_support::loadRealGreys(&pictures));
    for (const Photo& photo : pictures)
        test_support::appendBlocks(photo, true, &greys);
    for (const HqQualityCase& c : hqQualityTable) {
        const double figure = hqPsnr(c.greys ? greys : photos, c.format, c.alpha);
        std::printf("high quality %.4s on the %s: %s %.3f dB\n",
                    reinterpret_cast<const char*>(&c.format), c.greys ? "greys" : "photos",
                    c.alpha ? "alpha" : "RGB", figure);
        EXPECT_GE(figure, c.psnr - qualityMargin)
            << reinterpret_cast<const char*>(&c.format) << (c.alpha ? " alpha" : " RGB");
    }
}

TEST(DxtQualityTest, HighQualityDxt1KeepsTransparentPixelsAndOnlyThoseTransparent) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const float alphas[] = {0.0f, 0.25f, 0.49999997f, 0.5f, 0.75f, 1.0f};
    std::vector<FloatColor> blocks(3000 * 16);
    for (size_t n = 0; n < 3000; ++n) {
        const uint32_t pattern = n == 0 ? 0xFFFF : uint32_t(random()); // bit i: alpha below 0.5
        for (int i = 0; i < 16; ++i) {
            const bool clear = (pattern >> i) & 1;
            const float a = clear ? alphas[random() % 3] : alphas[3 + random() % 3];
            blocks[n * 16 + i] = {unit(random), unit(random), unit(random), a};
        }
    }
    const BlockFormat& row = *findBlockFormat(D3DFMT_DXT1);
    std::vector<uint8_t> encoded(3000 * 8);
    blockHqBatchEncoder(row)(blocks.data(), 3000, encoded.data());
    const std::vector<uint8_t> allClear = {0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(std::vector<uint8_t>(encoded.begin(), encoded.begin() + 8), allClear);
    for (size_t n = 0; n < 3000; ++n) {
        const uint8_t* block = &encoded[n * 8];
        const uint32_t c0 = block[0] | block[1] << 8, c1 = block[2] | block[3] << 8;
        FloatColor decoded[16];
        row.decode(block, decoded);
        bool anyClear = false;
        for (int i = 0; i < 16; ++i) {
            const bool clear = blocks[n * 16 + i].a < 0.5f;
            anyClear |= clear;
            ASSERT_EQ(decoded[i].a, clear ? 0.0f : 1.0f) << "block " << n << " pixel " << i;
        }
        if (anyClear) {
            ASSERT_LE(c0, c1) << "block " << n;
        }
    }
}

TEST(DxtQualityTest, HighQualityPaletteModelMatchesTheDecoder) {
    // Each endpoint pair as the only non-zero field of both colours: red (5 bits, from bit 11)
    // and green (6 bits, from bit 5).
    for (uint32_t bits : {5u, 6u}) {
        const uint32_t max = (1u << bits) - 1, shift = bits == 5 ? 11 : 5;
        for (uint32_t a = 0; a <= max; ++a) {
            for (uint32_t b = 0; b <= max; ++b) {
                const uint32_t color0 = a << shift, color1 = b << shift;
                const uint8_t block[8] = {uint8_t(color0), uint8_t(color0 >> 8), uint8_t(color1),
                                          uint8_t(color1 >> 8), 0x00, 0x00, 0x00, 0xE4};
                FloatColor decoded[16];
                decodeColorBlock(block, decoded);
                auto value = [&](int i) {
                    return quantizeUnsigned(bits == 5 ? decoded[i].r : decoded[i].g, 255, 0.5f);
                };
                // Pixels 12..15 hold indices 0, 1, 2 and 3.
                ASSERT_EQ(value(12), dxtHqExpanded(a, bits)) << a;
                if (a > b) {
                    ASSERT_EQ(value(14), dxtHqThird(a, b, bits)) << a << " " << b;
                    ASSERT_EQ(value(15), dxtHqThird(b, a, bits)) << a << " " << b;
                } else if ((a + b) % max != 0 || a + b == 0) {
                    // The half way point is modelled exactly except on an exact tie.
                    ASSERT_EQ(value(14), dxtHqHalf(a, b, bits)) << a << " " << b;
                }
            }
        }
    }
    for (uint32_t a0 = 0; a0 < 256; ++a0) {
        for (uint32_t a1 = 0; a1 < 256; ++a1) {
            // Pixel i holds index i % 8.
            const uint8_t block[16] = {uint8_t(a0), uint8_t(a1), 0x88, 0xC6, 0xFA, 0x88, 0xC6, 0xFA};
            FloatColor decoded[16];
            decodeDxt5Block(block, decoded);
            const uint32_t steps = a0 > a1 ? 7 : 5;
            for (uint32_t j = 1; j < steps; ++j) {
                // Step j from a1 towards a0 is index steps + 1 - j (8 - j, or 6 - j).
                const uint32_t index = a0 > a1 ? 8 - j : j + 1;
                const uint32_t from = a0 > a1 ? a1 : a0, to = a0 > a1 ? a0 : a1;
                ASSERT_EQ(quantizeUnsigned(decoded[index].a, 255, 0.5f),
                          dxtHqAlphaStep(from, to, j, steps))
                    << a0 << " " << a1 << " " << j;
            }
        }
    }
}
