// UTF-8 sequences checked byte by byte, and names escaped for report lines.
#include "tools/texkit/shown_text.h"

#include <cstdio>

size_t utf8SequenceAt(std::string_view text, size_t at, uint32_t* code) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned lead = byte(at);
    if (lead < 0x80) {
        *code = lead;
        return 1;
    }
    size_t length = 0;
    uint32_t value = 0, least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (at + length > text.size())
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (byte(at + i) & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *code = value;
    return length;
}

bool isUtf8(std::string_view text) {
    uint32_t code = 0;
    for (size_t at = 0; at < text.size();) {
        const size_t length = utf8SequenceAt(text, at, &code);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

std::string shownText(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    const auto escapeBytes = [&](size_t at, size_t count) {
        for (size_t i = at; i < at + count; ++i) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X",
                          unsigned(static_cast<unsigned char>(text[i])));
            shown += escaped;
        }
    };
    uint32_t code = 0;
    for (size_t at = 0; at < text.size();) {
        const size_t length = utf8SequenceAt(text, at, &code);
        if (length == 0) {
            escapeBytes(at, 1);
            ++at;
            continue;
        }
        if (code == '\\')
            shown += "\\\\";
        else if (code == '\n')
            shown += "\\n";
        else if (code == '\r')
            shown += "\\r";
        else if (code == '\t')
            shown += "\\t";
        else if (isControlCode(code))
            escapeBytes(at, length);
        else
            shown.append(text.substr(at, length));
        at += length;
    }
    return shown;
}
