// Windows-1252 and UTF-8 conversions through MultiByteToWideChar and WideCharToMultiByte.
#include "windows.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string wideFrom(UINT codePage, const std::string& bytes, DWORD flags = 0) {
    const int needed =
        MultiByteToWideChar(codePage, flags, bytes.data(), int(bytes.size()), nullptr, 0);
    std::u16string wide(size_t(needed), u'\0');
    if (needed > 0) {
        EXPECT_EQ(MultiByteToWideChar(codePage, flags, bytes.data(), int(bytes.size()), wide.data(),
                                      needed),
                  needed);
    }
    return wide;
}

std::string bytesFrom(UINT codePage, const std::u16string& wide, BOOL* usedDefault = nullptr) {
    const int needed = WideCharToMultiByte(codePage, 0, wide.data(), int(wide.size()), nullptr, 0,
                                           nullptr, usedDefault);
    std::string bytes(size_t(needed), '\0');
    if (needed > 0) {
        EXPECT_EQ(WideCharToMultiByte(codePage, 0, wide.data(), int(wide.size()), bytes.data(),
                                      needed, nullptr, usedDefault),
                  needed);
    }
    return bytes;
}

TEST(CodePages, EveryWindows1252ByteRoundTrips) {
    std::string all(256, '\0');
    for (int i = 0; i < 256; ++i)
        all[size_t(i)] = char(i);
    const std::u16string wide = wideFrom(CP_ACP, all);
    ASSERT_EQ(wide.size(), 256u);
    EXPECT_EQ(wide[0x41], u'A');
    EXPECT_EQ(wide[0x80], u'\u20AC') << "euro sign";
    EXPECT_EQ(wide[0x81], u'\u0081') << "undefined bytes stand for their C1 control";
    EXPECT_EQ(wide[0x8C], u'\u0152');
    EXPECT_EQ(wide[0x9F], u'\u0178');
    EXPECT_EQ(wide[0xE8], u'\u00E8');
    EXPECT_EQ(wide[0xFF], u'\u00FF');
    BOOL usedDefault = TRUE;
    EXPECT_EQ(bytesFrom(CP_ACP, wide, &usedDefault), all);
    EXPECT_FALSE(usedDefault);
}

TEST(CodePages, CharactersOutsideWindows1252BecomeTheDefault) {
    BOOL usedDefault = FALSE;
    EXPECT_EQ(bytesFrom(CP_ACP, u"a\u0100\u4E2D\U0001F600b", &usedDefault), "a???b")
        << "one default character for a surrogate pair";
    EXPECT_TRUE(usedDefault);

    const std::u16string wide = u"x\u0101";
    char out[4] = {};
    const char star = '*';
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, wide.data(), 2, out, 4, &star, &usedDefault), 2);
    EXPECT_EQ(std::string(out, 2), "x*");
}

TEST(CodePages, Utf8CoversSupplementaryPlanesAndMarksBadInput) {
    const std::string utf8 = "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
    EXPECT_EQ(wideFrom(CP_UTF8, utf8), u"\u00E9\u20AC\U0001F600");
    EXPECT_EQ(bytesFrom(CP_UTF8, u"\u00E9\u20AC\U0001F600"), utf8);

    EXPECT_EQ(wideFrom(CP_UTF8, "a\xC3(b"), u"a\uFFFD(b") << "a cut sequence";
    EXPECT_EQ(wideFrom(CP_UTF8, "\xC0\xAF"), u"\uFFFD\uFFFD") << "an overlong form";
    EXPECT_EQ(wideFrom(CP_UTF8, "\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD") << "an encoded surrogate";
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xC3(b", 4, nullptr, 0), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_UNICODE_TRANSLATION));
    EXPECT_EQ(wideFrom(CP_UTF8, "\xEF\xBF\xBD", MB_ERR_INVALID_CHARS), u"\uFFFD")
        << "an encoded replacement character is valid input";

    EXPECT_EQ(bytesFrom(CP_UTF8, std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(CodePages, CountsAndBuffersFollowThePlatform) {
    // -1 converts through the terminating zero and counts it.
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "caf\xE9", -1, nullptr, 0), 5);
    WCHAR wide[5];
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, "caf\xE9", -1, wide, 5), 5);
    EXPECT_EQ(std::u16string(wide), u"caf\u00E9");
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr), 6);

    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "caf\xE9", -1, wide, 4), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    char narrow[3];
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u20AC", 1, narrow, 2, nullptr, nullptr), 0)
        << "a three-byte character does not fit two bytes";
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
}

TEST(CodePages, RefusesWhatItDoesNotKnow) {
    WCHAR wide[4];
    char narrow[4];
    BOOL used = FALSE;
    EXPECT_EQ(MultiByteToWideChar(CP_OEMCP, 0, "a", 1, wide, 4), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, nullptr, 1, wide, 4), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "a", 0, wide, 4), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0x4000, "a", 1, wide, 4), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_FLAGS));
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, nullptr, 1, narrow, 4, nullptr, nullptr), 0);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, narrow, 4, nullptr, &used), 0)
        << "UTF-8 has no default character";
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

} // namespace
