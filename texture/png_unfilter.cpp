// The plain PNG row filters for every pixel size, and the run-time choice of their twins.
#include "texture/png_unfilter.h"

#include "cpu/processor_features.h"

#include <cstdlib>
#include <cstring>

namespace {

template <uint32_t Bpp>
void unfilterSub(const uint8_t* filtered, const uint8_t*, uint8_t* out, size_t rowBytes) {
    size_t i = 0;
    for (; i < Bpp && i < rowBytes; ++i)
        out[i] = filtered[i];
    for (; i < rowBytes; ++i)
        out[i] = uint8_t(filtered[i] + out[i - Bpp]);
}

void unfilterUp(const uint8_t* filtered, const uint8_t* prior, uint8_t* out, size_t rowBytes) {
    for (size_t i = 0; i < rowBytes; ++i)
        out[i] = uint8_t(filtered[i] + prior[i]);
}

template <uint32_t Bpp>
void unfilterAverage(const uint8_t* filtered, const uint8_t* prior, uint8_t* out,
                     size_t rowBytes) {
    size_t i = 0;
    for (; i < Bpp && i < rowBytes; ++i)
        out[i] = uint8_t(filtered[i] + (prior[i] >> 1));
    for (; i < rowBytes; ++i)
        out[i] = uint8_t(filtered[i] + ((out[i - Bpp] + prior[i]) >> 1));
}

// The predictor: whichever of left, above and upper-left is nearest to left + above -
// upper-left, ties going in that order.
inline uint8_t paeth(int left, int above, int upperLeft) {
    const int toLeft = std::abs(above - upperLeft);
    const int toAbove = std::abs(left - upperLeft);
    const int toUpperLeft = std::abs(left + above - 2 * upperLeft);
    if (toLeft <= toAbove && toLeft <= toUpperLeft)
        return uint8_t(left);
    return uint8_t(toAbove <= toUpperLeft ? above : upperLeft);
}

template <uint32_t Bpp>
void unfilterPaeth(const uint8_t* filtered, const uint8_t* prior, uint8_t* out,
                   size_t rowBytes) {
    size_t i = 0;
    for (; i < Bpp && i < rowBytes; ++i)
        out[i] = uint8_t(filtered[i] + prior[i]);
    for (; i < rowBytes; ++i)
        out[i] = uint8_t(filtered[i] + paeth(out[i - Bpp], prior[i], prior[i - Bpp]));
}

template <uint32_t Bpp>
constexpr PngUnfilterSet plainSet = {
    {unfilterSub<Bpp>, unfilterUp, unfilterAverage<Bpp>, unfilterPaeth<Bpp>}};

} // namespace

const PngUnfilterSet& plainPngUnfilters(uint32_t pixelBytes) {
    switch (pixelBytes) {
    case 2:
        return plainSet<2>;
    case 3:
        return plainSet<3>;
    case 4:
        return plainSet<4>;
    case 6:
        return plainSet<6>;
    case 8:
        return plainSet<8>;
    }
    return plainSet<1>;
}

const PngUnfilterSet& pngUnfilters(uint32_t pixelBytes) {
    // Chosen once, as the processor answer does not change.
    static const bool vectors = isMmxUsable() && pngUnfilterSse41Supported();
    const PngUnfilterSet* wide = vectors ? sse41PngUnfilters(pixelBytes) : nullptr;
    return wide != nullptr ? *wide : plainPngUnfilters(pixelBytes);
}

bool unfilterPngRow(const PngUnfilterSet& set, uint32_t filterType, const uint8_t* filtered,
                    const uint8_t* prior, uint8_t* out, size_t rowBytes) {
    if (filterType == 0) {
        std::memcpy(out, filtered, rowBytes);
        return true;
    }
    if (filterType > 4)
        return false;
    set.filters[filterType - 1](filtered, prior, out, rowBytes);
    return true;
}
