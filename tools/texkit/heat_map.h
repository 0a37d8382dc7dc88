// The heat map of a comparison: every compared level side by side, each pixel coloured by its
// largest channel error, and the colour ramp drawn as a legend strip below.
#pragma once

#include "tools/texkit/texture_difference.h"

#include <cstdint>
#include <string>
#include <vector>

// The ramp: 0 black, then blue at 8, green at 16, yellow at 24 and red from 32 on, straight
// lines between them. 0xFFRRGGBB.
uint32_t heatColor(uint32_t error);

// Where things go in the picture: levels from the left, tops on the first row, `HeatGap`
// pixels apart; the legend below the tallest level after the same gap, one band of
// `LegendBand` pixels per error from 0 to 32, `LegendHeight` rows high. The rest is grey.
inline constexpr UINT HeatGap = 4;
inline constexpr UINT LegendBand = 4;
inline constexpr UINT LegendHeight = 12;
inline constexpr uint32_t HeatBackground = 0xFF808080;

struct HeatPicture {
    UINT width = 0;
    UINT height = 0;
    std::vector<uint32_t> pixels;
};

// The levels need their error maps.
HeatPicture drawHeatMap(const std::vector<LevelDifference>& levels);
