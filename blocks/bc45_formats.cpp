// Decoding the one- and two-channel blocks, the values they store for a colour key, and the
// single-block entry points of their encoder.
#include "blocks/bc45_block.h"

#include "blocks/dxt_constants.h"
#include "blocks/dxt_hq.h"

#include <algorithm>
#include <cmath>

namespace {

// The eight values an interpolated block holds: the endpoints, then six steps between them
// when the first is the larger, else four steps and the two ends of the range.
void interpolated(float e0, float e1, bool eightSteps, float rangeLow, float rangeHigh,
                  float values[8]) {
    values[0] = e0;
    values[1] = e1;
    if (eightSteps) {
        for (int j = 2; j < 8; ++j)
            values[j] = (float(8 - j) * e0 + float(j - 1) * e1) * dxt::oneSeventh;
    } else {
        for (int j = 2; j < 6; ++j)
            values[j] = (float(6 - j) * e0 + float(j - 1) * e1) * dxt::oneFifth;
        values[6] = rangeLow;
        values[7] = rangeHigh;
    }
}

// The 16 values of one 8-byte block. Unsigned endpoints are bytes read as value / 255 (as
// DXT5's alpha); signed ones are two's complement bytes read as value / 127, -128 counting as
// -127, and the first is the larger when its signed byte is.
void decodeChannel(const uint8_t* block, bool isSigned, float out[16]) {
    float values[8];
    if (isSigned) {
        const int32_t b0 = int8_t(block[0]), b1 = int8_t(block[1]);
        const float e0 = float(std::max(b0, -127)) / 127.0f;
        const float e1 = float(std::max(b1, -127)) / 127.0f;
        interpolated(e0, e1, b0 > b1, -1.0f, 1.0f, values);
    } else {
        interpolated(float(block[0]) * dxt::scale8, float(block[1]) * dxt::scale8,
                     block[0] > block[1], 0.0f, 1.0f, values);
    }
    uint64_t indices = 0;
    for (int i = 0; i < 6; ++i)
        indices |= uint64_t(block[2 + i]) << (8 * i);
    for (int i = 0; i < 16; ++i)
        out[i] = values[(indices >> (3 * i)) & 7];
}

void decodeOne(const uint8_t* block, bool isSigned, bool grey, FloatColor out[16]) {
    float v[16];
    decodeChannel(block, isSigned, v);
    for (int i = 0; i < 16; ++i)
        out[i] = {v[i], grey ? v[i] : 0.0f, grey ? v[i] : 0.0f, 1.0f};
}

void decodeTwo(const uint8_t* block, bool isSigned, FloatColor out[16]) {
    float red[16], green[16];
    decodeChannel(block, isSigned, red);
    decodeChannel(block + 8, isSigned, green);
    for (int i = 0; i < 16; ++i)
        out[i] = {red[i], green[i], 0.0f, 1.0f};
}

float unsignedStep(float v) {
    return std::trunc(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f) * dxt::scale8;
}

float signedStep(float v) {
    return std::floor(std::clamp(v, -1.0f, 1.0f) * 127.0f + 0.5f) / 127.0f;
}

} // namespace

void decodeBc4Block(const uint8_t* block, FloatColor out[16]) {
    decodeOne(block, false, true, out);
}
void decodeBc4SignedBlock(const uint8_t* block, FloatColor out[16]) {
    decodeOne(block, true, false, out);
}
void decodeBc5Block(const uint8_t* block, FloatColor out[16]) {
    decodeTwo(block, false, out);
}
void decodeBc5SignedBlock(const uint8_t* block, FloatColor out[16]) {
    decodeTwo(block, true, out);
}

FloatColor quantizeBc4(const FloatColor& c) {
    const float grey = unsignedStep(0.2125f * c.r + 0.7154f * c.g + 0.0721f * c.b);
    return {grey, grey, grey, 1.0f};
}
FloatColor quantizeBc4Signed(const FloatColor& c) {
    return {signedStep(c.r), 0.0f, 0.0f, 1.0f};
}
FloatColor quantizeBc5(const FloatColor& c) {
    return {unsignedStep(c.r), unsignedStep(c.g), 0.0f, 1.0f};
}
FloatColor quantizeBc5Signed(const FloatColor& c) {
    return {signedStep(c.r), signedStep(c.g), 0.0f, 1.0f};
}

void encodeBc4Block(const FloatColor in[16], uint8_t* block) {
    encodeBc4BlocksHqPlain(in, 1, block);
}
void encodeBc4SignedBlock(const FloatColor in[16], uint8_t* block) {
    encodeBc4SignedBlocksHqPlain(in, 1, block);
}
void encodeBc5Block(const FloatColor in[16], uint8_t* block) {
    encodeBc5BlocksHqPlain(in, 1, block);
}
void encodeBc5SignedBlock(const FloatColor in[16], uint8_t* block) {
    encodeBc5SignedBlocksHqPlain(in, 1, block);
}
