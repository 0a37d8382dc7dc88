// Writing JSON objects.
#include "tools/texkit/json_text.h"

#include "tools/texkit/shown_text.h"

#include <cmath>
#include <cstdio>

namespace {

void appendEscape(std::string& out, uint32_t code) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\u%04x", unsigned(code));
    out += escaped;
}

void appendCharacter(std::string& out, uint32_t code, std::string_view bytes) {
    switch (code) {
    case '"':
        out += "\\\"";
        break;
    case '\\':
        out += "\\\\";
        break;
    case '\n':
        out += "\\n";
        break;
    case '\r':
        out += "\\r";
        break;
    case '\t':
        out += "\\t";
        break;
    default:
        if (isControlCode(code))
            appendEscape(out, code);
        else
            out.append(bytes);
    }
}

} // namespace

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    const bool utf8 = isUtf8(text);
    uint32_t code = 0;
    for (size_t at = 0; at < text.size();) {
        const size_t length = utf8 ? utf8SequenceAt(text, at, &code) : 1;
        if (!utf8)
            code = static_cast<unsigned char>(text[at]);
        if (!utf8 && code >= 0x80)
            appendEscape(out, code);
        else
            appendCharacter(out, code, text.substr(at, length));
        at += length;
    }
    return out + "\"";
}

void JsonObject::key(std::string_view name) {
    if (body_.size() > 1)
        body_ += ",";
    body_ += jsonString(name) + ":";
}

JsonObject& JsonObject::add(std::string_view name, std::string_view value) {
    key(name);
    body_ += jsonString(value);
    if (!isUtf8(value)) {
        key(std::string(name) + "NotUtf8");
        body_ += "true";
    }
    return *this;
}

JsonObject& JsonObject::add(std::string_view name, uint64_t value) {
    key(name);
    body_ += std::to_string(value);
    return *this;
}

JsonObject& JsonObject::add(std::string_view name, double value) {
    key(name);
    if (!std::isfinite(value)) {
        body_ += "null";
        return *this;
    }
    char number[32];
    std::snprintf(number, sizeof number, "%.10g", value);
    body_ += number;
    return *this;
}

JsonObject& JsonObject::add(std::string_view name, bool value) {
    key(name);
    body_ += value ? "true" : "false";
    return *this;
}

JsonObject& JsonObject::addRaw(std::string_view name, std::string_view json) {
    key(name);
    body_ += json;
    return *this;
}
