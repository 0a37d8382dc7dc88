// The closest-format search: the distance between two format descriptions and the walk over
// the table with the device's format check.
#include "blit/pixel_format.h"

#include "blit/debug_mute.h"

namespace {

// Whether a wanted category (row) may be replaced by a candidate category (column).
constexpr bool categoryMatrixTable[5][5] = {
    // Rgb   Palette Luminance Bump  DepthStencil
    {true, false, false, false, false}, // Rgb
    {true, true, false, false, false},  // Palette
    {true, false, true, false, false},  // Luminance
    {false, false, false, true, false}, // Bump
    {false, false, false, false, true}, // DepthStencil
};

bool categoriesCompatible(uint32_t wanted, uint32_t candidate) {
    if (wanted > DepthStencil || candidate > DepthStencil)
        return false;
    return categoryMatrixTable[wanted][candidate];
}

// What one channel column adds to the distance.
uint64_t channelDistance(uint32_t wanted, uint32_t candidate) {
    if (wanted < candidate)
        return wanted != 0 ? candidate - wanted : 256u;
    if (candidate < wanted)
        return candidate != 0 ? uint64_t(wanted - candidate) * 65536u : 16777216u;
    return 0;
}

// Formats offered by a device, fetched once per search.
class DeviceFormatCheck {
public:
    explicit DeviceFormatCheck(IDirect3DDevice8* device) {
        if (device == nullptr)
            return;
        D3DCAPS8 caps = {};
        D3DDISPLAYMODE mode = {};
        if (FAILED(device->GetDirect3D(&d3d_)) || FAILED(device->GetDeviceCaps(&caps)) ||
            FAILED(device->GetDisplayMode(&mode))) {
            failed_ = true;
            return;
        }
        adapter_ = caps.AdapterOrdinal;
        deviceType_ = caps.DeviceType;
        adapterFormat_ = mode.Format;
    }
    ~DeviceFormatCheck() {
        if (d3d_ != nullptr)
            d3d_->Release();
    }
    DeviceFormatCheck(const DeviceFormatCheck&) = delete;
    DeviceFormatCheck& operator=(const DeviceFormatCheck&) = delete;

    bool offers(DWORD usage, D3DRESOURCETYPE type, PixelFormat format) const {
        if (failed_)
            return false;
        if (d3d_ == nullptr)
            return true;
        return SUCCEEDED(d3d_->CheckDeviceFormat(adapter_, deviceType_, adapterFormat_, usage, type,
                                                 D3DFORMAT(format)));
    }

private:
    IDirect3D8* d3d_ = nullptr;
    bool failed_ = false;
    UINT adapter_ = 0;
    D3DDEVTYPE deviceType_ = D3DDEVTYPE_HAL;
    D3DFORMAT adapterFormat_ = D3DFMT_UNKNOWN;
};

} // namespace

bool formatDistance(const PixelFormatInfo& wanted, const PixelFormatInfo& candidate,
                    uint32_t* score) {
    if (!categoriesCompatible(wanted.category, candidate.category))
        return false;
    const uint32_t wantedBits[5] = {wanted.otherBits, wanted.alphaBits, wanted.redBits,
                                    wanted.greenBits, wanted.blueBits};
    const uint32_t candidateBits[5] = {candidate.otherBits, candidate.alphaBits, candidate.redBits,
                                       candidate.greenBits, candidate.blueBits};
    // Summed in 64 bits: a wanted description built by a caller may hold any widths.
    uint64_t total = 0;
    uint32_t wantedChannels = 0;
    for (int i = 0; i < 5; ++i) {
        if (wantedBits[i] != 0)
            ++wantedChannels;
        total += channelDistance(wantedBits[i], candidateBits[i]);
    }
    // A candidate that drops every wanted channel keeps nothing of the wanted format.
    if (total / 16777216u == wantedChannels)
        return false;
    *score = total < UINT32_MAX ? uint32_t(total) : UINT32_MAX - 1;
    return true;
}

PixelFormat findClosestDeviceFormat(IDirect3DDevice8* device, DWORD usage,
                                    D3DRESOURCETYPE resourceType, const PixelFormatInfo& wanted) {
    DebugMute mute;
    DeviceFormatCheck check(device);
    uint32_t bestScore = UINT32_MAX;
    const PixelFormatInfo* best = &unknownFormatInfo;
    for (const PixelFormatInfo& row : formatRows()) {
        if (!check.offers(usage, resourceType, row.format))
            continue;
        if (row.format == wanted.format)
            return row.format;
        if (!row.substitutable)
            continue;
        uint32_t score = 0;
        if (!formatDistance(wanted, row, &score))
            continue;
        if (score < bestScore || (score == bestScore && row.bitsPerPixel < best->bitsPerPixel)) {
            bestScore = score;
            best = &row;
        }
    }
    return best->format;
}
