// Drawing the heat map of a comparison.
#include "tools/texkit/heat_map.h"

#include <algorithm>

namespace {

struct RampStop {
    uint32_t error;
    uint32_t color;
};

constexpr RampStop heatRampTable[] = {
    {0, 0xFF000000}, {8, 0xFF0000FF}, {16, 0xFF00FF00}, {24, 0xFFFFFF00}, {32, 0xFFFF0000},
};

constexpr uint32_t LegendErrors = 33; // 0 to 32

uint32_t mix(uint32_t from, uint32_t to, uint32_t step, uint32_t steps) {
    uint32_t color = 0xFF000000;
    for (int shift = 0; shift < 24; shift += 8) {
        const int a = int(from >> shift & 0xFF), b = int(to >> shift & 0xFF);
        const int channel = a + (b - a) * int(step) / int(steps);
        color |= uint32_t(channel) << shift;
    }
    return color;
}

} // namespace

uint32_t heatColor(uint32_t error) {
    for (size_t i = 1; i < std::size(heatRampTable); ++i) {
        const RampStop& low = heatRampTable[i - 1];
        const RampStop& high = heatRampTable[i];
        if (error < high.error)
            return mix(low.color, high.color, error - low.error, high.error - low.error);
    }
    return heatRampTable[std::size(heatRampTable) - 1].color;
}

HeatPicture drawHeatMap(const std::vector<LevelDifference>& levels) {
    HeatPicture picture;
    UINT levelsWidth = 0, tallest = 0;
    for (const LevelDifference& level : levels) {
        levelsWidth += (levelsWidth > 0 ? HeatGap : 0) + level.mapWidth();
        tallest = std::max(tallest, level.height);
    }
    picture.width = std::max(levelsWidth, LegendErrors * LegendBand);
    picture.height = tallest + HeatGap + LegendHeight;
    picture.pixels.assign(size_t(picture.width) * picture.height, HeatBackground);
    UINT left = 0;
    for (const LevelDifference& level : levels) {
        for (UINT y = 0; y < level.height; ++y) {
            const uint8_t* errors = &level.errors[size_t(y) * level.mapWidth()];
            uint32_t* row = &picture.pixels[size_t(y) * picture.width + left];
            for (UINT x = 0; x < level.mapWidth(); ++x)
                row[x] = heatColor(errors[x]);
        }
        left += level.mapWidth() + HeatGap;
    }
    for (UINT y = tallest + HeatGap; y < picture.height; ++y) {
        for (UINT x = 0; x < LegendErrors * LegendBand; ++x)
            picture.pixels[size_t(y) * picture.width + x] = heatColor(x / LegendBand);
    }
    return picture;
}
