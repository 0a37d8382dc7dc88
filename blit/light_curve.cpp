// Tables of the sRGB curve: 256 decoded values and the 255 boundaries between stored values.
#include "blit/light_curve.h"

#include <bit>
#include <cmath>
#include <vector>

namespace {

double decodeCurve(double c) {
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

struct CurveTables {
    float linear[256];
    float boundary[256];
    uint8_t start[SrgbEncoder::cellCount];
    SrgbEncoder encoder;

    CurveTables() {
        for (int v = 0; v < 256; ++v) {
            linear[v] = float(decodeCurve(v / 255.0));
            boundary[v] = v < 255 ? float(decodeCurve((v + 0.5) / 255.0)) : 2.0f;
        }
        int v = 0;
        for (int k = 0; k < SrgbEncoder::cellCount; ++k) {
            // The smallest float of cell k.
            const float x = std::bit_cast<float>(
                (uint32_t(k) + (SrgbEncoder::lowestExponent << SrgbEncoder::mantissaBits))
                << (23 - SrgbEncoder::mantissaBits));
            while (v < 255 && x >= boundary[v])
                ++v;
            start[k] = uint8_t(v);
        }
        encoder = {boundary, start};
    }
};

const CurveTables& tables() {
    static const CurveTables instance;
    return instance;
}

} // namespace

float srgbToLinear16(uint16_t v) {
    static const std::vector<float> table = [] {
        std::vector<float> values(65536);
        for (size_t i = 0; i < values.size(); ++i)
            values[i] = float(decodeCurve(double(i) / 65535.0));
        return values;
    }();
    return table[v];
}

float srgbToLinear(uint8_t v) {
    return tables().linear[v];
}

uint8_t linearToSrgb(float linear) {
    return tables().encoder.encode(linear);
}

const SrgbEncoder& srgbEncoder() {
    return tables().encoder;
}
