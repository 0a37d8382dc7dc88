// Small pictures for the scene tests, written as PNG files into the current directory under the
// game's file names. Opaque magenta marks the keyed (transparent) pixels.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// The colour of each pixel, 0xRRGGBB; 0xFF00FF is keyed out when the picture loads.
using PixelRule = std::function<uint32_t(int x, int y)>;

inline constexpr uint32_t Key = 0xFF00FF;

// Writes the picture; false when the file could not be written.
bool writePicture(const std::string& fileName, int width, int height, const PixelRule& rule);

// The test scene, in the current directory:
// - fond.png, 640 x 480, dark green;
// - arbre.png, 100 x 100 at (100, 100): columns 0-59 opaque brown, columns 60-99 keyed;
// - buisson.png, 30 x 20 at (400, 300): opaque green, its top row keyed;
// - cible.png, 48 x 48: opaque red with a white centre, its four corner pixels keyed.
bool writeTestScene();

inline constexpr uint32_t BackgroundColour = 0x204020;
inline constexpr uint32_t TreeColour = 0x804020;
inline constexpr uint32_t BushColour = 0x30A030;
inline constexpr uint32_t TargetColour = 0xE01010;
inline constexpr uint32_t TargetCentreColour = 0xFFFFFF;
inline constexpr int TargetSize = 48;
