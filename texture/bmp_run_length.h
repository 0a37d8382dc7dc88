// Run-length bitmap data (8-bit and 4-bit codes) decoded into one palette index per byte.
#pragma once

#include "texture/byte_reader.h"
#include "d3d8.h"

#include <cstdint>

enum class RunLength { EightBit, FourBit };

// The rows the codes write: `pixels` holds `height` rows of `rowPitch` bytes, top row first,
// and must start zeroed, since pixels the codes skip stay palette index 0. Stored rows run
// bottom to top.
struct IndexRows {
    uint8_t* pixels;
    UINT width;
    UINT height;
    UINT rowPitch;
};

// Decodes the codes that start at `offset` of `file`. Pixels past a row's end are dropped; a
// code that moves the position out of the rows, or the end-of-bitmap code, ends the decode
// successfully. E_FAIL when the data ends before either.
HRESULT decodeRunLength(const ByteReader& file, uint64_t offset, RunLength kind,
                        const IndexRows& rows);
