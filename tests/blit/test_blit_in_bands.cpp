// Blits shared among workers: every job the engine cuts into bands writes the bytes of the same
// blit made whole on one thread (conversions, the colour key, the dither pattern, blocks,
// FilterNone padding, box halvings), and the jobs it must not cut are made whole.
#include "blit/blit_workers.h"
#include "blit/pending_rows.h"
#include "blit/pixel_format.h"
#include "blit/surface_blitter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// Runs the bands last first on the calling thread, so that a band that depended on the one
// before it, or on the order, would show.
class BackwardsWorkers final : public BlitWorkers {
public:
    void run(uint32_t count, void (*job)(void*, uint32_t), void* context) override {
        ++runs;
        bands += count;
        for (uint32_t i = count; i-- > 0;)
            job(context, i);
    }
    int runs = 0;
    uint32_t bands = 0;
};

// Pixel memory of any format with a guard row pitch wider than the picture.
struct Memory {
    PixelFormat format;
    uint32_t width, height;
    uint32_t rowPitch;
    std::vector<uint8_t> bytes;

    Memory(PixelFormat f, uint32_t w, uint32_t h, uint8_t fill = 0xA5)
        : format(f), width(w), height(h) {
        uint32_t rows = h;
        if (isBlockCompressed(f)) {
            rowPitch = (w + 3) / 4 * blockBytes(f) + 16;
            rows = (h + 3) / 4;
        } else {
            rowPitch = w * getFormatInfo(f).bitsPerPixel / 8 + 12;
        }
        bytes.assign(size_t(rowPitch) * rows, fill);
    }

    BlitSurface side(uint32_t colorKey = 0) {
        BlitSurface s;
        s.bits = bytes.data();
        s.format = format;
        s.rowPitch = rowPitch;
        s.extent = s.rect = {0, 0, int32_t(width), int32_t(height), 0, 1};
        s.colorKey = colorKey;
        return s;
    }
};

// A picture with gradients, noise, alpha and some opaque magenta, so every path has work.
Memory picture(PixelFormat format, uint32_t w, uint32_t h) {
    Memory m(format, w, h, 0);
    const uint32_t bytes = getFormatInfo(format).bitsPerPixel / 8;
    uint32_t state = 12345;
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            state = state * 1103515245u + 12345u;
            uint32_t argb = ((x * 255 / w) << 16) | ((y * 255 / h) << 8) | ((state >> 16) & 0xFF) |
                            ((((x + y) * 7) & 0xFF) << 24);
            if ((x / 16 + y / 16) % 7 == 0)
                argb = 0xFFFF00FF;
            std::memcpy(m.bytes.data() + size_t(y) * m.rowPitch + size_t(x) * bytes, &argb, bytes);
        }
    }
    return m;
}

struct Outcome {
    HRESULT result;
    std::vector<uint8_t> bytes;
};

Outcome blitOnce(Memory destination, Memory& source, const BlitBox* destinationRect,
                 ImageFilter filter, uint32_t colorKey, BlitWorkers* workers) {
    setBlitWorkers(workers);
    BlitSurface to = destination.side();
    if (destinationRect != nullptr)
        to.rect = *destinationRect;
    const HRESULT hr = blitSurface(to, source.side(colorKey), filter);
    setBlitWorkers(nullptr);
    return {hr, destination.bytes};
}

struct BandCase {
    const char* name;
    PixelFormat from;
    uint32_t fromWidth, fromHeight;
    PixelFormat to;
    uint32_t toWidth, toHeight;
    ImageFilter filter;
    uint32_t colorKey;
};

// 520 x 300 pixels make bands of 128 rows: three bands, the last one short and off the block
// grid at the bottom (300 is not a multiple of 8).
const BandCase bandCaseTable[] = {
    {"argb to DXT1", D3DFMT_A8R8G8B8, 520, 300, D3DFMT_DXT1, 520, 300, FilterNone, 0},
    {"argb to DXT3", D3DFMT_A8R8G8B8, 520, 300, D3DFMT_DXT3, 520, 300, FilterNone, 0},
    {"argb to DXT5, keyed", D3DFMT_A8R8G8B8, 520, 300, D3DFMT_DXT5, 520, 300, FilterNone,
     0xFFFF00FF},
    {"rgb24 to argb, keyed", D3DFMT_R8G8B8, 520, 300, D3DFMT_A8R8G8B8, 520, 300, FilterNone,
     0xFFFF00FF},
    {"argb to 565, dithered", D3DFMT_A8R8G8B8, 520, 300, D3DFMT_R5G6B5, 520, 300,
     FilterTriangle | FilterDither, 0},
    {"argb to L8", D3DFMT_A8R8G8B8, 520, 300, D3DFMT_L8, 520, 300, FilterBox, 0},
    {"FilterNone padding", D3DFMT_X8R8G8B8, 520, 300, D3DFMT_A1R5G5B5, 600, 410, FilterNone,
     0xFFFF00FF},
    {"FilterNone padding into DXT1", D3DFMT_R8G8B8, 500, 290, D3DFMT_DXT1, 512, 512, FilterNone, 0},
    {"box halving, integer path", D3DFMT_A8R8G8B8, 1040, 601, D3DFMT_A8R8G8B8, 520, 300, FilterBox,
     0},
    {"box halving with dither", D3DFMT_A8R8G8B8, 1040, 600, D3DFMT_R5G6B5, 520, 300,
     FilterBox | FilterDither, 0},
};

TEST(BlitInBands, BandsWriteTheBytesOfOneWholeBlit) {
    for (const BandCase& c : bandCaseTable) {
        Memory source = picture(c.from, c.fromWidth, c.fromHeight);
        const Memory destination(c.to, c.toWidth, c.toHeight);
        BackwardsWorkers workers;
        const Outcome whole = blitOnce(destination, source, nullptr, c.filter, c.colorKey, nullptr);
        const Outcome banded =
            blitOnce(destination, source, nullptr, c.filter, c.colorKey, &workers);
        ASSERT_EQ(whole.result, D3D_OK) << c.name;
        EXPECT_EQ(banded.result, D3D_OK) << c.name;
        EXPECT_EQ(workers.runs, 1) << c.name;
        EXPECT_GE(workers.bands, 3u) << c.name;
        EXPECT_TRUE(banded.bytes == whole.bytes) << c.name;
    }
}

// A halving of a block-compressed level reads its blocks back: the mip chain of a DXT texture.
TEST(BlitInBands, BlockToBlockHalvingMatchesTheWholeBlit) {
    Memory argb = picture(D3DFMT_A8R8G8B8, 1040, 600);
    Memory blocks(D3DFMT_DXT5, 1040, 600);
    ASSERT_EQ(blitSurface(blocks.side(), argb.side(), FilterNone), D3D_OK);
    const Memory half(D3DFMT_DXT5, 520, 300);
    BackwardsWorkers workers;
    const Outcome whole = blitOnce(half, blocks, nullptr, FilterBox, 0, nullptr);
    const Outcome banded = blitOnce(half, blocks, nullptr, FilterBox, 0, &workers);
    ASSERT_EQ(whole.result, D3D_OK);
    EXPECT_EQ(banded.result, D3D_OK);
    EXPECT_EQ(workers.runs, 1);
    EXPECT_TRUE(banded.bytes == whole.bytes);
}

// Jobs whose rows depend on their neighbours, or whose bands would not start on the block
// grid, or too small to be worth it, stay whole, with the same result.
TEST(BlitInBands, JobsThatCannotBeCutStayWhole) {
    struct Case {
        const char* name;
        PixelFormat from;
        uint32_t fromWidth, fromHeight;
        PixelFormat to;
        uint32_t toWidth, toHeight;
        BlitBox rect;
        ImageFilter filter;
    };
    const Case cases[] = {
        {"triangle scaling",
         D3DFMT_A8R8G8B8,
         600,
         400,
         D3DFMT_A8R8G8B8,
         520,
         300,
         {0, 0, 520, 300, 0, 1},
         FilterTriangle},
        {"DXT rectangle off the block grid",
         D3DFMT_A8R8G8B8,
         520,
         298,
         D3DFMT_DXT1,
         520,
         300,
         {0, 2, 520, 300, 0, 1},
         FilterNone},
        {"too small",
         D3DFMT_A8R8G8B8,
         256,
         256,
         D3DFMT_DXT1,
         256,
         256,
         {0, 0, 256, 256, 0, 1},
         FilterNone},
        {"FilterNone copy that may go raw",
         D3DFMT_A8R8G8B8,
         500,
         300,
         D3DFMT_A8R8G8B8,
         512,
         512,
         {0, 0, 512, 512, 0, 1},
         FilterNone},
    };
    for (const Case& c : cases) {
        Memory source = picture(c.from, c.fromWidth, c.fromHeight);
        const Memory destination(c.to, c.toWidth, c.toHeight);
        BackwardsWorkers workers;
        const Outcome whole = blitOnce(destination, source, &c.rect, c.filter, 0, nullptr);
        const Outcome kept = blitOnce(destination, source, &c.rect, c.filter, 0, &workers);
        ASSERT_EQ(whole.result, D3D_OK) << c.name;
        EXPECT_EQ(kept.result, D3D_OK) << c.name;
        EXPECT_EQ(workers.runs, 0) << c.name;
        EXPECT_TRUE(kept.bytes == whole.bytes) << c.name;
    }
}

// A refused job is refused with the whole job's code before any band runs.
TEST(BlitInBands, RefusalsComeBeforeAnyBand) {
    Memory source = picture(D3DFMT_A8R8G8B8, 520, 300);
    Memory destination(D3DFMT_DXT1, 520, 300);
    BackwardsWorkers workers;
    setBlitWorkers(&workers);
    BlitSurface outside = destination.side();
    outside.rect.bottom = 304;
    EXPECT_EQ(blitSurface(outside, source.side(), FilterNone), D3DERR_INVALIDCALL);
    EXPECT_EQ(blitSurface(destination.side(), source.side(), 0x7F), D3DERR_INVALIDCALL);
    setBlitWorkers(nullptr);
    EXPECT_EQ(workers.runs, 0);
}

// ---- Sources whose rows are still being made ---------------------------------------------------

// Rows copied in from a finished picture when asked for, each call recorded.
class CopiedRows final : public PendingRows {
public:
    CopiedRows(Memory& memory, const Memory& finished)
        : PendingRows(memory.bytes.data(), memory.rowPitch, memory.height), memory_(memory),
          finished_(finished) {}
    ~CopiedRows() override { withdraw(); }
    std::vector<std::pair<uint32_t, uint32_t>> calls;

private:
    void makeRows(uint32_t first, uint32_t end) override {
        calls.emplace_back(first, end);
        std::memcpy(memory_.bytes.data() + size_t(first) * memory_.rowPitch,
                    finished_.bytes.data() + size_t(first) * memory_.rowPitch,
                    size_t(end - first) * memory_.rowPitch);
    }
    Memory& memory_;
    const Memory& finished_;
};

// Every kind of band job, whole or in bands (last band first), reads a pending picture as it
// reads the finished one: the rows each reads are made before it reads them, in order, once.
TEST(BlitInBands, PendingRowsAreMadeBeforeTheBlitsReadThem) {
    for (const BandCase& c : bandCaseTable) {
        Memory finished = picture(c.from, c.fromWidth, c.fromHeight);
        const Memory destination(c.to, c.toWidth, c.toHeight);
        const Outcome reference =
            blitOnce(destination, finished, nullptr, c.filter, c.colorKey, nullptr);
        ASSERT_EQ(reference.result, D3D_OK) << c.name;
        BackwardsWorkers backwards;
        for (BlitWorkers* workers : {static_cast<BlitWorkers*>(nullptr),
                                     static_cast<BlitWorkers*>(&backwards)}) {
            Memory pending(c.from, c.fromWidth, c.fromHeight, 0x5A);
            CopiedRows rows(pending, finished);
            rows.publish();
            const Outcome outcome =
                blitOnce(destination, pending, nullptr, c.filter, c.colorKey, workers);
            EXPECT_EQ(outcome.result, D3D_OK) << c.name;
            EXPECT_TRUE(outcome.bytes == reference.bytes) << c.name;
            // Halved in bands, the picture's odd last row is never read.
            const bool halvedInBands = workers != nullptr && c.toHeight == c.fromHeight / 2;
            EXPECT_EQ(rows.madeRows(), halvedInBands ? 2 * c.toHeight : c.fromHeight) << c.name;
            uint32_t next = 0;
            for (const auto& [first, end] : rows.calls) {
                EXPECT_EQ(first, next) << c.name;
                EXPECT_GT(end, first) << c.name;
                next = end;
            }
        }
    }
}

// A picture withdrawn (or never published) is read as it stands.
TEST(BlitInBands, AWithdrawnPictureIsNotMade) {
    Memory finished = picture(D3DFMT_A8R8G8B8, 64, 16);
    Memory pending(D3DFMT_A8R8G8B8, 64, 16, 0x5A);
    const Memory destination(D3DFMT_A8R8G8B8, 64, 16);
    CopiedRows rows(pending, finished);
    rows.publish();
    rows.withdraw();
    const Outcome outcome = blitOnce(destination, pending, nullptr, FilterNone, 0, nullptr);
    EXPECT_EQ(outcome.result, D3D_OK);
    EXPECT_EQ(rows.madeRows(), 0u);
    EXPECT_TRUE(rows.calls.empty());
}

} // namespace
