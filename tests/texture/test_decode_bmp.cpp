// The bitmap decoders: the file header, every refusal with its result code, sizes beyond 32
// bits and failed allocations, each format with its exact bytes, the bit-field mask table, the
// palette and the colours-used rule, and the row orders with pixels left in the file.
#include "texture/image_decoder.h"

#include "tests/support/allocation_counter.h"
#include "tests/support/container_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <functional>

namespace {

using test_support::BitmapRecipe;
using test_support::Bytes;
using test_support::makeBmp;
using test_support::makeDib;

Bytes decodedBytes(const ImageDecoder& image) {
    return Bytes(image.bits, image.bits + size_t(image.rowPitch) * image.height);
}

// Entry i is blue 3i, green 3i + 1, red 3i + 2.
Bytes colorTable(int entries) {
    Bytes table;
    for (int i = 0; i < entries; ++i)
        table.insert(table.end(), {uint8_t(3 * i), uint8_t(3 * i + 1), uint8_t(3 * i + 2), 0});
    return table;
}

BitmapRecipe indexed(int32_t width, int32_t height, uint16_t bitCount, Bytes pixels) {
    BitmapRecipe r;
    r.width = width;
    r.height = height;
    r.bitCount = bitCount;
    r.colorTable = colorTable(1 << bitCount);
    r.pixels = std::move(pixels);
    return r;
}

BitmapRecipe plain(int32_t width, int32_t height, uint16_t bitCount, Bytes pixels) {
    BitmapRecipe r;
    r.width = width;
    r.height = height;
    r.bitCount = bitCount;
    r.pixels = std::move(pixels);
    return r;
}

TEST(BitmapFile, ChecksTheFileHeaderAndDecodesTheRestAsAHeaderlessBitmap) {
    const BitmapRecipe r = indexed(2, 1, 8, {1, 2, 0, 0});
    const Bytes file = makeBmp(r);
    ImageDecoder withHeader, without;
    ASSERT_EQ(withHeader.decodeBmp(file.data(), UINT(file.size())), D3D_OK);
    const Bytes dib = makeDib(r);
    ASSERT_EQ(without.decodeDib(dib.data(), UINT(dib.size())), D3D_OK);
    EXPECT_EQ(withHeader.format, D3DFMT_P8);
    EXPECT_EQ(withHeader.width, 2u);
    EXPECT_EQ(decodedBytes(withHeader), decodedBytes(without));

    Bytes wrongSignature = file;
    wrongSignature[1] = 'A';
    EXPECT_EQ(withHeader.decodeBmp(wrongSignature.data(), UINT(wrongSignature.size())), E_FAIL);
    EXPECT_EQ(withHeader.decodeBmp(file.data(), 13), E_FAIL);
}

TEST(BitmapFile, StatedSizeBeyondTheDataIsRefusedAndTheBytesGoToTheOtherDecoders) {
    Bytes file = makeBmp(plain(1, 1, 24, {1, 2, 3, 0}));
    file[2] += 1; // one byte more than there is
    ImageDecoder image;
    EXPECT_EQ(image.decodeBmp(file.data(), UINT(file.size())), E_FAIL);
    EXPECT_EQ(image.load(file.data(), UINT(file.size()), nullptr), InvalidData);
    EXPECT_EQ(image.fileFormat, Dib) << "every decoder was tried";
    file[2] -= 2; // a stated size below the real one is accepted
    EXPECT_EQ(image.decodeBmp(file.data(), UINT(file.size())), D3D_OK);
}

struct Refusal {
    const char* name;
    std::function<void(BitmapRecipe&)> change;
    HRESULT result;
};

TEST(BitmapHeader, EveryRefusalHasItsResultCode) {
    const std::vector<Refusal> refusals = {
        {"HeaderSizeBelow40", [](BitmapRecipe& r) { r.headerSize = 39; }, E_FAIL},
        {"ColourTableBeyondTheData", [](BitmapRecipe& r) { r.colorTable = colorTable(2); }, E_FAIL},
        {"TwoPlanes", [](BitmapRecipe& r) { r.planes = 2; }, E_FAIL},
        {"NegativeWidth", [](BitmapRecipe& r) { r.width = -2; }, E_FAIL},
        {"MoreThan256Colours",
         [](BitmapRecipe& r) {
             r.colorsUsed = 257;
             r.colorTable = colorTable(257);
         },
         E_FAIL},
        {"TopDownRunLength8",
         [](BitmapRecipe& r) {
             r.height = -1;
             r.compression = 1;
         },
         E_FAIL},
        {"TopDownRunLength4",
         [](BitmapRecipe& r) {
             r.height = -1;
             r.compression = 2;
         },
         E_FAIL},
        {"RunLength8Of4Bits",
         [](BitmapRecipe& r) {
             r.bitCount = 4;
             r.compression = 1;
         },
         E_FAIL},
        {"RunLength4Of8Bits", [](BitmapRecipe& r) { r.compression = 2; }, E_FAIL},
        {"TwoBits", [](BitmapRecipe& r) { r.bitCount = 2; }, E_FAIL},
        {"ZeroBits", [](BitmapRecipe& r) { r.bitCount = 0; }, E_FAIL},
        {"ZeroWidth", [](BitmapRecipe& r) { r.width = 0; }, E_FAIL},
        {"ZeroHeight", [](BitmapRecipe& r) { r.height = 0; }, E_FAIL},
        {"SixtyFourBits", [](BitmapRecipe& r) { r.bitCount = 64; }, E_FAIL},
        {"BitFieldsOf8Bits",
         [](BitmapRecipe& r) {
             r.compression = 3;
             r.masks = {0xE0, 0x1C, 0x3};
         },
         E_FAIL},
        {"PixelDataOneByteShort", [](BitmapRecipe& r) { r.pixels.pop_back(); }, E_FAIL},
        {"TopDownPixelDataOneByteShort",
         [](BitmapRecipe& r) {
             r.height = -2;
             r.pixels.pop_back();
         },
         E_FAIL},
        {"Jpeg", [](BitmapRecipe& r) { r.compression = 4; }, E_NOTIMPL},
        {"Png", [](BitmapRecipe& r) { r.compression = 5; }, E_NOTIMPL},
    };
    for (const Refusal& refusal : refusals) {
        BitmapRecipe r = indexed(3, 2, 8, {1, 2, 3, 0, 4, 5, 6, 0});
        refusal.change(r);
        const Bytes file = makeBmp(r);
        ImageDecoder image;
        EXPECT_EQ(image.decodeBmp(file.data(), UINT(file.size())), refusal.result) << refusal.name;
        EXPECT_EQ(image.load(file.data(), UINT(file.size()), nullptr), InvalidData) << refusal.name;
    }
    const Bytes dib = makeDib(indexed(1, 1, 8, {1, 0, 0, 0}));
    ImageDecoder image;
    EXPECT_EQ(image.decodeDib(dib.data(), 39), E_FAIL);
}

TEST(BitmapHeader, BitFieldsOutsideTheTableOrWithoutMasksAreRefused) {
    BitmapRecipe r = plain(1, 1, 16, {0, 0, 0, 0});
    r.compression = 3;
    r.masks = {0xFF00, 0xFF, 0}; // 8-8-0: a layout no format stands for
    Bytes file = makeDib(r);
    ImageDecoder image;
    EXPECT_EQ(image.decodeDib(file.data(), UINT(file.size())), E_FAIL);
    r.masks.clear();
    r.pixels.clear(); // the data ends with the header
    file = makeDib(r);
    EXPECT_EQ(image.decodeDib(file.data(), UINT(file.size())), E_FAIL);
}

TEST(BitmapHeader, SizesBeyond32BitsAreRefusedBeforeAnythingIsAllocated) {
    struct Size {
        int32_t width;
        int32_t height;
        uint16_t bitCount;
        uint32_t compression;
    };
    // A row of 4 GB; run-length images of 4 GB (8 bits) and of 6 GB (4-bit indices widen to a
    // byte each), whose short data would not stop a wrapped product from allocating a small
    // buffer and writing past it; and a height whose magnitude needs 32 bits.
    for (const Size size : {Size{0x40000000, 1, 32, 0}, Size{65536, 65536, 8, 1},
                            Size{0x7FFFFFF0, 3, 4, 2}, Size{1, INT32_MIN, 32, 0}}) {
        const Bytes endOfBitmap = {0, 1};
        BitmapRecipe r = size.bitCount <= 8
                             ? indexed(size.width, size.height, size.bitCount, endOfBitmap)
                             : plain(size.width, size.height, size.bitCount, Bytes(64, 0));
        r.compression = size.compression;
        const Bytes file = makeBmp(r);
        ImageDecoder image;
        test_support::startCountingAllocations();
        const HRESULT hr = image.decodeBmp(file.data(), UINT(file.size()));
        EXPECT_EQ(test_support::stopCountingAllocations(), 0) << size.width;
        EXPECT_EQ(hr, E_FAIL) << size.width;
    }
}

TEST(BitmapHeader, FailedAllocationsGiveOutOfMemoryAndLoadKeepsNothing) {
    // The palette takes 1024 bytes; the index buffer 4096, the 24-bit pixels 12288.
    const Bytes paletted = makeBmp(indexed(64, 64, 4, Bytes(32 * 64, 0x12)));
    const Bytes trueColor = makeBmp(plain(64, 64, 24, Bytes(64 * 64 * 3, 0x40)));
    struct Case {
        const Bytes& file;
        size_t failingSize;
    };
    for (const Case& c :
         {Case{paletted, 1024}, Case{paletted, 4096}, Case{trueColor, 64 * 64 * 3}}) {
        ImageDecoder image;
        test_support::failAllocationsFrom(c.failingSize);
        const HRESULT own = image.decodeBmp(c.file.data(), UINT(c.file.size()));
        image.discard();
        const HRESULT loaded = image.load(c.file.data(), UINT(c.file.size()), nullptr);
        test_support::failAllocationsFrom(0);
        EXPECT_EQ(own, E_OUTOFMEMORY) << c.failingSize;
        EXPECT_EQ(loaded, InvalidData);
        EXPECT_EQ(image.bits, nullptr);
        EXPECT_EQ(image.palette, nullptr);
    }
}

struct FormatCase {
    const char* name;
    BitmapRecipe recipe;
    PixelFormat format;
    UINT rowPitch;
    Bytes pixels; // the decoded rows, top first
};

void PrintTo(const FormatCase& c, std::ostream* os) {
    *os << c.name;
}

std::vector<FormatCase> formatCases() {
    return {
        // Most significant bit first; 10 indices in a row of 12 bytes.
        {"Indexed1",
         indexed(10, 1, 1, {0xB0, 0x40, 0, 0}),
         D3DFMT_P8,
         12,
         {1, 0, 1, 1, 0, 0, 0, 0, 0, 1, 0, 0}},
        {"Indexed4", indexed(3, 1, 4, {0x12, 0x30, 0, 0}), D3DFMT_P8, 4, {1, 2, 3, 0}},
        {"Indexed8",
         indexed(3, 2, 8, {1, 2, 3, 0, 4, 5, 6, 0}),
         D3DFMT_P8,
         4,
         {4, 5, 6, 0, 1, 2, 3, 0}},
        {"Plain16", plain(1, 1, 16, {0x34, 0x12, 0, 0}), D3DFMT_X1R5G5B5, 4, {0x34, 0x12, 0, 0}},
        // Width 3: rows of 9 bytes padded to 12; the first stored row is the bottom one.
        {"Plain24",
         plain(3, 2, 24, {1,  2,  3,  4,  5,  6,  7,  8,  9,  0, 0, 0, //
                          11, 12, 13, 14, 15, 16, 17, 18, 19, 0, 0, 0}),
         D3DFMT_R8G8B8,
         12,
         {11, 12, 13, 14, 15, 16, 17, 18, 19, 0, 0, 0, //
          1,  2,  3,  4,  5,  6,  7,  8,  9,  0, 0, 0}},
        {"Plain32",
         plain(1, 2, 32, {1, 2, 3, 4, 5, 6, 7, 8}),
         D3DFMT_X8R8G8B8,
         4,
         {5, 6, 7, 8, 1, 2, 3, 4}},
        {"TopDownIndexed4",
         indexed(2, -2, 4, {0x12, 0, 0, 0, 0x34, 0, 0, 0}),
         D3DFMT_P8,
         4,
         {1, 2, 0, 0, 3, 4, 0, 0}},
        {"TopDownIndexed1", indexed(3, -1, 1, {0xA0, 0, 0, 0}), D3DFMT_P8, 4, {1, 0, 1, 0}},
    };
}

class BitmapFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(BitmapFormat, DecodesToItsFormatWithExactBytes) {
    const FormatCase& c = GetParam();
    const Bytes file = makeBmp(c.recipe);
    ImageDecoder image;
    ASSERT_EQ(image.decodeBmp(file.data(), UINT(file.size())), D3D_OK);
    EXPECT_EQ(image.format, c.format);
    EXPECT_EQ(image.width, UINT(c.recipe.width));
    EXPECT_EQ(image.height, UINT(std::abs(c.recipe.height)));
    EXPECT_EQ(image.depth, 1u);
    EXPECT_EQ(image.rowPitch, c.rowPitch);
    EXPECT_EQ(image.slicePitch, 0u);
    EXPECT_TRUE(image.ownsBits);
    EXPECT_EQ(decodedBytes(image), c.pixels);
    EXPECT_EQ(image.palette != nullptr, c.format == D3DFMT_P8);
}

INSTANTIATE_TEST_SUITE_P(EveryBitCountAndRowOrder, BitmapFormat, ::testing::ValuesIn(formatCases()),
                         [](const auto& info) { return std::string(info.param.name); });

struct MaskRow {
    uint16_t bitCount;
    std::array<uint32_t, 4> masks; // red, green, blue, alpha
    PixelFormat format;
};

constexpr MaskRow maskRows[] = {
    {16, {0xFF, 0xFF, 0xFF, 0xFF00}, D3DFMT_A8L8},
    {16, {0xF800, 0x7E0, 0x1F, 0}, D3DFMT_R5G6B5},
    {16, {0x7C00, 0x3E0, 0x1F, 0}, D3DFMT_X1R5G5B5},
    {16, {0x7C00, 0x3E0, 0x1F, 0x8000}, D3DFMT_A1R5G5B5},
    {16, {0xF00, 0xF0, 0xF, 0xF000}, D3DFMT_A4R4G4B4},
    {16, {0xF00, 0xF0, 0xF, 0}, D3DFMT_X4R4G4B4},
    {16, {0xE0, 0x1C, 0x3, 0xFF00}, D3DFMT_A8R3G3B2},
    {24, {0xFF0000, 0xFF00, 0xFF, 0}, D3DFMT_R8G8B8},
    {32, {0xFF0000, 0xFF00, 0xFF, 0}, D3DFMT_X8R8G8B8},
    {32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, D3DFMT_A8R8G8B8},
    {32, {0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000}, D3DFMT_A2B10G10R10},
    {32, {0xFFFF, 0xFFFF0000, 0, 0}, D3DFMT_G16R16},
};

// One pixel whose bytes are 1, 2, 3(, 4), read from right after the masks.
BitmapRecipe bitFields(const MaskRow& row, uint32_t headerSize) {
    BitmapRecipe r = plain(1, 1, row.bitCount, {1, 2, 3, 4});
    r.compression = 3;
    r.headerSize = headerSize;
    r.masks.assign(row.masks.begin(), row.masks.end());
    return r;
}

TEST(BitmapBitFields, LongHeadersHoldAllFourMasks) {
    for (uint32_t headerSize : {108u, 124u}) {
        for (const MaskRow& row : maskRows) {
            const Bytes file = makeDib(bitFields(row, headerSize));
            ImageDecoder image;
            ASSERT_EQ(image.decodeDib(file.data(), UINT(file.size())), D3D_OK) << row.format;
            EXPECT_EQ(image.format, row.format);
            EXPECT_EQ(image.bits[0], 1) << "pixels right after the header";
            EXPECT_EQ(image.bits[1], 2);
        }
    }
}

// The format a 40-byte header gives for a row's masks: the row with the same colour masks and
// no alpha, or none.
PixelFormat withoutAlpha(const MaskRow& wanted) {
    for (const MaskRow& row : maskRows)
        if (row.bitCount == wanted.bitCount && row.masks[3] == 0 &&
            std::equal(row.masks.begin(), row.masks.begin() + 3, wanted.masks.begin()))
            return row.format;
    return D3DFMT_UNKNOWN;
}

// Three masks follow a 40-byte header and the pixels come 12 bytes later. There is no alpha
// mask: a row with alpha comes out as its twin without, or is refused.
TEST(BitmapBitFields, ShortHeadersAreFollowedByThreeMasks) {
    for (const MaskRow& row : maskRows) {
        const Bytes file = makeDib(bitFields(row, 40));
        ImageDecoder image;
        const HRESULT hr = image.decodeDib(file.data(), UINT(file.size()));
        const PixelFormat expected = withoutAlpha(row);
        if (expected == D3DFMT_UNKNOWN) {
            EXPECT_EQ(hr, E_FAIL) << row.format;
            continue;
        }
        ASSERT_EQ(hr, D3D_OK) << row.format;
        EXPECT_EQ(image.format, expected);
        EXPECT_EQ(image.bits[0], 1) << "pixels 12 bytes after the header";
        EXPECT_EQ(image.bits[1], 2);
    }
}

TEST(BitmapBitFields, SixteenBitMasksAfterA40ByteHeaderGive565) {
    BitmapRecipe r = plain(2, 1, 16, {0x1F, 0xF8, 0xE0, 0x07});
    r.compression = 3;
    r.masks = {0xF800, 0x7E0, 0x1F};
    const Bytes file = makeDib(r);
    ImageDecoder image;
    ASSERT_EQ(image.decodeDib(file.data(), UINT(file.size())), D3D_OK);
    EXPECT_EQ(image.format, D3DFMT_R5G6B5);
    EXPECT_EQ(decodedBytes(image), (Bytes{0x1F, 0xF8, 0xE0, 0x07}));
}

TEST(BitmapPalette, FourBitsTakeSixteenEntriesAndTheRestIsOpaqueWhite) {
    const Bytes file = makeBmp(indexed(2, 1, 4, {0x0F, 0, 0, 0}));
    ImageDecoder image;
    ASSERT_EQ(image.decodeBmp(file.data(), UINT(file.size())), D3D_OK);
    ASSERT_TRUE(image.ownsPalette);
    EXPECT_EQ(decodedBytes(image), (Bytes{0, 15, 0, 0}));
    for (int i = 0; i < 256; ++i) {
        const PALETTEENTRY& e = image.palette[i];
        const std::array<int, 4> got = {e.peRed, e.peGreen, e.peBlue, e.peFlags};
        const std::array<int, 4> want = i < 16
                                            ? std::array<int, 4>{3 * i + 2, 3 * i + 1, 3 * i, 0xFF}
                                            : std::array<int, 4>{0xFF, 0xFF, 0xFF, 0xFF};
        EXPECT_EQ(got, want) << i;
    }
}

TEST(BitmapPalette, ColoursUsedShortensTheTableAndMovesThePixels) {
    BitmapRecipe r = indexed(2, 1, 8, {2, 3, 0, 0});
    r.colorsUsed = 3;
    r.colorTable = colorTable(3);
    const Bytes file = makeBmp(r);
    ImageDecoder image;
    ASSERT_EQ(image.decodeBmp(file.data(), UINT(file.size())), D3D_OK);
    EXPECT_EQ(decodedBytes(image), (Bytes{2, 3, 0, 0}));
    EXPECT_EQ(image.palette[2].peRed, 8);
    EXPECT_EQ(image.palette[2].peBlue, 6);
    EXPECT_EQ(image.palette[3].peRed, 0xFF);
    EXPECT_EQ(image.palette[3].peBlue, 0xFF);
}

TEST(BitmapPalette, TrueColourImagesSkipAnyColourTable) {
    BitmapRecipe r = plain(1, 1, 24, {7, 8, 9, 0});
    r.colorsUsed = 2;
    r.colorTable = colorTable(2);
    const Bytes file = makeBmp(r);
    ImageDecoder image;
    ASSERT_EQ(image.decodeBmp(file.data(), UINT(file.size())), D3D_OK);
    EXPECT_EQ(image.palette, nullptr);
    EXPECT_EQ(decodedBytes(image), (Bytes{7, 8, 9, 0}));
}

TEST(BitmapRows, TopDownRowsOfEightBitsOrMoreStayInTheFile) {
    struct Case {
        BitmapRecipe recipe;
        PixelFormat format;
    };
    BitmapRecipe fields = plain(2, -2, 16, {1, 2, 3, 4, 5, 6, 7, 8});
    fields.compression = 3;
    fields.masks = {0xF800, 0x7E0, 0x1F};
    for (const Case& c : {Case{plain(1, -2, 32, {1, 2, 3, 4, 5, 6, 7, 8}), D3DFMT_X8R8G8B8},
                          Case{indexed(3, -2, 8, {1, 2, 3, 0, 4, 5, 6, 0}), D3DFMT_P8},
                          Case{fields, D3DFMT_R5G6B5}}) {
        const Bytes file = makeBmp(c.recipe);
        ImageDecoder image;
        ASSERT_EQ(image.decodeBmp(file.data(), UINT(file.size())), D3D_OK);
        EXPECT_EQ(image.format, c.format);
        EXPECT_FALSE(image.ownsBits);
        EXPECT_EQ(image.bits, file.data() + file.size() - c.recipe.pixels.size());
        EXPECT_EQ(image.rowPitch, 4u);
        EXPECT_EQ(image.height, 2u);
    }
}

} // namespace
