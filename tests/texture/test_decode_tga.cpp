// The Targa decoder: every image type and depth stored and run-length encoded, both row orders
// and right-to-left rows, packets across row ends and past the image, the colour map with its
// first index and every entry size, the image ID, and every refusal.
#include "texture/image_decoder.h"

#include "tests/support/allocation_counter.h"
#include "tests/support/container_files.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>

namespace {

using test_support::Bytes;
using test_support::makeTga;
using test_support::TargaRecipe;

constexpr uint8_t RightToLeft = 0x10, TopToBottom = 0x20;
constexpr uint8_t RunLength = 8;

Bytes decodedBytes(const ImageDecoder& image) {
    return Bytes(image.bits, image.bits + size_t(image.rowPitch) * image.height);
}

// Pixel i of a picture is `bytes` bytes each 16i + b.
Bytes numberedPixels(int count, int bytes) {
    Bytes pixels;
    for (int i = 0; i < count; ++i)
        for (int b = 0; b < bytes; ++b)
            pixels.push_back(uint8_t(16 * i + b));
    return pixels;
}

// The rows of `stored` (top to bottom) in bottom-up order.
Bytes bottomUp(const Bytes& stored, size_t rowBytes) {
    Bytes out;
    for (size_t row = stored.size() / rowBytes; row-- > 0;)
        out.insert(out.end(), stored.begin() + ptrdiff_t(row * rowBytes),
                   stored.begin() + ptrdiff_t((row + 1) * rowBytes));
    return out;
}

// A three-entry 24-bit colour map: entry i is blue 10i, green 10i + 1, red 10i + 2.
TargaRecipe colorMapped(uint8_t imageType) {
    TargaRecipe r;
    r.colorMapType = 1;
    r.imageType = imageType;
    r.mapLength = 3;
    r.mapEntryBits = 24;
    r.colorMap = {0, 1, 2, 10, 11, 12, 20, 21, 22};
    r.pixelBits = 8;
    return r;
}

struct TypeCase {
    uint8_t imageType; // without the run-length flag
    uint8_t pixelBits;
    PixelFormat format;
};

constexpr TypeCase typeCases[] = {
    {1, 8, D3DFMT_P8},      {2, 15, D3DFMT_X1R5G5B5}, {2, 16, D3DFMT_A1R5G5B5},
    {2, 24, D3DFMT_R8G8B8}, {2, 32, D3DFMT_A8R8G8B8}, {3, 8, D3DFMT_L8},
};

// A 3 x 2 picture of distinct pixels stored bottom-up, as most files are: stored, and as
// packets (all raw, and raw and repeat mixed). The decoded rows must come out top-down.
TEST(TargaFormat, EveryImageTypeAndDepthStoredAndRunLengthEncoded) {
    for (const TypeCase& c : typeCases) {
        const int bytes = (c.pixelBits + 7) / 8;
        const Bytes topDown = c.imageType == 1 ? Bytes{0, 1, 2, 2, 1, 0} : numberedPixels(6, bytes);
        const Bytes stored = bottomUp(topDown, 3 * size_t(bytes));
        const Bytes firstTwoEqual = [&] {
            Bytes same = stored;
            std::copy_n(stored.begin(), bytes, same.begin() + bytes);
            return same;
        }();
        struct Variant {
            bool runLength;
            Bytes data;
            Bytes decoded;
        };
        for (const Variant& v : {Variant{false, stored, topDown},
                                 Variant{true, test_support::targaPackets(stored, bytes), topDown},
                                 Variant{true, test_support::targaPackets(firstTwoEqual, bytes),
                                         bottomUp(firstTwoEqual, 3 * size_t(bytes))}}) {
            TargaRecipe r = c.imageType == 1 ? colorMapped(1) : TargaRecipe{};
            r.imageType = uint8_t(c.imageType | (v.runLength ? RunLength : 0));
            r.width = 3;
            r.height = 2;
            r.pixelBits = c.pixelBits;
            r.pixels = v.data;
            const Bytes file = makeTga(r);
            ImageDecoder image;
            SCOPED_TRACE(testing::Message()
                         << "type " << int(r.imageType) << ", " << int(c.pixelBits) << " bits");
            ASSERT_EQ(image.decodeTga(file.data(), UINT(file.size())), D3D_OK);
            EXPECT_EQ(image.format, c.format);
            EXPECT_EQ(image.width, 3u);
            EXPECT_EQ(image.height, 2u);
            EXPECT_EQ(image.depth, 1u);
            EXPECT_EQ(image.rowPitch, 3u * bytes);
            EXPECT_EQ(image.slicePitch, 0u);
            EXPECT_TRUE(image.ownsBits);
            EXPECT_EQ(decodedBytes(image), v.decoded);
            EXPECT_EQ(image.palette != nullptr, c.format == D3DFMT_P8);
        }
    }
}

// 3 x 2 grey pixels stored as 1 2 3 / 4 5 6 in the file's own order.
Bytes decodedGrey(uint8_t descriptor, uint8_t imageType = 3, Bytes data = {1, 2, 3, 4, 5, 6}) {
    TargaRecipe r;
    r.imageType = imageType;
    r.width = 3;
    r.height = 2;
    r.pixelBits = 8;
    r.descriptor = descriptor;
    r.pixels = std::move(data);
    const Bytes file = makeTga(r);
    ImageDecoder image;
    EXPECT_EQ(image.decodeTga(file.data(), UINT(file.size())), D3D_OK);
    return image.bits != nullptr ? decodedBytes(image) : Bytes{};
}

TEST(TargaRows, EveryRowOrderAndDirection) {
    EXPECT_EQ(decodedGrey(0), (Bytes{4, 5, 6, 1, 2, 3}));
    EXPECT_EQ(decodedGrey(TopToBottom), (Bytes{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(decodedGrey(RightToLeft), (Bytes{6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(decodedGrey(TopToBottom | RightToLeft), (Bytes{3, 2, 1, 6, 5, 4}));
    // The same through packets: one raw packet of four, a repeat of two.
    const Bytes packets = {3, 1, 2, 3, 4, 0x81, 5};
    EXPECT_EQ(decodedGrey(RightToLeft, 3 | RunLength, packets), (Bytes{5, 5, 4, 3, 2, 1}));
    EXPECT_EQ(decodedGrey(TopToBottom, 3 | RunLength, packets), (Bytes{1, 2, 3, 4, 5, 5}));
}

TEST(TargaRows, StoredTopDownLeftToRightPixelsStayInTheFile) {
    TargaRecipe r;
    r.width = 2;
    r.height = 2;
    r.pixelBits = 32;
    r.descriptor = TopToBottom | 8; // eight alpha bits, which change nothing
    r.id = {'i', 'd'};
    r.pixels = numberedPixels(4, 4);
    const Bytes file = makeTga(r);
    ImageDecoder image;
    ASSERT_EQ(image.decodeTga(file.data(), UINT(file.size())), D3D_OK);
    EXPECT_FALSE(image.ownsBits);
    EXPECT_EQ(image.bits, file.data() + 18 + 2);
    EXPECT_EQ(image.rowPitch, 8u);
}

TEST(TargaPackets, CrossRowEndsAndStopAtTheImageEnd) {
    // A repeat of four over a 3-wide row continues on the next one.
    EXPECT_EQ(decodedGrey(TopToBottom, 3 | RunLength, {0x83, 9, 1, 1, 2}),
              (Bytes{9, 9, 9, 9, 1, 2}));
    // A raw packet of four does the same, filling each row from the right.
    EXPECT_EQ(decodedGrey(TopToBottom | RightToLeft, 3 | RunLength, {3, 1, 2, 3, 4, 0x81, 7}),
              (Bytes{3, 2, 1, 7, 7, 4}));
    // Packets that run past the last pixel are cut there, and what follows is never read.
    EXPECT_EQ(decodedGrey(TopToBottom, 3 | RunLength, {4, 1, 2, 3, 4, 5, 0x85, 6, 0xEE}),
              (Bytes{1, 2, 3, 4, 5, 6}));
}

// Runs long enough to be copied and filled in blocks, for pixels of every size: a row of 37
// raw pixels, then a repeat of 30 and 7 raw pixels, stored bottom-up.
TEST(TargaPackets, LongRunsOfEveryPixelSize) {
    for (const TypeCase& c : typeCases) {
        if (c.imageType == 1)
            continue;
        const int bytes = (c.pixelBits + 7) / 8;
        const Bytes firstRow = numberedPixels(37, bytes);
        const Bytes repeated(firstRow.begin() + 5 * bytes, firstRow.begin() + 6 * bytes);
        Bytes packets = {36};
        packets.insert(packets.end(), firstRow.begin(), firstRow.end());
        packets.push_back(0x80 | 29);
        packets.insert(packets.end(), repeated.begin(), repeated.end());
        packets.push_back(6);
        packets.insert(packets.end(), firstRow.begin(), firstRow.begin() + 7 * bytes);
        Bytes secondRow;
        for (int i = 0; i < 30; ++i)
            secondRow.insert(secondRow.end(), repeated.begin(), repeated.end());
        secondRow.insert(secondRow.end(), firstRow.begin(), firstRow.begin() + 7 * bytes);

        TargaRecipe r;
        r.imageType = uint8_t(c.imageType | RunLength);
        r.width = 37;
        r.height = 2;
        r.pixelBits = c.pixelBits;
        r.pixels = packets;
        const Bytes file = makeTga(r);
        ImageDecoder image;
        ASSERT_EQ(image.decodeTga(file.data(), UINT(file.size())), D3D_OK) << int(c.pixelBits);
        Bytes expected = secondRow;
        expected.insert(expected.end(), firstRow.begin(), firstRow.end());
        EXPECT_EQ(decodedBytes(image), expected) << int(c.pixelBits);
    }
}

TEST(TargaPackets, DataEndingBeforeTheLastPixelFails) {
    TargaRecipe r;
    r.imageType = 2 | RunLength;
    r.width = 2;
    r.height = 2;
    r.pixelBits = 24;
    for (const Bytes& packets : {Bytes{}, Bytes{0x83, 1, 2}, Bytes{0x81, 1, 2, 3},
                                 Bytes{3, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}}) {
        r.pixels = packets;
        const Bytes file = makeTga(r);
        ImageDecoder image;
        EXPECT_EQ(image.decodeTga(file.data(), UINT(file.size())), E_FAIL) << packets.size();
    }
}

TargaRecipe mapOf(uint8_t entryBits, uint16_t firstIndex, Bytes entries) {
    TargaRecipe r = colorMapped(1);
    r.mapEntryBits = entryBits;
    r.firstIndex = firstIndex;
    r.mapLength = uint16_t(entries.size() / ((entryBits + 7) / 8));
    r.colorMap = std::move(entries);
    r.pixels = {0};
    return r;
}

using Entry = std::array<int, 4>; // red, green, blue, alpha

std::array<Entry, 256> decodedPalette(const TargaRecipe& r) {
    const Bytes file = makeTga(r);
    ImageDecoder image;
    std::array<Entry, 256> out = {};
    EXPECT_EQ(image.decodeTga(file.data(), UINT(file.size())), D3D_OK);
    if (image.palette == nullptr)
        return out;
    EXPECT_TRUE(image.ownsPalette);
    for (int i = 0; i < 256; ++i)
        out[i] = {image.palette[i].peRed, image.palette[i].peGreen, image.palette[i].peBlue,
                  image.palette[i].peFlags};
    return out;
}

TEST(TargaColorMap, EntriesOfEverySizeLandFromTheFirstIndexAmidOpaqueWhite) {
    const Entry white = {0xFF, 0xFF, 0xFF, 0xFF};
    struct Case {
        uint8_t entryBits;
        Bytes entries;
        Entry first, second;
    };
    // 5-bit values widen as (v * 8) | (v / 4): 31 -> 255, 16 -> 132, 1 -> 8.
    for (const Case& c : {
             Case{24, {1, 2, 3, 4, 5, 6}, {3, 2, 1, 0xFF}, {6, 5, 4, 0xFF}},
             Case{32, {1, 2, 3, 0x40, 4, 5, 6, 0}, {3, 2, 1, 0x40}, {6, 5, 4, 0}},
             // 0x7C00 | 0x0201 -> red 31, green 16, blue 1; bit 15 set or clear.
             Case{16, {0x01, 0xFE, 0x01, 0x7E}, {255, 132, 8, 0xFF}, {255, 132, 8, 0}},
             Case{15, {0x01, 0xFE, 0x01, 0x7E}, {255, 132, 8, 0xFF}, {255, 132, 8, 0xFF}},
         }) {
        SCOPED_TRACE(int(c.entryBits));
        const std::array<Entry, 256> palette = decodedPalette(mapOf(c.entryBits, 5, c.entries));
        EXPECT_EQ(palette[4], white);
        EXPECT_EQ(palette[5], c.first);
        EXPECT_EQ(palette[6], c.second);
        EXPECT_EQ(palette[7], white);
        EXPECT_EQ(palette[255], white);
    }
}

TEST(TargaColorMap, MapMustFitInTheFirst256Entries) {
    const Bytes tenEntries(30, 0x11);
    EXPECT_EQ(decodedPalette(mapOf(24, 246, tenEntries))[255], (Entry{0x11, 0x11, 0x11, 0xFF}));
    const Bytes file = makeTga(mapOf(24, 250, tenEntries));
    ImageDecoder image;
    EXPECT_EQ(image.decodeTga(file.data(), UINT(file.size())), E_FAIL);
}

TEST(TargaColorMap, TrueColourImagesSkipTheIdAndTheMap) {
    TargaRecipe r = colorMapped(2);
    r.pixelBits = 24;
    r.id = Bytes(7, 'x');
    r.pixels = {1, 2, 3};
    const Bytes file = makeTga(r);
    ImageDecoder image;
    ASSERT_EQ(image.decodeTga(file.data(), UINT(file.size())), D3D_OK);
    EXPECT_EQ(image.palette, nullptr);
    EXPECT_EQ(decodedBytes(image), (Bytes{1, 2, 3}));
}

struct Refusal {
    const char* name;
    std::function<void(TargaRecipe&)> change;
};

TEST(TargaHeader, EveryRefusalFails) {
    const std::vector<Refusal> refusals = {
        {"ColourMapType2", [](TargaRecipe& r) { r.colorMapType = 2; }},
        {"ImageTypeBit2", [](TargaRecipe& r) { r.imageType = 1 | 4; }},
        {"ImageTypeBit4", [](TargaRecipe& r) { r.imageType = 1 | 16; }},
        {"ImageTypeBit7", [](TargaRecipe& r) { r.imageType = 1 | 128; }},
        {"ImageType0", [](TargaRecipe& r) { r.imageType = 0; }},
        {"ZeroWidth", [](TargaRecipe& r) { r.width = 0; }},
        {"ZeroHeight", [](TargaRecipe& r) { r.height = 0; }},
        {"MapEntriesOf8Bits", [](TargaRecipe& r) { r.mapEntryBits = 8; }},
        {"ColourMappedWithoutAMap",
         [](TargaRecipe& r) {
             r.colorMapType = 0;
             r.colorMap.clear();
         }},
        {"ColourMappedOf16Bits", [](TargaRecipe& r) { r.pixelBits = 16; }},
        {"TrueColourOf8Bits", [](TargaRecipe& r) { r.imageType = 2; }},
        {"GreyOf16Bits",
         [](TargaRecipe& r) {
             r.imageType = 3;
             r.pixelBits = 16;
         }},
        {"MapShorterThanItsLength", [](TargaRecipe& r) { r.mapLength = 200; }},
        {"IdLongerThanTheData",
         [](TargaRecipe& r) {
             r.id = Bytes(40, 'x');
             r.colorMap.clear();
             r.pixels.clear();
         }},
        {"StoredPixelsShort", [](TargaRecipe& r) { r.pixels.pop_back(); }},
        {"StoredTopDownPixelsShort",
         [](TargaRecipe& r) {
             r.descriptor = TopToBottom;
             r.pixels.pop_back();
         }},
    };
    for (const Refusal& refusal : refusals) {
        TargaRecipe r = colorMapped(1);
        r.width = 2;
        r.height = 2;
        r.pixels = {0, 1, 2, 0};
        refusal.change(r);
        Bytes file = makeTga(r);
        if (refusal.name == std::string("IdLongerThanTheData"))
            file.resize(18 + 39);
        ImageDecoder image;
        EXPECT_EQ(image.decodeTga(file.data(), UINT(file.size())), E_FAIL) << refusal.name;
    }
    const Bytes file = makeTga(colorMapped(1));
    ImageDecoder image;
    EXPECT_EQ(image.decodeTga(file.data(), 17), E_FAIL);
}

TEST(TargaHeader, ImagesBeyond4GBAreRefusedBeforeAnythingIsAllocated) {
    TargaRecipe r;
    r.imageType = 2 | RunLength;
    r.width = 65535;
    r.height = 65535;
    r.pixelBits = 32; // 17 GB; wrapped to 32 bits it would be under 4 GB
    r.pixels = {0xFF, 1, 2, 3, 4};
    const Bytes file = makeTga(r);
    ImageDecoder image;
    test_support::startCountingAllocations();
    const HRESULT hr = image.decodeTga(file.data(), UINT(file.size()));
    EXPECT_EQ(test_support::stopCountingAllocations(), 0);
    EXPECT_EQ(hr, E_FAIL);
}

TEST(TargaHeader, FailedAllocationsGiveOutOfMemoryAndLoadKeepsNothing) {
    TargaRecipe mapped = colorMapped(1);
    mapped.width = 64;
    mapped.height = 64;
    mapped.pixels = Bytes(64 * 64, 1);
    const Bytes file = makeTga(mapped);
    for (size_t failingSize : {size_t(1024), size_t(4096)}) {
        ImageDecoder image;
        test_support::failAllocationsFrom(failingSize);
        const HRESULT own = image.decodeTga(file.data(), UINT(file.size()));
        image.discard();
        const HRESULT loaded = image.load(file.data(), UINT(file.size()), nullptr);
        test_support::failAllocationsFrom(0);
        EXPECT_EQ(own, E_OUTOFMEMORY) << failingSize;
        EXPECT_EQ(loaded, InvalidData);
        EXPECT_EQ(image.bits, nullptr);
        EXPECT_EQ(image.palette, nullptr);
    }
}

} // namespace
