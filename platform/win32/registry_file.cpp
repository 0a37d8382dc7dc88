// Parser of .reg export files into keys and values.
#include "win32/registry_file.h"

#include "win32/code_pages.h"

#include <array>
#include <optional>
#include <vector>

namespace {

using win32::RegistryValue;

constexpr std::array<std::string_view, 4> RootTable = {
    "hkey_classes_root",
    "hkey_current_user",
    "hkey_local_machine",
    "hkey_users",
};

std::string lowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return lower;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// The file's text in Windows-1252, whatever encoding its byte-order mark announces.
std::string ansiText(std::string_view bytes) {
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
        std::u16string wide;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            wide.push_back(char16_t(uint8_t(bytes[i]) | (uint8_t(bytes[i + 1]) << 8)));
        std::string utf8;
        for (size_t i = 0; i < wide.size(); ++i) {
            char32_t c = wide[i];
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
                wide[i + 1] <= 0xDFFF)
                c = 0x10000 + ((c - 0xD800) << 10) + (wide[++i] - 0xDC00);
            win32::appendUtf8(&utf8, c);
        }
        return win32::ansiFromUtf8(utf8);
    }
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
        return win32::ansiFromUtf8(bytes.substr(3));
    return std::string(bytes);
}

// Logical lines: a line ending in a backslash continues on the next (long hex values).
std::vector<std::string> logicalLines(std::string_view text) {
    std::vector<std::string> lines;
    std::string current;
    bool continuing = false;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = trimmed(text.substr(start, end - start));
        start = end + 1;
        if (!continuing)
            current.clear();
        const bool valueText = continuing || (!line.empty() && line.front() != '[' &&
                                              line.find('=') != std::string_view::npos);
        continuing = !line.empty() && line.back() == '\\' && valueText;
        if (continuing)
            line.remove_suffix(1);
        current.append(line);
        if (!continuing)
            lines.push_back(current);
        if (end == text.size())
            break;
    }
    if (continuing)
        lines.push_back(current);
    return lines;
}

// Reads a quoted string at text[*index] (which must be '"'), undoing \\ and \" escapes.
std::optional<std::string> quoted(std::string_view text, size_t* index) {
    if (*index >= text.size() || text[*index] != '"')
        return std::nullopt;
    std::string out;
    for (size_t i = *index + 1; i < text.size(); ++i) {
        if (text[i] == '"') {
            *index = i + 1;
            return out;
        }
        if (text[i] == '\\') {
            if (i + 1 >= text.size() || (text[i + 1] != '\\' && text[i + 1] != '"'))
                return std::nullopt;
            ++i;
        }
        out.push_back(text[i]);
    }
    return std::nullopt;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<RegistryValue> dwordValue(std::string_view digits) {
    if (digits.empty() || digits.size() > 8)
        return std::nullopt;
    uint32_t number = 0;
    for (char c : digits) {
        const int digit = hexDigit(c);
        if (digit < 0)
            return std::nullopt;
        number = (number << 4) | uint32_t(digit);
    }
    RegistryValue value{REG_DWORD, std::string(4, '\0')};
    for (int i = 0; i < 4; ++i)
        value.data[i] = char((number >> (8 * i)) & 0xFF);
    return value;
}

// "aa,bb,cc" with optional spaces; an empty list is an empty value.
std::optional<std::string> hexBytes(std::string_view list) {
    std::string bytes;
    list = trimmed(list);
    size_t i = 0;
    while (i < list.size()) {
        while (i < list.size() && list[i] == ' ')
            ++i;
        if (i + 2 > list.size() || hexDigit(list[i]) < 0 || hexDigit(list[i + 1]) < 0)
            return std::nullopt;
        bytes.push_back(char(hexDigit(list[i]) * 16 + hexDigit(list[i + 1])));
        i += 2;
        while (i < list.size() && list[i] == ' ')
            ++i;
        if (i < list.size() && list[i++] != ',')
            return std::nullopt;
    }
    return bytes;
}

std::optional<RegistryValue> hexValue(std::string_view text) {
    DWORD type = REG_BINARY;
    if (text.substr(0, 4) == "hex(") {
        const size_t close = text.find(')');
        if (close == std::string_view::npos || close == 4 || close > 12)
            return std::nullopt;
        type = 0;
        for (char c : text.substr(4, close - 4)) {
            if (hexDigit(c) < 0)
                return std::nullopt;
            type = type * 16 + DWORD(hexDigit(c));
        }
        text.remove_prefix(close + 1);
    } else {
        text.remove_prefix(3);
    }
    if (text.empty() || text.front() != ':')
        return std::nullopt;
    std::optional<std::string> bytes = hexBytes(text.substr(1));
    if (!bytes)
        return std::nullopt;
    return RegistryValue{type, std::move(*bytes)};
}

std::optional<RegistryValue> valueData(std::string_view text) {
    if (!text.empty() && text.front() == '"') {
        size_t index = 0;
        std::optional<std::string> string = quoted(text, &index);
        if (!string || !trimmed(text.substr(index)).empty())
            return std::nullopt;
        string->push_back('\0');
        return RegistryValue{REG_SZ, std::move(*string)};
    }
    const std::string lower = lowerAscii(text);
    if (lower.substr(0, 6) == "dword:")
        return dwordValue(trimmed(text.substr(6)));
    if (lower.substr(0, 3) == "hex")
        return hexValue(lower);
    return std::nullopt;
}

// Parses `"name"=data` or `@=data`; false for a line that is neither.
bool valueLine(std::string_view line, std::string* name, RegistryValue* value) {
    size_t index = 0;
    if (line.front() == '@') {
        name->clear();
        index = 1;
    } else {
        std::optional<std::string> quotedName = quoted(line, &index);
        if (!quotedName)
            return false;
        *name = lowerAscii(*quotedName);
    }
    const std::string_view rest = trimmed(line.substr(index));
    if (rest.empty() || rest.front() != '=')
        return false;
    std::optional<RegistryValue> data = valueData(trimmed(rest.substr(1)));
    if (!data)
        return false;
    *value = std::move(*data);
    return true;
}

bool knownRoot(std::string_view normalisedPath) {
    const std::string_view root = normalisedPath.substr(0, normalisedPath.find('\\'));
    for (std::string_view known : RootTable)
        if (root == known)
            return true;
    return false;
}

} // namespace

namespace win32 {

std::string normalisedKeyPath(std::string_view path) {
    while (!path.empty() && path.back() == '\\')
        path.remove_suffix(1);
    if (path.empty() || path.front() == '\\' || path.find("\\\\") != std::string_view::npos)
        return std::string();
    return lowerAscii(path);
}

RegistryData RegistryData::parse(std::string_view fileBytes) {
    RegistryData data;
    RegistryKey* section = nullptr;
    for (const std::string& text : logicalLines(ansiText(fileBytes))) {
        const std::string_view line = text;
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            section = nullptr;
            if (line.back() != ']' || line.size() < 3 || line[1] == '-')
                continue;
            const std::string path = normalisedKeyPath(line.substr(1, line.size() - 2));
            if (!path.empty() && knownRoot(path))
                section = &data.keys_[path];
            continue;
        }
        std::string name;
        RegistryValue value;
        if (section != nullptr && valueLine(line, &name, &value))
            section->values[name] = std::move(value);
    }
    return data;
}

bool RegistryData::keyExists(std::string_view path) const {
    const std::string key = normalisedKeyPath(path);
    if (key.empty())
        return false;
    if (keys_.count(key) != 0)
        return true;
    const std::string below = key + '\\';
    const auto next = keys_.lower_bound(below);
    return next != keys_.end() && next->first.compare(0, below.size(), below) == 0;
}

const RegistryValue* RegistryData::findValue(std::string_view path, std::string_view name) const {
    const auto key = keys_.find(normalisedKeyPath(path));
    if (key == keys_.end())
        return nullptr;
    const auto value = key->second.values.find(lowerAscii(name));
    return value == key->second.values.end() ? nullptr : &value->second;
}

} // namespace win32
