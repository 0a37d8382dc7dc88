// Builds the icon images from the target picture (a fixed 16-colour palette, and a
// 256-colour palette of the picture's own most common colours), draws the crosshair and
// writes them all as rows of characters, one image row per line.
#include "tools/make_assets/resource_pictures.h"

#include "tools/make_assets/pictures.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

namespace assets {
namespace {

constexpr int IconSize = 32;
constexpr int CursorSize = 32;
// The crosshair centre; the game aims 15 pixels right of and below the hot spot (0, 0).
constexpr int CrossColumn = 15;
constexpr int CrossRow = 16;

// The classic 16-colour display palette, so the small icon looks as such icons do.
constexpr std::array<uint32_t, 16> SixteenColors = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

struct Rgb8 {
    int r;
    int g;
    int b;
};

Rgb8 unpack(uint32_t hex) {
    return {static_cast<int>((hex >> 16) & 0xFF), static_cast<int>((hex >> 8) & 0xFF),
            static_cast<int>(hex & 0xFF)};
}

int distanceSquared(Rgb8 a, Rgb8 b) {
    return (a.r - b.r) * (a.r - b.r) + (a.g - b.g) * (a.g - b.g) + (a.b - b.b) * (a.b - b.b);
}

int nearestIndex(Rgb8 color, const std::vector<uint32_t>& palette) {
    int best = 0;
    for (size_t i = 1; i < palette.size(); ++i) {
        if (distanceSquared(color, unpack(palette[i])) <
            distanceSquared(color, unpack(palette[static_cast<size_t>(best)]))) {
            best = static_cast<int>(i);
        }
    }
    return best;
}

// The icon as palette indices, -1 where transparent.
struct IndexedImage {
    std::vector<uint32_t> palette;
    std::vector<int> indices;
};

std::vector<Rgb8> iconPixels(const Canvas& icon) {
    std::vector<uint8_t> bytes = icon.toRgb8();
    std::vector<Rgb8> pixels;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        pixels.push_back({bytes[i], bytes[i + 1], bytes[i + 2]});
    }
    return pixels;
}

IndexedImage quantize(const Canvas& icon, std::vector<uint32_t> palette) {
    std::vector<Rgb8> pixels = iconPixels(icon);
    IndexedImage image{std::move(palette), {}};
    for (int y = 0; y < icon.height(); ++y) {
        for (int x = 0; x < icon.width(); ++x) {
            image.indices.push_back(
                icon.opaque(x, y)
                    ? nearestIndex(pixels[static_cast<size_t>(y * icon.width() + x)], image.palette)
                    : -1);
        }
    }
    return image;
}

// Entry 0 is black, for the transparent pixels; the others are the mean colours of the
// picture's most common 4-bit-per-channel cells, most common first.
std::vector<uint32_t> popularPalette(const Canvas& icon) {
    struct Cell {
        int count = 0;
        int r = 0;
        int g = 0;
        int b = 0;
    };
    std::map<int, Cell> cells;
    std::vector<Rgb8> pixels = iconPixels(icon);
    for (int y = 0; y < icon.height(); ++y) {
        for (int x = 0; x < icon.width(); ++x) {
            if (!icon.opaque(x, y)) {
                continue;
            }
            Rgb8 p = pixels[static_cast<size_t>(y * icon.width() + x)];
            Cell& cell = cells[(p.r >> 4) << 8 | (p.g >> 4) << 4 | (p.b >> 4)];
            ++cell.count;
            cell.r += p.r;
            cell.g += p.g;
            cell.b += p.b;
        }
    }
    std::vector<std::pair<int, Cell>> ranked(cells.begin(), cells.end());
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.second.count > b.second.count; });
    std::vector<uint32_t> palette(256, 0);
    for (size_t i = 0; i < ranked.size() && i + 1 < palette.size(); ++i) {
        const Cell& c = ranked[i].second;
        auto mean = [&c](int sum) { return static_cast<uint32_t>((sum + c.count / 2) / c.count); };
        palette[i + 1] = mean(c.r) << 16 | mean(c.g) << 8 | mean(c.b);
    }
    return palette;
}

// A black ring crossed by a vertical and a horizontal line, on a transparent ground.
std::vector<std::string> crosshairRows() {
    std::vector<std::string> rows;
    for (int y = 0; y < CursorSize; ++y) {
        std::string row;
        for (int x = 0; x < CursorSize; ++x) {
            int dx = x - CrossColumn;
            int dy = y - CrossRow;
            int d2 = dx * dx + dy * dy;
            bool ring = d2 >= 72 && d2 <= 90;
            bool vertical = dx == 0 && dy >= -13 && dy <= 13;
            bool horizontal = dy == 0 && dx >= -13 && dx <= 13;
            row += ring || vertical || horizontal ? 'X' : '.';
        }
        rows.push_back(row);
    }
    return rows;
}

std::string hexWord(uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

void writePalette(std::ostringstream& out, const std::string& name,
                  const std::vector<uint32_t>& palette) {
    out << "inline constexpr DWORD " << name << "[" << palette.size() << "] = {\n";
    for (size_t i = 0; i < palette.size(); i += 8) {
        out << "   ";
        for (size_t j = i; j < std::min(i + 8, palette.size()); ++j) {
            out << " 0x" << hexWord(palette[j], 6) << ",";
        }
        out << "\n";
    }
    out << "};\n";
}

void writeRows(std::ostringstream& out, const std::string& name,
               const std::vector<std::string>& rows) {
    out << "inline constexpr const char* " << name << "[" << rows.size() << "] = {\n";
    for (const std::string& row : rows) {
        out << "    \"" << row << "\",\n";
    }
    out << "};\n";
}

std::vector<std::string> indexRows(const IndexedImage& image, int digits) {
    std::vector<std::string> rows;
    for (int y = 0; y < IconSize; ++y) {
        std::string row;
        for (int x = 0; x < IconSize; ++x) {
            int index = image.indices[static_cast<size_t>(y * IconSize + x)];
            row += index < 0 ? std::string(static_cast<size_t>(digits), '.')
                             : hexWord(static_cast<uint32_t>(index), digits);
        }
        rows.push_back(row);
    }
    return rows;
}

std::string headerText() {
    // Shading cannot survive 16 fixed colours, so the small icon has flat rings: olive wood,
    // red and white, outlined in black.
    Canvas flat = drawFlatTarget(IconSize, rgb(SixteenColors[3]), rgb(SixteenColors[9]),
                                 rgb(SixteenColors[15]), rgb(SixteenColors[0]));
    IndexedImage small =
        quantize(flat, std::vector<uint32_t>(SixteenColors.begin(), SixteenColors.end()));
    Canvas icon = drawTarget(IconSize);
    IndexedImage large = quantize(icon, popularPalette(icon));

    std::ostringstream out;
    out << "// The pictures of the module's resources, one image row per line. Written by\n"
           "// `make_assets --resources app/module_resource_pictures.h`; regenerate, do not "
           "edit.\n"
           "#pragma once\n\n"
           "#include \"windef.h\"\n\n"
           "// clang-format off\n"
           "namespace module_pictures {\n\n"
           "// Icon 101, the target at 16 colours: one hex digit a pixel, '.' transparent.\n";
    writePalette(out, "TargetIcon16Palette", small.palette);
    writeRows(out, "TargetIcon16Rows", indexRows(small, 1));
    out << "\n// Icon 101, the target at 256 colours: two hex digits a pixel, '..' "
           "transparent.\n";
    writePalette(out, "TargetIcon256Palette", large.palette);
    writeRows(out, "TargetIcon256Rows", indexRows(large, 2));
    out << "\n// Cursor 102, the crosshair: 'X' black, '.' transparent; its centre is column "
        << CrossColumn << ", row " << CrossRow << ".\n";
    writeRows(out, "CrosshairRows", crosshairRows());
    out << "\n} // namespace module_pictures\n"
           "// clang-format on\n";
    return out.str();
}

} // namespace

bool writeResourcePictures(const std::string& path) {
    std::ofstream file(path, std::ios::binary);
    file << headerText();
    file.close();
    if (!file) {
        std::fprintf(stderr, "make_assets: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

} // namespace assets
