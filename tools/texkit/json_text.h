// One JSON object on one line, for the verbs' machine-readable output: keys in the order they
// are added, strings escaped, numbers as they are.
//
// Strings are bytes here (file names on Linux need not be text), and JSON strings are Unicode,
// so a string value is written by one rule:
// - when its bytes are UTF-8, as that text: quote, backslash and control characters (C0, DEL
//   and C1) escaped, everything else as it is;
// - when they are not, byte for byte: ASCII as above, and each byte from 0x80 to 0xFF as the
//   escape \u0080 to \u00ff. The member is then followed by "<key>NotUtf8": true, which tells
//   a reader to take each character of the string (all below U+0100) as one byte.
// Every line is therefore valid UTF-8 and valid JSON, and no name is lost.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The text as a JSON string, quotes included, by the rule above (without the flag).
std::string jsonString(std::string_view text);

class JsonObject {
public:
    // Adds "<key>NotUtf8": true after the member when the value is not UTF-8.
    JsonObject& add(std::string_view key, std::string_view value);
    JsonObject& add(std::string_view key, const char* value) {
        return add(key, std::string_view(value));
    }
    JsonObject& add(std::string_view key, uint64_t value);
    JsonObject& add(std::string_view key, double value); // finite; infinity is written as null
    JsonObject& add(std::string_view key, bool value);
    // A value already in JSON (an object or array made by the caller).
    JsonObject& addRaw(std::string_view key, std::string_view json);

    // "{...}" without a line end.
    std::string text() const { return body_ + "}"; }

private:
    void key(std::string_view name);
    std::string body_ = "{";
};
