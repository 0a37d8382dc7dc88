// A strict JSON reader for tests of programs that print JSON: the whole grammar, nothing more
// (no comments, no trailing commas, no control characters inside strings, no bytes that are
// not UTF-8). It is an independent parser (Debian's nlohmann-json3-dev), not our writer's twin.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace test_support {

struct JsonValue {
    enum Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Null;
    bool boolean = false;
    double number = 0;
    std::string string; // UTF-8, escapes resolved (surrogate pairs joined)
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members; // in the text's order

    // The member named `key` of an object, or null.
    const JsonValue* find(std::string_view key) const;
};

// Reads exactly one value, with white space around it; false, with *error saying where and
// what, for anything else (nesting deeper than 64 included).
bool parseJson(std::string_view text, JsonValue* out, std::string* error);

} // namespace test_support
