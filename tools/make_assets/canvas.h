// The drawing surface of the asset generator: floating-point RGB pixels plus a per-pixel
// opacity flag, turned into 8-bit RGB at the end with opaque magenta where nothing is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace assets {

// One colour, each channel from 0 to 255; kept in floats so soft blends do not band.
struct Color {
    float r = 0;
    float g = 0;
    float b = 0;
};

Color mix(Color a, Color b, float t);
Color scaled(Color c, float factor);
Color rgb(uint32_t hex);

// The game turns exactly this colour transparent.
inline constexpr uint32_t TransparentKey = 0xFF00FF;

class Canvas {
public:
    // A canvas of the given size filled with one colour; every pixel opaque or none.
    Canvas(int width, int height, Color fill, bool opaque);

    int width() const { return width_; }
    int height() const { return height_; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    Color pixel(int x, int y) const { return pixels_[index(x, y)]; }
    void setPixel(int x, int y, Color c) { pixels_[index(x, y)] = c; }
    // Lays c over the pixel with the given coverage (0 leaves it, 1 replaces it).
    void blend(int x, int y, Color c, float coverage);

    bool opaque(int x, int y) const { return opaque_[index(x, y)] != 0; }
    void setOpaque(int x, int y, bool opaque) { opaque_[index(x, y)] = opaque ? 1 : 0; }

    // 8-bit RGB rows, top first: transparent pixels become the key colour, and an opaque
    // pixel that happens to round to the key is moved one step off it.
    std::vector<uint8_t> toRgb8() const;

private:
    std::size_t index(int x, int y) const { return static_cast<std::size_t>(y) * width_ + x; }

    int width_;
    int height_;
    std::vector<Color> pixels_;
    std::vector<uint8_t> opaque_;
};

} // namespace assets
