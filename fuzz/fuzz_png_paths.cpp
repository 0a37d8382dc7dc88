// libFuzzer target: any bytes through both PNG paths. Whatever the fast path decodes must be
// what libpng's path gives for the same bytes (result, format, size, rows and palette), and a
// file it leaves to libpng must be libpng's answer anyway; a difference aborts. Each input is
// tried as it is and with every chunk's CRC made right, so that mutations inside the
// compressed data reach the inflaters instead of stopping at a CRC. The fast path runs twice:
// rows made at once, and rows left pending and made afterwards.
#include "tests/texture/png_maker.h"
#include "texture/png_fast_decode.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

bool sameDecode(const ImageDecoder& a, const ImageDecoder& b) {
    if (a.format != b.format || a.width != b.width || a.height != b.height ||
        a.rowPitch != b.rowPitch || (a.palette == nullptr) != (b.palette == nullptr))
        return false;
    if (std::memcmp(a.bits, b.bits, size_t(a.rowPitch) * a.height) != 0)
        return false;
    return a.palette == nullptr ||
           std::memcmp(a.palette, b.palette, 256 * sizeof(PALETTEENTRY)) == 0;
}

void compareBothPaths(const uint8_t* data, size_t size) {
    ImageDecoder decoded, pending, reference;
    const HRESULT hr = decoded.decodePng(data, UINT(size));
    pending.pendRows = true;
    const HRESULT pendingHr = pending.decodePng(data, UINT(size));
    pending.finishRows();
    const HRESULT expected = decodePngWithLibpng(reference, data, UINT(size));
    // A failed allocation (the run caps their size) may strike one path and not the other.
    if (hr == E_OUTOFMEMORY || pendingHr == E_OUTOFMEMORY || expected == E_OUTOFMEMORY)
        return;
    if (hr != expected || (SUCCEEDED(hr) && !sameDecode(decoded, reference)))
        std::abort();
    if (pendingHr != expected || (SUCCEEDED(pendingHr) && !sameDecode(pending, reference)))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    compareBothPaths(data, size);
    std::vector<uint8_t> mended(data, data + size);
    fixChunkCrcs(mended);
    compareBothPaths(mended.data(), mended.size());
    return 0;
}
