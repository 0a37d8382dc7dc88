// Reading the benchmark pictures: the file's bytes, decoded by ImageDecoder and
// converted to A8R8G8B8 by the blit engine.
#include "tests/support/photos.h"

#include "blit/surface_blitter.h"
#include "texture/image_decoder.h"

#include <fstream>
#include <iterator>

namespace test_support {

std::string testdataPath(const std::string& relative) {
    return std::string(TESTDATA_DIR) + "/" + relative;
}

std::vector<uint8_t> readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool convertToArgb(const ImageDecoder& image, Photo* out) {
    out->width = image.width;
    out->height = image.height;
    out->argb.assign(size_t(image.width) * image.height, 0);

    const BlitBox whole = {0, 0, int32_t(image.width), int32_t(image.height), 0, 1};
    BlitSurface source;
    source.bits = const_cast<uint8_t*>(image.bits);
    source.format = image.format;
    source.rowPitch = image.rowPitch;
    source.extent = whole;
    source.rect = whole;
    source.palette = image.palette;
    BlitSurface destination;
    destination.bits = reinterpret_cast<uint8_t*>(out->argb.data());
    destination.format = D3DFMT_A8R8G8B8;
    destination.rowPitch = image.width * 4;
    destination.extent = whole;
    destination.rect = whole;
    return SUCCEEDED(blitSurface(destination, source, FilterNone));
}

bool loadPicture(const std::string& relative, Photo* out) {
    const std::vector<uint8_t> file = readFileBytes(testdataPath(relative));
    ImageDecoder image;
    if (file.empty() || FAILED(image.load(file.data(), UINT(file.size()), nullptr)))
        return false;
    return convertToArgb(image, out);
}

bool loadPhoto(const std::string& name, Photo* out) {
    return loadPicture("photos/" + name, out);
}

void appendBlocks(const Photo& photo, bool greyAsAlpha, std::vector<FloatColor>* blocks) {
    const uint32_t across = photo.width / 4, down = photo.height / 4;
    const size_t first = blocks->size() / 16;
    blocks->resize((first + size_t(across) * down) * 16);
    const float scale = 0.003921569f;
    for (uint32_t y = 0; y < down * 4; ++y) {
        for (uint32_t x = 0; x < across * 4; ++x) {
            const uint32_t argb = photo.argb[size_t(y) * photo.width + x];
            FloatColor c = {float((argb >> 16) & 0xFF) * scale, float((argb >> 8) & 0xFF) * scale,
                            float(argb & 0xFF) * scale, float(argb >> 24) * scale};
            if (greyAsAlpha)
                c = {0.5f, 0.375f, 0.25f, c.b};
            (*blocks)[(first + size_t(y / 4) * across + x / 4) * 16 + (y % 4) * 4 + x % 4] = c;
        }
    }
}

namespace {

bool loadAll(const std::string& folder, std::initializer_list<const char*> names,
             std::vector<Photo>* out) {
    out->clear();
    for (const char* name : names) {
        out->emplace_back();
        if (!loadPicture(folder + name, &out->back()))
            return false;
    }
    return true;
}

} // namespace

bool loadRealPhotos(std::vector<Photo>* out) {
    return loadAll("real-photos/",
                   {"astronaut.png", "chelsea.png", "coffee.png", "hubble_deep_field.png",
                    "retina.png", "rocket.png"},
                   out);
}

bool loadRealGreys(std::vector<Photo>* out) {
    return loadAll("real-greys/", {"brick.png", "grass.png", "gravel.png"}, out);
}

} // namespace test_support
