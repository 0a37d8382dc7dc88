// Test helper: a tool run as a program through the shell in the current folder, with its exit
// status, standard output and standard error.
#pragma once

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>

struct ProgramRun {
    int status = -1; // the exit status, or -1 when the program did not exit
    std::string out;
    std::string err;
};

inline ProgramRun runCommand(const std::string& commandLine) {
    const std::string command = commandLine + " 2>stderr.txt";
    ProgramRun result;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return result;
    std::array<char, 4096> buffer;
    for (size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
        result.out.append(buffer.data(), n);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err("stderr.txt", std::ios::binary);
    result.err.assign(std::istreambuf_iterator<char>(err), {});
    std::remove("stderr.txt");
    return result;
}
