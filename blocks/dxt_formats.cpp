// The per-format entry points of "DXT1".."DXT5": each format's block from the colour block and
// its kind of alpha.
#include "blocks/dxt_block.h"

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
