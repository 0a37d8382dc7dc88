// Decoding a texture file to ARGB words through the blit engine, level by level and slice by
// slice.
#include "tools/texkit/decoded_texture.h"

#include "blit/surface_blitter.h"
#include "texture/image_decoder.h"
#include "texture/mapped_file.h"
#include "tools/texkit/load_failure.h"

#include <cstdio>

namespace {

// The node's slices, one two-dimensional blit each: a volume's slice lies slicePitch bytes
// after the one before it.
HRESULT decodeNode(const ImageDecoder& node, DecodedLevel* out) {
    out->width = node.width;
    out->height = node.height;
    out->depth = node.depth != 0 ? node.depth : 1;
    out->argb.assign(size_t(out->width) * out->height * out->depth, 0);
    const BlitBox whole = {0, 0, int32_t(node.width), int32_t(node.height), 0, 1};
    for (UINT z = 0; z < out->depth; ++z) {
        BlitSurface source;
        source.bits = const_cast<uint8_t*>(node.bits) + size_t(z) * node.slicePitch;
        source.format = node.format;
        source.rowPitch = node.rowPitch;
        source.extent = whole;
        source.rect = whole;
        source.palette = node.palette;
        BlitSurface destination;
        destination.bits =
            reinterpret_cast<uint8_t*>(out->argb.data() + size_t(z) * node.width * node.height);
        destination.format = D3DFMT_A8R8G8B8;
        destination.rowPitch = node.width * 4;
        destination.extent = whole;
        destination.rect = whole;
        const HRESULT hr = blitSurface(destination, source, FilterNone);
        if (FAILED(hr))
            return hr;
    }
    return D3D_OK;
}

} // namespace

HRESULT decodeTextureFile(const std::string& path, DecodedTexture* out, std::string* reason) {
    // The decoded nodes point into the mapping, so it stays open until every level is copied.
    MappedFile file;
    HRESULT hr = file.open(path.c_str());
    ImageDecoder image;
    ImageInfo info = {};
    if (SUCCEEDED(hr))
        hr = image.load(file.view, file.size, &info);
    if (FAILED(hr)) {
        *reason = loadFailureReason(path, InvalidData);
        return InvalidData;
    }
    out->type = info.resourceType;
    out->format = D3DFORMAT(image.format);
    out->faces.clear();
    for (const ImageDecoder* face = &image; face != nullptr; face = face->nextFace.get()) {
        std::vector<DecodedLevel>& levels = out->faces.emplace_back();
        for (const ImageDecoder* node = face; node != nullptr; node = node->nextLevel.get()) {
            hr = decodeNode(*node, &levels.emplace_back());
            if (FAILED(hr)) {
                char text[96];
                std::snprintf(text, sizeof text, "level %zu of face %zu cannot be decoded (0x%08X)",
                              levels.size() - 1, out->faces.size() - 1, unsigned(hr));
                *reason = text;
                return hr;
            }
        }
    }
    return D3D_OK;
}
