// Coverage and normal angles of decoded levels.
#include "tools/texkit/level_measures.h"

#include "blocks/block_format.h"

#include <algorithm>
#include <cmath>

namespace {

struct Vector {
    double x, y, z;
};

// Red and green are x and y; z is blue, or, for a file that stores no blue (two-channel
// normal maps), the positive z that makes the vector unit length, as a shader rebuilds it.
Vector normalOf(uint32_t texel, bool rebuildZ) {
    Vector v = {((texel >> 16) & 0xFF) / 127.5 - 1.0, ((texel >> 8) & 0xFF) / 127.5 - 1.0,
                (texel & 0xFF) / 127.5 - 1.0};
    if (rebuildZ)
        v.z = std::sqrt(std::max(0.0, 1.0 - v.x * v.x - v.y * v.y));
    const double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (length == 0.0)
        return {0, 0, 1};
    return {v.x / length, v.y / length, v.z / length};
}

bool storesNoBlue(D3DFORMAT format) {
    const uint32_t code = uint32_t(format);
    return code == BlockFormatBc5 || code == BlockFormatBc5Signed || format == D3DFMT_G16R16;
}

} // namespace

double levelCoverage(const DecodedTexture& texture, UINT level, uint8_t reference) {
    uint64_t passing = 0, texels = 0;
    for (const auto& face : texture.faces) {
        for (const uint32_t t : face[level].argb)
            passing += (t >> 24) >= reference;
        texels += face[level].argb.size();
    }
    return texels == 0 ? 0.0 : double(passing) / double(texels);
}

NormalAngles normalAngles(const DecodedTexture& a, const DecodedTexture& b, UINT level) {
    constexpr double degrees = 180.0 / 3.14159265358979323846;
    NormalAngles angles;
    double sum = 0;
    uint64_t texels = 0;
    const bool rebuildA = storesNoBlue(a.format), rebuildB = storesNoBlue(b.format);
    for (size_t f = 0; f < a.faces.size() && f < b.faces.size(); ++f) {
        const auto& first = a.faces[f][level].argb;
        const auto& second = b.faces[f][level].argb;
        for (size_t i = 0; i < first.size() && i < second.size(); ++i) {
            const Vector p = normalOf(first[i], rebuildA), q = normalOf(second[i], rebuildB);
            const double cosine = std::clamp(p.x * q.x + p.y * q.y + p.z * q.z, -1.0, 1.0);
            const double angle = std::acos(cosine) * degrees;
            sum += angle;
            angles.largestDegrees = std::max(angles.largestDegrees, angle);
            ++texels;
        }
    }
    angles.meanDegrees = texels == 0 ? 0.0 : sum / double(texels);
    return angles;
}
