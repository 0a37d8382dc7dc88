// One decoded surface of an image file, with its chains of smaller levels and further faces,
// and the loader that offers a file's bytes to every container decoder in a fixed order.
#pragma once

#include "blit/pending_rows.h"
#include "texture/image_info.h"
#include "texture/image_rows.h"
#include "windows.h"

#include <cstdint>
#include <memory>

// The region of a level that is copied; right, bottom and back are exclusive.
struct ImageBox {
    UINT left;
    UINT top;
    UINT right;
    UINT bottom;
    UINT front;
    UINT back;
};

// A node owns its pixel buffer and palette only when the flags say so; otherwise they point
// into the caller's file bytes, which must then outlive the node's use. Rows run top to bottom.
class ImageDecoder {
public:
    ImageDecoder() = default;
    ~ImageDecoder();
    ImageDecoder(const ImageDecoder&) = delete;
    ImageDecoder& operator=(const ImageDecoder&) = delete;

    // Decodes a whole file held in memory into this (empty) node and the nodes it chains, and
    // fills `info` when it is given. InvalidData when no decoder accepts the bytes; a
    // decoder's own failure code never comes out.
    HRESULT load(const void* data, UINT size, ImageInfo* info);

    // The container decoders. Each takes the whole file and either fills the node or fails;
    // what a failing decoder allocated stays in the node until load discards it.
    HRESULT decodeBmp(const uint8_t* data, UINT size);
    HRESULT decodeDib(const uint8_t* data, UINT size);
    HRESULT decodePpm(const uint8_t* data, UINT size);
    HRESULT decodeDds(const uint8_t* data, UINT size);
    HRESULT decodeJpg(const uint8_t* data, UINT size);
    HRESULT decodePng(const uint8_t* data, UINT size);
    HRESULT decodeTga(const uint8_t* data, UINT size);

    // Frees the owned buffers and both chains, and resets the six fields that hold them.
    void discard();

    // A pixel buffer of `bytes` (zeroed when asked) that the node owns from now on, as its
    // bits; null when it cannot be allocated.
    uint8_t* allocateBits(uint64_t bytes, bool zeroed = false);

    // 256 palette entries, opaque white (what a file's shorter palette leaves), owned by the
    // node from now on; null when they cannot be allocated.
    PALETTEENTRY* allocatePalette();

    // For the decoders, as soon as a header has given the picture's size: false when width x
    // height x depth passes pixelLimit, with the size kept in the declared fields.
    bool admitsPixels(uint64_t pictureWidth, uint64_t pictureHeight, uint64_t pictureDepth);

    // What load reports in `info` about the decoded file.
    void reportInfo(ImageInfo* info) const;

    // 1 + the length of the nextLevel chain, and 1 + the length of the nextFace chain.
    UINT levelCount() const;
    UINT faceCount() const;

    PixelFormat format = D3DFMT_UNKNOWN;   // may be a private 16-bit-per-channel code
    const uint8_t* bits = nullptr;         // top row of the first slice
    const PALETTEENTRY* palette = nullptr; // 256 entries for paletted formats, else null
    UINT width = 0;
    UINT height = 0;
    UINT depth = 0;
    ImageBox box = {};
    UINT rowPitch = 0;
    UINT slicePitch = 0; // 0 for a two-dimensional image
    bool ownsBits = false;
    bool ownsPalette = false;
    D3DRESOURCETYPE resourceType = D3DRTYPE_TEXTURE;
    ImageFileFormat fileFormat = Bmp;        // the decoder being tried, then the one that accepted
    std::unique_ptr<ImageDecoder> nextLevel; // next smaller level of the same face
    std::unique_ptr<ImageDecoder> nextFace;  // first level of the next face

    // Set before load by a loader that takes rows as they are decoded: a decoder that can hand
    // its rows out later may then leave bits null and set rowSource instead (one level, one
    // face). It still makes every check that decides whether it accepts the file.
    bool deferRows = false;
    std::unique_ptr<ImageRowSource> rowSource;

    // Set before load by a caller whose blits may start before the picture is whole: a PNG of
    // the fast path is then inflated and checked as ever, but its rows are unfiltered into bits
    // as the blits reach them, or ahead of them by a helper (blit/pending_rows.h). Whatever reads
    // bits other than through the blit engine calls finishRows first.
    bool pendRows = false;
    std::unique_ptr<PendingRows> pendingRows;
    // Makes every row still pending.
    void finishRows() const;

    // Set before load to refuse decompression bombs: a picture whose header declares more
    // pixels than this is refused before anything is decoded or allocated for it, and load
    // then tries no other decoder and answers InvalidData. 0: no limit.
    uint64_t pixelLimit = 0;
    // After such a refusal, the size the header declared; zeros otherwise.
    uint64_t declaredWidth = 0;
    uint64_t declaredHeight = 0;
    uint64_t declaredDepth = 0;
};
