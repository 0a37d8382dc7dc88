// Texture requirements resolved against a device: format, size limits, aspect ratio, powers of
// two, block rounding and the mip chain; and the creation of an empty texture from them.
#include "texture/texture_loader.h"

#include "blit/pixel_format.h"

#include <algorithm>
#include <bit>

namespace {

constexpr UINT Choose = 0xFFFFFFFFu;
constexpr DWORD AllowedUsage =
    D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL | D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC;

// Number of binary digits: bits(1) = 1, bits(640) = 10, bits(1024) = 11.
UINT binaryDigits(UINT value) {
    return UINT(std::bit_width(value));
}

// Rounded sizes that no longer fit in 32 bits are refused rather than wrapped.
bool fits(uint64_t value) {
    return value <= UINT32_MAX;
}

void applyDeviceLimits(const D3DCAPS8& caps, UINT* width, UINT* height) {
    *width = std::min<UINT>(*width, caps.MaxTextureWidth);
    *height = std::min<UINT>(*height, caps.MaxTextureHeight);
    const uint64_t ratio =
        (caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) ? 1 : caps.MaxTextureAspectRatio;
    if (ratio != 0) {
        *width = UINT(std::min<uint64_t>(*width, ratio * *height));
        *height = UINT(std::min<uint64_t>(*height, ratio * *width));
    }
}

bool fullChainAllowed(const D3DCAPS8& caps, D3DPOOL pool, UINT width, UINT height) {
    if (pool == D3DPOOL_SCRATCH)
        return true;
    if (!(caps.TextureCaps & D3DPTEXTURECAPS_MIPMAP))
        return false;
    return !(caps.TextureCaps & D3DPTEXTURECAPS_NONPOW2CONDITIONAL) ||
           (std::has_single_bit(width) && std::has_single_bit(height));
}

} // namespace

HRESULT checkRequirements(IDirect3DDevice8* device, UINT* width, UINT* height, UINT* mipLevels,
                          DWORD usage, D3DFORMAT* format, D3DPOOL pool) {
    if (device == nullptr)
        return D3DERR_INVALIDCALL;
    if (usage == Choose)
        usage = 0;
    if ((usage & ~AllowedUsage) != 0 || pool > D3DPOOL_SCRATCH)
        return D3DERR_INVALIDCALL;

    PixelFormat resolvedFormat = format != nullptr ? PixelFormat(*format) : D3DFMT_UNKNOWN;
    if (pool == D3DPOOL_SCRATCH) {
        if (resolvedFormat == D3DFMT_UNKNOWN)
            resolvedFormat = D3DFMT_A8R8G8B8;
    } else {
        resolvedFormat =
            findClosestDeviceFormat(device, usage, D3DRTYPE_TEXTURE, getFormatInfo(resolvedFormat));
        if (resolvedFormat == D3DFMT_UNKNOWN)
            return D3DERR_NOTAVAILABLE;
    }

    UINT w = width != nullptr ? *width : Choose;
    UINT h = height != nullptr ? *height : Choose;
    if (w == Choose && h == Choose)
        w = h = 256;
    else if (w == Choose)
        w = h;
    else if (h == Choose)
        h = w;
    w = std::max<UINT>(w, 1);
    h = std::max<UINT>(h, 1);

    D3DCAPS8 caps = {};
    if (pool != D3DPOOL_SCRATCH) {
        const HRESULT hr = device->GetDeviceCaps(&caps);
        if (FAILED(hr))
            return hr;
        applyDeviceLimits(caps, &w, &h);
        // After the clamping, so a clamped size that is no power of two is rounded up again.
        if (caps.TextureCaps & D3DPTEXTURECAPS_POW2) {
            const uint64_t roundedWidth = std::bit_ceil(uint64_t(w));
            const uint64_t roundedHeight = std::bit_ceil(uint64_t(h));
            if (!fits(roundedWidth) || !fits(roundedHeight))
                return D3DERR_INVALIDCALL;
            w = UINT(roundedWidth);
            h = UINT(roundedHeight);
        }
    }
    if (isBlockCompressed(resolvedFormat)) {
        const uint64_t roundedWidth = (uint64_t(w) + 3) & ~uint64_t(3);
        const uint64_t roundedHeight = (uint64_t(h) + 3) & ~uint64_t(3);
        if (!fits(roundedWidth) || !fits(roundedHeight))
            return D3DERR_INVALIDCALL;
        w = UINT(roundedWidth);
        h = UINT(roundedHeight);
    }

    UINT levels = mipLevels != nullptr ? *mipLevels : Choose;
    if (fullChainAllowed(caps, pool, w, h)) {
        const UINT fullChain = std::max(binaryDigits(w), binaryDigits(h));
        if (levels == 0 || levels > fullChain)
            levels = fullChain;
    } else {
        levels = 1;
    }

    if (width != nullptr)
        *width = w;
    if (height != nullptr)
        *height = h;
    if (mipLevels != nullptr)
        *mipLevels = levels;
    if (format != nullptr)
        *format = D3DFORMAT(resolvedFormat);
    return D3D_OK;
}

HRESULT createTexture(IDirect3DDevice8* device, UINT width, UINT height, UINT mipLevels,
                      DWORD usage, D3DFORMAT format, D3DPOOL pool, IDirect3DTexture8** texture) {
    if (device == nullptr || texture == nullptr)
        return D3DERR_INVALIDCALL;
    if (usage == Choose)
        usage = 0;
    const HRESULT hr = checkRequirements(device, &width, &height, &mipLevels, usage, &format, pool);
    if (FAILED(hr))
        return hr;
    return device->CreateTexture(width, height, mipLevels, usage, format, pool, texture);
}
