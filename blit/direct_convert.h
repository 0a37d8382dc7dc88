// Row converters between stored pixels that give exactly the bytes of decoding through the
// source codec and encoding through the destination codec, without the float intermediate.
// The float path stays the reference; the tests compare the two over every input value.
#pragma once

#include "blit/pixel_codec.h"

#include <cstdint>
#include <memory>

class DirectConverter {
public:
    virtual ~DirectConverter() = default;
    // Converts the first `count` pixels of a row of the two rectangles (count is at most the
    // width of either), applying the source's colour key.
    virtual void convertRow(uint32_t row, uint32_t slice, uint32_t count) = 0;
};

// A converter between the two codecs, or null when the pair has none or when preparing one
// would cost more than converting `pixelCount` pixels through the float path.
std::unique_ptr<DirectConverter> findDirectConverter(PixelCodec& destination, PixelCodec& source,
                                                     uint64_t pixelCount);
