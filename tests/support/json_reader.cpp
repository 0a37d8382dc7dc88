// A recursive-descent JSON reader over the grammar of RFC 8259.
#include "tests/support/json_reader.h"

#include <cstdlib>

namespace test_support {

namespace {

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    bool document(JsonValue* out, std::string* error) {
        skipSpace();
        if (!value(out, 0) || (skipSpace(), at_ != text_.size()))
            return fail(error, failure_.empty() ? "text after the value" : failure_);
        return true;
    }

private:
    bool fail(std::string* error, const std::string& what) {
        *error = what + " at byte " + std::to_string(at_);
        return false;
    }

    bool stop(const char* what) {
        if (failure_.empty())
            failure_ = what;
        return false;
    }

    void skipSpace() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' ||
                                      text_[at_] == '\n' || text_[at_] == '\r'))
            ++at_;
    }

    bool literal(std::string_view word) {
        if (text_.substr(at_, word.size()) != word)
            return stop("unknown literal");
        at_ += word.size();
        return true;
    }

    bool value(JsonValue* out, int depth) {
        if (depth > 64)
            return stop("nesting too deep");
        if (at_ >= text_.size())
            return stop("missing value");
        switch (text_[at_]) {
        case '{':
            return object(out, depth);
        case '[':
            return array(out, depth);
        case '"':
            out->kind = JsonValue::String;
            return string(&out->string);
        case 't':
            out->kind = JsonValue::Bool;
            out->boolean = true;
            return literal("true");
        case 'f':
            out->kind = JsonValue::Bool;
            return literal("false");
        case 'n':
            out->kind = JsonValue::Null;
            return literal("null");
        default:
            out->kind = JsonValue::Number;
            return number(&out->number);
        }
    }

    bool object(JsonValue* out, int depth) {
        out->kind = JsonValue::Object;
        ++at_;
        skipSpace();
        if (at_ < text_.size() && text_[at_] == '}') {
            ++at_;
            return true;
        }
        for (;;) {
            skipSpace();
            std::pair<std::string, JsonValue> member;
            if (at_ >= text_.size() || text_[at_] != '"' || !string(&member.first))
                return stop("missing member name");
            skipSpace();
            if (at_ >= text_.size() || text_[at_] != ':')
                return stop("missing ':'");
            ++at_;
            skipSpace();
            if (!value(&member.second, depth + 1))
                return false;
            out->members.push_back(std::move(member));
            skipSpace();
            if (at_ < text_.size() && text_[at_] == ',') {
                ++at_;
                continue;
            }
            if (at_ < text_.size() && text_[at_] == '}') {
                ++at_;
                return true;
            }
            return stop("missing ',' or '}'");
        }
    }

    bool array(JsonValue* out, int depth) {
        out->kind = JsonValue::Array;
        ++at_;
        skipSpace();
        if (at_ < text_.size() && text_[at_] == ']') {
            ++at_;
            return true;
        }
        for (;;) {
            skipSpace();
            JsonValue item;
            if (!value(&item, depth + 1))
                return false;
            out->items.push_back(std::move(item));
            skipSpace();
            if (at_ < text_.size() && text_[at_] == ',') {
                ++at_;
                continue;
            }
            if (at_ < text_.size() && text_[at_] == ']') {
                ++at_;
                return true;
            }
            return stop("missing ',' or ']'");
        }
    }

    static void appendUtf8(std::string* out, unsigned code) {
        if (code < 0x80) {
            *out += char(code);
        } else if (code < 0x800) {
            *out += char(0xC0 | (code >> 6));
            *out += char(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            *out += char(0xE0 | (code >> 12));
            *out += char(0x80 | ((code >> 6) & 0x3F));
            *out += char(0x80 | (code & 0x3F));
        } else {
            *out += char(0xF0 | (code >> 18));
            *out += char(0x80 | ((code >> 12) & 0x3F));
            *out += char(0x80 | ((code >> 6) & 0x3F));
            *out += char(0x80 | (code & 0x3F));
        }
    }

    bool hex4(unsigned* code) {
        if (at_ + 4 > text_.size())
            return stop("short \\u escape");
        *code = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[at_++];
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0)
                return stop("bad \\u escape");
            *code = *code * 16 + unsigned(digit);
        }
        return true;
    }

    bool string(std::string* out) {
        ++at_;
        while (at_ < text_.size()) {
            const char c = text_[at_++];
            if (c == '"')
                return true;
            if (static_cast<unsigned char>(c) < 0x20)
                return stop("control character in a string");
            if (c != '\\') {
                *out += c;
                continue;
            }
            if (at_ >= text_.size())
                break;
            const char e = text_[at_++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                *out += e;
                break;
            case 'b':
                *out += '\b';
                break;
            case 'f':
                *out += '\f';
                break;
            case 'n':
                *out += '\n';
                break;
            case 'r':
                *out += '\r';
                break;
            case 't':
                *out += '\t';
                break;
            case 'u': {
                unsigned code = 0;
                if (!hex4(&code))
                    return false;
                appendUtf8(out, code);
                break;
            }
            default:
                return stop("bad escape");
            }
        }
        return stop("unterminated string");
    }

    bool digits() {
        const size_t start = at_;
        while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9')
            ++at_;
        return at_ > start;
    }

    bool number(double* out) {
        const size_t start = at_;
        if (at_ < text_.size() && text_[at_] == '-')
            ++at_;
        if (at_ < text_.size() && text_[at_] == '0')
            ++at_;
        else if (!digits())
            return stop("bad number");
        if (at_ < text_.size() && text_[at_] == '.') {
            ++at_;
            if (!digits())
                return stop("bad fraction");
        }
        if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
            ++at_;
            if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-'))
                ++at_;
            if (!digits())
                return stop("bad exponent");
        }
        *out = std::strtod(std::string(text_.substr(start, at_ - start)).c_str(), nullptr);
        return true;
    }

    std::string_view text_;
    size_t at_ = 0;
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
    return Reader(text).document(out, error);
}

} // namespace test_support
