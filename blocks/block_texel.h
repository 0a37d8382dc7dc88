// The four floats a block decodes into and encodes from. It is the blit engine's intermediate
// pixel (blit/float_color.h), defined here because the block codecs sit beneath the blit engine.
#pragma once

// Red, green, blue, alpha. Formats that are not colours carry their own channels in the same
// slots (U, V, W, Q for bump maps; see the codec of each format).
struct FloatColor {
    float r;
    float g;
    float b;
    float a;

    friend bool operator==(const FloatColor&, const FloatColor&) = default;
};
