// libFuzzer target: any bytes through ImageDecoder::load. The answer is D3D_OK or InvalidData,
// and a decoded image can be read over every level and face it reports. One program per
// container, each with the container's seeds and dictionary (see fuzz/CMakeLists.txt).
#include "tests/support/decoded_image_walk.h"
#include "texture/image_decoder.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ImageDecoder image;
    ImageInfo info;
    const HRESULT hr = image.load(data, UINT(size), &info);
    if (hr == InvalidData)
        return 0;
    if (hr != D3D_OK || !test_support::walkDecodedImage(image, nullptr))
        std::abort();
    if (info.width != image.width || info.height != image.height ||
        info.mipLevels != image.levelCount())
        std::abort();
    return 0;
}
