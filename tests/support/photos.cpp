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

bool loadPhoto(const std::string& name, Photo* out) {
    const std::vector<uint8_t> file = readFileBytes(testdataPath("photos/" + name));
    ImageDecoder image;
    if (file.empty() || FAILED(image.load(file.data(), UINT(file.size()), nullptr)))
        return false;
    return convertToArgb(image, out);
}

} // namespace test_support
