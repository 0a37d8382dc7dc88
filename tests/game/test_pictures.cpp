// The scene tests' pictures.
#include "tests/game/test_pictures.h"

#include "tools/png_writer.h"

#include <vector>

bool writePicture(const std::string& fileName, int width, int height, const PixelRule& rule) {
    std::vector<uint8_t> rgb;
    rgb.reserve(size_t(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t colour = rule(x, y);
            rgb.push_back(uint8_t(colour >> 16));
            rgb.push_back(uint8_t(colour >> 8));
            rgb.push_back(uint8_t(colour));
        }
    std::string error;
    return tools::writeRgbPng(fileName, rgb.data(), unsigned(width), unsigned(height), &error);
}

bool writeTestScene() {
    const int last = TargetSize - 1;
    return writePicture("fond.png", 640, 480, [](int, int) { return BackgroundColour; }) &&
           writePicture("arbre.png", 100, 100,
                        [](int x, int) { return x < 60 ? TreeColour : Key; }) &&
           writePicture("buisson.png", 30, 20,
                        [](int, int y) { return y == 0 ? Key : BushColour; }) &&
           writePicture("cible.png", TargetSize, TargetSize, [last](int x, int y) {
               if ((x == 0 || x == last) && (y == 0 || y == last))
                   return Key;
               const int dx = x - TargetSize / 2;
               const int dy = y - TargetSize / 2;
               return dx * dx + dy * dy < 36 ? TargetCentreColour : TargetColour;
           });
}
