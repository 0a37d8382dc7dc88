// The block formats as rows of their block size and block routines, and the choice of the
// batch encoders for this processor.
#include "blocks/block_format.h"

#include "blocks/bc45_block.h"
#include "blocks/bc7.h"
#include "blocks/dxt_batch.h"
#include "blocks/dxt_block.h"
#include "blocks/dxt_constants.h"
#include "blocks/dxt_hq.h"
#include "cpu/processor_features.h"
#include "d3d8.h"

#include <cmath>

namespace {

template <BlockEncoder Encode, size_t BlockBytes>
void encodeEachBlock(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    for (uint32_t i = 0; i < count; ++i)
        Encode(in + size_t(i) * 16, blocks + size_t(i) * BlockBytes);
}

// 5:6:5 colour, and alpha in 4 bits (explicit) or 8 (interpolated endpoints).
template <uint32_t AlphaMax>
FloatColor quantizeDxt(const FloatColor& c) {
    constexpr float alphaScale = AlphaMax == 15 ? dxt::scale4 : dxt::scale8;
    return {std::trunc(c.r * 31.0f + 0.5f) * dxt::scale5,
            std::trunc(c.g * 63.0f + 0.5f) * dxt::scale6,
            std::trunc(c.b * 31.0f + 0.5f) * dxt::scale5,
            std::trunc(c.a * float(AlphaMax) + 0.5f) * alphaScale};
}

const BlockFormat blockFormatTable[] = {
    {D3DFMT_DXT1, 8, decodeDxt1Block, encodeDxt1Block, quantizeDxt<255>,
     encodeEachBlock<encodeDxt1Block, 8>, encodeDxt1BlocksAvx2, encodeDxt1BlocksHqPlain,
     encodeDxt1BlocksHqSse2, encodeDxt1BlocksHqAvx2, encodeDxt1BlocksHqAvx512},
    {D3DFMT_DXT2, 16, decodeDxt2Block, encodeDxt2Block, quantizeDxt<15>,
     encodeEachBlock<encodeDxt2Block, 16>, encodeDxt2BlocksAvx2, encodeDxt2BlocksHqPlain,
     encodeDxt2BlocksHqSse2, encodeDxt2BlocksHqAvx2, encodeDxt2BlocksHqAvx512},
    {D3DFMT_DXT3, 16, decodeDxt3Block, encodeDxt3Block, quantizeDxt<15>,
     encodeEachBlock<encodeDxt3Block, 16>, encodeDxt3BlocksAvx2, encodeDxt3BlocksHqPlain,
     encodeDxt3BlocksHqSse2, encodeDxt3BlocksHqAvx2, encodeDxt3BlocksHqAvx512},
    {D3DFMT_DXT4, 16, decodeDxt4Block, encodeDxt4Block, quantizeDxt<255>,
     encodeEachBlock<encodeDxt4Block, 16>, encodeDxt4BlocksAvx2, encodeDxt4BlocksHqPlain,
     encodeDxt4BlocksHqSse2, encodeDxt4BlocksHqAvx2, encodeDxt4BlocksHqAvx512},
    {D3DFMT_DXT5, 16, decodeDxt5Block, encodeDxt5Block, quantizeDxt<255>,
     encodeEachBlock<encodeDxt5Block, 16>, encodeDxt5BlocksAvx2, encodeDxt5BlocksHqPlain,
     encodeDxt5BlocksHqSse2, encodeDxt5BlocksHqAvx2, encodeDxt5BlocksHqAvx512},
    // One search serves both qualities of the one- and two-channel formats: they have no
    // older encoder whose bytes the loads must keep.
    {BlockFormatBc4, 8, decodeBc4Block, encodeBc4Block, quantizeBc4, encodeBc4BlocksHqPlain,
     encodeBc4BlocksHqAvx2, encodeBc4BlocksHqPlain, encodeBc4BlocksHqSse2, encodeBc4BlocksHqAvx2,
     encodeBc4BlocksHqAvx512},
    {BlockFormatBc4Signed, 8, decodeBc4SignedBlock, encodeBc4SignedBlock, quantizeBc4Signed,
     encodeBc4SignedBlocksHqPlain, encodeBc4SignedBlocksHqAvx2, encodeBc4SignedBlocksHqPlain,
     encodeBc4SignedBlocksHqSse2, encodeBc4SignedBlocksHqAvx2, encodeBc4SignedBlocksHqAvx512},
    {BlockFormatBc5, 16, decodeBc5Block, encodeBc5Block, quantizeBc5, encodeBc5BlocksHqPlain,
     encodeBc5BlocksHqAvx2, encodeBc5BlocksHqPlain, encodeBc5BlocksHqSse2, encodeBc5BlocksHqAvx2,
     encodeBc5BlocksHqAvx512},
    {BlockFormatBc5Signed, 16, decodeBc5SignedBlock, encodeBc5SignedBlock, quantizeBc5Signed,
     encodeBc5SignedBlocksHqPlain, encodeBc5SignedBlocksHqAvx2, encodeBc5SignedBlocksHqPlain,
     encodeBc5SignedBlocksHqSse2, encodeBc5SignedBlocksHqAvx2, encodeBc5SignedBlocksHqAvx512},
    // One plain encoder whose bytes are the same everywhere, at its `High` level in every slot:
    // high quality is asked for by loads and mip chains too, where `Best` (five times slower)
    // would cost minutes; a tool asks for it by bc7BatchEncoder.
    {BlockFormatBc7, 16, decodeBc7Block, encodeBc7Block, quantizeBc7, encodeBc7BlocksHigh,
     encodeBc7BlocksHigh, encodeBc7BlocksHigh, encodeBc7BlocksHigh, encodeBc7BlocksHigh,
     encodeBc7BlocksHigh},
};
static_assert(sizeof(blockFormatTable) / sizeof(blockFormatTable[0]) == 10);

} // namespace

const BlockFormat* findBlockFormat(uint32_t format) {
    for (const BlockFormat& row : blockFormatTable) {
        if (row.format == format)
            return &row;
    }
    return nullptr;
}

BlockBatchEncoder blockBatchEncoder(const BlockFormat& format) {
    if (dxtAvx2Supported())
        return format.encodeAvx2Batch;
    return format.encodePlainBatch;
}

// Chosen once, at the first use, as the processor's answer does not change: the widest lanes
// it runs, or one block at a time when "DisableMMX" turns processor-specific code off. The
// eight-lane variant fuses its multiply-adds, so it also needs FMA (every AVX2 processor has it).
bool dxtHqAvx2Supported() {
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}

DxtHqVariant dxtHqVariant() {
    static const DxtHqVariant variant = !isMmxUsable() ? DxtHqVariant::Plain
                                        : __builtin_cpu_supports("avx512f") ? DxtHqVariant::Avx512
                                        : dxtHqAvx2Supported()              ? DxtHqVariant::Avx2
                                                                            : DxtHqVariant::Sse2;
    return variant;
}

BlockBatchEncoder blockHqBatchEncoder(const BlockFormat& format) {
    switch (dxtHqVariant()) {
    case DxtHqVariant::Avx512:
        return format.encodeHqAvx512Batch;
    case DxtHqVariant::Avx2:
        return format.encodeHqAvx2Batch;
    case DxtHqVariant::Sse2:
        return format.encodeHqSse2Batch;
    case DxtHqVariant::Plain:
        break;
    }
    return format.encodeHqPlainBatch;
}
