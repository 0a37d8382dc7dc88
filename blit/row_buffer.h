// Buffers of FloatColor values for the strategies, taken without throwing.
#pragma once

#include "blit/float_color.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>

// A zero-filled buffer of `count` values (at least one), or null when the memory is not
// there or the count cannot be a size on this machine.
inline std::unique_ptr<FloatColor[]> allocateRow(uint64_t count) {
    if (count == 0)
        count = 1;
    if (count > SIZE_MAX / sizeof(FloatColor) / 2)
        return nullptr;
    std::unique_ptr<FloatColor[]> row(new (std::nothrow) FloatColor[size_t(count)]);
    if (row)
        std::fill_n(row.get(), size_t(count), FloatColor{0, 0, 0, 0});
    return row;
}
