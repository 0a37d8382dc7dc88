// The five block formats as rows of their block size and block routines, the per-format
// encoders, and the choice of the batch encoder for this processor.
#include "blit/dxt_block.h"

#include "blit/dxt_batch.h"
#include "blit/dxt_hq.h"
#include "cpu/processor_features.h"

namespace {

template <DxtBlockEncoder Encode, size_t BlockBytes>
void encodeEachBlock(const FloatColor* in, uint32_t count, uint8_t* blocks) {
    for (uint32_t i = 0; i < count; ++i)
        Encode(in + size_t(i) * 16, blocks + size_t(i) * BlockBytes);
}

const DxtBlockFormat dxtBlockFormatTable[] = {
    {D3DFMT_DXT1, 8, decodeDxt1Block, encodeDxt1Block, encodeEachBlock<encodeDxt1Block, 8>,
     encodeDxt1BlocksAvx2, encodeDxt1BlocksHqPlain, encodeDxt1BlocksHqSse2, encodeDxt1BlocksHqAvx2,
     encodeDxt1BlocksHqAvx512},
    {D3DFMT_DXT2, 16, decodeDxt2Block, encodeDxt2Block, encodeEachBlock<encodeDxt2Block, 16>,
     encodeDxt2BlocksAvx2, encodeDxt2BlocksHqPlain, encodeDxt2BlocksHqSse2, encodeDxt2BlocksHqAvx2,
     encodeDxt2BlocksHqAvx512},
    {D3DFMT_DXT3, 16, decodeDxt3Block, encodeDxt3Block, encodeEachBlock<encodeDxt3Block, 16>,
     encodeDxt3BlocksAvx2, encodeDxt3BlocksHqPlain, encodeDxt3BlocksHqSse2, encodeDxt3BlocksHqAvx2,
     encodeDxt3BlocksHqAvx512},
    {D3DFMT_DXT4, 16, decodeDxt4Block, encodeDxt4Block, encodeEachBlock<encodeDxt4Block, 16>,
     encodeDxt4BlocksAvx2, encodeDxt4BlocksHqPlain, encodeDxt4BlocksHqSse2, encodeDxt4BlocksHqAvx2,
     encodeDxt4BlocksHqAvx512},
    {D3DFMT_DXT5, 16, decodeDxt5Block, encodeDxt5Block, encodeEachBlock<encodeDxt5Block, 16>,
     encodeDxt5BlocksAvx2, encodeDxt5BlocksHqPlain, encodeDxt5BlocksHqSse2, encodeDxt5BlocksHqAvx2,
     encodeDxt5BlocksHqAvx512},
};
static_assert(sizeof(dxtBlockFormatTable) / sizeof(dxtBlockFormatTable[0]) == 5);

} // namespace

const DxtBlockFormat* findDxtBlockFormat(PixelFormat format) {
    for (const DxtBlockFormat& row : dxtBlockFormatTable) {
        if (row.format == format)
            return &row;
    }
    return nullptr;
}

DxtBatchEncoder dxtBatchEncoder(const DxtBlockFormat& format) {
    if (dxtAvx2Supported())
        return format.encodeAvx2Batch;
    return format.encodePlainBatch;
}

// Chosen once, at the first use, as the processor's answer does not change: the widest lanes
// it runs, or one block at a time when "DisableMMX" turns processor-specific code off.
DxtHqVariant dxtHqVariant() {
    static const DxtHqVariant variant = !isMmxUsable() ? DxtHqVariant::Plain
                                        : __builtin_cpu_supports("avx512f") ? DxtHqVariant::Avx512
                                        : __builtin_cpu_supports("avx2")    ? DxtHqVariant::Avx2
                                                                            : DxtHqVariant::Sse2;
    return variant;
}

DxtBatchEncoder dxtHqBatchEncoder(const DxtBlockFormat& format) {
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

void encodeDxt1Block(const FloatColor in[16], uint8_t* block) {
    encodeColorBlock(in, true, block);
}

void encodeDxt2Block(const FloatColor in[16], uint8_t* block) {
    FloatColor premultiplied[16];
    premultiplyAlpha(in, premultiplied);
    encodeDxt3Block(premultiplied, block);
}

void encodeDxt3Block(const FloatColor in[16], uint8_t* block) {
    encodeExplicitAlpha(in, block);
    encodeColorBlock(in, false, block + 8);
}

void encodeDxt4Block(const FloatColor in[16], uint8_t* block) {
    FloatColor premultiplied[16];
    premultiplyAlpha(in, premultiplied);
    encodeDxt5Block(premultiplied, block);
}

void encodeDxt5Block(const FloatColor in[16], uint8_t* block) {
    encodeInterpolatedAlpha(in, block);
    encodeColorBlock(in, false, block + 8);
}
