// Writing bitmap and Targa files field by field.
#include "tests/support/container_files.h"

#include <algorithm>
#include <cstddef>

namespace test_support {

namespace {

void put16(Bytes& out, uint32_t value) {
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

void put32(Bytes& out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

void append(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

constexpr uint32_t MaskedHeaderSize = 108;

} // namespace

Bytes makeDib(const BitmapRecipe& r) {
    Bytes out;
    put32(out, r.headerSize);
    put32(out, uint32_t(r.width));
    put32(out, uint32_t(r.height));
    put16(out, r.planes);
    put16(out, r.bitCount);
    put32(out, r.compression);
    put32(out, uint32_t(r.pixels.size()));
    put32(out, 2835); // 72 dots per inch
    put32(out, 2835);
    put32(out, r.colorsUsed);
    put32(out, 0); // colours important
    const bool masksInside = r.headerSize >= MaskedHeaderSize;
    if (masksInside)
        for (uint32_t mask : r.masks)
            put32(out, mask);
    out.resize(std::max<size_t>(out.size(), r.headerSize), 0);
    if (!masksInside)
        for (size_t i = 0; i < std::min<size_t>(r.masks.size(), 3); ++i)
            put32(out, r.masks[i]);
    append(out, r.colorTable);
    append(out, r.pixels);
    return out;
}

Bytes makeBmp(const BitmapRecipe& recipe) {
    const Bytes dib = makeDib(recipe);
    Bytes out = {'B', 'M'};
    put32(out, uint32_t(14 + dib.size()));
    put32(out, 0);                                                // reserved
    put32(out, uint32_t(14 + dib.size() - recipe.pixels.size())); // pixel offset
    append(out, dib);
    return out;
}

Bytes makeTga(const TargaRecipe& r) {
    Bytes out = {uint8_t(r.id.size()), r.colorMapType, r.imageType};
    put16(out, r.firstIndex);
    put16(out, r.mapLength);
    out.push_back(r.mapEntryBits);
    put32(out, 0); // x and y origin
    put16(out, r.width);
    put16(out, r.height);
    out.push_back(r.pixelBits);
    out.push_back(r.descriptor);
    append(out, r.id);
    append(out, r.colorMap);
    append(out, r.pixels);
    return out;
}

Bytes targaPackets(const Bytes& pixels, unsigned pixelBytes) {
    const size_t count = pixels.size() / pixelBytes;
    auto pixel = [&](size_t i) { return pixels.begin() + ptrdiff_t(i * pixelBytes); };
    auto same = [&](size_t a, size_t b) { return std::equal(pixel(a), pixel(a + 1), pixel(b)); };
    Bytes out;
    for (size_t i = 0; i < count;) {
        size_t run = 1;
        while (i + run < count && run < 128 && same(i, i + run))
            ++run;
        if (run >= 2) {
            out.push_back(uint8_t(0x80 | (run - 1)));
            out.insert(out.end(), pixel(i), pixel(i + 1));
            i += run;
            continue;
        }
        // A raw packet ends where a repeat could start.
        size_t raw = 1;
        while (i + raw < count && raw < 128 && !(i + raw + 1 < count && same(i + raw, i + raw + 1)))
            ++raw;
        out.push_back(uint8_t(raw - 1));
        out.insert(out.end(), pixel(i), pixel(i + raw));
        i += raw;
    }
    return out;
}

} // namespace test_support
