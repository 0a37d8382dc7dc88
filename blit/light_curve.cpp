// Tables of the sRGB curve: 256 decoded values and the 255 boundaries between stored values.
#include "blit/light_curve.h"

#include <cmath>

namespace {

double decodeCurve(double c) {
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

struct CurveTables {
    float linear[256];
    // boundary[v] is the linear light half-way (in stored units) between v and v + 1: values
    // at or above it round to v + 1.
    float boundary[256];
    // start[k]: the stored value of the boundary interval holding k / guideSize.
    static constexpr int guideSize = 4096;
    uint8_t start[guideSize + 1];

    CurveTables() {
        for (int v = 0; v < 256; ++v) {
            linear[v] = float(decodeCurve(v / 255.0));
            boundary[v] = v < 255 ? float(decodeCurve((v + 0.5) / 255.0)) : 2.0f;
        }
        int v = 0;
        for (int k = 0; k <= guideSize; ++k) {
            const float x = float(k) / guideSize;
            while (v < 255 && x >= boundary[v])
                ++v;
            start[k] = uint8_t(v);
        }
    }
};

const CurveTables& tables() {
    static const CurveTables instance;
    return instance;
}

} // namespace

float srgbToLinear(uint8_t v) {
    return tables().linear[v];
}

uint8_t linearToSrgb(float linear) {
    const CurveTables& t = tables();
    if (!(linear > 0.0f))
        return 0;
    if (linear >= 1.0f)
        return 255;
    // The guide's entry is never above the answer: step up past the boundaries below x.
    int v = t.start[int(linear * CurveTables::guideSize)];
    while (v < 255 && linear >= t.boundary[v])
        ++v;
    return uint8_t(v);
}
