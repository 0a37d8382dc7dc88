// The vocabulary of the scene player (scene_script.cpp): a reader of the bytes, the tables of
// values it picks from (formats, sizes, vertex formats, colours, render and stage states), and
// what turns bytes into texels, lock rectangles, matrices and vertices of a vertex format.
#pragma once

#include "d3d8.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <vector>

namespace scene_script::detail {

class Reader {
public:
    Reader(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}
    bool done() const { return at_ >= size_; }
    uint8_t byte() { return at_ < size_ ? bytes_[at_++] : 0; }
    uint32_t word() {
        uint32_t w = byte();
        w |= uint32_t(byte()) << 8;
        w |= uint32_t(byte()) << 16;
        return w | uint32_t(byte()) << 24;
    }
    template <class T, size_t N> T pick(const T (&table)[N]) { return table[byte() % N]; }
    template <class T> const T& pick(const std::vector<T>& table) {
        return table[byte() % table.size()];
    }

private:
    const uint8_t* bytes_;
    size_t size_;
    size_t at_ = 0;
};

// How a format lays out its memory: bytes per unit, and a unit's width and height in pixels.
struct FormatUnit {
    D3DFORMAT format;
    UINT bytes, width, height;
};

constexpr FormatUnit FormatUnits[] = {
    {D3DFMT_A8R8G8B8, 4, 1, 1}, {D3DFMT_X8R8G8B8, 4, 1, 1},    {D3DFMT_R5G6B5, 2, 1, 1},
    {D3DFMT_X1R5G5B5, 2, 1, 1}, {D3DFMT_A1R5G5B5, 2, 1, 1},    {D3DFMT_A4R4G4B4, 2, 1, 1},
    {D3DFMT_R3G3B2, 1, 1, 1},   {D3DFMT_A8, 1, 1, 1},          {D3DFMT_A8R3G3B2, 2, 1, 1},
    {D3DFMT_X4R4G4B4, 2, 1, 1}, {D3DFMT_A2B10G10R10, 4, 1, 1}, {D3DFMT_G16R16, 4, 1, 1},
    {D3DFMT_L8, 1, 1, 1},       {D3DFMT_A8L8, 2, 1, 1},        {D3DFMT_A4L4, 1, 1, 1},
    {D3DFMT_P8, 1, 1, 1},       {D3DFMT_V8U8, 2, 1, 1},        {D3DFMT_R8G8B8, 3, 1, 1},
    {D3DFMT_UYVY, 4, 2, 1},     {D3DFMT_YUY2, 4, 2, 1},        {D3DFMT_DXT1, 8, 4, 4},
    {D3DFMT_DXT2, 16, 4, 4},    {D3DFMT_DXT3, 16, 4, 4},       {D3DFMT_DXT4, 16, 4, 4},
    {D3DFMT_DXT5, 16, 4, 4},
};

inline const FormatUnit* unitOf(D3DFORMAT format) {
    for (const FormatUnit& unit : FormatUnits)
        if (unit.format == format)
            return &unit;
    return nullptr;
}

// The common formats weigh more; the last few are ones the rasteriser cannot sample.
constexpr D3DFORMAT TextureFormats[] = {
    D3DFMT_A8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_A8R8G8B8,    D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8,
    D3DFMT_R5G6B5,   D3DFMT_R5G6B5,   D3DFMT_A1R5G5B5,    D3DFMT_A4R4G4B4, D3DFMT_X1R5G5B5,
    D3DFMT_L8,       D3DFMT_A8L8,     D3DFMT_A8,          D3DFMT_R3G3B2,   D3DFMT_A8R3G3B2,
    D3DFMT_X4R4G4B4, D3DFMT_A4L4,     D3DFMT_A2B10G10R10, D3DFMT_G16R16,   D3DFMT_DXT1,
    D3DFMT_DXT1,     D3DFMT_DXT3,     D3DFMT_DXT5,        D3DFMT_DXT2,     D3DFMT_DXT4,
    D3DFMT_YUY2,     D3DFMT_UYVY,     D3DFMT_P8,          D3DFMT_V8U8,     D3DFMT_R8G8B8,
};

constexpr UINT TextureSizes[] = {1,  2,  3,  4,  4,  5,  7,  8,  8,  8,
                                 12, 13, 16, 16, 16, 17, 31, 32, 32, 64};

constexpr DWORD VertexFormats[] = {
    D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1,
    D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1,
    D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1,
    D3DFVF_XYZRHW | D3DFVF_TEX1,
    D3DFVF_XYZRHW | D3DFVF_DIFFUSE,
    D3DFVF_XYZRHW,
    D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1,
    D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1,
    D3DFVF_XYZ | D3DFVF_TEX1,
    D3DFVF_XYZ | D3DFVF_DIFFUSE,
    D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2,
    D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1,
    D3DFVF_XYZ | D3DFVF_PSIZE | D3DFVF_DIFFUSE | D3DFVF_TEX1,
    D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1 | (3u << 16), // one-float coordinates
    D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1 | (1u << 16), // three-float coordinates
    D3DFVF_XYZB1 | D3DFVF_DIFFUSE,                             // refused: blend weights
};

constexpr D3DCOLOR Colors[] = {0xFFFFFFFF, 0xFFFFFFFF, 0x80FFFFFF, 0xFF000000,
                               0x00FFFFFF, 0xFFFF0000, 0xC000FF00, 0x400000FF,
                               0x7F7F7F7F, 0xFF204060, 0x01FFFFFF, 0xFE808080};

constexpr float TexCoords[] = {0.0f, 0.0f, 1.0f,  1.0f,   0.5f,  0.25f,  0.75f,     -0.5f,
                               1.5f, 2.0f, 3.25f, 0.999f, -1.0f, 0.125f, 1.0f / 64, 4.5f};

// Transformed vertices: mostly flat, a few perspective, degenerate or clipped ones.
constexpr float Rhws[] = {1.0f, 1.0f,  1.0f,     1.0f,   1.0f, 0.5f,
                          2.0f, 0.25f, 1.0f / 3, 0.001f, 0.0f, -1.0f};
constexpr float Depths[] = {0.0f, 0.5f, 0.5f, 0.25f, 1.0f, 0.999f, -0.25f, 1.5f};

struct RenderStateChoice {
    D3DRENDERSTATETYPE state;
    std::vector<DWORD> values;
};

inline const std::vector<RenderStateChoice>& renderStateChoices() {
    static const std::vector<RenderStateChoice> table = {
        {D3DRS_ALPHABLENDENABLE, {FALSE, TRUE, TRUE}},
        {D3DRS_SRCBLEND,
         {D3DBLEND_SRCALPHA, D3DBLEND_SRCALPHA, D3DBLEND_ONE, D3DBLEND_ZERO, D3DBLEND_SRCCOLOR,
          D3DBLEND_INVSRCCOLOR, D3DBLEND_INVSRCALPHA, D3DBLEND_DESTALPHA, D3DBLEND_INVDESTALPHA,
          D3DBLEND_DESTCOLOR, D3DBLEND_INVDESTCOLOR, D3DBLEND_SRCALPHASAT, D3DBLEND_BOTHSRCALPHA,
          D3DBLEND_BOTHINVSRCALPHA, 0, 14}},
        {D3DRS_DESTBLEND,
         {D3DBLEND_INVSRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLEND_ONE, D3DBLEND_ZERO,
          D3DBLEND_SRCCOLOR, D3DBLEND_INVSRCCOLOR, D3DBLEND_SRCALPHA, D3DBLEND_DESTALPHA,
          D3DBLEND_INVDESTALPHA, D3DBLEND_DESTCOLOR, D3DBLEND_INVDESTCOLOR, D3DBLEND_SRCALPHASAT}},
        {D3DRS_BLENDOP,
         {D3DBLENDOP_ADD, D3DBLENDOP_ADD, D3DBLENDOP_SUBTRACT, D3DBLENDOP_REVSUBTRACT,
          D3DBLENDOP_MIN, D3DBLENDOP_MAX, 6}},
        {D3DRS_ALPHATESTENABLE, {FALSE, TRUE}},
        {D3DRS_ALPHAREF, {0, 1, 0x60, 0x7F, 0x80, 0xFE, 0xFF, 0x1FF}},
        {D3DRS_ALPHAFUNC,
         {D3DCMP_NEVER, D3DCMP_LESS, D3DCMP_EQUAL, D3DCMP_LESSEQUAL, D3DCMP_GREATER,
          D3DCMP_NOTEQUAL, D3DCMP_GREATEREQUAL, D3DCMP_ALWAYS, D3DCMP_GREATEREQUAL, 0, 9}},
        {D3DRS_CULLMODE, {D3DCULL_NONE, D3DCULL_NONE, D3DCULL_CW, D3DCULL_CCW}},
        {D3DRS_SHADEMODE, {D3DSHADE_GOURAUD, D3DSHADE_GOURAUD, D3DSHADE_FLAT, D3DSHADE_PHONG}},
        {D3DRS_DITHERENABLE, {FALSE, TRUE}},
        {D3DRS_TEXTUREFACTOR, {0xFFFFFFFF, 0x80FF8040, 0x00000000, 0x7F10E0A0}},
        {D3DRS_LIGHTING, {FALSE, FALSE, FALSE, FALSE, FALSE, FALSE, FALSE, TRUE}},
        {D3DRS_FILLMODE, {D3DFILL_SOLID, D3DFILL_SOLID, D3DFILL_SOLID, D3DFILL_WIREFRAME}},
        {D3DRS_ZENABLE, {FALSE, TRUE}},
        {D3DRS_ZWRITEENABLE, {FALSE, TRUE}},
        {D3DRS_COLORWRITEENABLE, {0xF, 0xF, 0xF, 0x7}},
        {D3DRS_FOGENABLE, {FALSE, FALSE, FALSE, FALSE, FALSE, FALSE, FALSE, TRUE}},
        {D3DRS_SPECULARENABLE, {FALSE, FALSE, FALSE, FALSE, FALSE, FALSE, FALSE, TRUE}},
        {D3DRS_CLIPPING, {TRUE, FALSE}},
        {D3DRS_LASTPIXEL, {TRUE, FALSE}},
    };
    return table;
}

constexpr DWORD StageArguments[] = {D3DTA_TEXTURE,
                                    D3DTA_TEXTURE,
                                    D3DTA_DIFFUSE,
                                    D3DTA_DIFFUSE,
                                    D3DTA_CURRENT,
                                    D3DTA_TFACTOR,
                                    D3DTA_SPECULAR,
                                    D3DTA_TEXTURE | D3DTA_COMPLEMENT,
                                    D3DTA_DIFFUSE | D3DTA_ALPHAREPLICATE,
                                    D3DTA_TEXTURE | D3DTA_ALPHAREPLICATE,
                                    D3DTA_TEMP};
constexpr DWORD StageOperations[] = {D3DTOP_MODULATE,   D3DTOP_MODULATE,   D3DTOP_SELECTARG1,
                                     D3DTOP_SELECTARG1, D3DTOP_SELECTARG2, D3DTOP_DISABLE,
                                     D3DTOP_ADD};

struct StageStateChoice {
    D3DTEXTURESTAGESTATETYPE type;
    std::vector<DWORD> values;
};

inline const std::vector<StageStateChoice>& stageStateChoices() {
    const auto list = [](const auto& table) {
        return std::vector<DWORD>(std::begin(table), std::end(table));
    };
    static const std::vector<StageStateChoice> table = {
        {D3DTSS_COLOROP, list(StageOperations)},
        {D3DTSS_COLORARG1, list(StageArguments)},
        {D3DTSS_COLORARG2, list(StageArguments)},
        {D3DTSS_ALPHAOP, list(StageOperations)},
        {D3DTSS_ALPHAARG1, list(StageArguments)},
        {D3DTSS_ALPHAARG2, list(StageArguments)},
        {D3DTSS_ADDRESSU,
         {D3DTADDRESS_WRAP, D3DTADDRESS_MIRROR, D3DTADDRESS_CLAMP, D3DTADDRESS_BORDER,
          D3DTADDRESS_MIRRORONCE, 0}},
        {D3DTSS_ADDRESSV,
         {D3DTADDRESS_WRAP, D3DTADDRESS_MIRROR, D3DTADDRESS_CLAMP, D3DTADDRESS_BORDER,
          D3DTADDRESS_MIRRORONCE, 6}},
        {D3DTSS_BORDERCOLOR, {0x00000000, 0xFFFF00FF, 0x80808080}},
        {D3DTSS_MAGFILTER, {D3DTEXF_POINT, D3DTEXF_LINEAR, D3DTEXF_LINEAR, D3DTEXF_ANISOTROPIC}},
        {D3DTSS_MINFILTER, {D3DTEXF_POINT, D3DTEXF_LINEAR, D3DTEXF_LINEAR, D3DTEXF_GAUSSIANCUBIC}},
        {D3DTSS_MIPFILTER, {D3DTEXF_NONE, D3DTEXF_POINT, D3DTEXF_LINEAR, D3DTEXF_ANISOTROPIC}},
        {D3DTSS_TEXCOORDINDEX, {0, 0, 0, 1, 0x10000}},
        {D3DTSS_TEXTURETRANSFORMFLAGS, {D3DTTFF_DISABLE, D3DTTFF_DISABLE, D3DTTFF_COUNT2}},
    };
    return table;
}

// Fills rows of a locked region from a seed: noise, noise with all-or-nothing alpha bytes,
// a gradient, or one repeated word.
inline void fillPattern(BYTE* bits, INT pitch, UINT rowBytes, UINT rows, uint32_t seed,
                        uint8_t mode) {
    uint32_t state = seed | 1;
    for (UINT y = 0; y < rows; ++y) {
        BYTE* row = bits + ptrdiff_t(y) * pitch;
        for (UINT x = 0; x < rowBytes; ++x) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            uint8_t value;
            switch (mode % 4) {
            case 0:
                value = uint8_t(state);
                break;
            case 1:
                value = x % 4 == 3 ? ((state & 1) ? 0xFF : 0x00) : uint8_t(state >> 8);
                break;
            case 2:
                value = uint8_t(x * (seed & 15) + y * ((seed >> 4) & 15));
                break;
            default:
                value = uint8_t(seed >> (8 * (x % 4)));
                break;
            }
            row[x] = value;
        }
    }
}

// The bytes of a rectangle of a level: whole units, from the unit holding its top-left pixel.
struct Extent {
    UINT rowBytes = 0, rows = 0;
};

inline Extent extentOf(D3DFORMAT format, const RECT& rect) {
    const FormatUnit* unit = unitOf(format);
    if (unit == nullptr || rect.right <= rect.left || rect.bottom <= rect.top || rect.left < 0 ||
        rect.top < 0)
        return {};
    const UINT across =
        (UINT(rect.right) + unit->width - 1) / unit->width - UINT(rect.left) / unit->width;
    const UINT down =
        (UINT(rect.bottom) + unit->height - 1) / unit->height - UINT(rect.top) / unit->height;
    return {across * unit->bytes, down};
}

inline void readRows(const D3DLOCKED_RECT& locked, const Extent& extent,
                     std::vector<uint8_t>* out) {
    const auto* bits = static_cast<const uint8_t*>(locked.pBits);
    for (UINT y = 0; y < extent.rows; ++y) {
        const uint8_t* row = bits + ptrdiff_t(y) * locked.Pitch;
        out->insert(out->end(), row, row + extent.rowBytes);
    }
}

// A lock request decoded once and made on both devices: the rectangle (whole level when
// `whole`), the flags, and what to write when the lock writes.
struct LockPlan {
    bool whole = true;
    RECT rect = {};
    DWORD flags = 0;
    bool write = false;
    uint32_t seed = 0;
    uint8_t mode = 0;
};

inline LockPlan readLockPlan(Reader& in, UINT width, UINT height) {
    LockPlan plan;
    const uint8_t shape = in.byte();
    plan.whole = shape % 3 != 0;
    if (!plan.whole) {
        // Mostly inside the level, on the 4-pixel grid half of the time, sometimes outside.
        const auto coordinate = [&](UINT size) {
            const uint8_t b = in.byte();
            LONG value = LONG(b % (size + 2));
            if (b & 0x80)
                value &= ~3;
            return value;
        };
        plan.rect.left = coordinate(width);
        plan.rect.top = coordinate(height);
        plan.rect.right = plan.rect.left + 1 + LONG(in.byte() % (width + 1));
        plan.rect.bottom = plan.rect.top + 1 + LONG(in.byte() % (height + 1));
        if (shape & 0x40) {
            plan.rect.right = std::min<LONG>(plan.rect.right, LONG(width));
            plan.rect.bottom = std::min<LONG>(plan.rect.bottom, LONG(height));
        }
    }
    const DWORD flags[] = {0,
                           0,
                           D3DLOCK_READONLY,
                           D3DLOCK_READONLY,
                           D3DLOCK_DISCARD,
                           D3DLOCK_NOSYSLOCK,
                           D3DLOCK_NO_DIRTY_UPDATE};
    plan.flags = in.pick(flags);
    plan.write = (plan.flags & D3DLOCK_READONLY) == 0 && (shape & 0x20) == 0;
    plan.seed = in.word();
    plan.mode = in.byte();
    return plan;
}

inline RECT wholeRect(UINT width, UINT height) {
    return {0, 0, LONG(width), LONG(height)};
}

// Reads what the lock gives into `read`, then writes the plan's pattern when the lock writes.
inline void useLock(const D3DLOCKED_RECT& locked, D3DFORMAT format, const RECT& rect,
                    const LockPlan& plan, std::vector<uint8_t>* read) {
    const Extent extent = extentOf(format, rect);
    readRows(locked, extent, read);
    if (plan.write)
        fillPattern(static_cast<BYTE*>(locked.pBits), locked.Pitch, extent.rowBytes, extent.rows,
                    plan.seed, plan.mode);
}

// A matrix of one of a few kinds a game sets, from the bytes.
inline D3DMATRIX readMatrix(Reader& in) {
    D3DMATRIX m = {};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    const uint8_t kind = in.byte() % 7;
    const float a = float(in.byte()) / 64.0f, b = float(in.byte()) / 64.0f;
    switch (kind) {
    case 0:
        break;
    case 1: { // perspective, left-handed, near a / 8 and far 4 + b
        const float zn = 0.05f + a / 8.0f, zf = 4.0f + b;
        const float scale = 0.5f + a;
        m._11 = scale;
        m._22 = scale * 1.25f;
        m._33 = zf / (zf - zn);
        m._34 = 1.0f;
        m._43 = -zn * zf / (zf - zn);
        m._44 = 0.0f;
        break;
    }
    case 2:
        m._11 = a - 2.0f;
        m._22 = b - 2.0f;
        m._33 = 0.5f;
        break;
    case 3:
        m._41 = a - 2.0f;
        m._42 = b - 2.0f;
        m._43 = 0.25f;
        break;
    case 4: {
        const float angle = a * 1.5707963f;
        m._11 = std::cos(angle);
        m._12 = std::sin(angle);
        m._21 = -std::sin(angle);
        m._22 = std::cos(angle);
        break;
    }
    case 5: // a singular matrix
        m._11 = m._22 = m._33 = 0.0f;
        break;
    default:
        for (auto& row : m.m)
            for (float& value : row)
                value = (float(in.byte()) - 128.0f) / 32.0f;
        break;
    }
    return m;
}

// Vertex bytes for the format in force: positions, then what the format carries.
struct VertexLayout {
    bool known = false;
    bool transformed = false;
    UINT size = 0, diffuse = 0, specular = 0, normal = 0, pointSize = 0;
    bool hasDiffuse = false, hasSpecular = false, hasNormal = false, hasPointSize = false;
    UINT sets = 0;
    UINT setOffset[8] = {}, setFloats[8] = {};
};

inline VertexLayout layoutOf(DWORD fvf) {
    VertexLayout l;
    const DWORD position = fvf & D3DFVF_POSITION_MASK;
    if (position != D3DFVF_XYZ && position != D3DFVF_XYZRHW)
        return l;
    l.known = true;
    l.transformed = position == D3DFVF_XYZRHW;
    UINT offset = l.transformed ? 16 : 12;
    if (fvf & D3DFVF_NORMAL) {
        l.hasNormal = true;
        l.normal = offset;
        offset += 12;
    }
    if (fvf & D3DFVF_PSIZE) {
        l.hasPointSize = true;
        l.pointSize = offset;
        offset += 4;
    }
    if (fvf & D3DFVF_DIFFUSE) {
        l.hasDiffuse = true;
        l.diffuse = offset;
        offset += 4;
    }
    if (fvf & D3DFVF_SPECULAR) {
        l.hasSpecular = true;
        l.specular = offset;
        offset += 4;
    }
    l.sets = std::min<UINT>((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT, 8);
    for (UINT set = 0; set < l.sets; ++set) {
        const UINT floats[] = {2, 3, 4, 1};
        l.setOffset[set] = offset;
        l.setFloats[set] = floats[(fvf >> (16 + 2 * set)) & 3];
        offset += 4 * l.setFloats[set];
    }
    l.size = offset;
    return l;
}

struct Vertex {
    float x, y, z, rhw;
    D3DCOLOR color;
    float u, v;
};

inline void putFloat(std::vector<uint8_t>& bytes, size_t at, float value) {
    std::memcpy(bytes.data() + at, &value, 4);
}

inline void putVertex(std::vector<uint8_t>& bytes, size_t at, const VertexLayout& l,
                      const Vertex& v) {
    putFloat(bytes, at, v.x);
    putFloat(bytes, at + 4, v.y);
    putFloat(bytes, at + 8, v.z);
    if (l.transformed)
        putFloat(bytes, at + 12, v.rhw);
    if (l.hasNormal) {
        putFloat(bytes, at + l.normal, 0.0f);
        putFloat(bytes, at + l.normal + 4, 0.0f);
        putFloat(bytes, at + l.normal + 8, -1.0f);
    }
    if (l.hasPointSize)
        putFloat(bytes, at + l.pointSize, 1.0f);
    if (l.hasDiffuse)
        std::memcpy(bytes.data() + at + l.diffuse, &v.color, 4);
    if (l.hasSpecular) {
        const D3DCOLOR specular = 0xFF102030;
        std::memcpy(bytes.data() + at + l.specular, &specular, 4);
    }
    for (UINT set = 0; set < l.sets; ++set) {
        const float values[4] = {v.u, v.v, 0.0f, 1.0f};
        for (UINT i = 0; i < l.setFloats[set]; ++i)
            putFloat(bytes, at + l.setOffset[set] + 4 * i, values[i]);
    }
}

// One coordinate from two bytes: -16 to size + 16 pixels in 1/256 steps for screen space,
// about -2.7 to 2.7 for untransformed positions, and now and then a value no game should send.
inline float readCoordinate(Reader& in, UINT size, bool screen) {
    const uint8_t high = in.byte(), low = in.byte();
    if (high >= 252) {
        const float specials[] = {std::numeric_limits<float>::quiet_NaN(),
                                  std::numeric_limits<float>::infinity(), -1.0e7f, 3.0e38f};
        return specials[high - 252];
    }
    if (screen)
        return (float(high) - 16.0f) * float(size + 32) / 236.0f + float(low) / 256.0f;
    return (float(high) - 126.0f) / 46.0f + float(low) / 4096.0f;
}

inline Vertex readVertex(Reader& in, UINT width, UINT height, bool screen) {
    Vertex v;
    v.x = readCoordinate(in, width, screen);
    v.y = readCoordinate(in, height, screen);
    const uint8_t look = in.byte(), place = in.byte();
    v.u = TexCoords[look % 16];
    v.v = TexCoords[look / 16];
    v.color = Colors[place % 12];
    v.z = screen ? Depths[(place / 12) % 8] : 0.25f + float(place % 7) * 0.6f;
    v.rhw = Rhws[(place / 16) % 12];
    return v;
}

inline uint64_t verticesFor(D3DPRIMITIVETYPE type, UINT count) {
    switch (type) {
    case D3DPT_POINTLIST:
        return count;
    case D3DPT_LINELIST:
        return 2ull * count;
    case D3DPT_LINESTRIP:
        return count + 1ull;
    case D3DPT_TRIANGLELIST:
        return 3ull * count;
    default:
        return count + 2ull;
    }
}

} // namespace scene_script::detail
