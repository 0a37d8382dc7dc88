// How two decoded textures differ, level by level: which levels can be compared at all, and
// per level the squared errors, the largest channel error and the pixels that differ, with the
// map of each pixel's largest error that the heat map draws.
#pragma once

#include "tools/texkit/decoded_texture.h"

#include <cstdint>
#include <string>
#include <vector>

struct LevelDifference {
    UINT level = 0;
    UINT width = 0; // of one face or slice
    UINT height = 0;
    UINT depth = 1; // slices
    UINT faces = 1;
    bool volume = false; // its sizes are written with their depth, even of 1
    uint64_t pixels = 0;
    uint64_t rgbSquares = 0; // sum of squared red, green and blue errors
    uint64_t alphaSquares = 0;
    uint32_t largestError = 0;
    uint64_t differing = 0; // pixels with any channel different
    // Largest channel error per pixel, faces and slices side by side in one row of pictures:
    // (faces x depth x width) columns by height rows. Empty unless asked for.
    std::vector<uint8_t> errors;

    UINT mapWidth() const { return faces * depth * width; }
};

// RGB PSNR pools the three channels' squared errors; both are +infinity for equal pixels.
double rgbPsnr(uint64_t squares, uint64_t pixels);
double alphaPsnr(uint64_t squares, uint64_t pixels);

// The levels to compare: `only` (when given) or every level, or level 0 alone when one of the
// two is a single picture. Empty, with *refusal saying why, when the textures cannot be
// compared: other kinds, chains of different lengths, a missing level, different sizes.
std::vector<UINT> comparableLevels(const DecodedTexture& a, const DecodedTexture& b,
                                   const UINT* only, std::string* refusal);

LevelDifference compareLevel(const DecodedTexture& a, const DecodedTexture& b, UINT level,
                             bool keepErrors);

// Every compared level added together; `level` and the sizes are left at zero.
LevelDifference totalOf(const std::vector<LevelDifference>& levels);
