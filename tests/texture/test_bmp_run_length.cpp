// Run-length bitmaps through the header-less decoder: runs, absolute runs with their padding,
// every escape, pixels the codes skip, clipping at the row's end, leaving the buffer, and data
// that ends too soon.
#include "texture/image_decoder.h"

#include "texture/bmp_run_length.h"

#include "tests/support/container_files.h"

#include <gtest/gtest.h>

namespace {

using test_support::BitmapRecipe;
using test_support::Bytes;

constexpr uint8_t Escape = 0, EndOfLine = 0, EndOfBitmap = 1, Delta = 2;

Bytes bitmapOf(RunLength kind, int32_t width, int32_t height, const Bytes& codes) {
    BitmapRecipe r;
    r.width = width;
    r.height = height;
    r.bitCount = kind == RunLength::EightBit ? 8 : 4;
    r.compression = kind == RunLength::EightBit ? 1 : 2;
    r.colorsUsed = 2;
    r.colorTable = Bytes(8, 0x80);
    r.pixels = codes;
    return test_support::makeDib(r);
}

struct Decoded {
    HRESULT result = E_FAIL;
    Bytes rows; // top row first, row padding included
};

Decoded decode(RunLength kind, int32_t width, int32_t height, const Bytes& codes) {
    const Bytes file = bitmapOf(kind, width, height, codes);
    ImageDecoder image;
    Decoded out;
    out.result = image.decodeDib(file.data(), UINT(file.size()));
    if (SUCCEEDED(out.result))
        out.rows.assign(image.bits, image.bits + size_t(image.rowPitch) * image.height);
    return out;
}

// Two rows of four indices: the first stored row is the bottom one.
Decoded eightBit(const Bytes& codes) {
    return decode(RunLength::EightBit, 4, 2, codes);
}

TEST(RunLength8, RunsFillRowsFromTheBottomAndEndOfLineMovesUp) {
    const Decoded d = eightBit({3, 5, Escape, EndOfLine, 2, 7, 1, 8, Escape, EndOfBitmap});
    ASSERT_EQ(d.result, D3D_OK);
    EXPECT_EQ(d.rows, (Bytes{7, 7, 8, 0, 5, 5, 5, 0}));
}

TEST(RunLength8, AbsoluteRunsSkipTheirPaddingByte) {
    // Three indices and a padding byte that would read as a run of 0xAA if it were not skipped.
    const Decoded odd = eightBit({Escape, 3, 1, 2, 3, 0xAA, 1, 6, Escape, EndOfBitmap});
    ASSERT_EQ(odd.result, D3D_OK);
    EXPECT_EQ(odd.rows, (Bytes{0, 0, 0, 0, 1, 2, 3, 6}));
    const Decoded even = eightBit({Escape, 4, 1, 2, 3, 4, 1, 9, Escape, EndOfBitmap});
    ASSERT_EQ(even.result, D3D_OK);
    EXPECT_EQ(even.rows, (Bytes{0, 0, 0, 0, 1, 2, 3, 4})) << "a fifth pixel does not wrap";
}

TEST(RunLength8, SkippedPixelsStayIndexZero) {
    // Delta two right and one up, an early end of line, and an early end of bitmap.
    const Decoded delta = eightBit({1, 9, Escape, Delta, 2, 1, 1, 4, Escape, EndOfBitmap});
    ASSERT_EQ(delta.result, D3D_OK);
    EXPECT_EQ(delta.rows, (Bytes{0, 0, 0, 4, 9, 0, 0, 0}));
    const Decoded early = eightBit({2, 3, Escape, EndOfBitmap, 4, 4});
    ASSERT_EQ(early.result, D3D_OK);
    EXPECT_EQ(early.rows, (Bytes{0, 0, 0, 0, 3, 3, 0, 0}));
}

TEST(RunLength8, CodesPastTheRowEndAreClippedThere) {
    const Decoded run = eightBit({6, 5, Escape, EndOfLine, 1, 7, Escape, EndOfBitmap});
    ASSERT_EQ(run.result, D3D_OK);
    EXPECT_EQ(run.rows, (Bytes{7, 0, 0, 0, 5, 5, 5, 5}));
    const Decoded absolute = eightBit({Escape, 5, 1, 2, 3, 4, 5, 0, 2, 6, Escape, EndOfBitmap});
    ASSERT_EQ(absolute.result, D3D_OK);
    EXPECT_EQ(absolute.rows, (Bytes{0, 0, 0, 0, 1, 2, 3, 4}));
    const Decoded deltaRight =
        eightBit({Escape, Delta, 9, 0, 2, 6, Escape, EndOfLine, 1, 1, Escape, EndOfBitmap});
    ASSERT_EQ(deltaRight.result, D3D_OK);
    EXPECT_EQ(deltaRight.rows, (Bytes{1, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(RunLength8, LeavingTheBufferEndsTheDecodeWithWhatItWrote) {
    // An end of line after the top row, with no end of bitmap after it.
    const Decoded lines = eightBit({4, 1, Escape, EndOfLine, 4, 2, Escape, EndOfLine});
    ASSERT_EQ(lines.result, D3D_OK);
    EXPECT_EQ(lines.rows, (Bytes{2, 2, 2, 2, 1, 1, 1, 1}));
    // A delta above the top row; the bytes after it are never read.
    const Decoded delta = eightBit({2, 3, Escape, Delta, 0, 5, 0xFF});
    ASSERT_EQ(delta.result, D3D_OK);
    EXPECT_EQ(delta.rows, (Bytes{0, 0, 0, 0, 3, 3, 0, 0}));
}

TEST(RunLength8, DataEndingBeforeTheImageIsCompleteFails) {
    for (const Bytes& codes : {Bytes{}, Bytes{2, 3}, Bytes{2, 3, 4}, Bytes{Escape, Delta, 1},
                               Bytes{Escape, 4, 1, 2, 3}, Bytes{4, 1, Escape, EndOfLine, 4, 2}}) {
        EXPECT_EQ(eightBit(codes).result, E_FAIL) << codes.size();
    }
}

TEST(RunLength8, ALargeImageOfOnlyAnEndOfBitmapIsAllIndexZero) {
    const Decoded d = decode(RunLength::EightBit, 300, 200, {Escape, EndOfBitmap});
    ASSERT_EQ(d.result, D3D_OK);
    EXPECT_EQ(d.rows, Bytes(300 * 200, 0));
}

// One row of five indices, padded to eight bytes.
Decoded fourBit(const Bytes& codes) {
    return decode(RunLength::FourBit, 5, 1, codes);
}

TEST(RunLength4, RunsAlternateTheHighAndLowNibbles) {
    const Decoded d = fourBit({5, 0x12, Escape, EndOfBitmap});
    ASSERT_EQ(d.result, D3D_OK);
    EXPECT_EQ(d.rows, (Bytes{1, 2, 1, 2, 1, 0, 0, 0}));
    const Decoded clipped = fourBit({3, 0x34, 7, 0x56, Escape, EndOfBitmap});
    ASSERT_EQ(clipped.result, D3D_OK);
    EXPECT_EQ(clipped.rows, (Bytes{3, 4, 3, 5, 6, 0, 0, 0}));
}

TEST(RunLength4, AbsoluteRunsArePaddedToWholeWords) {
    // Three indices take two bytes, no padding; five take three bytes and one padding byte.
    const Decoded three = fourBit({Escape, 3, 0x34, 0x50, 2, 0x77, Escape, EndOfBitmap});
    ASSERT_EQ(three.result, D3D_OK);
    EXPECT_EQ(three.rows, (Bytes{3, 4, 5, 7, 7, 0, 0, 0}));
    const Decoded five = fourBit({Escape, 5, 0x12, 0x34, 0x50, 0xEE, Escape, EndOfBitmap});
    ASSERT_EQ(five.result, D3D_OK);
    EXPECT_EQ(five.rows, (Bytes{1, 2, 3, 4, 5, 0, 0, 0}));
}

TEST(RunLength4, EscapesWorkAsInEightBitData) {
    const Decoded d =
        decode(RunLength::FourBit, 3, 2, {Escape, Delta, 1, 1, 2, 0xAB, Escape, EndOfBitmap});
    ASSERT_EQ(d.result, D3D_OK);
    EXPECT_EQ(d.rows, (Bytes{0, 0xA, 0xB, 0, 0, 0, 0, 0}));
    EXPECT_EQ(fourBit({Escape, 5, 0x12, 0x34}).result, E_FAIL);
}

} // namespace
