// The plain routines of the box filter's integer path: each format is its list of fields
// from the field layouts, and unused bits come out as 0.
#include "blit/box_fast_path.h"

#include "blit/field_layout.h"
#include "cpu/processor_features.h"

#include <cstring>

namespace {

template <int Bytes> uint32_t load(const uint8_t* p) {
    uint32_t word = 0;
    std::memcpy(&word, p, Bytes);
    return word;
}

uint32_t averageField(uint32_t a, uint32_t b, uint32_t c, uint32_t d, const Field& field) {
    if (field.width == 0)
        return 0;
    const uint32_t mask = (1u << field.width) - 1;
    const uint32_t sum = ((a >> field.shift) & mask) + ((b >> field.shift) & mask) +
                         ((c >> field.shift) & mask) + ((d >> field.shift) & mask);
    return ((sum + 2) >> 2) << field.shift;
}

// One routine per format, its fields taken once from the layout table.
template <int Bytes, PixelFormat Format>
void boxAverageRow(const uint8_t* row0, const uint8_t* row1, uint8_t* out, uint32_t count) {
    static const FieldLayout& layout = *findFieldLayout(Format);
    for (size_t x = 0; x < count; ++x) {
        const uint32_t a = load<Bytes>(row0 + 2 * Bytes * x);
        const uint32_t b = load<Bytes>(row0 + 2 * Bytes * x + Bytes);
        const uint32_t c = load<Bytes>(row1 + 2 * Bytes * x);
        const uint32_t d = load<Bytes>(row1 + 2 * Bytes * x + Bytes);
        uint32_t word = 0;
        for (int i = 0; i < 4; ++i)
            word |= averageField(a, b, c, d, layout.channel(i));
        std::memcpy(out + Bytes * x, &word, Bytes);
    }
}

struct BoxRoutineRow {
    PixelFormat format;
    BoxRowRoutine plain;
};

const BoxRoutineRow boxRoutineTable[] = {
    {D3DFMT_X8R8G8B8, boxAverageRow<4, D3DFMT_X8R8G8B8>},
    {D3DFMT_R5G6B5, boxAverageRow<2, D3DFMT_R5G6B5>},
    {D3DFMT_X1R5G5B5, boxAverageRow<2, D3DFMT_X1R5G5B5>},
    {D3DFMT_A1R5G5B5, boxAverageRow<2, D3DFMT_A1R5G5B5>},
    {D3DFMT_A4R4G4B4, boxAverageRow<2, D3DFMT_A4R4G4B4>},
    {D3DFMT_R3G3B2, boxAverageRow<1, D3DFMT_R3G3B2>},
    {D3DFMT_A8, boxAverageRow<1, D3DFMT_A8>},
    {D3DFMT_L8, boxAverageRow<1, D3DFMT_L8>},
    {D3DFMT_A8R3G3B2, boxAverageRow<2, D3DFMT_A8R3G3B2>},
    {D3DFMT_X4R4G4B4, boxAverageRow<2, D3DFMT_X4R4G4B4>},
    {D3DFMT_A8L8, boxAverageRow<2, D3DFMT_A8L8>},
    {D3DFMT_A4L4, boxAverageRow<1, D3DFMT_A4L4>},
};

// Chosen once, on the first 32-bit use, as the processor answer does not change; the widest
// vectors the processor has.
BoxRowRoutine wideRoutine() {
    static const BoxRowRoutine routine = !isMmxUsable()       ? nullptr
                                         : boxAvx2Supported() ? boxAverageRowArgbAvx2
                                                              : boxAverageRowArgbSse2;
    return routine;
}

} // namespace

void boxAverageRowArgb(const uint8_t* row0, const uint8_t* row1, uint8_t* out, uint32_t count) {
    for (size_t x = 0; x < count; ++x) {
        for (size_t byte = 0; byte < 4; ++byte) {
            const size_t i = 8 * x + byte; // byte of source pixel 2x; 2x + 1 is 4 further
            out[4 * x + byte] = uint8_t((row0[i] + row0[i + 4] + row1[i] + row1[i + 4] + 2) >> 2);
        }
    }
}

BoxRowRoutine boxRowRoutine(PixelFormat format) {
    if (format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8) {
        if (BoxRowRoutine wide = wideRoutine())
            return wide;
        if (format == D3DFMT_A8R8G8B8)
            return boxAverageRowArgb;
    }
    for (const BoxRoutineRow& row : boxRoutineTable) {
        if (row.format == format)
            return row.plain;
    }
    return nullptr;
}
