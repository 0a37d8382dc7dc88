// The DDS decoder: every row of the format table, the flag-selected fields, the level sizes
// of each format, cube maps, volumes, palettes, and files cut short or sized to wrap.
#include "texture/dds_format_table.h"
#include "texture/image_decoder.h"

#include "tests/texture/dds_maker.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <random>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t Header = 128;
constexpr uint32_t CubeBits = 0xFC00;
constexpr uint32_t DepthFlag = 0x800000;

DdsRecipe recipeOf(uint32_t format, uint32_t width, uint32_t height, uint32_t levels,
                   size_t dataBytes) {
    DdsRecipe r;
    r.width = width;
    r.height = height;
    r.mipCount = levels;
    r.pixel = ddsPixelWords(format);
    r.data = patternBytes(dataBytes);
    return r;
}

HRESULT decode(const Bytes& file, ImageDecoder* image) {
    return image->decodeDds(file.data(), UINT(file.size()));
}

HRESULT decodeOnly(const Bytes& file) {
    ImageDecoder image;
    return decode(file, &image);
}

// Row pitch and slice of a level, worked out apart from the decoder: rows of 4 x 4 blocks,
// of pixel pairs, or of whole pixels.
uint32_t expectedPitch(uint32_t format, uint32_t width) {
    switch (format) {
    case D3DFMT_DXT1:
        return (width + 3) / 4 * 8;
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5:
        return (width + 3) / 4 * 16;
    case D3DFMT_UYVY:
    case D3DFMT_YUY2:
        return (width + 1) / 2 * 4;
    }
    return ddsPixelWords(format).bits / 8 * width;
}

uint32_t expectedSlice(uint32_t format, uint32_t width, uint32_t height) {
    const bool blocks =
        ddsPixelWords(format).flags == 0x4 && format != D3DFMT_UYVY && format != D3DFMT_YUY2;
    return expectedPitch(format, width) * (blocks ? (height + 3) / 4 : height);
}

TEST(DdsFormatTable, EveryRowIsFoundByItsOwnWordsAndGivesThemBack) {
    for (uint32_t format : ddsFormats()) {
        const DdsPixelWords words = ddsPixelWords(format);
        const DdsPixelFormat file = {words.flags,    words.code,     words.bits,    words.masks[0],
                                     words.masks[1], words.masks[2], words.masks[3]};
        EXPECT_EQ(findDdsFormat(file), format) << format;
        const DdsPixelFormat* written = findDdsDescription(format);
        ASSERT_NE(written, nullptr) << format;
        EXPECT_EQ(std::memcmp(written, &file, sizeof(file)), 0) << format;
    }
    EXPECT_EQ(findDdsDescription(D3DFMT_D32), nullptr);
    EXPECT_EQ(findDdsDescription(PixelFormatAR16), nullptr);
}

TEST(DdsDecoder, EveryRowOfTheTableWithItsLevelSizes) {
    // 3 x 2, then 1 x 1: 4 x 4 blocks and pixel pairs round up, so a 1 x 1 DXT5 level still
    // takes 16 bytes.
    for (uint32_t format : ddsFormats()) {
        const uint32_t top = expectedSlice(format, 3, 2);
        const uint32_t bottom = expectedSlice(format, 1, 1);
        DdsRecipe r = recipeOf(format, 3, 2, 2, top + bottom);
        const bool paletted = format == D3DFMT_P8 || format == D3DFMT_A8P8;
        if (paletted)
            r.palette = patternBytes(1024, 7);
        const Bytes file = makeDds(r);
        const uint32_t dataStart = Header + (paletted ? 1024 : 0);

        ImageDecoder image;
        ASSERT_EQ(decode(file, &image), D3D_OK) << format;
        EXPECT_EQ(image.format, format);
        EXPECT_EQ(image.width, 3u);
        EXPECT_EQ(image.height, 2u);
        EXPECT_EQ(image.depth, 1u);
        EXPECT_EQ(image.rowPitch, expectedPitch(format, 3)) << format;
        EXPECT_EQ(image.slicePitch, top) << format;
        EXPECT_EQ(image.bits, file.data() + dataStart);
        EXPECT_FALSE(image.ownsBits);
        EXPECT_EQ(image.palette,
                  paletted ? reinterpret_cast<const PALETTEENTRY*>(&file[Header]) : nullptr);
        EXPECT_FALSE(image.ownsPalette);
        EXPECT_EQ(image.resourceType, D3DRTYPE_TEXTURE);
        ASSERT_NE(image.nextLevel, nullptr);
        const ImageDecoder& small = *image.nextLevel;
        EXPECT_EQ(small.width, 1u);
        EXPECT_EQ(small.height, 1u);
        EXPECT_EQ(small.slicePitch, bottom) << format;
        EXPECT_EQ(small.bits, file.data() + dataStart + top);
        EXPECT_EQ(small.palette, image.palette);
        EXPECT_EQ(small.nextLevel, nullptr);

        const Bytes shortFile(file.begin(), file.end() - 1);
        EXPECT_EQ(decodeOnly(shortFile), E_FAIL) << format;
    }
}

TEST(DdsDecoder, Dxt1ChainOfPitchesAndSlices) {
    const Bytes file = makeDds(recipeOf(D3DFMT_DXT1, 256, 256, 9, 43704));
    ImageDecoder image;
    ASSERT_EQ(decode(file, &image), D3D_OK);
    const UINT pitches[] = {512, 256, 128, 64, 32, 16, 8, 8, 8};
    const UINT slices[] = {32768, 8192, 2048, 512, 128, 32, 8, 8, 8};
    const ImageDecoder* level = &image;
    size_t offset = Header;
    for (int i = 0; i < 9; ++i, level = level->nextLevel.get()) {
        ASSERT_NE(level, nullptr) << i;
        EXPECT_EQ(level->width, std::max(256u >> i, 1u));
        EXPECT_EQ(level->rowPitch, pitches[i]) << i;
        EXPECT_EQ(level->slicePitch, slices[i]) << i;
        EXPECT_EQ(level->bits, file.data() + offset) << i;
        offset += slices[i];
    }
    EXPECT_EQ(level, nullptr);
    EXPECT_EQ(offset, file.size());
    EXPECT_EQ(decodeOnly(makeDds(recipeOf(D3DFMT_DXT1, 256, 256, 9, 43703))), E_FAIL);
}

TEST(DdsDecoder, CubeMapsChainSixFacesInFileOrder) {
    // 4 x 4 A8R8G8B8, two levels: 64 + 16 bytes a face.
    DdsRecipe r = recipeOf(D3DFMT_A8R8G8B8, 4, 4, 2, 6 * 80);
    r.caps2 = 0x200 | CubeBits;
    const Bytes file = makeDds(r);
    ImageDecoder image;
    ASSERT_EQ(decode(file, &image), D3D_OK);
    EXPECT_EQ(image.resourceType, D3DRTYPE_CUBETEXTURE);
    EXPECT_EQ(image.faceCount(), 6u);
    const ImageDecoder* face = &image;
    for (int i = 0; i < 6; ++i, face = face->nextFace.get()) {
        EXPECT_EQ(face->levelCount(), 2u);
        EXPECT_EQ(face->width, 4u);
        EXPECT_EQ(face->bits, file.data() + Header + 80 * i) << i;
        EXPECT_EQ(face->nextLevel->width, 2u);
        EXPECT_EQ(face->nextLevel->bits, file.data() + Header + 80 * i + 64) << i;
    }

    for (uint32_t missing = 0x400; missing <= 0x8000; missing <<= 1) {
        r.caps2 = 0x200 | (CubeBits & ~missing);
        EXPECT_EQ(decodeOnly(makeDds(r)), E_FAIL) << std::hex << missing;
    }
    r.caps2 = 0x200 | CubeBits;
    r.data.pop_back();
    EXPECT_EQ(decodeOnly(makeDds(r)), E_FAIL);
}

TEST(DdsDecoder, VolumesHalveTheirDepth) {
    // 4 x 4 x 4 L8: slices of 16, 4 and 1 bytes.
    DdsRecipe r = recipeOf(D3DFMT_L8, 4, 4, 3, 64 + 8 + 1);
    r.flags |= DepthFlag;
    r.depth = 4;
    Bytes file = makeDds(r);
    ImageDecoder image;
    ASSERT_EQ(decode(file, &image), D3D_OK);
    EXPECT_EQ(image.resourceType, D3DRTYPE_VOLUMETEXTURE);
    const UINT depths[] = {4, 2, 1};
    const UINT slices[] = {16, 4, 1};
    const size_t offsets[] = {0, 64, 72};
    const ImageDecoder* level = &image;
    for (int i = 0; i < 3; ++i, level = level->nextLevel.get()) {
        ASSERT_NE(level, nullptr);
        EXPECT_EQ(level->depth, depths[i]);
        EXPECT_EQ(level->slicePitch, slices[i]);
        EXPECT_EQ(level->bits, file.data() + Header + offsets[i]);
    }
    r.data.pop_back();
    EXPECT_EQ(decodeOnly(makeDds(r)), E_FAIL);

    // The depth flag makes a volume even with every cube bit set; each face holds a volume.
    r.data = patternBytes(6 * 73);
    r.caps2 = CubeBits;
    ImageDecoder both;
    ASSERT_EQ(decode(makeDds(r), &both), D3D_OK);
    EXPECT_EQ(both.resourceType, D3DRTYPE_VOLUMETEXTURE);
    EXPECT_EQ(both.faceCount(), 6u);
    EXPECT_EQ(both.nextFace->depth, 4u);

    // A depth of 0 counts as 1; without the flag the depth field is not read.
    r.caps2 = 0;
    r.depth = 0;
    r.data = patternBytes(16 + 4 + 1);
    ImageDecoder flat;
    ASSERT_EQ(decode(makeDds(r), &flat), D3D_OK);
    EXPECT_EQ(flat.depth, 1u);
    EXPECT_EQ(flat.resourceType, D3DRTYPE_VOLUMETEXTURE);
    r.flags &= ~DepthFlag;
    r.depth = 4;
    ImageDecoder plain;
    ASSERT_EQ(decode(makeDds(r), &plain), D3D_OK);
    EXPECT_EQ(plain.depth, 1u);
    EXPECT_EQ(plain.resourceType, D3DRTYPE_TEXTURE);
}

TEST(DdsDecoder, OnlyTheFieldsTheFlagsSelectAreCompared) {
    const auto formatOf = [](const DdsPixelWords& words) {
        DdsRecipe r;
        r.width = 1;
        r.height = 1;
        r.pixel = words;
        r.data = patternBytes(16);
        ImageDecoder image;
        return SUCCEEDED(decode(makeDds(r), &image)) ? image.format : 0u;
    };
    DdsPixelWords rgb = {0x40, 0, 32, {0xFF0000, 0xFF00, 0xFF, 0}};
    EXPECT_EQ(formatOf(rgb), PixelFormat(D3DFMT_X8R8G8B8));
    rgb.masks[3] = 0xFF000000; // not compared without an alpha flag
    EXPECT_EQ(formatOf(rgb), PixelFormat(D3DFMT_X8R8G8B8));
    rgb.flags = 0x41;
    EXPECT_EQ(formatOf(rgb), PixelFormat(D3DFMT_A8R8G8B8));
    rgb.masks[3] = 0xFF00000; // compared now
    EXPECT_EQ(formatOf(rgb), 0u);
    rgb.flags = 0x40 | 0x200; // flags must equal a row's exactly
    EXPECT_EQ(formatOf(rgb), 0u);

    // A code row compares the code alone; a luminance row neither the bit count nor the
    // second mask; a depth row not the first mask.
    EXPECT_EQ(formatOf({0x4, MAKEFOURCC('D', 'X', 'T', '3'), 99, {1, 2, 3, 4}}),
              PixelFormat(D3DFMT_DXT3));
    EXPECT_EQ(formatOf({0x4, MAKEFOURCC('D', 'X', 'T', '6'), 0, {0, 0, 0, 0}}), 0u);
    EXPECT_EQ(formatOf({0x20000, 0, 16, {0xFF, 0x1234, 0, 0}}), PixelFormat(D3DFMT_L8));
    EXPECT_EQ(formatOf({0x20001, 0, 0, {0xF, 0, 0, 0xF0}}), PixelFormat(D3DFMT_A4L4));
    EXPECT_EQ(formatOf({0x400, 0, 16, {0x55, 0xFFFF, 0, 0}}), PixelFormat(D3DFMT_D16_LOCKABLE));
    EXPECT_EQ(formatOf({0x400, 0, 32, {0, 0xFFFF, 0, 0}}), 0u);
    // A bump row compares every mask, the alpha mask too.
    EXPECT_EQ(formatOf({0x80000, 0, 16, {0xFF, 0xFF00, 0, 0}}), PixelFormat(D3DFMT_V8U8));
    EXPECT_EQ(formatOf({0x80000, 0, 16, {0xFF, 0xFF00, 0, 0x77}}), 0u);

    DdsRecipe wrongSize = recipeOf(D3DFMT_X8R8G8B8, 1, 1, 1, 4);
    wrongSize.pixelFormatSize = 24;
    EXPECT_EQ(decodeOnly(makeDds(wrongSize)), E_FAIL);
}

TEST(DdsDecoder, MipCountIsReadWithoutItsFlag) {
    DdsRecipe r = recipeOf(D3DFMT_L8, 16, 16, 5, 256 + 64 + 16 + 4 + 1);
    ASSERT_EQ(r.flags & 0x20000, 0u);
    ImageDecoder image;
    ASSERT_EQ(decode(makeDds(r), &image), D3D_OK);
    EXPECT_EQ(image.levelCount(), 5u);
    r.mipCount = 0;
    ImageDecoder single;
    ASSERT_EQ(decode(makeDds(r), &single), D3D_OK);
    EXPECT_EQ(single.levelCount(), 1u);
}

TEST(DdsDecoder, CutAnywhereBeforeTheEndIsRefused) {
    DdsRecipe cube = recipeOf(D3DFMT_DXT3, 8, 8, 3, 6 * (64 + 16 + 16));
    cube.caps2 = CubeBits;
    DdsRecipe volume = recipeOf(D3DFMT_A8L8, 3, 2, 2, 3 * 2 * 2 * 3 + 2);
    volume.flags |= DepthFlag;
    volume.depth = 3;
    DdsRecipe paletted = recipeOf(D3DFMT_A8P8, 5, 3, 3, 30 + 4 + 2);
    paletted.palette = patternBytes(1024);
    for (const DdsRecipe& recipe : {cube, volume, paletted}) {
        const Bytes file = makeDds(recipe);
        ASSERT_EQ(decodeOnly(file), D3D_OK);
        for (size_t size = 0; size < file.size(); ++size)
            ASSERT_EQ(decodeOnly(Bytes(file.begin(), file.begin() + size)), E_FAIL) << size;
    }
}

TEST(DdsDecoder, SizesThatWouldWrapIn32BitsAreRefused) {
    // 2^30 A8R8G8B8 pixels make a row of 2^32 bytes: 0 once wrapped.
    EXPECT_EQ(decodeOnly(makeDds(recipeOf(D3DFMT_A8R8G8B8, 0x40000000, 1, 1, 0))), E_FAIL);
    EXPECT_EQ(decodeOnly(makeDds(recipeOf(D3DFMT_A8R8G8B8, 0x40000000, 4, 1, 16))), E_FAIL);
    // 2^16 x 2^16 L8 is a slice of 2^32 bytes; a volume of 2^16 of those is 2^48.
    EXPECT_EQ(decodeOnly(makeDds(recipeOf(D3DFMT_L8, 0x10000, 0x10000, 1, 8))), E_FAIL);
    DdsRecipe deep = recipeOf(D3DFMT_L8, 0x100, 0x100, 1, 8);
    deep.flags |= DepthFlag;
    deep.depth = 0x1000000; // 2^16 bytes a slice, 2^40 in all
    EXPECT_EQ(decodeOnly(makeDds(deep)), E_FAIL);
    EXPECT_EQ(decodeOnly(makeDds(recipeOf(D3DFMT_DXT5, 0xFFFFFFFF, 0xFFFFFFFF, 1, 16))), E_FAIL);

    // Products past 64 bits stop at the largest value.
    const DdsLevelBytes huge = ddsLevelBytes(D3DFMT_DXT5, 0xFFFFFFFF, 0xFFFFFFFF, 2);
    EXPECT_EQ(huge.rowPitch, uint64_t(1) << 34);
    EXPECT_EQ(huge.slice, UINT64_MAX);
    EXPECT_EQ(huge.level, UINT64_MAX);
    const DdsLevelBytes wide = ddsLevelBytes(D3DFMT_A8R8G8B8, 0xFFFFFFFF, 0xFFFFFFFF, 1);
    EXPECT_EQ(wide.rowPitch, 0x3FFFFFFFCull);
    EXPECT_EQ(wide.slice, UINT64_MAX);
    EXPECT_EQ(ddsLevelBytes(D3DFMT_L8, 0x10000, 0x10000, 0x10000).level, uint64_t(1) << 48);
}

TEST(DdsDecoder, NotADdsFile) {
    const Bytes good = makeDds(recipeOf(D3DFMT_L8, 2, 2, 1, 4));
    Bytes badMagic = good;
    badMagic[3] = 'X';
    DdsRecipe empty = recipeOf(D3DFMT_L8, 0, 2, 1, 4);
    DdsRecipe flat = recipeOf(D3DFMT_L8, 2, 0, 1, 4);
    for (const Bytes& file : {badMagic, Bytes(good.begin(), good.begin() + 127),
                              Bytes(good.begin(), good.begin() + 3), makeDds(empty), makeDds(flat)})
        EXPECT_EQ(decodeOnly(file), E_FAIL) << file.size();
}

TEST(DdsDecoder, LongChainsAreFreedWithoutDeepRecursion) {
    // Every level past the first is 1 x 1: one byte each.
    const uint32_t levels = 200000;
    const Bytes file = makeDds(recipeOf(D3DFMT_L8, 1, 1, levels, levels));
    auto image = std::make_unique<ImageDecoder>();
    ASSERT_EQ(decode(file, image.get()), D3D_OK);
    EXPECT_EQ(image->levelCount(), levels);
    image.reset();
}

TEST(DdsDecoder, EveryAcceptedLevelLiesInsideTheFile) {
    // Header words replaced by random, small or edge values: whatever is accepted must
    // describe levels that lie wholly inside the bytes.
    DdsRecipe r = recipeOf(D3DFMT_DXT1, 16, 16, 5, 200);
    r.caps2 = CubeBits;
    const Bytes original = makeDds(r);
    const size_t fieldOffsets[] = {8, 12, 16, 24, 28, 80, 84, 88, 92, 112};
    const uint32_t edgeValues[] = {0, 1, 2, 3, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0x800000};
    std::mt19937 random(4500);
    int accepted = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        Bytes file = original;
        for (int change = 0; change < 3; ++change) {
            const size_t offset = fieldOffsets[random() % std::size(fieldOffsets)];
            const uint32_t value = random() % 2 ? edgeValues[random() % std::size(edgeValues)]
                                                : uint32_t(random() % 64);
            writeWord(file, offset, value);
        }
        ImageDecoder image;
        const HRESULT hr = decode(file, &image);
        ASSERT_TRUE(hr == D3D_OK || hr == E_FAIL) << trial;
        if (FAILED(hr))
            continue;
        ++accepted;
        for (const ImageDecoder* face = &image; face; face = face->nextFace.get()) {
            for (const ImageDecoder* level = face; level; level = level->nextLevel.get()) {
                const uint64_t end = uint64_t(level->bits - file.data()) +
                                     uint64_t(level->slicePitch) * level->depth;
                ASSERT_LE(end, file.size()) << trial;
            }
        }
    }
    EXPECT_GT(accepted, 100);
}

TEST(DdsLoad, ReportsTheFileAndSetsEveryBox) {
    DdsRecipe r = recipeOf(D3DFMT_A8R8G8B8, 4, 2, 2, 6 * (32 + 8));
    r.caps2 = CubeBits;
    const Bytes file = makeDds(r);
    ImageDecoder image;
    ImageInfo info;
    std::memset(&info, 0xCD, sizeof(info));
    ASSERT_EQ(image.load(file.data(), UINT(file.size()), &info), D3D_OK);
    EXPECT_EQ(info.width, 4u);
    EXPECT_EQ(info.height, 2u);
    EXPECT_EQ(info.depth, 1u);
    EXPECT_EQ(info.mipLevels, 2u);
    EXPECT_EQ(info.format, PixelFormat(D3DFMT_A8R8G8B8));
    EXPECT_EQ(info.resourceType, D3DRTYPE_CUBETEXTURE);
    EXPECT_EQ(info.imageFileFormat, Dds);
    const ImageDecoder& lastSmall =
        *image.nextFace->nextFace->nextFace->nextFace->nextFace->nextLevel;
    EXPECT_EQ(lastSmall.box.right, 2u);
    EXPECT_EQ(lastSmall.box.bottom, 1u);
    EXPECT_EQ(lastSmall.box.back, 1u);

    DdsRecipe v = recipeOf(D3DFMT_L8, 2, 2, 2, 8 + 1);
    v.flags |= DepthFlag;
    v.depth = 2;
    const Bytes volume = makeDds(v);
    ImageDecoder volumeImage;
    ASSERT_EQ(volumeImage.load(volume.data(), UINT(volume.size()), &info), D3D_OK);
    EXPECT_EQ(info.depth, 2u);
    EXPECT_EQ(info.resourceType, D3DRTYPE_VOLUMETEXTURE);
    EXPECT_EQ(volumeImage.box.back, 2u);
    EXPECT_EQ(volumeImage.nextLevel->box.back, 1u);
}

} // namespace
