// The BC7 block decoder: a 16-byte block of any of the eight modes into 16 colours, exact to the
// published format (8-bit results), then scaled to the unit range.
#include "blocks/bc7.h"

#include "blocks/bc7_tables.h"
#include "blocks/dxt_constants.h"

#include <cstring>

namespace {

// The block's bits from the lowest of byte 0 upwards.
class BitReader {
public:
    explicit BitReader(const uint8_t* block) {
        std::memcpy(&low_, block, 8);
        std::memcpy(&high_, block + 8, 8);
        low_ = fromLittleEndian(low_);
        high_ = fromLittleEndian(high_);
    }

    uint32_t read(uint32_t count) {
        uint32_t value = 0;
        for (uint32_t i = 0; i < count; ++i, ++position_) {
            const uint64_t word = position_ < 64 ? low_ >> position_ : high_ >> (position_ - 64);
            value |= uint32_t(word & 1) << i;
        }
        return value;
    }

private:
    static uint64_t fromLittleEndian(uint64_t v) {
        if constexpr (__BYTE_ORDER__ == __ORDER_BIG_ENDIAN__)
            return __builtin_bswap64(v);
        return v;
    }

    uint64_t low_ = 0, high_ = 0;
    uint32_t position_ = 0;
};

} // namespace

void decodeBc7BlockBytes(const uint8_t* block, uint8_t out[16][4]) {
    uint32_t mode = 0;
    while (mode < 8 && !(block[0] >> mode & 1))
        ++mode;
    if (mode == 8) {
        // A first byte of zero names no mode: the block decodes to zero in every channel.
        std::memset(out, 0, 64);
        return;
    }
    const bc7::ModeLayout& layout = bc7::modes[mode];
    BitReader bits(block);
    bits.read(mode + 1);
    const uint32_t partition = bits.read(layout.partitionBits);
    const uint32_t rotation = bits.read(layout.rotationBits);
    const uint32_t selector = bits.read(layout.selectorBits);
    const uint32_t subsets = layout.subsets;

    // Endpoints by channel, then subset, then endpoint; alpha 255 where the mode has none.
    uint32_t endpoints[3][2][4] = {};
    for (uint32_t c = 0; c < 4; ++c) {
        const uint32_t width = c < 3 ? layout.colorBits : layout.alphaBits;
        for (uint32_t s = 0; s < subsets; ++s) {
            for (uint32_t e = 0; e < 2; ++e)
                endpoints[s][e][c] = width == 0 ? 255 : bits.read(width);
        }
    }
    uint32_t pBits[3][2] = {};
    for (uint32_t s = 0; s < subsets; ++s) {
        for (uint32_t e = 0; e < 2; ++e)
            pBits[s][e] = layout.endpointPBits ? bits.read(1) : 0;
    }
    for (uint32_t s = 0; s < subsets && layout.sharedPBits; ++s)
        pBits[s][0] = pBits[s][1] = bits.read(1);
    const uint32_t pWidth = layout.endpointPBits | layout.sharedPBits;
    for (uint32_t s = 0; s < subsets; ++s) {
        for (uint32_t e = 0; e < 2; ++e) {
            for (uint32_t c = 0; c < 4; ++c) {
                const uint32_t width = c < 3 ? layout.colorBits : layout.alphaBits;
                if (width == 0)
                    continue;
                const uint32_t value = endpoints[s][e][c] << pWidth | pBits[s][e];
                endpoints[s][e][c] = bc7::expandBits(value, width + pWidth);
            }
        }
    }

    const uint8_t* subsetOf = bc7::subsetsOf(subsets, partition);
    uint32_t primary[16], secondary[16] = {};
    for (uint32_t i = 0; i < 16; ++i) {
        const bool anchor = bc7::anchorOf(subsets, partition, subsetOf[i]) == i;
        primary[i] = bits.read(layout.indexBits - anchor);
    }
    for (uint32_t i = 0; i < 16 && layout.secondaryBits; ++i)
        secondary[i] = bits.read(layout.secondaryBits - (i == 0));

    // Colour from the primary indices unless the selector bit asks for the secondary ones;
    // alpha from the secondary indices where there are any and the selector does not take them.
    const bool twoSets = layout.secondaryBits != 0;
    const uint8_t* colorWeights =
        bc7::weightsFor(selector ? layout.secondaryBits : layout.indexBits);
    const uint8_t* alphaWeights =
        bc7::weightsFor(twoSets && !selector ? layout.secondaryBits : layout.indexBits);
    for (uint32_t i = 0; i < 16; ++i) {
        const uint32_t* e0 = endpoints[subsetOf[i]][0];
        const uint32_t* e1 = endpoints[subsetOf[i]][1];
        const uint32_t colorIndex = selector ? secondary[i] : primary[i];
        const uint32_t alphaIndex = twoSets && !selector ? secondary[i] : primary[i];
        uint32_t texel[4];
        for (uint32_t c = 0; c < 3; ++c)
            texel[c] = bc7::interpolate(e0[c], e1[c], colorWeights[colorIndex]);
        texel[3] = bc7::interpolate(e0[3], e1[3], alphaWeights[alphaIndex]);
        if (rotation != 0) {
            const uint32_t swapped = texel[rotation - 1];
            texel[rotation - 1] = texel[3];
            texel[3] = swapped;
        }
        for (uint32_t c = 0; c < 4; ++c)
            out[i][c] = uint8_t(texel[c]);
    }
}

void decodeBc7Block(const uint8_t* block, FloatColor out[16]) {
    uint8_t texels[16][4];
    decodeBc7BlockBytes(block, texels);
    for (uint32_t i = 0; i < 16; ++i) {
        out[i] = {float(texels[i][0]) * dxt::scale8, float(texels[i][1]) * dxt::scale8,
                  float(texels[i][2]) * dxt::scale8, float(texels[i][3]) * dxt::scale8};
    }
}
