// The PNG fast path: the files that need no transformation beyond expansion, packing, swapping
// and the filler are decoded without libpng, with the whole image data inflated in one call.
//
// It takes exactly these files: colour types 0 (grey, 1 to 16 bits), 2 (RGB, 8 or 16), 3
// (palette, 1 to 8), 4 (grey and alpha, 8 or 16) and 6 (RGBA, 8 or 16); not interlaced;
// compression and filter method 0; sides of at most 1,000,000 pixels; every chunk up to the
// end of the first run of IDAT chunks well formed with its CRC right; PLTE only in paletted
// files, tRNS in its valid form for grey, RGB and palette files, at most one each of PLTE,
// tRNS, gAMA and sRGB, gAMA and sRGB before PLTE, no cHRM or iCCP; and no gamma correction of
// the pixels as libpng's path decides it (sRGB, no gAMA, or a gAMA within 1% of 1/2.2; a
// paletted file's palette takes the decoder's own gamma table as on libpng's path). The image
// data must inflate to exactly the stored rows with the Adler-32 right, every row's filter
// type must be known, and a zlib window smaller than 32 KiB must cover the whole data (zlib
// would refuse references beyond it). Everything else, corrupt files included, is decoded by
// libpng, so that every result code and every pixel is libpng's path's. One known gap: a
// stream whose Huffman code definitions zlib refuses but libdeflate reads (an empty or
// incomplete distance code that is then used, more than 286 length or 30 distance codes) no
// encoder writes, but a crafted file decodes here where libpng's path fails.
#pragma once

#include "texture/image_decoder.h"
#include "texture/png_layout.h"
#include "texture/png_pixels.h"
#include "texture/png_unfilter.h"

#include <cstdint>

// The rows of a file the fast path takes, top to bottom, in the format decodePng gives: for a
// consumer that converts each row while it is in cache instead of keeping the whole picture.
class PngRowReader {
public:
    PngRowReader() = default;
    ~PngRowReader();
    PngRowReader(const PngRowReader&) = delete;
    PngRowReader& operator=(const PngRowReader&) = delete;

    // Reads the chunks. False when the file is not one the fast path takes (decodePng's libpng
    // path decides it then); nothing is allocated either way.
    bool accept(const uint8_t* data, UINT size);

    const PngLayout& layout() const { return layout_; }
    const PngPixelPlan& plan() const { return plan_; }
    uint64_t storedRowBytes() const { return storedRowBytes_; }
    // Bytes of one decoded row: width x plan().outPixelBytes.
    uint64_t rowBytes() const { return uint64_t(layout_.width) * plan_.outPixelBytes; }
    // Bytes the image data inflates to: height x (stored row bytes + filter byte).
    uint64_t inflatedBytes() const { return uint64_t(layout_.height) * (storedRowBytes_ + 1); }

    // Inflates the image data in one call into `target` (inflatedBytes long, the caller's), or
    // into a buffer of the reader's own when it is null, and checks every row's filter type.
    // D3D_OK; E_OUTOFMEMORY; S_FALSE when the data is not exactly the picture's rows (corrupt,
    // short or long, a wrong Adler-32): libpng's path decides such a file.
    HRESULT inflate(uint8_t* target = nullptr);

    // The next row (rowBytes long) into `out`, which may lie over stored rows already read:
    // each row is unfiltered into the reader's own memory before `out` is written.
    void readRow(uint8_t* out);

private:
    const uint8_t* data_ = nullptr;
    PngLayout layout_;
    PngPixelPlan plan_ = {};
    const PngUnfilterSet* unfilters_ = nullptr;
    uint64_t storedRowBytes_ = 0;
    const uint8_t* stored_ = nullptr; // the inflated rows
    uint8_t* ownStored_ = nullptr;
    uint8_t* scratch_ = nullptr; // two unfiltered rows, the previous and the current
    uint32_t nextRow_ = 0;
};

// decodePng's fast path. Sets *declined and returns E_FAIL without touching the node when the
// file is libpng's; otherwise decodes it into the node as libpng's path would, with its codes.
HRESULT decodePngFast(ImageDecoder& image, const uint8_t* data, UINT size, bool* declined);

// decodePng's libpng path alone, the reference the fast path is held to.
HRESULT decodePngWithLibpng(ImageDecoder& image, const uint8_t* data, UINT size);

// Which path the last decodePng on this thread took.
enum class PngDecodePath { None, Fast, Libpng };
PngDecodePath lastPngDecodePath();

// The table both paths correct a palette with: identity unless both gammas exceed 0.000001.
void pngGammaTable(double screenGamma, double fileGamma, uint8_t table[256]);
