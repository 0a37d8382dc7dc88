// The chunk walk of the PNG fast path. What it accepts is deliberately narrower than what
// libpng accepts: a chunk libpng would warn about, skip or reinterpret sends the file to
// libpng, so that the fast path never has to imitate libpng's recovery.
#include "texture/png_layout.h"

#include "texture/byte_reader.h"

#include <libdeflate.h>

#include <cstring>

namespace {

constexpr uint8_t Signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// libpng's default limits on a picture's sides, and on a chunk's length.
constexpr uint32_t MaxSide = 1000000;
constexpr uint32_t MaxChunkLength = 0x7FFFFFFF;
// The gAMA value of the standard colour space.
constexpr uint32_t StandardGamma = 45455;

constexpr uint32_t chunkName(const char (&name)[5]) {
    return uint32_t(uint8_t(name[0])) << 24 | uint32_t(uint8_t(name[1])) << 16 |
           uint32_t(uint8_t(name[2])) << 8 | uint32_t(uint8_t(name[3]));
}

uint32_t bigEndian32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

uint16_t bigEndian16(const uint8_t* p) {
    return uint16_t(p[0] << 8 | p[1]);
}

bool isLetter(uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// One chunk whose length, name and CRC have been checked.
struct Chunk {
    uint32_t name;
    uint32_t length;
    const uint8_t* data;
    uint64_t next; // offset of the chunk after it
};

bool readChunk(const ByteReader& file, uint64_t at, Chunk* chunk) {
    if (!file.contains(at, 8))
        return false;
    const uint8_t* header = file.at(at);
    const uint32_t length = bigEndian32(header);
    if (length > MaxChunkLength || !file.contains(at + 8, uint64_t(length) + 4))
        return false;
    for (int i = 4; i < 8; ++i)
        if (!isLetter(header[i]))
            return false;
    const uint32_t crc = libdeflate_crc32(0, header + 4, size_t(length) + 4);
    if (crc != bigEndian32(header + 8 + length))
        return false;
    *chunk = {bigEndian32(header + 4), length, header + 8, at + 12 + length};
    return true;
}

bool validDepth(uint32_t colorType, uint32_t bitDepth) {
    switch (colorType) {
    case 0:
        return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8 || bitDepth == 16;
    case 3:
        return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8;
    case 2:
    case 4:
    case 6:
        return bitDepth == 8 || bitDepth == 16;
    }
    return false;
}

bool readHeader(const Chunk& chunk, PngLayout* layout) {
    if (chunk.name != chunkName("IHDR") || chunk.length != 13)
        return false;
    const uint8_t* d = chunk.data;
    layout->width = bigEndian32(d);
    layout->height = bigEndian32(d + 4);
    layout->bitDepth = d[8];
    layout->colorType = d[9];
    // Compression, filter method and interlacing: only the plain, non-interlaced kind.
    return layout->width >= 1 && layout->width <= MaxSide && layout->height >= 1 &&
           layout->height <= MaxSide && validDepth(layout->colorType, layout->bitDepth) &&
           d[10] == 0 && d[11] == 0 && d[12] == 0;
}

// What has been seen before the image data, to refuse duplicates and chunks out of order
// (libpng ignores those with a warning, and its answer would then differ from ours).
struct Seen {
    bool palette = false;
    bool transparency = false;
    bool gamma = false;
    bool srgb = false;
};

bool readPalette(const Chunk& chunk, Seen* seen, PngLayout* layout) {
    const uint32_t count = chunk.length / 3;
    if (layout->colorType != 3 || seen->palette || seen->transparency ||
        chunk.length % 3 != 0 || count == 0 || count > (1u << layout->bitDepth))
        return false;
    seen->palette = true;
    layout->paletteCount = count;
    std::memcpy(layout->palette, chunk.data, chunk.length);
    return true;
}

bool readTransparency(const Chunk& chunk, Seen* seen, PngLayout* layout) {
    if (seen->transparency)
        return false;
    seen->transparency = true;
    const uint32_t limit = layout->bitDepth == 16 ? 0xFFFF : (1u << layout->bitDepth) - 1;
    switch (layout->colorType) {
    case 3:
        if (!seen->palette || chunk.length == 0 || chunk.length > layout->paletteCount)
            return false;
        layout->alphaCount = chunk.length;
        std::memcpy(layout->alphas, chunk.data, chunk.length);
        return true;
    case 0:
        if (chunk.length != 2)
            return false;
        layout->key[0] = bigEndian16(chunk.data);
        layout->hasKey = true;
        return layout->key[0] <= limit;
    case 2:
        if (chunk.length != 6)
            return false;
        for (int i = 0; i < 3; ++i) {
            layout->key[i] = bigEndian16(chunk.data + 2 * i);
            if (layout->key[i] > limit)
                return false;
        }
        layout->hasKey = true;
        return true;
    }
    return false; // colour types with an alpha channel have no tRNS
}

bool readColourSpace(const Chunk& chunk, Seen* seen, PngLayout* layout) {
    if (seen->palette)
        return false;
    if (chunk.name == chunkName("gAMA")) {
        if (seen->gamma || chunk.length != 4)
            return false;
        seen->gamma = true;
        layout->gamma = bigEndian32(chunk.data);
        return true;
    }
    if (seen->srgb || chunk.length != 1 || chunk.data[0] > 3)
        return false;
    seen->srgb = true;
    layout->srgb = true;
    return true;
}

// Whether libpng, driven as the decoder drives it, leaves the samples as stored: with sRGB no
// correction is asked for; with gAMA alone libpng skips a correction within 5% of none (the
// window below lies well inside it). A paletted file's correction is the decoder's own table,
// exact for the values libpng reports, which it does for 16 and above.
bool gammaAgrees(const PngLayout& layout) {
    if (layout.srgb)
        return layout.gamma == 0 || layout.gamma == StandardGamma;
    if (layout.gamma == 0)
        return true;
    if (layout.colorType == 3)
        return layout.gamma >= 16 && layout.gamma <= 300000;
    return layout.gamma >= 45000 && layout.gamma <= 46000;
}

// Chunks between the header and the image data.
bool readChunkBeforeData(const Chunk& chunk, Seen* seen, PngLayout* layout) {
    switch (chunk.name) {
    case chunkName("PLTE"):
        return readPalette(chunk, seen, layout);
    case chunkName("tRNS"):
        return readTransparency(chunk, seen, layout);
    case chunkName("gAMA"):
    case chunkName("sRGB"):
        return readColourSpace(chunk, seen, layout);
    // Chromaticities and profiles take part in libpng's colour-space checks, which can
    // silence the gamma chunk; animation chunks are read by some builds of libpng.
    case chunkName("cHRM"):
    case chunkName("iCCP"):
    case chunkName("acTL"):
    case chunkName("fcTL"):
    case chunkName("fdAT"):
        return false;
    }
    // Other ancillary chunks (lower-case first letter) never change the pixels; an unknown
    // critical one, a second header or an early end are libpng's to refuse.
    return (chunk.name & 0x20000000u) != 0;
}

} // namespace

uint32_t pngChannels(uint32_t colorType) {
    switch (colorType) {
    case 2:
        return 3;
    case 4:
        return 2;
    case 6:
        return 4;
    }
    return 1;
}

uint64_t pngStoredRowBytes(const PngLayout& layout) {
    return (uint64_t(layout.width) * pngChannels(layout.colorType) * layout.bitDepth + 7) / 8;
}

bool readPngLayout(const uint8_t* data, UINT size, PngLayout* layout) {
    const ByteReader file(data, size);
    if (!file.contains(0, 8) || std::memcmp(file.at(0), Signature, 8) != 0)
        return false;
    Chunk chunk = {};
    if (!readChunk(file, 8, &chunk) || !readHeader(chunk, layout))
        return false;
    Seen seen;
    for (;;) {
        if (!readChunk(file, chunk.next, &chunk))
            return false;
        if (chunk.name == chunkName("IDAT"))
            break;
        if (!readChunkBeforeData(chunk, &seen, layout))
            return false;
    }
    if (layout->colorType == 3 && !seen.palette)
        return false;
    if (!gammaAgrees(*layout))
        return false;

    layout->idatOffset = UINT(chunk.next - 12 - chunk.length);
    layout->idatChunks = 1;
    layout->idatBytes = chunk.length;
    // The run of IDAT chunks ends at the first other chunk, or where the file ends.
    uint64_t at = chunk.next;
    while (file.contains(at, 8) && std::memcmp(file.at(at + 4), "IDAT", 4) == 0) {
        if (!readChunk(file, at, &chunk))
            return false;
        ++layout->idatChunks;
        layout->idatBytes += chunk.length;
        at = chunk.next;
    }
    return true;
}

void gatherPngData(const uint8_t* data, const PngLayout& layout, uint8_t* out) {
    uint64_t at = layout.idatOffset;
    for (uint32_t i = 0; i < layout.idatChunks; ++i) {
        const uint32_t length = bigEndian32(data + at);
        std::memcpy(out, data + at + 8, length);
        out += length;
        at += 12 + uint64_t(length);
    }
}
