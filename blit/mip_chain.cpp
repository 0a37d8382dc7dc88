// The mip chain builder: pictures into planes of four floats a texel, separable filtering of
// one plane into the next (the vertical pass first, over the rows the kernel reaches, then the
// horizontal one over the row it made), and the planes back into 0xAARRGGBB words. With blit
// workers handed to the engine, each step of a level is cut into bands of rows that the
// workers make side by side, with the bytes of one thread.
#include "blit/mip_chain.h"

#include "blit/blit_workers.h"
#include "blit/light_curve.h"
#include "blit/mip_coverage.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

namespace {

// Colour premultiplied by alpha, in linear light or as stored; a normal map's vector and
// alpha as they are. The values are left unset when allocated: the filter writes every one,
// and the bands that write them fault their pages in side by side.
struct Plane {
    uint32_t width = 0;
    uint32_t height = 0;
    std::unique_ptr<float[]> values;

    void allocate() { values.reset(new float[texelCount() * 4]); }
    size_t texelCount() const { return size_t(width) * height; }
    float* row(uint32_t y) { return values.get() + size_t(y) * width * 4; }
    const float* row(uint32_t y) const { return values.get() + size_t(y) * width * 4; }
};

// A band is about this many texels of the level being made.
constexpr uint64_t bandTexels = uint64_t(1) << 17;

struct RowBands {
    uint32_t rowsPerBand;
    uint32_t count; // 1: the level whole, on the calling thread
};

RowBands rowBands(uint32_t width, uint32_t height) {
    const uint64_t rows = std::max<uint64_t>(1, bandTexels / std::max(width, 1u));
    if (blitWorkers() == nullptr || rows >= height)
        return {height, 1};
    return {uint32_t(rows), uint32_t((height + rows - 1) / rows)};
}

// Calls band(index, firstRow, endRow) for each of the rowBands of a width x height level, on
// the blit workers when there are several bands. A band that runs out of memory makes the
// whole call throw std::bad_alloc once every band has returned.
template <typename Band>
void inRowBands(uint32_t width, uint32_t height, Band&& band) {
    const RowBands bands = rowBands(width, height);
    if (bands.count == 1) {
        band(0u, 0u, height);
        return;
    }
    struct Context {
        Band* band;
        uint32_t rowsPerBand;
        uint32_t height;
        std::atomic<bool> shortOfMemory{false};
    } context = {&band, bands.rowsPerBand, height};
    blitWorkers()->run(
        bands.count,
        [](void* opaque, uint32_t index) {
            Context& c = *static_cast<Context*>(opaque);
            const uint32_t first = index * c.rowsPerBand;
            try {
                (*c.band)(index, first, std::min(first + c.rowsPerBand, c.height));
            } catch (const std::bad_alloc&) {
                c.shortOfMemory = true;
            }
        },
        &context);
    if (context.shortOfMemory)
        throw std::bad_alloc();
}

struct ChannelTables {
    float colour[256];
    float unit[256];
};

ChannelTables makeTables(const MipChainOptions& options) {
    ChannelTables t;
    for (int v = 0; v < 256; ++v) {
        t.unit[v] = float(v) / 255.0f;
        t.colour[v] = options.normalMap ? float(v) / 127.5f - 1.0f
                      : options.srgb    ? srgbToLinear(uint8_t(v))
                                        : t.unit[v];
    }
    return t;
}

// Converts one row of 0xAARRGGBB words into floats (colour premultiplied by alpha, keyed
// texels transparent black).
void convertRow(const uint32_t* words, uint32_t count, const ChannelTables& t,
                const MipChainOptions& options, float* out) {
    for (uint32_t x = 0; x < count; ++x, out += 4) {
        const uint32_t word = words[x];
        const bool keyed = options.colorKey != 0 && word == options.colorKey;
        const float a = keyed ? 0.0f : t.unit[word >> 24];
        const float weight = options.normalMap ? 1.0f : a;
        out[0] = keyed ? 0.0f : t.colour[(word >> 16) & 0xFF] * weight;
        out[1] = keyed ? 0.0f : t.colour[(word >> 8) & 0xFF] * weight;
        out[2] = keyed ? 0.0f : t.colour[word & 0xFF] * weight;
        out[3] = a;
    }
}

// The same for 16-bit channels.
struct WideTables {
    std::vector<float> colour = std::vector<float>(65536);
    std::vector<float> unit = std::vector<float>(65536);
};

WideTables makeTables(const WideArgbImage&, const MipChainOptions& options) {
    WideTables t;
    for (uint32_t v = 0; v < 65536; ++v) {
        t.unit[v] = float(v) / 65535.0f;
        t.colour[v] = options.normalMap ? float(v) / 32767.5f - 1.0f
                      : options.srgb    ? srgbToLinear16(uint16_t(v))
                                        : t.unit[v];
    }
    return t;
}

ChannelTables makeTables(const ArgbImage&, const MipChainOptions& options) {
    return makeTables(options);
}

void convertRow(const uint64_t* words, uint32_t count, const WideTables& t,
                const MipChainOptions& options, float* out) {
    for (uint32_t x = 0; x < count; ++x, out += 4) {
        const uint64_t word = words[x];
        const float a = t.unit[word >> 48];
        const float weight = options.normalMap ? 1.0f : a;
        out[0] = t.colour[(word >> 32) & 0xFFFF] * weight;
        out[1] = t.colour[(word >> 16) & 0xFFFF] * weight;
        out[2] = t.colour[word & 0xFFFF] * weight;
        out[3] = a;
    }
}

// The rows of a plane, all in memory.
class PlaneRows {
public:
    explicit PlaneRows(const Plane& plane) : plane_(plane) {}
    uint32_t width() const { return plane_.width; }
    uint32_t height() const { return plane_.height; }
    void fetch(const uint32_t* indices, uint32_t taps, const float** rows) {
        for (uint32_t t = 0; t < taps; ++t)
            rows[t] = plane_.row(indices[t]);
    }

private:
    const Plane& plane_;
};

// The rows of the picture converted into floats when a destination row first needs them, into
// a few slots: the picture is never held whole in floats, which would take four times its
// memory and pass it through the cache twice more.
template <typename Image> class PictureRows {
public:
    PictureRows(const Image& image, const MipChainOptions& options, uint32_t taps)
        : image_(image), options_(options), tables_(makeTables(image, options)), slots_(taps + 2),
          values_(size_t(slots_) * image.width * 4), held_(slots_, UINT32_MAX),
          lastUse_(slots_, 0) {}
    uint32_t width() const { return image_.width; }
    uint32_t height() const { return image_.height; }

    void fetch(const uint32_t* indices, uint32_t taps, const float** rows) {
        ++clock_;
        for (uint32_t t = 0; t < taps; ++t) {
            uint32_t slot = find(indices[t]);
            if (slot == UINT32_MAX) {
                slot = victim(indices, taps);
                held_[slot] = indices[t];
                convertRow(image_.texels.data() + size_t(indices[t]) * image_.width,
                           image_.width, tables_, options_, row(slot));
            }
            lastUse_[slot] = clock_;
            rows[t] = row(slot);
        }
    }

private:
    float* row(uint32_t slot) { return values_.data() + size_t(slot) * image_.width * 4; }

    uint32_t find(uint32_t y) const {
        for (uint32_t s = 0; s < slots_; ++s)
            if (held_[s] == y)
                return s;
        return UINT32_MAX;
    }

    // The least recently used slot that holds none of this destination row's source rows.
    uint32_t victim(const uint32_t* indices, uint32_t taps) const {
        uint32_t best = UINT32_MAX;
        for (uint32_t s = 0; s < slots_; ++s) {
            if (lastUse_[s] == clock_ && held_[s] != UINT32_MAX &&
                std::find(indices, indices + taps, held_[s]) != indices + taps)
                continue;
            if (best == UINT32_MAX || lastUse_[s] < lastUse_[best])
                best = s;
        }
        return best;
    }

    const Image& image_;
    const MipChainOptions& options_;
    const decltype(makeTables(std::declval<const Image&>(), MipChainOptions{})) tables_;
    const uint32_t slots_;
    std::vector<float> values_;
    std::vector<uint32_t> held_;
    std::vector<uint64_t> lastUse_;
    uint64_t clock_ = 0;
};

// Destinations [first, first + count) whose taps read consecutive texels starting at texel
// 2d + offset, all with the same weights: the inside of a halving, which the halving routine
// takes whole. Empty when the table is no halving (or the stretch is too short to matter).
struct HalvingStretch {
    uint32_t first = 0;
    uint32_t count = 0;
};

HalvingStretch findHalvingStretch(const AxisWeights& w, uint32_t m) {
    const uint32_t taps = w.taps, middle = m / 2;
    const int64_t offset = int64_t(w.index[size_t(middle) * taps]) - 2 * int64_t(middle);
    const auto regular = [&](uint32_t d) {
        const uint32_t* index = w.index.data() + size_t(d) * taps;
        const float* weight = w.weight.data() + size_t(d) * taps;
        const float* reference = w.weight.data() + size_t(middle) * taps;
        if (int64_t(index[0]) != 2 * int64_t(d) + offset)
            return false;
        for (uint32_t t = 0; t < taps; ++t)
            if (index[t] != index[0] + t || weight[t] != reference[t])
                return false;
        return true;
    };
    HalvingStretch stretch;
    if (m < 16 || !regular(middle))
        return stretch;
    uint32_t first = middle, last = middle;
    while (first > 0 && regular(first - 1))
        --first;
    while (last + 1 < m && regular(last + 1))
        ++last;
    stretch.first = first;
    stretch.count = last - first + 1;
    return stretch;
}

// The vertical pass makes one full-width row from the rows its taps reach, the horizontal pass
// the destination row from it: rows firstRow to endRow - 1 of the destination.
template <typename Rows>
void filterRows(Rows& source, const AxisWeights& across, const AxisWeights& down,
                Plane* destination, MipRowRoutines routines, uint32_t firstRow, uint32_t endRow) {
    std::vector<float> column(size_t(source.width()) * 4);
    std::vector<const float*> rows(down.taps);
    const HalvingStretch inside = findHalvingStretch(across, destination->width);
    const uint32_t taps = across.taps, after = inside.first + inside.count;
    for (uint32_t y = firstRow; y < endRow; ++y) {
        source.fetch(down.index.data() + size_t(y) * down.taps, down.taps, rows.data());
        routines.combine(rows.data(), down.weight.data() + size_t(y) * down.taps, down.taps,
                         column.size(), column.data());
        float* out = destination->row(y);
        if (inside.count == 0) {
            routines.gather(column.data(), across.index.data(), across.weight.data(), taps,
                            destination->width, out);
            continue;
        }
        routines.gather(column.data(), across.index.data(), across.weight.data(), taps,
                        inside.first, out);
        routines.gatherHalving(column.data() +
                                   size_t(across.index[size_t(inside.first) * taps]) * 4,
                               across.weight.data() + size_t(inside.first) * taps, taps,
                               inside.count, out + size_t(inside.first) * 4);
        routines.gather(column.data(), across.index.data() + size_t(after) * taps,
                        across.weight.data() + size_t(after) * taps, taps,
                        destination->width - after, out + size_t(after) * 4);
    }
}

// `destination`, sized, filtered from the picture or from a plane.
template <typename Source>
void filterInto(const Source& picture, Plane* destination, const MipChainOptions& options,
                MipRowRoutines routines) {
    const AxisWeights across =
        buildAxisWeights(picture.width, destination->width, options.kernel, options.edge);
    const AxisWeights down =
        buildAxisWeights(picture.height, destination->height, options.kernel, options.edge);
    destination->allocate();
    // Each band converts the picture rows it reaches into slots of its own.
    inRowBands(destination->width, destination->height,
               [&](uint32_t, uint32_t firstRow, uint32_t endRow) {
                   if constexpr (std::is_same_v<Source, ArgbImage> ||
                                 std::is_same_v<Source, WideArgbImage>) {
                       PictureRows<Source> rows(picture, options, down.taps);
                       filterRows(rows, across, down, destination, routines, firstRow, endRow);
                   } else {
                       PlaneRows rows(picture);
                       filterRows(rows, across, down, destination, routines, firstRow, endRow);
                   }
               });
}

// The texel's colour channels that a kernel with negative lobes pushed out of range brought
// back, their light kept (see settle).
void keepClippedLight(Plane* plane, int32_t x, int32_t y);

bool outOfRange(const float* texel) {
    for (int i = 0; i < 3; ++i)
        if (!(texel[i] >= 0.0f && texel[i] <= texel[3]))
            return true;
    return false;
}

// Alpha clamped; a normal map's vectors made unit length.
void settleTexels(float* v, size_t count, const MipChainOptions& options) {
    for (size_t i = 0; i < count; ++i, v += 4) {
        const float a = std::clamp(v[3], 0.0f, 1.0f);
        v[3] = a;
        if (options.normalMap) {
            const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
            if (length > 1e-12f) {
                v[0] /= length;
                v[1] /= length;
                v[2] /= length;
            } else {
                v[0] = 0.0f;
                v[1] = 0.0f;
                v[2] = 1.0f;
            }
        }
    }
}

// Values a kernel with negative lobes pushed out of range are brought back, their light kept,
// so the next level starts from a picture that could be stored; a normal map's vectors are
// made unit length. The bands clamp alpha and list the texels out of range; the light is then
// passed on texel by texel in row order on this thread, as it depends on what the texels before
// have passed on. Those texels are the only ones with work: a texel in range stays in range
// when it receives light, as what it receives is clamped into its range.
void settle(Plane* plane, const MipChainOptions& options) {
    // Each band lists its texels out of range, as (row, column) pairs in row order.
    std::vector<std::vector<std::pair<uint32_t, uint32_t>>> clipped(
        rowBands(plane->width, plane->height).count);
    inRowBands(plane->width, plane->height, [&](uint32_t band, uint32_t firstRow, uint32_t endRow) {
        settleTexels(plane->row(firstRow), size_t(endRow - firstRow) * plane->width, options);
        if (options.normalMap)
            return;
        for (uint32_t y = firstRow; y < endRow; ++y) {
            const float* texel = plane->row(y);
            for (uint32_t x = 0; x < plane->width; ++x)
                if (outOfRange(texel + 4 * size_t(x)))
                    clipped[band].emplace_back(y, x);
        }
    });
    for (const auto& texels : clipped)
        for (const auto& [y, x] : texels)
            keepClippedLight(plane, int32_t(x), int32_t(y));
}

uint8_t encodeColour(float c, const MipChainOptions& options, const SrgbEncoder& curve) {
    if (options.normalMap)
        return quantizeUnit((c + 1.0f) * 0.5f);
    return options.srgb ? curve.encode(c) : quantizeUnit(c);
}

// The texel of the window [u0, u1] x [v0, v1] whose channel i is the largest (below) or the
// smallest (above), the first in raster order among equals; `at` unless another beats it
// strictly. The extreme is found first with independent chains a row each, then looked up,
// which takes far fewer mispredicted branches than one running comparison.
template <bool below>
size_t windowExtreme(const float* c, int32_t width, int32_t u0, int32_t u1, int32_t v0, int32_t v1,
                     int i, size_t at) {
    constexpr int32_t rowsMax = 7;
    float rowExtreme[rowsMax];
    const int32_t across = u1 - u0 + 1, down = v1 - v0 + 1;
    for (int32_t r = 0; r < down; ++r) {
        const float* p = c + (size_t(v0 + r) * width + u0) * 4 + i;
        float m = p[0];
        for (int32_t k = 1; k < across; ++k)
            m = below ? std::max(m, p[4 * k]) : std::min(m, p[4 * k]);
        rowExtreme[r] = m;
    }
    float extreme = rowExtreme[0];
    for (int32_t r = 1; r < down; ++r)
        extreme = below ? std::max(extreme, rowExtreme[r]) : std::min(extreme, rowExtreme[r]);
    const float own = c[at * 4 + i];
    if (below ? !(extreme > own) : !(extreme < own))
        return at;
    for (int32_t r = 0; r < down; ++r) {
        if (rowExtreme[r] != extreme)
            continue;
        const float* p = c + (size_t(v0 + r) * width + u0) * 4 + i;
        for (int32_t k = 0; k < across; ++k)
            if (p[4 * k] == extreme)
                return size_t(v0 + r) * width + u0 + k;
    }
    return at;
}

// A kernel's negative lobes make values below 0 (and above full) next to strong edges, which
// no stored texel can show: clipping them alone would add light (a star field brightens level
// by level). What is clipped goes to the brightest texel nearby instead (the one whose edge
// rang), or an excess to the darkest, so the level keeps its light without visible trails.
void keepClippedLight(Plane* plane, int32_t x, int32_t y) {
    constexpr int32_t reach = 3;
    const int32_t width = int32_t(plane->width), height = int32_t(plane->height);
    float* c = plane->values.get();
    const float* alpha = c + 3;
    const int32_t v0 = std::max(0, y - reach), v1 = std::min(height - 1, y + reach);
    const int32_t u0 = std::max(0, x - reach), u1 = std::min(width - 1, x + reach);
    const size_t at = size_t(y) * width + x;
    const float a = alpha[at * 4];
    for (int i = 0; i < 3; ++i) {
        const float value = c[at * 4 + i];
        if (value >= 0.0f && value <= a)
            continue;
        const bool below = value < 0.0f;
        c[at * 4 + i] = below ? 0.0f : a;
        const size_t target = below ? windowExtreme<true>(c, width, u0, u1, v0, v1, i, at)
                                    : windowExtreme<false>(c, width, u0, u1, v0, v1, i, at);
        float& receiver = c[target * 4 + i];
        receiver = std::clamp(receiver + (below ? value : value - a), 0.0f, alpha[target * 4]);
    }
}

void toWords(const float* v, size_t count, const MipChainOptions& options, float alphaScale,
             uint32_t* words) {
    const SrgbEncoder& curve = srgbEncoder();
    for (uint32_t* word = words; word != words + count; ++word) {
        const float a = v[3];
        float c[3] = {v[0], v[1], v[2]};
        if (!options.normalMap) {
            // Premultiplied colour back to straight colour; nothing shows where nothing covers.
            const float inverse = a > 0.0f ? 1.0f / a : 0.0f;
            for (float& channel : c)
                channel *= inverse;
        }
        *word = uint32_t(quantizeUnit(a * alphaScale)) << 24 |
                uint32_t(encodeColour(c[0], options, curve)) << 16 |
                uint32_t(encodeColour(c[1], options, curve)) << 8 |
                encodeColour(c[2], options, curve);
        v += 4;
    }
}

void toImage(const Plane& plane, const MipChainOptions& options, float alphaScale,
             ArgbImage* image) {
    image->width = plane.width;
    image->height = plane.height;
    image->texels.resize(plane.texelCount());
    inRowBands(plane.width, plane.height, [&](uint32_t, uint32_t firstRow, uint32_t endRow) {
        toWords(plane.row(firstRow), size_t(endRow - firstRow) * plane.width, options, alphaScale,
                image->texels.data() + size_t(firstRow) * plane.width);
    });
}

template <typename Image> bool usable(const Image& image) {
    return image.width != 0 && image.height != 0 &&
           image.texels.size() == size_t(image.width) * image.height;
}

// The texels of level 0 that pass the alpha test: as it will be filtered (key applied), or
// for 16-bit alpha as it is stored at 8 bits.
size_t passingTexels(const ArgbImage& image, const MipChainOptions& options) {
    size_t passing = 0;
    for (const uint32_t word : image.texels) {
        const bool keyed = options.colorKey != 0 && word == options.colorKey;
        passing += !keyed && int(word >> 24) >= options.alphaTest;
    }
    return passing;
}

size_t passingTexels(const WideArgbImage& image, const MipChainOptions& options) {
    size_t passing = 0;
    for (const uint64_t word : image.texels)
        passing += int(((word >> 48) * 255 + 32767) / 65535) >= options.alphaTest;
    return passing;
}

template <typename Image>
bool buildChain(const Image& top, uint32_t levelCount, const MipChainOptions& options,
                MipRowRoutines routines, std::vector<ArgbImage>* lower) {
    if (!usable(top))
        return false;
    try {
        lower->clear();
        double coverage = 0.0;
        const bool alphaTested = options.alphaTest >= 0 && options.alphaTest <= 255;
        if (alphaTested)
            coverage = double(passingTexels(top, options)) / double(top.texels.size());
        Plane above, below;
        uint32_t width = top.width, height = top.height;
        for (uint32_t level = 1; level < levelCount; ++level) {
            if (width == 1 && height == 1)
                break;
            width = below.width = std::max(1u, width / 2);
            height = below.height = std::max(1u, height / 2);
            if (level == 1)
                filterInto(top, &below, options, routines);
            else
                filterInto(above, &below, options, routines);
            settle(&below, options);
            const float scale =
                alphaTested ? coverageScale(below.values.get(), below.texelCount(),
                                            uint8_t(options.alphaTest), coverage)
                            : 1.0f;
            lower->emplace_back();
            toImage(below, options, scale, &lower->back());
            std::swap(above, below);
        }
    } catch (const std::bad_alloc&) {
        lower->clear();
        return false;
    }
    return true;
}

} // namespace

bool buildMipChain(const ArgbImage& top, uint32_t levelCount, const MipChainOptions& options,
                   MipRowRoutines routines, std::vector<ArgbImage>* lower) {
    return buildChain(top, levelCount, options, routines, lower);
}

bool buildMipChain(const WideArgbImage& top, uint32_t levelCount, const MipChainOptions& options,
                   MipRowRoutines routines, std::vector<ArgbImage>* lower) {
    return buildChain(top, levelCount, options, routines, lower);
}

bool buildMipChain(const WideArgbImage& top, uint32_t levelCount, const MipChainOptions& options,
                   std::vector<ArgbImage>* lower) {
    return buildChain(top, levelCount, options, mipRowRoutines(), lower);
}

namespace {

template <typename Image, typename Tables>
Plane slicePlane(const Image& slice, const Tables& tables, const MipChainOptions& options) {
    Plane plane;
    plane.width = slice.width;
    plane.height = slice.height;
    plane.allocate();
    for (uint32_t y = 0; y < slice.height; ++y)
        convertRow(slice.texels.data() + size_t(y) * slice.width, slice.width, tables, options,
                   plane.row(y));
    return plane;
}

template <typename Image>
bool buildVolume(const std::vector<Image>& slices, uint32_t levelCount,
                 const MipChainOptions& options, MipRowRoutines routines,
                 std::vector<std::vector<ArgbImage>>* lower) {
    if (slices.empty())
        return false;
    for (const Image& slice : slices)
        if (!usable(slice) || slice.width != slices[0].width || slice.height != slices[0].height)
            return false;
    try {
        lower->clear();
        const bool alphaTested = options.alphaTest >= 0 && options.alphaTest <= 255;
        size_t passing = 0, total = 0;
        const auto tables = makeTables(slices[0], options);
        std::vector<Plane> above;
        for (const Image& slice : slices) {
            if (alphaTested)
                passing += passingTexels(slice, options);
            total += slice.texels.size();
            above.push_back(slicePlane(slice, tables, options));
        }
        const double coverage = double(passing) / double(total);
        uint32_t width = slices[0].width, height = slices[0].height,
                 depth = uint32_t(slices.size());
        Plane mixed;
        std::vector<float> alpha;
        for (uint32_t level = 1; level < levelCount; ++level) {
            if (width == 1 && height == 1 && depth == 1)
                break;
            const uint32_t nextDepth = std::max(1u, depth / 2);
            const AxisWeights deep =
                buildAxisWeights(depth, nextDepth, options.kernel, options.edge);
            std::vector<const float*> rows(deep.taps);
            std::vector<Plane> below(nextDepth);
            for (uint32_t z = 0; z < nextDepth; ++z) {
                const Plane* source = &above[z];
                if (nextDepth != depth) {
                    // The slices the kernel reaches, combined texel by texel.
                    mixed.width = width;
                    mixed.height = height;
                    mixed.allocate();
                    for (uint32_t t = 0; t < deep.taps; ++t)
                        rows[t] = above[deep.index[size_t(z) * deep.taps + t]].values.get();
                    routines.combine(rows.data(), deep.weight.data() + size_t(z) * deep.taps,
                                     deep.taps, mixed.texelCount() * 4, mixed.values.get());
                    source = &mixed;
                }
                below[z].width = std::max(1u, width / 2);
                below[z].height = std::max(1u, height / 2);
                filterInto(*source, &below[z], options, routines);
                settle(&below[z], options);
            }
            float scale = 1.0f;
            if (alphaTested) {
                alpha.clear();
                for (const Plane& plane : below)
                    alpha.insert(alpha.end(), plane.values.get(),
                                 plane.values.get() + plane.texelCount() * 4);
                scale = coverageScale(alpha.data(), alpha.size() / 4, uint8_t(options.alphaTest),
                                      coverage);
            }
            lower->emplace_back(nextDepth);
            for (uint32_t z = 0; z < nextDepth; ++z)
                toImage(below[z], options, scale, &lower->back()[z]);
            above = std::move(below);
            width = std::max(1u, width / 2);
            height = std::max(1u, height / 2);
            depth = nextDepth;
        }
    } catch (const std::bad_alloc&) {
        lower->clear();
        return false;
    }
    return true;
}

} // namespace

bool buildVolumeMipChain(const std::vector<ArgbImage>& slices, uint32_t levelCount,
                         const MipChainOptions& options, MipRowRoutines routines,
                         std::vector<std::vector<ArgbImage>>* lower) {
    return buildVolume(slices, levelCount, options, routines, lower);
}

bool buildVolumeMipChain(const std::vector<ArgbImage>& slices, uint32_t levelCount,
                         const MipChainOptions& options,
                         std::vector<std::vector<ArgbImage>>* lower) {
    return buildVolume(slices, levelCount, options, mipRowRoutines(), lower);
}

bool buildVolumeMipChain(const std::vector<WideArgbImage>& slices, uint32_t levelCount,
                         const MipChainOptions& options,
                         std::vector<std::vector<ArgbImage>>* lower) {
    return buildVolume(slices, levelCount, options, mipRowRoutines(), lower);
}

bool buildMipChain(const ArgbImage& top, uint32_t levelCount, const MipChainOptions& options,
                   std::vector<ArgbImage>* lower) {
    return buildMipChain(top, levelCount, options, mipRowRoutines(), lower);
}

bool resampleImage(const ArgbImage& source, uint32_t width, uint32_t height,
                   const MipChainOptions& options, ArgbImage* out) {
    if (!usable(source) || width == 0 || height == 0)
        return false;
    try {
        Plane to;
        to.width = width;
        to.height = height;
        filterInto(source, &to, options, mipRowRoutines());
        settle(&to, options);
        toImage(to, options, 1.0f, out);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}
