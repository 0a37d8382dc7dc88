// Code pages: Windows-1252 as the ANSI code page and UTF-8, between bytes and UTF-16.
//
// Implements: MultiByteToWideChar and WideCharToMultiByte for CP_ACP (= Windows-1252) and
// CP_UTF8, with -1 counts (terminator included), size queries (output size 0),
// MB_PRECOMPOSED, MB_ERR_INVALID_CHARS, WC_NO_BEST_FIT_CHARS, WC_ERR_INVALID_CHARS, the default
// character and its flag for CP_ACP.
// Does not: other code pages (CP_OEMCP included) and other flags fail with
// ERROR_INVALID_PARAMETER / ERROR_INVALID_FLAGS; no best-fit mapping (a character the code page
// lacks always becomes the default character, as with WC_NO_BEST_FIT_CHARS).
#include "win32/code_pages.h"

#include "windows.h"

#include <array>
#include <cstring>

namespace {

// Windows-1252 0x80-0x9F; the bytes the code page leaves undefined map to C1 controls.
constexpr std::array<char16_t, 32> HighControlTable = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
};

constexpr DWORD WC_ERR_INVALID_CHARS_FLAG = 0x00000080;
constexpr char32_t Replacement = 0xFFFD;

bool isSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

// Output sink that counts when there is no buffer and refuses to overflow one.
template <typename Unit> class Output {
public:
    Output(Unit* buffer, int capacity) : buffer_(buffer), capacity_(capacity) {}
    bool put(Unit unit) {
        if (capacity_ > 0) {
            if (count_ >= capacity_)
                return false;
            buffer_[count_] = unit;
        }
        ++count_;
        return true;
    }
    int count() const { return count_; }

private:
    Unit* buffer_;
    int capacity_;
    int count_ = 0;
};

bool putUtf16(Output<WCHAR>& out, char32_t c) {
    if (c < 0x10000)
        return out.put(WCHAR(c));
    c -= 0x10000;
    return out.put(WCHAR(0xD800 + (c >> 10))) && out.put(WCHAR(0xDC00 + (c & 0x3FF)));
}

// Reads one code point from UTF-16; a lone surrogate is reported through *lone.
char32_t readUtf16(const WCHAR* text, int count, int* index, bool* lone) {
    const char32_t first = text[(*index)++];
    *lone = false;
    if (first >= 0xD800 && first <= 0xDBFF && *index < count && text[*index] >= 0xDC00 &&
        text[*index] <= 0xDFFF) {
        const char32_t second = text[(*index)++];
        return 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00);
    }
    *lone = isSurrogate(first);
    return first;
}

int failWith(DWORD error) {
    SetLastError(error);
    return 0;
}

} // namespace

namespace win32 {

char32_t codePointFromAnsi(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0)
        return HighControlTable[byte - 0x80];
    return byte;
}

int ansiFromCodePoint(char32_t codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint < 0x100))
        return int(codePoint);
    for (size_t i = 0; i < HighControlTable.size(); ++i)
        if (HighControlTable[i] == codePoint)
            return int(0x80 + i);
    return -1;
}

char32_t decodeUtf8(std::string_view text, size_t* index) {
    const size_t start = *index;
    const unsigned char lead = static_cast<unsigned char>(text[start]);
    *index = start + 1;
    if (lead < 0x80)
        return lead;
    int length;
    char32_t value;
    char32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return Replacement;
    }
    if (text.size() - start < size_t(length))
        return Replacement;
    for (int i = 1; i < length; ++i) {
        const unsigned char next = static_cast<unsigned char>(text[start + i]);
        if ((next & 0xC0) != 0x80)
            return Replacement;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || isSurrogate(value))
        return Replacement;
    *index = start + length;
    return value;
}

void appendUtf8(std::string* out, char32_t c) {
    if (c > 0x10FFFF || isSurrogate(c))
        c = Replacement;
    if (c < 0x80) {
        out->push_back(char(c));
    } else if (c < 0x800) {
        out->push_back(char(0xC0 | (c >> 6)));
        out->push_back(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out->push_back(char(0xE0 | (c >> 12)));
        out->push_back(char(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(char(0x80 | (c & 0x3F)));
    } else {
        out->push_back(char(0xF0 | (c >> 18)));
        out->push_back(char(0x80 | ((c >> 12) & 0x3F)));
        out->push_back(char(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(char(0x80 | (c & 0x3F)));
    }
}

std::string utf8FromAnsi(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size());
    for (char byte : ansi)
        appendUtf8(&out, codePointFromAnsi(static_cast<unsigned char>(byte)));
    return out;
}

std::string ansiFromUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    size_t index = 0;
    while (index < utf8.size()) {
        const int byte = ansiFromCodePoint(decodeUtf8(utf8, &index));
        out.push_back(byte < 0 ? '?' : char(byte));
    }
    return out;
}

} // namespace win32

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar) {
    if (lpMultiByteStr == nullptr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
        (cchWideChar > 0 && lpWideCharStr == nullptr) ||
        (cchWideChar > 0 && static_cast<const void*>(lpMultiByteStr) == lpWideCharStr))
        return failWith(ERROR_INVALID_PARAMETER);
    if (CodePage != CP_ACP && CodePage != CP_UTF8)
        return failWith(ERROR_INVALID_PARAMETER);
    const DWORD allowed =
        CodePage == CP_ACP ? (MB_PRECOMPOSED | MB_ERR_INVALID_CHARS) : DWORD(MB_ERR_INVALID_CHARS);
    if ((dwFlags & ~allowed) != 0)
        return failWith(ERROR_INVALID_FLAGS);

    const size_t length = cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : size_t(cbMultiByte);
    const std::string_view text(lpMultiByteStr, length);
    Output<WCHAR> out(lpWideCharStr, cchWideChar);
    size_t index = 0;
    while (index < text.size()) {
        char32_t c;
        if (CodePage == CP_ACP) {
            c = win32::codePointFromAnsi(static_cast<unsigned char>(text[index++]));
        } else {
            const size_t before = index;
            c = win32::decodeUtf8(text, &index);
            const bool encodedReplacement =
                index - before == 3 && text.substr(before, 3) == "\xEF\xBF\xBD";
            if (c == Replacement && !encodedReplacement && (dwFlags & MB_ERR_INVALID_CHARS))
                return failWith(ERROR_NO_UNICODE_TRANSLATION);
        }
        if (!putUtf16(out, c))
            return failWith(ERROR_INSUFFICIENT_BUFFER);
    }
    return out.count();
}

int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                        LPBOOL lpUsedDefaultChar) {
    if (lpWideCharStr == nullptr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 ||
        (cbMultiByte > 0 && lpMultiByteStr == nullptr) ||
        (cbMultiByte > 0 && static_cast<const void*>(lpWideCharStr) == lpMultiByteStr))
        return failWith(ERROR_INVALID_PARAMETER);
    if (CodePage != CP_ACP && CodePage != CP_UTF8)
        return failWith(ERROR_INVALID_PARAMETER);
    if (CodePage == CP_UTF8) {
        if (lpDefaultChar != nullptr || lpUsedDefaultChar != nullptr)
            return failWith(ERROR_INVALID_PARAMETER);
        if ((dwFlags & ~WC_ERR_INVALID_CHARS_FLAG) != 0)
            return failWith(ERROR_INVALID_FLAGS);
    } else if ((dwFlags & ~DWORD(WC_NO_BEST_FIT_CHARS)) != 0) {
        return failWith(ERROR_INVALID_FLAGS);
    }

    int length = cchWideChar;
    if (length == -1) {
        length = 0;
        while (lpWideCharStr[length] != 0)
            ++length;
        ++length;
    }
    const char defaultChar = lpDefaultChar ? *lpDefaultChar : '?';
    bool usedDefault = false;
    Output<CHAR> out(lpMultiByteStr, cbMultiByte);
    std::string encoded;
    int index = 0;
    while (index < length) {
        bool lone = false;
        const char32_t c = readUtf16(lpWideCharStr, length, &index, &lone);
        if (CodePage == CP_ACP) {
            const int byte = lone ? -1 : win32::ansiFromCodePoint(c);
            usedDefault |= byte < 0;
            if (!out.put(byte < 0 ? defaultChar : CHAR(byte)))
                return failWith(ERROR_INSUFFICIENT_BUFFER);
            continue;
        }
        if (lone && (dwFlags & WC_ERR_INVALID_CHARS_FLAG))
            return failWith(ERROR_NO_UNICODE_TRANSLATION);
        encoded.clear();
        win32::appendUtf8(&encoded, c);
        for (char unit : encoded)
            if (!out.put(unit))
                return failWith(ERROR_INSUFFICIENT_BUFFER);
    }
    if (lpUsedDefaultChar != nullptr)
        *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
    return out.count();
}
