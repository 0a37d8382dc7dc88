// Conversion of rows between the value ranges of codecs.
#include "blit/float_color.h"

namespace {

float toSigned(float v) {
    return v * 2.0f - 1.0f;
}
float toUnit(float v) {
    return (v + 1.0f) * 0.5f;
}

} // namespace

void convertRange(ValueRange from, ValueRange to, const FloatColor* in, FloatColor* out,
                  uint32_t count) {
    // Colour channels follow whether either side is unit-ranged; alpha follows SignedAll.
    const bool colorToSigned = from == UnitRange && to != UnitRange;
    const bool colorToUnit = from != UnitRange && to == UnitRange;
    const bool alphaToSigned = from != SignedAll && to == SignedAll;
    const bool alphaToUnit = from == SignedAll && to != SignedAll;
    for (uint32_t i = 0; i < count; ++i) {
        FloatColor c = in[i];
        if (colorToSigned) {
            c.r = toSigned(c.r);
            c.g = toSigned(c.g);
            c.b = toSigned(c.b);
        } else if (colorToUnit) {
            c.r = toUnit(c.r);
            c.g = toUnit(c.g);
            c.b = toUnit(c.b);
        }
        if (alphaToSigned)
            c.a = toSigned(c.a);
        else if (alphaToUnit)
            c.a = toUnit(c.a);
        out[i] = c;
    }
}
