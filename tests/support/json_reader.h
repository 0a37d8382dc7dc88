// A strict JSON reader for tests of programs that print JSON: the whole grammar, nothing more
// (no comments, no trailing commas, no control characters inside strings).
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
    std::string string; // UTF-8, escapes resolved
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members; // in the text's order

    // The member named `key` of an object, or null.
    const JsonValue* find(std::string_view key) const;
};

// Reads exactly one value, with white space around it; false, with *error saying where and
// what, for anything else.
bool parseJson(std::string_view text, JsonValue* out, std::string* error);

} // namespace test_support
