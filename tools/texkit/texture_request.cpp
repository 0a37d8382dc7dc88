// The options of a texture request, shared by the verbs that load pictures.
#include "tools/texkit/texture_request.h"

#include "blit/com_ref.h"
#include "blit/pixel_format.h"
#include "platform_ext.h"
#include "tools/texkit/format_names.h"

#include <iterator>

namespace {

using Row = OptionRow<TextureRequest>;

constexpr Row requestRows[] = {
    {"--format", nullptr, "NAME",
     [](const std::string& v, TextureRequest* r) { return parseFormatName(v, &r->format); }},
    {"--width", nullptr, "N",
     [](const std::string& v, TextureRequest* r) { return parseNumber(v, &r->width); }},
    {"--height", nullptr, "N",
     [](const std::string& v, TextureRequest* r) { return parseNumber(v, &r->height); }},
    {"--levels", nullptr, "N",
     [](const std::string& v, TextureRequest* r) { return parseNumber(v, &r->levels); }},
    {"--filter", nullptr, "WORD",
     [](const std::string& v, TextureRequest* r) { return parseFilter(v, &r->filter); }},
    {"--mip-filter", nullptr, "WORD",
     [](const std::string& v, TextureRequest* r) { return parseFilter(v, &r->mipFilter); }},
    {"--key", nullptr, "0xAARRGGBB",
     [](const std::string& v, TextureRequest* r) { return parseNumber(v, &r->colorKey); }},
    {"--profile", nullptr, "NAMES",
     [](const std::string& v, TextureRequest* r) {
         r->profileGiven = true;
         return platform_ext::parseDeviceProfile(v.c_str(), &r->profile);
     }},
    {"--quality", nullptr, "exact|fast|high|best",
     [](const std::string& v, TextureRequest* r) {
         r->highQualityBlocks = v != "exact";
         r->blockLevel = v == "fast"   ? ImageFilter(FilterFastBlocks)
                         : v == "best" ? ImageFilter(FilterBestBlocks)
                                       : ImageFilter(0);
         return v == "exact" || v == "fast" || v == "high" || v == "best";
     }},
};
static_assert(std::size(requestRows) == 9);

} // namespace

std::span<const OptionRow<TextureRequest>> requestOptionTable() {
    return requestRows;
}

ImageFilter TextureRequest::filterWord() const {
    if (!highQualityBlocks)
        return filter;
    return (filter == FilterDefault ? FilterLoadDefault : filter) | FilterHighQualityBlocks |
           blockLevel;
}

ImageFilter TextureRequest::mipFilterWord() const {
    if (!highQualityBlocks)
        return mipFilter;
    return (mipFilter == FilterDefault ? ImageFilter(FilterBox) : mipFilter) |
           FilterHighQualityBlocks | blockLevel;
}

D3DPOOL storagePoolFor(IDirect3DDevice8* device, D3DFORMAT format, D3DRESOURCETYPE type) {
    if (!isBlockCompressed(format))
        return D3DPOOL_MANAGED;
    ComRef<IDirect3D8> direct3d;
    D3DCAPS8 caps = {};
    D3DDISPLAYMODE mode = {};
    if (FAILED(device->GetDirect3D(direct3d.out())) || FAILED(device->GetDeviceCaps(&caps)) ||
        FAILED(device->GetDisplayMode(&mode)))
        return D3DPOOL_MANAGED;
    const HRESULT offered =
        direct3d->CheckDeviceFormat(caps.AdapterOrdinal, caps.DeviceType, mode.Format, 0, type, format);
    return SUCCEEDED(offered) ? D3DPOOL_MANAGED : D3DPOOL_SCRATCH;
}
