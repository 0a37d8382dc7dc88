// Conversions between the ANSI code page (Windows-1252), UTF-8 and UTF-16 that the rest of
// the layer needs: texts for SDL, characters for FreeType, file names for POSIX.
#pragma once

#include <string>
#include <string_view>

namespace win32 {

// The Unicode code point of a Windows-1252 byte. Every byte has one: the five bytes the code
// page leaves undefined stand for the C1 controls of the same number, so all 256 round-trip.
char32_t codePointFromAnsi(unsigned char byte);

// The Windows-1252 byte of a code point, or -1 when the code page has none.
int ansiFromCodePoint(char32_t codePoint);

// Windows-1252 text as UTF-8.
std::string utf8FromAnsi(std::string_view ansi);

// UTF-8 text as Windows-1252; characters the code page lacks, and malformed bytes, become '?'.
std::string ansiFromUtf8(std::string_view utf8);

// Decodes one UTF-8 sequence at text[*index], advancing *index; malformed input yields
// U+FFFD and advances by one byte.
char32_t decodeUtf8(std::string_view text, size_t* index);

// Appends the UTF-8 form of a code point (U+FFFD for a surrogate or a value past U+10FFFF).
void appendUtf8(std::string* out, char32_t codePoint);

} // namespace win32
