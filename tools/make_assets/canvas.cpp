// The drawing surface of the asset generator and its conversion to 8-bit RGB.
#include "tools/make_assets/canvas.h"

#include <algorithm>

namespace assets {
namespace {

uint8_t toByte(float channel) {
    float clamped = std::clamp(channel, 0.0f, 255.0f);
    return static_cast<uint8_t>(clamped + 0.5f);
}

} // namespace

Color mix(Color a, Color b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Color scaled(Color c, float factor) {
    return {c.r * factor, c.g * factor, c.b * factor};
}

Color rgb(uint32_t hex) {
    return {static_cast<float>((hex >> 16) & 0xFF), static_cast<float>((hex >> 8) & 0xFF),
            static_cast<float>(hex & 0xFF)};
}

Canvas::Canvas(int width, int height, Color fill, bool opaque)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, fill),
      opaque_(static_cast<size_t>(width) * height, opaque ? 1 : 0) {}

void Canvas::blend(int x, int y, Color c, float coverage) {
    if (coverage <= 0.0f) {
        return;
    }
    Color& target = pixels_[index(x, y)];
    target = coverage >= 1.0f ? c : mix(target, c, coverage);
}

std::vector<uint8_t> Canvas::toRgb8() const {
    std::vector<uint8_t> bytes;
    bytes.reserve(pixels_.size() * 3);
    for (size_t i = 0; i < pixels_.size(); ++i) {
        uint8_t r = 0xFF;
        uint8_t g = 0x00;
        uint8_t b = 0xFF;
        if (opaque_[i] != 0) {
            r = toByte(pixels_[i].r);
            g = toByte(pixels_[i].g);
            b = toByte(pixels_[i].b);
            if (r == 0xFF && g == 0x00 && b == 0xFF) {
                g = 0x01;
            }
        }
        bytes.push_back(r);
        bytes.push_back(g);
        bytes.push_back(b);
    }
    return bytes;
}

} // namespace assets
