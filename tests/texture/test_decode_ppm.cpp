// The portable pixmap decoder: text and binary samples with their exact pixels, the maximum
// value's scaling and clamping, comments and white space, the separator after the maximum,
// numbers beyond 32 bits, and data that ends too soon.
#include "texture/image_decoder.h"

#include "tests/support/allocation_counter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using Pixels = std::vector<uint32_t>;

struct Decoded {
    HRESULT result = E_FAIL;
    Pixels pixels; // ARGB words, rows top to bottom
};

Decoded decode(const std::string& text) {
    const std::vector<uint8_t> data(text.begin(), text.end());
    ImageDecoder image;
    Decoded out;
    out.result = image.decodePpm(data.data(), UINT(data.size()));
    if (FAILED(out.result))
        return out;
    EXPECT_EQ(image.format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(image.depth, 1u);
    EXPECT_EQ(image.rowPitch, 4 * image.width);
    EXPECT_EQ(image.slicePitch, 0u);
    EXPECT_TRUE(image.ownsBits);
    EXPECT_EQ(image.palette, nullptr);
    out.pixels.resize(size_t(image.width) * image.height);
    std::memcpy(out.pixels.data(), image.bits, out.pixels.size() * 4);
    return out;
}

TEST(PixmapBinary, SamplesAreBytesInRedGreenBlueOrder) {
    const Decoded d = decode(std::string("P6 2 1 255\n\xFF\x00\x00\x00\xFF\x00", 17));
    ASSERT_EQ(d.result, D3D_OK);
    EXPECT_EQ(d.pixels, (Pixels{0xFFFF0000, 0xFF00FF00}));
}

TEST(PixmapBinary, SamplesScaleFromTheMaximumAndClampAboveIt) {
    // 15 -> 255, 7 -> 119, and 200, above the maximum, counts as 15.
    const Decoded d = decode(std::string("P6\n1 2\n15\n\x0F\x07\x00\xC8\x01\x0F", 16));
    ASSERT_EQ(d.result, D3D_OK);
    EXPECT_EQ(d.pixels, (Pixels{0xFFFF7700, 0xFFFF11FF}));
}

TEST(PixmapBinary, OneSeparatorFollowsTheMaximumAfterAnOptionalCarriageReturn) {
    // A carriage return and a line feed are both skipped; so is any one byte of white space.
    EXPECT_EQ(decode(std::string("P6 1 1 255\r\n\x01\x02\x03", 15)).pixels, (Pixels{0xFF010203}));
    EXPECT_EQ(decode(std::string("P6 1 1 255\t\x01\x02\x03", 14)).pixels, (Pixels{0xFF010203}));
    // After one separator, further white space is a sample.
    EXPECT_EQ(decode(std::string("P6 1 1 255\n\n\x02\x03", 14)).pixels, (Pixels{0xFF0A0203}));
    // A carriage return with more after it is skipped, and the byte after it is the separator.
    EXPECT_EQ(decode(std::string("P6 1 1 255\r\x01\x02\x03\x04", 15)).pixels, (Pixels{0xFF020304}));
}

TEST(PixmapBinary, MaximumAbove255AndShortDataFail) {
    EXPECT_EQ(decode(std::string("P6 1 1 256\n\x01\x02\x03\x04\x05\x06", 17)).result, E_FAIL);
    EXPECT_EQ(decode(std::string("P6 2 1 255\n\x01\x02\x03\x04\x05", 16)).result, E_FAIL);
    EXPECT_EQ(decode("P6 1 1 255").result, E_FAIL);
}

TEST(PixmapText, SamplesAreDecimalFieldsWithCommentsAnywhere) {
    const Decoded d = decode("P3\n# made by hand\n2 # width\n# height next\n1\n255\n"
                             "255 0 0 # red\n0 255 0\n");
    ASSERT_EQ(d.result, D3D_OK);
    EXPECT_EQ(d.pixels, (Pixels{0xFFFF0000, 0xFF00FF00}));
}

TEST(PixmapText, WhiteSpaceIsEveryCharacterTheCLibraryCallsSpace) {
    const Decoded d = decode("P3\t2\v1\f255\r10 20 30\n\r40\t50\v60");
    ASSERT_EQ(d.result, D3D_OK);
    EXPECT_EQ(d.pixels, (Pixels{0xFF0A141E, 0xFF28323C}));
}

TEST(PixmapText, LargeMaximaScaleInSixtyFourBits) {
    // 65535 -> 255, 32768 -> 127, and 4000000000 against a maximum of 4294967295 -> 237.
    const Decoded wide = decode("P3 1 1 65535 65535 32768 0");
    ASSERT_EQ(wide.result, D3D_OK);
    EXPECT_EQ(wide.pixels, (Pixels{0xFFFF7F00}));
    const Decoded widest = decode("P3 1 1 4294967295 4000000000 0 4294967295");
    ASSERT_EQ(widest.result, D3D_OK);
    EXPECT_EQ(widest.pixels, (Pixels{0xFFED00FF}));
}

TEST(PixmapText, DecodeEndsWithTheLastPixelWhateverFollows) {
    EXPECT_EQ(decode("P3 1 1 255 1 2 3 not a sample").pixels, (Pixels{0xFF010203}));
    EXPECT_EQ(decode("P3 1 1 255 1 2 300").pixels, (Pixels{0xFF0102FF})) << "clamped";
}

TEST(PixmapText, MalformedFieldsAndShortDataFail) {
    for (const char* text : {
             "P3 1 1 255 1 2",            // a sample missing
             "P3 1 1 255 1 2 3x",         // a letter inside a number
             "P3 1 1 255 1 -2 3",         // a sign
             "P3 2 1x 255 1 2 3",         // a letter in the header
             "P3 1 1#c\n255 1 2 3",       // a comment must follow white space
             "P3 0 1 255 1 2 3",          // zero width
             "P3 1 0 255 1 2 3",          // zero height
             "P3 1 1 0 1 2 3",            // zero maximum
             "P3 1 1 255 1 2 4294967296", // a sample beyond 32 bits
             "P3 4294967297 1 255 1 2 3", // a width beyond 32 bits, 1 after wrapping
             "P5 1 1 255 1 2 3",
             "P",
         }) {
        EXPECT_EQ(decode(text).result, E_FAIL) << text;
    }
}

TEST(PixmapHeader, ImagesBeyond4GBOrLongerThanTheDataAreRefusedBeforeAllocating) {
    // 65536 x 16384 pixels take exactly 4 GB; 30000 x 30000 fit, but not in a few bytes.
    for (const char* text : {"P6 65536 16384 255\n\x01\x02\x03", "P6 30000 30000 255\n\x01\x02\x03",
                             "P3 30000 30000 255\n1 2 3"}) {
        const std::string header(text);
        const std::vector<uint8_t> data(header.begin(), header.end());
        ImageDecoder image;
        test_support::startCountingAllocations();
        const HRESULT hr = image.decodePpm(data.data(), UINT(data.size()));
        EXPECT_EQ(test_support::stopCountingAllocations(), 0) << text;
        EXPECT_EQ(hr, E_FAIL) << text;
    }
}

TEST(PixmapHeader, FailedAllocationGivesOutOfMemoryAndSampleErrorsLeaveNothing) {
    const std::string text = "P3 2 1 255 1 2 3 4 5 6";
    const std::vector<uint8_t> data(text.begin(), text.end());
    ImageDecoder image;
    test_support::failAllocationsFrom(8);
    const HRESULT hr = image.decodePpm(data.data(), UINT(data.size()));
    test_support::failAllocationsFrom(0);
    EXPECT_EQ(hr, E_OUTOFMEMORY);

    // The buffer is taken before the samples are read; a bad sample fails after that.
    const std::string bad = "P3 2 1 255 1 2 3 4 5 x";
    const std::vector<uint8_t> badData(bad.begin(), bad.end());
    EXPECT_EQ(image.load(badData.data(), UINT(badData.size()), nullptr), InvalidData);
    EXPECT_EQ(image.bits, nullptr);
}

} // namespace
