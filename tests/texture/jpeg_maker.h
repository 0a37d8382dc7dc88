// Test helper: JPEG files made in memory with libjpeg's compressor, and libjpeg's own decode of
// a file through its own memory source, the reference our decoder is held to.
#pragma once

// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <cstdint>
#include <vector>

struct JpegRecipe {
    uint32_t width = 1;
    uint32_t height = 1;
    int components = 3;           // 1 grey, 3 red-green-blue, 4 CMYK
    std::vector<uint8_t> samples; // rows top to bottom, `components` bytes a pixel
    int quality = 90;
    int lumaH = 2, lumaV = 2; // sampling factors of the first component (3 components only)
    bool progressive = false;
    int restartRows = 0; // a restart marker every that many MCU rows
};

// The file libjpeg's compressor makes from the recipe.
std::vector<uint8_t> makeJpeg(const JpegRecipe& recipe);

// `width` x `height` pixels of smooth gradients with hard edges and noise, like a photograph,
// so that every transform and upsampling step leaves its trace.
std::vector<uint8_t> photoLikeSamples(uint32_t width, uint32_t height, int components);

struct LibjpegPicture {
    bool decoded = false; // false when libjpeg gave up with an error
    uint32_t width = 0;
    uint32_t height = 0;
    int components = 0;
    std::vector<uint8_t> samples; // as libjpeg outputs them, rows without padding
};

LibjpegPicture decodeWithLibjpeg(const std::vector<uint8_t>& file,
                                 J_DCT_METHOD method = JDCT_ISLOW);

// Samples of the reference as our decoder stores them: grey bytes as they are, each
// red-green-blue triple as the bytes blue, green, red, 0.
std::vector<uint8_t> asDecodedPixels(const LibjpegPicture& picture);
