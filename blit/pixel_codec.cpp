// What every codec shares: construction from a BlitSurface, the colour key, the range
// conversion before encoding, and the row handling of codecs that store whole pixels.
#include "blit/pixel_codec.h"

#include <new>

namespace {

FloatColor keyToFloatColor(uint32_t key) {
    const float scale = unsignedFieldScale(8);
    return {float((key >> 16) & 0xFF) * scale, float((key >> 8) & 0xFF) * scale,
            float(key & 0xFF) * scale, float(key >> 24) * scale};
}

} // namespace

PixelCodec::PixelCodec(const BlitSurface& surface, ValueRange codecRange, uint32_t pixelBytes)
    : format(surface.format), range(codecRange), bytesPerPixel(pixelBytes), bits(surface.bits),
      rowPitch(surface.rowPitch), slicePitch(surface.slicePitch), extent(surface.extent),
      rect(surface.rect), width(surface.rect.width()), height(surface.rect.height()),
      depth(surface.rect.depth()), rowBytes(pixelBytes * surface.rect.width()),
      keyEnabled(surface.colorKey != 0), keyColor(keyToFloatColor(surface.colorKey)),
      keyWord(surface.colorKey), palette(nullptr),
      ditherTable(surface.dither ? &orderedDitherTable : &plainDitherTable),
      sourceRange(ValueRange(0)) {
    if (bytesPerPixel != 0) {
        // The blitter has checked that these offsets stay inside the caller's memory.
        bits += size_t(uint32_t(rect.left)) * bytesPerPixel +
                size_t(uint32_t(rect.top)) * rowPitch + size_t(uint32_t(rect.front)) * slicePitch;
        rect = {0, 0, int32_t(width), int32_t(height), 0, int32_t(depth)};
    }
}

void PixelCodec::prepareColorKey() {}

bool PixelCodec::setSourceRange(ValueRange source) {
    if (source == range)
        return true;
    scratchRow.reset(new (std::nothrow) FloatColor[width == 0 ? 1 : width]);
    if (!scratchRow)
        return false;
    sourceRange = source;
    return true;
}

const FloatColor* PixelCodec::encodeInput(const FloatColor* in) {
    if (sourceRange == 0)
        return in;
    convertRange(sourceRange, range, in, scratchRow.get(), width);
    return scratchRow.get();
}

void PixelCodec::applyColorKey(FloatColor* row, uint32_t count) const {
    if (!keyEnabled)
        return;
    for (uint32_t x = 0; x < count; ++x) {
        if (row[x] == keyColor)
            row[x] = {0.0f, 0.0f, 0.0f, 0.0f};
    }
}

void WholePixelCodec::decodeRow(uint32_t row, uint32_t slice, FloatColor* out) {
    decodePixels(rowAddress(row, slice), out, width);
    applyColorKey(out, width);
}

void WholePixelCodec::encodeRow(uint32_t row, uint32_t slice, const FloatColor* in) {
    encodePixels(rowAddress(row, slice), encodeInput(in), width, ditherTable->row(row, slice));
}

void WholePixelCodec::prepareColorKey() {
    FloatColor key = keyColor;
    if (range != UnitRange)
        convertRange(UnitRange, range, &key, &key, 1);
    alignas(8) uint8_t pixel[8] = {};
    encodePixels(pixel, &key, 1, plainDitherTable.row(0, 0));
    decodePixels(pixel, &keyColor, 1);
}
