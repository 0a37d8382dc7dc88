// File names as they are shown: names on Linux are bytes, which may hold line ends, terminal
// controls and sequences that are not UTF-8. A report line shows them escaped, so that one
// line stays one line and a terminal is never driven by a name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The length (1 to 4) of the well-formed UTF-8 sequence at text[at], with its code point in
// *code; 0 when the bytes there are not one (overlong forms, surrogates and code points past
// U+10FFFF are not).
size_t utf8SequenceAt(std::string_view text, size_t at, uint32_t* code);

bool isUtf8(std::string_view text);

// Control characters: C0, DEL and C1.
inline bool isControlCode(uint32_t code) {
    return code < 0x20 || (code >= 0x7F && code < 0xA0);
}

// The text for a report line: a backslash as \\, line feed, carriage return and tab as \n, \r
// and \t, every other byte of a control character or of a sequence that is not UTF-8 as \xHH;
// the rest (printable UTF-8) as it is.
std::string shownText(std::string_view text);
