// Comparing two decoded textures level by level.
#include "tools/texkit/texture_difference.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

const char* kindName(const DecodedTexture& t) {
    if (t.type == D3DRTYPE_CUBETEXTURE)
        return "a cube map";
    return t.type == D3DRTYPE_VOLUMETEXTURE ? "a volume" : "a flat texture";
}

std::string sizeText(const DecodedLevel& level) {
    char text[48];
    std::snprintf(text, sizeof text, level.depth > 1 ? "%ux%ux%u" : "%ux%u", level.width,
                  level.height, level.depth);
    return text;
}

double psnr(uint64_t squares, uint64_t samples) {
    if (squares == 0)
        return std::numeric_limits<double>::infinity();
    const double mse = double(squares) / double(samples);
    return 10.0 * std::log10(255.0 * 255.0 / mse);
}

// One face's level against the other's, added into *out.
void addFace(const DecodedLevel& a, const DecodedLevel& b, UINT face, LevelDifference* out) {
    uint64_t rgb = 0, alpha = 0, differing = 0;
    uint32_t largest = 0;
    const size_t count = a.argb.size();
    const uint32_t* pa = a.argb.data();
    const uint32_t* pb = b.argb.data();
    const bool keep = !out->errors.empty();
    const UINT mapWidth = out->mapWidth();
    for (size_t i = 0; i < count; ++i) {
        const uint32_t x = pa[i], y = pb[i];
        if (x == y)
            continue;
        const int db = int(x & 0xFF) - int(y & 0xFF);
        const int dg = int(x >> 8 & 0xFF) - int(y >> 8 & 0xFF);
        const int dr = int(x >> 16 & 0xFF) - int(y >> 16 & 0xFF);
        const int da = int(x >> 24) - int(y >> 24);
        rgb += uint64_t(db * db + dg * dg + dr * dr);
        alpha += uint64_t(da * da);
        const uint32_t error =
            uint32_t(std::max({std::abs(db), std::abs(dg), std::abs(dr), std::abs(da)}));
        largest = std::max(largest, error);
        ++differing;
        if (keep) {
            // Pixel i of the face is at (column, row) of slice z; slices follow faces.
            const size_t sliceSize = size_t(a.width) * a.height;
            const size_t z = i / sliceSize, inSlice = i % sliceSize;
            const size_t column = (size_t(face) * a.depth + z) * a.width + inSlice % a.width;
            out->errors[inSlice / a.width * mapWidth + column] = uint8_t(error);
        }
    }
    out->pixels += count;
    out->rgbSquares += rgb;
    out->alphaSquares += alpha;
    out->largestError = std::max(out->largestError, largest);
    out->differing += differing;
}

} // namespace

double rgbPsnr(uint64_t squares, uint64_t pixels) {
    return psnr(squares, 3 * pixels);
}

double alphaPsnr(uint64_t squares, uint64_t pixels) {
    return psnr(squares, pixels);
}

std::vector<UINT> comparableLevels(const DecodedTexture& a, const DecodedTexture& b,
                                   const UINT* only, std::string* refusal) {
    if (a.type != b.type || a.faceCount() != b.faceCount()) {
        *refusal = std::string("the first file is ") + kindName(a) + ", the second " + kindName(b);
        return {};
    }
    const UINT countA = a.levelCount(), countB = b.levelCount();
    std::vector<UINT> levels;
    if (only != nullptr) {
        if (*only >= countA || *only >= countB) {
            *refusal = "level " + std::to_string(*only) + " is not in both files (" +
                       std::to_string(countA) + " and " + std::to_string(countB) + " levels)";
            return {};
        }
        levels.push_back(*only);
    } else if (countA == countB || std::min(countA, countB) == 1) {
        for (UINT level = 0; level < std::min(countA, countB); ++level)
            levels.push_back(level);
    } else {
        *refusal = "chains of different lengths: " + std::to_string(countA) + " and " +
                   std::to_string(countB) + " levels (--level L compares one level)";
        return {};
    }
    for (const UINT level : levels) {
        for (UINT face = 0; face < a.faceCount(); ++face) {
            const DecodedLevel& la = a.faces[face][level];
            const DecodedLevel& lb = b.faces[face][level];
            if (la.width != lb.width || la.height != lb.height || la.depth != lb.depth) {
                *refusal = "level " + std::to_string(level) + " is " + sizeText(la) +
                           " in the first file and " + sizeText(lb) + " in the second";
                return {};
            }
        }
    }
    return levels;
}

LevelDifference compareLevel(const DecodedTexture& a, const DecodedTexture& b, UINT level,
                             bool keepErrors) {
    LevelDifference out;
    const DecodedLevel& top = a.faces[0][level];
    out.level = level;
    out.width = top.width;
    out.height = top.height;
    out.depth = top.depth;
    out.faces = a.faceCount();
    out.volume = a.type == D3DRTYPE_VOLUMETEXTURE;
    if (keepErrors)
        out.errors.assign(size_t(out.mapWidth()) * out.height, 0);
    for (UINT face = 0; face < a.faceCount(); ++face)
        addFace(a.faces[face][level], b.faces[face][level], face, &out);
    return out;
}

LevelDifference totalOf(const std::vector<LevelDifference>& levels) {
    LevelDifference total;
    total.width = total.height = total.depth = total.faces = 0;
    for (const LevelDifference& level : levels) {
        total.pixels += level.pixels;
        total.rgbSquares += level.rgbSquares;
        total.alphaSquares += level.alphaSquares;
        total.largestError = std::max(total.largestError, level.largestError);
        total.differing += level.differing;
    }
    return total;
}
