// Writing JSON objects.
#include "tools/texkit/json_text.h"

#include <cmath>
#include <cstdio>

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
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
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", unsigned(c));
                out += escaped;
            } else {
                out += c;
            }
        }
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
