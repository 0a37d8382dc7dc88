// The command lines of texkit's verbs: each verb reads its options from a table of rows, so an
// unknown option or a value that does not read is named, and the verb exits with status 2.
#pragma once

#include "blit/blit_surface.h"
#include "d3d8.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// How the program was called, for its messages: "texinfo", or "texkit" and a verb.
struct Invocation {
    std::string program; // "texkit" or "texinfo"
    std::string verb;    // "info", "convert" ...; empty for texinfo

    // "texkit convert" or "texinfo", as usage lines name the command.
    std::string command() const { return verb.empty() ? program : program + " " + verb; }
};

// One option of a verb. A switch has no value name and is read with an empty value.
template <typename Options> struct OptionRow {
    const char* name;      // "--format"
    const char* shortName; // "-j", or null
    const char* valueName; // "N", or null for a switch
    bool (*read)(const std::string& value, Options* options);
};

enum class CommandLine { Run, Help, Wrong };

namespace command_line_detail {

enum class Match { None, Read, Wrong };

template <typename Row> bool names(const Row& row, const std::string& name) {
    return name == row.name || (row.shortName != nullptr && name == row.shortName);
}

// Reads the option at arguments[*i] if `table` has it, moving *i past its value.
template <typename Options, typename Base>
Match readOption(std::span<const OptionRow<Base>> table, std::span<const std::string> arguments,
                 size_t* i, Options* options, std::string* error) {
    const std::string& argument = arguments[*i];
    const size_t equals = argument.find('=');
    const std::string name = argument.substr(0, equals);
    for (const OptionRow<Base>& row : table) {
        if (!names(row, name))
            continue;
        std::string value;
        if (row.valueName == nullptr) {
            if (equals != std::string::npos) {
                *error = name + " takes no value";
                return Match::Wrong;
            }
        } else if (equals != std::string::npos) {
            value = argument.substr(equals + 1);
        } else if (*i + 1 < arguments.size()) {
            value = arguments[++*i];
        } else {
            *error = name + " needs a value";
            return Match::Wrong;
        }
        if (!row.read(value, options)) {
            *error = "cannot read " + name + (row.valueName != nullptr ? " " + value : "");
            return Match::Wrong;
        }
        return Match::Read;
    }
    return Match::None;
}

} // namespace command_line_detail

// Reads the arguments after the verb: options through the tables ("--name value",
// "--name=value" or the short name; a table may hold the options of a base of Options),
// everything else into `operands`. On Wrong, `error` names the option and what was wrong.
template <typename Options, typename... Bases>
CommandLine parseCommandLine(std::span<const std::string> arguments, Options* options,
                             std::vector<std::string>* operands, std::string* error,
                             std::span<const OptionRow<Bases>>... tables) {
    using command_line_detail::Match;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h")
            return CommandLine::Help;
        if (argument.size() < 2 || argument[0] != '-') {
            operands->push_back(argument);
            continue;
        }
        Match match = Match::None;
        ((match == Match::None
              ? void(match = command_line_detail::readOption(tables, arguments, &i, options, error))
              : void()),
         ...);
        if (match == Match::Wrong)
            return CommandLine::Wrong;
        if (match == Match::None) {
            *error = "unknown option " + argument.substr(0, argument.find('='));
            return CommandLine::Wrong;
        }
    }
    return CommandLine::Run;
}

// Values the verbs share. Each reads a whole argument and returns false when it does not.

// Decimal, 0x hexadecimal, or -1 (0xFFFFFFFF): an unsigned 32-bit number.
bool parseNumber(const std::string& text, uint32_t* value);
// "default", "managed", "systemmem" or "scratch", in any case.
bool parsePool(const std::string& text, D3DPOOL* pool);
// "box", "triangle+dither", "Filter" prefixes allowed, "default", or a number.
bool parseFilter(const std::string& text, ImageFilter* filter);
