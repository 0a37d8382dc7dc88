// The plain colour repack, and the run-time choice between it and its wide-vector twins.
#include "texture/rgb_repack.h"

#include "cpu/processor_features.h"

#include <cstring>

void repackRgbRow(const uint8_t* rgb, uint8_t* out, uint32_t count) {
    for (uint32_t x = 0; x < count; ++x, rgb += 3, out += 4) {
        const uint32_t pixel = uint32_t(rgb[0]) << 16 | uint32_t(rgb[1]) << 8 | rgb[2];
        std::memcpy(out, &pixel, 4);
    }
}

// Chosen once, as the processor answer does not change; the widest vectors the processor has.
RgbRepackRoutine rgbRepackRoutine() {
    static const RgbRepackRoutine routine = !isMmxUsable()           ? repackRgbRow
                                            : repackAvx2Supported()  ? repackRgbRowAvx2
                                            : repackSsse3Supported() ? repackRgbRowSsse3
                                                                     : repackRgbRow;
    return routine;
}
