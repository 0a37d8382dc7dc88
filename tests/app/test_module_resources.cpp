// The module's resources: the crosshair cursor whose centre the game's aim shift assumes,
// and the two target icons with their palettes and transparency masks.
#include "app/module_resources_data.h"

#include <gtest/gtest.h>

#include <set>

namespace {

bool maskBit(const BYTE* mask, int width, int x, int y) {
    return (mask[y * (width / 8) + x / 8] & (0x80 >> (x % 8))) != 0;
}

const CursorResource* findCursor(WORD id) {
    const ModuleResources* resources = bosquetirResources();
    for (int i = 0; i < resources->cursorCount; ++i) {
        if (resources->cursors[i].id == id) {
            return &resources->cursors[i];
        }
    }
    return nullptr;
}

const IconGroupResource* findIconGroup(WORD id) {
    const ModuleResources* resources = bosquetirResources();
    for (int i = 0; i < resources->iconGroupCount; ++i) {
        if (resources->iconGroups[i].id == id) {
            return &resources->iconGroups[i];
        }
    }
    return nullptr;
}

bool isWhitish(DWORD color) {
    return (color >> 16) >= 0xC8 && ((color >> 8) & 0xFF) >= 0xC8 && (color & 0xFF) >= 0xC8;
}

enum class CursorPixel { Transparent, Black, White, Inverted };

CursorPixel cursorPixel(const CursorResource& cursor, int x, int y) {
    bool andBit = maskBit(cursor.andMask, cursor.width, x, y);
    bool xorBit = maskBit(cursor.xorMask, cursor.width, x, y);
    if (andBit) {
        return xorBit ? CursorPixel::Inverted : CursorPixel::Transparent;
    }
    return xorBit ? CursorPixel::White : CursorPixel::Black;
}

TEST(CrosshairCursor, Is32By32WithItsHotSpotAtTheTopLeftPixel) {
    const CursorResource* cursor = findCursor(102);
    ASSERT_NE(cursor, nullptr);
    EXPECT_EQ(cursor->width, 32);
    EXPECT_EQ(cursor->height, 32);
    EXPECT_EQ(cursor->hotSpotX, 0);
    EXPECT_EQ(cursor->hotSpotY, 0);
    EXPECT_EQ(cursorPixel(*cursor, 0, 0), CursorPixel::Transparent);
}

TEST(CrosshairCursor, IsABlackCrossAndRingCentredOnColumn15Row16) {
    const CursorResource* cursor = findCursor(102);
    ASSERT_NE(cursor, nullptr);
    EXPECT_EQ(cursorPixel(*cursor, 15, 16), CursorPixel::Black);
    // The two lines run through the centre and past the ring.
    for (int k = -12; k <= 12; ++k) {
        EXPECT_EQ(cursorPixel(*cursor, 15 + k, 16), CursorPixel::Black) << "row 16, k " << k;
        EXPECT_EQ(cursorPixel(*cursor, 15, 16 + k), CursorPixel::Black) << "column 15, k " << k;
    }
    // Neither line is doubled: the neighbours of the centre's lines are clear inside the ring.
    for (int k : {-4, -3, 3, 4}) {
        EXPECT_EQ(cursorPixel(*cursor, 14, 16 + k), CursorPixel::Transparent);
        EXPECT_EQ(cursorPixel(*cursor, 16, 16 + k), CursorPixel::Transparent);
        EXPECT_EQ(cursorPixel(*cursor, 15 + k, 15), CursorPixel::Transparent);
        EXPECT_EQ(cursorPixel(*cursor, 15 + k, 17), CursorPixel::Transparent);
    }
    // The ring passes the four diagonals at the same distance from the centre.
    for (int dx : {-6, 6}) {
        for (int dy : {-6, 6}) {
            EXPECT_EQ(cursorPixel(*cursor, 15 + dx, 16 + dy), CursorPixel::Black);
            EXPECT_EQ(cursorPixel(*cursor, 15 + dx / 2, 16 + dy / 2), CursorPixel::Transparent);
        }
    }
}

TEST(CrosshairCursor, HasOnlyBlackAndTransparentPixels) {
    const CursorResource* cursor = findCursor(102);
    ASSERT_NE(cursor, nullptr);
    int black = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            CursorPixel p = cursorPixel(*cursor, x, y);
            EXPECT_TRUE(p == CursorPixel::Black || p == CursorPixel::Transparent) << x << "," << y;
            black += p == CursorPixel::Black;
        }
    }
    EXPECT_GT(black, 60);
    EXPECT_LT(black, 200);
}

TEST(TargetIcon, GroupHoldsA16AndA256ColourImageOf32By32) {
    const IconGroupResource* group = findIconGroup(101);
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(group->imageCount, 2);
    std::set<int> colorCounts;
    for (int i = 0; i < group->imageCount; ++i) {
        EXPECT_EQ(group->images[i].width, 32);
        EXPECT_EQ(group->images[i].height, 32);
        colorCounts.insert(group->images[i].colorCount);
    }
    EXPECT_EQ(colorCounts, (std::set<int>{16, 256}));
}

// Every image: indices inside its palette; transparent pixels round the disc and index 0,
// black; the disc itself opaque, with a red bullseye and white rings.
TEST(TargetIcon, ImagesAreRoundTargetsWithConsistentMasks) {
    const IconGroupResource* group = findIconGroup(101);
    ASSERT_NE(group, nullptr);
    for (int i = 0; i < group->imageCount; ++i) {
        const IconImageResource& image = group->images[i];
        SCOPED_TRACE(image.colorCount);
        int transparent = 0;
        int white = 0;
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                BYTE index = image.indices[y * 32 + x];
                ASSERT_LT(index, image.colorCount);
                float dx = x + 0.5f - 16.0f;
                float dy = y + 0.5f - 16.0f;
                bool insideDisc = dx * dx + dy * dy < 16.0f * 16.0f;
                bool masked = maskBit(image.andMask, 32, x, y);
                EXPECT_EQ(masked, !insideDisc) << x << "," << y;
                if (masked) {
                    ++transparent;
                    EXPECT_EQ(image.palette[index], 0x000000u) << x << "," << y;
                }
                white += !masked && isWhitish(image.palette[index]);
            }
        }
        EXPECT_GT(transparent, 100);
        EXPECT_GT(white, 40);
        DWORD centre = image.palette[image.indices[16 * 32 + 16]];
        EXPECT_GE(centre >> 16, 0xC0u);
        EXPECT_LT((centre >> 8) & 0xFF, 0x50u);
    }
}

} // namespace
