// The option values texkit's verbs share: numbers, pools and filter words.
#include "tools/texkit/command_line.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <iterator>
#include <strings.h>

namespace {

struct FilterWord {
    const char* name;
    ImageFilter bits;
};

constexpr FilterWord filterKindTable[] = {
    {"none", FilterNone},         {"point", FilterPoint}, {"linear", FilterLinear},
    {"triangle", FilterTriangle}, {"box", FilterBox},
};

constexpr FilterWord filterFlagTable[] = {
    {"mirroru", FilterMirrorU}, {"mirrorv", FilterMirrorV}, {"mirrorw", FilterMirrorW},
    {"mirror", FilterMirror},   {"dither", FilterDither},
};

bool lookUp(const std::string& word, std::span<const FilterWord> table, ImageFilter* bits) {
    std::string name = word;
    if (strncasecmp(name.c_str(), "Filter", 6) == 0)
        name.erase(0, 6);
    for (const FilterWord& row : table) {
        if (strcasecmp(name.c_str(), row.name) == 0) {
            *bits = row.bits;
            return true;
        }
    }
    return false;
}

} // namespace

bool parseNumber(const std::string& text, uint32_t* value) {
    if (text == "-1") {
        *value = 0xFFFFFFFFu;
        return true;
    }
    if (text.empty() || text[0] == '-' || text[0] == '+')
        return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || parsed > 0xFFFFFFFFull)
        return false;
    *value = uint32_t(parsed);
    return true;
}

bool parsePool(const std::string& text, D3DPOOL* pool) {
    static const char* const names[] = {"default", "managed", "systemmem", "scratch"};
    for (DWORD i = 0; i < std::size(names); ++i) {
        if (strcasecmp(text.c_str(), names[i]) == 0) {
            *pool = D3DPOOL(i);
            return true;
        }
    }
    return false;
}

// The word is passed on as given; the loader refuses filter words it does not know.
bool parseFilter(const std::string& text, ImageFilter* filter) {
    if (strcasecmp(text.c_str(), "default") == 0) {
        *filter = FilterDefault;
        return true;
    }
    if (parseNumber(text, filter))
        return true;
    size_t start = 0;
    ImageFilter word = 0;
    for (bool first = true; start <= text.size(); first = false) {
        const size_t end = std::min(text.find('+', start), text.size());
        ImageFilter bits = 0;
        const std::string part = text.substr(start, end - start);
        const bool known =
            first ? lookUp(part, filterKindTable, &bits) : lookUp(part, filterFlagTable, &bits);
        if (!known)
            return false;
        word |= bits;
        start = end + 1;
    }
    *filter = word;
    return true;
}
