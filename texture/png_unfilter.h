// Undoing the PNG row filters (sub, up, average, Paeth), one row at a time: a plain routine for
// every pixel size and vector twins for the 3- and 4-byte pixels of 8-bit RGB and RGBA files.
#pragma once

#include <cstddef>
#include <cstdint>

// Undoes one filter over `rowBytes` bytes: `filtered` is the row as stored (after its filter
// byte), `prior` the row above already unfiltered (zeros above the first row), `out` receives
// the row. None of the three overlap; no routine reads or writes outside its `rowBytes`.
using PngUnfilterRoutine = void (*)(const uint8_t* filtered, const uint8_t* prior, uint8_t* out,
                                    size_t rowBytes);

// The routines of one pixel size, indexed by the filter type 1 (sub) to 4 (Paeth) minus one.
struct PngUnfilterSet {
    PngUnfilterRoutine filters[4];
};

// The plain routines for pixels of `pixelBytes` bytes (1, 2, 3, 4, 6 or 8).
const PngUnfilterSet& plainPngUnfilters(uint32_t pixelBytes);

// The fastest routines the processor allows for that pixel size, chosen once for the process:
// the vector ones when the MMX answer allows them and the processor has SSE4.1, else the plain.
const PngUnfilterSet& pngUnfilters(uint32_t pixelBytes);

// The vector routines (3- and 4-byte pixels only), for processors where pngUnfilterSse41Supported
// answers yes; null for other pixel sizes.
const PngUnfilterSet* sse41PngUnfilters(uint32_t pixelBytes);
bool pngUnfilterSse41Supported();

// Undoes a whole row with the given routines: filter type 0 copies, 1 to 4 as above. False for
// any other filter type, which no file may use.
bool unfilterPngRow(const PngUnfilterSet& set, uint32_t filterType, const uint8_t* filtered,
                    const uint8_t* prior, uint8_t* out, size_t rowBytes);
