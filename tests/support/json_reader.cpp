// The reader is the JSON library's strict parser (RFC 8259: UTF-8 checked, surrogate pairs
// joined, no comments), driven through its event interface so that members keep their order
// and a repeated name is kept as the text has it.
#include "tests/support/json_reader.h"

#include <nlohmann/json.hpp>

namespace test_support {

namespace {

using Json = nlohmann::json;

constexpr size_t DeepestNesting = 64;

class TreeBuilder : public nlohmann::json_sax<Json> {
public:
    explicit TreeBuilder(JsonValue* root) : root_(root) {}

    const std::string& failure() const { return failure_; }

    bool null() override {
        place()->kind = JsonValue::Null;
        return true;
    }
    bool boolean(bool value) override {
        JsonValue* at = place();
        at->kind = JsonValue::Bool;
        at->boolean = value;
        return true;
    }
    bool number_integer(number_integer_t value) override { return number(double(value)); }
    bool number_unsigned(number_unsigned_t value) override { return number(double(value)); }
    bool number_float(number_float_t value, const string_t&) override { return number(value); }
    bool string(string_t& value) override {
        JsonValue* at = place();
        at->kind = JsonValue::String;
        at->string = std::move(value);
        return true;
    }
    bool binary(binary_t&) override { return fail("binary value"); }
    bool start_object(std::size_t) override { return open(JsonValue::Object); }
    bool key(string_t& name) override {
        key_ = std::move(name);
        return true;
    }
    bool end_object() override {
        open_.pop_back();
        return true;
    }
    bool start_array(std::size_t) override { return open(JsonValue::Array); }
    bool end_array() override {
        open_.pop_back();
        return true;
    }
    bool parse_error(std::size_t, const std::string&,
                     const nlohmann::detail::exception& error) override {
        return fail(error.what());
    }

private:
    bool fail(const std::string& what) {
        if (failure_.empty())
            failure_ = what;
        return false;
    }

    // Where the next value goes: the root, the next item of the array or the member named by
    // the last key. Only the innermost open value grows, so the open ones never move.
    JsonValue* place() {
        if (open_.empty())
            return root_;
        JsonValue* container = open_.back();
        if (container->kind == JsonValue::Array) {
            container->items.emplace_back();
            return &container->items.back();
        }
        container->members.emplace_back(key_, JsonValue());
        return &container->members.back().second;
    }

    bool number(double value) {
        JsonValue* at = place();
        at->kind = JsonValue::Number;
        at->number = value;
        return true;
    }

    bool open(JsonValue::Kind kind) {
        if (open_.size() >= DeepestNesting)
            return fail("nesting too deep");
        JsonValue* at = place();
        at->kind = kind;
        open_.push_back(at);
        return true;
    }

    JsonValue* root_;
    std::vector<JsonValue*> open_;
    std::string key_;
    std::string failure_;
};

} // namespace

const JsonValue* JsonValue::find(std::string_view key) const {
    for (const auto& [name, value] : members)
        if (name == key)
            return &value;
    return nullptr;
}

bool parseJson(std::string_view text, JsonValue* out, std::string* error) {
    *out = JsonValue();
    TreeBuilder builder(out);
    if (Json::sax_parse(text.begin(), text.end(), &builder))
        return true;
    *error = builder.failure().empty() ? "not JSON" : builder.failure();
    return false;
}

} // namespace test_support
