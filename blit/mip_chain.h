// Mip chains and resizing for texture tools: separable kernels with edge rules, filtering in
// linear light, colour weighted by alpha, alpha-tested coverage kept, normal maps renormalised.
// Each lower level is made from the one above it, held in floats; the bytes are the same on
// every processor and for every variant of the inner loops.
#pragma once

#include "blit/mip_kernels.h"
#include "blit/mip_rows.h"

#include <cstdint>
#include <vector>

// An A8R8G8B8 picture: 0xAARRGGBB words, row after row.
struct ArgbImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint32_t> texels;
};

// A picture of 16 bits a channel: 0xAAAARRRRGGGGBBBB words, row after row.
struct WideArgbImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint64_t> texels;
};

struct MipChainOptions {
    MipKernel kernel = MipKernel::Kaiser;
    EdgeMode edge = EdgeMode::Clamp;
    bool srgb = true;       // colour decoded to linear light for filtering, encoded back after
    bool normalMap = false; // red, green, blue are a vector: no curve, no alpha weighting
    int alphaTest = -1;     // 0 to 255: each level's alpha scaled to keep level 0's coverage
    uint32_t colorKey = 0;  // texels equal to it (alpha included) become transparent black
};

// Levels 1 to levelCount - 1 of `top` (each side halved, down to 1) into *lower. False when
// the memory is not there or the picture is empty.
bool buildMipChain(const ArgbImage& top, uint32_t levelCount, const MipChainOptions& options,
                   std::vector<ArgbImage>* lower);
// The same with the given inner loops, so the variants can be held against each other.
bool buildMipChain(const ArgbImage& top, uint32_t levelCount, const MipChainOptions& options,
                   MipRowRoutines routines, std::vector<ArgbImage>* lower);

// The same from a picture of 16 bits a channel, filtered from its own values (the levels are
// stored at 8 bits). There is no colour key at 16 bits: options.colorKey is not read, and
// level 0's alpha-tested coverage is that of its alpha rounded to 8 bits.
bool buildMipChain(const WideArgbImage& top, uint32_t levelCount, const MipChainOptions& options,
                   MipRowRoutines routines, std::vector<ArgbImage>* lower);
bool buildMipChain(const WideArgbImage& top, uint32_t levelCount, const MipChainOptions& options,
                   std::vector<ArgbImage>* lower);

// A volume's levels 1 to levelCount - 1 from its slices (all one size, at least one): each level
// halves width, height and depth (down to 1), the slices combined by the kernel along depth
// first, then each filtered as a picture; (*lower)[L - 1] holds level L's slices. Alpha-tested
// coverage is that of the whole level. False when the memory is not there or the slices are
// empty or differ in size.
bool buildVolumeMipChain(const std::vector<ArgbImage>& slices, uint32_t levelCount,
                         const MipChainOptions& options, MipRowRoutines routines,
                         std::vector<std::vector<ArgbImage>>* lower);
bool buildVolumeMipChain(const std::vector<ArgbImage>& slices, uint32_t levelCount,
                         const MipChainOptions& options,
                         std::vector<std::vector<ArgbImage>>* lower);
// From slices of 16 bits a channel (no colour key, as for pictures).
bool buildVolumeMipChain(const std::vector<WideArgbImage>& slices, uint32_t levelCount,
                         const MipChainOptions& options,
                         std::vector<std::vector<ArgbImage>>* lower);

// `source` resampled to width x height with the options' kernel, edges and colour handling
// (alphaTest ignored).
bool resampleImage(const ArgbImage& source, uint32_t width, uint32_t height,
                   const MipChainOptions& options, ArgbImage* out);
