// The registry as read from a text file in the .reg export format: keys by path, each with
// its values. Plain data, no host access.
#pragma once

#include "windows.h"

#include <map>
#include <string>
#include <string_view>

namespace win32 {

struct RegistryValue {
    DWORD type = REG_NONE;
    std::string data; // the bytes RegQueryValueExA hands out (a string with its zero)
};

struct RegistryKey {
    std::map<std::string, RegistryValue> values; // by lower-case name; "" is the default value
};

class RegistryData {
public:
    // Reads the text of a .reg file: "REGEDIT4" or version 5 headers, [root\path] sections,
    // "Name"="text" (with \\ and \" escapes), "Name"=dword:hhhhhhhh, "Name"=hex:..,
    // "Name"=hex(n):.. with continued lines, @ for the default value, ; comments. The text may
    // be Windows-1252, UTF-8 with a byte-order mark or UTF-16LE with one. Lines that do not
    // parse are skipped; so are the values of a section whose root is unknown.
    static RegistryData parse(std::string_view fileBytes);

    // Key paths are "<ROOT>\sub\key" with a root such as HKEY_LOCAL_MACHINE, any case. A key
    // exists when it has a section of its own or a section below it.
    bool keyExists(std::string_view path) const;
    const RegistryValue* findValue(std::string_view path, std::string_view name) const;

private:
    std::map<std::string, RegistryKey> keys_; // by normalised path
};

// The normalised form of a key path: lower-case ASCII, no trailing backslash; "" when the path
// has an empty component.
std::string normalisedKeyPath(std::string_view path);

} // namespace win32
