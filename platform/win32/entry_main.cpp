// The process entry of programs written against WinMain.
//
// Implements: main, which calls WinMain(GetModuleHandleA(NULL), NULL, command line,
// SW_SHOWDEFAULT) and returns its result as the exit code. The command line is the arguments
// after the program name, joined by spaces, an argument holding a space in double quotes.
#include "windows.h"

#include <string>

int main(int argc, char** argv) {
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (!commandLine.empty())
            commandLine += ' ';
        const bool quote = argument.empty() || argument.find_first_of(" \t") != std::string::npos;
        commandLine += quote ? '"' + argument + '"' : argument;
    }
    return WinMain(GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOWDEFAULT);
}
