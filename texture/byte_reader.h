// Bounds-checked little-endian reads of a file's bytes: every field is read at an offset
// that is first checked against the size, so a decoder never reads past the data it got.
#pragma once

#include "windows.h"

#include <cstdint>

class ByteReader {
public:
    ByteReader(const uint8_t* data, UINT size) : data_(data), size_(size) {}

    UINT size() const { return size_; }

    // Whether `count` bytes starting at `offset` lie inside the data.
    bool contains(uint64_t offset, uint64_t count) const {
        return offset <= size_ && count <= size_ - offset;
    }

    // The address of byte `offset`; only for ranges that `contains` has accepted.
    const uint8_t* at(uint64_t offset) const { return data_ + offset; }

    // Little-endian fields of 1, 2 and 4 bytes; false, leaving *out alone, when the field does
    // not lie wholly inside the data.
    bool u8(uint64_t offset, uint32_t* out) const { return read(offset, 1, out); }
    bool u16(uint64_t offset, uint32_t* out) const { return read(offset, 2, out); }
    bool u32(uint64_t offset, uint32_t* out) const { return read(offset, 4, out); }

private:
    bool read(uint64_t offset, unsigned bytes, uint32_t* out) const {
        if (!contains(offset, bytes))
            return false;
        uint32_t value = 0;
        for (unsigned i = 0; i < bytes; ++i)
            value |= uint32_t(data_[offset + i]) << (8 * i);
        *out = value;
        return true;
    }

    const uint8_t* data_;
    UINT size_;
};
