// One JSON object on one line, for the verbs' machine-readable output: keys in the order they
// are added, strings escaped, numbers as they are.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The text as a JSON string, quotes included; control characters are escaped, other bytes
// (file names are UTF-8 here) pass as they are.
std::string jsonString(std::string_view text);

class JsonObject {
public:
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
