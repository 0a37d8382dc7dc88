// The block-compressed formats as the blit engine sees them: one row per format with its block
// size and its block routines, and the encoder this processor runs. Everything else in blocks/
// is behind this header.
#pragma once

#include "blocks/block_texel.h"
#include "d3d8.h"

#include <cstdint>

// Block formats Direct3D 8 does not name, by the four-character codes DDS files give them; BC7
// has none in the files (only a DXGI format), so its code is the toolkit's own.
inline constexpr uint32_t BlockFormatBc4 = MAKEFOURCC('A', 'T', 'I', '1');       // one channel
inline constexpr uint32_t BlockFormatBc4Signed = MAKEFOURCC('B', 'C', '4', 'S'); // in [-1, 1]
inline constexpr uint32_t BlockFormatBc5 = MAKEFOURCC('A', 'T', 'I', '2');       // two channels
inline constexpr uint32_t BlockFormatBc5Signed = MAKEFOURCC('B', 'C', '5', 'S'); // in [-1, 1]
inline constexpr uint32_t BlockFormatBc7 = MAKEFOURCC('B', 'C', '7', ' ');       // colour, alpha

// One 4 x 4 block between its stored bytes and 16 values in row-major order.
using BlockDecoder = void (*)(const uint8_t* block, FloatColor out[16]);
using BlockEncoder = void (*)(const FloatColor in[16], uint8_t* block);
// Encodes `count` blocks of 16 values each (block after block) into consecutive blocks.
using BlockBatchEncoder = void (*)(const FloatColor* in, uint32_t count, uint8_t* blocks);
// The value the blocks would store for `c`, so that a colour key is compared at their precision.
using BlockQuantizer = FloatColor (*)(const FloatColor& c);

struct BlockFormat {
    uint32_t format; // the Direct3D format code
    uint32_t blockBytes;
    BlockDecoder decode;
    BlockEncoder encode;
    BlockQuantizer quantize;
    BlockBatchEncoder encodePlainBatch; // the per-block routine over a row of blocks
    BlockBatchEncoder encodeAvx2Batch;  // eight blocks at a time, for processors with AVX2
    // The high-quality encoder (FilterHighQualityBlocks), whose variants write the same bytes:
    // one block at a time, four (SSE2), eight (AVX2) and sixteen (AVX-512).
    BlockBatchEncoder encodeHqPlainBatch;
    BlockBatchEncoder encodeHqSse2Batch;
    BlockBatchEncoder encodeHqAvx2Batch;
    BlockBatchEncoder encodeHqAvx512Batch;
};

// The row of a block-compressed format, or null for any other format.
const BlockFormat* findBlockFormat(uint32_t format);
// The fastest batch encoder this processor runs for the format; its bytes equal those of
// encodePlainBatch.
BlockBatchEncoder blockBatchEncoder(const BlockFormat& format);
// The high-quality encoder's variant for this processor (the plain one when "DisableMMX" is
// set).
BlockBatchEncoder blockHqBatchEncoder(const BlockFormat& format);

// The BC7 encoder's levels, from the quickest to the closest; its row's batch slots hold `High`.
enum class Bc7Quality { Fast, High, Best };
BlockBatchEncoder bc7BatchEncoder(Bc7Quality quality);
