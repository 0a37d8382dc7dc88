// texkit's verbs: each reads the arguments after its name and returns the exit status (0 done,
// 1 something failed, 2 a usage error).
#pragma once

#include "tools/texkit/command_line.h"

#include <span>
#include <string>
#include <vector>

int runInfo(const Invocation& invocation, std::span<const std::string> arguments);
int runConvert(const Invocation& invocation, std::span<const std::string> arguments);
int runCompare(const Invocation& invocation, std::span<const std::string> arguments);
int runSheet(const Invocation& invocation, std::span<const std::string> arguments);
int runAssemble(const Invocation& invocation, std::span<const std::string> arguments);

// The whole program: the verb named by the first argument runs on the others, or, when the
// program was called by the name texinfo (`calledAs` is argv[0]), info runs on them all.
int runTexkit(const char* calledAs, const std::vector<std::string>& arguments);
