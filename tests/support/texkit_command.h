// texkit's command line under any bytes: the bytes, split at line ends and nulls, become the
// arguments of one run of the program (its verb dispatch, option parsers and verbs), made
// inside a temporary folder that holds a few small inputs. A path cannot leave the folder: a
// leading slash is dropped and ".." becomes "__". Used by the fuzz target
// fuzz/fuzz_texkit_command.cpp and by the replay of its corpus.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace texkit_command {

struct Result {
    int status = 0;
    std::vector<std::string> made; // files and folders the run left, besides the inputs
    std::string problem;           // empty, or what went wrong beyond a failing exit status
};

class Workspace {
public:
    // Makes the folder and its inputs.
    Workspace();
    // Removes the folder and everything in it.
    ~Workspace();
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    // Runs texkit in the folder with its output streams silenced, checks the exit status (0, 1
    // or 2) and that no input the arguments do not name has changed, then puts back the inputs
    // and removes what the run made.
    Result run(const uint8_t* bytes, size_t size);
    const std::string& folder() const { return folder_; }

private:
    std::string folder_;
    std::vector<std::pair<std::string, std::vector<uint8_t>>> inputs_;
};

// The arguments the bytes make, with their paths kept inside the folder.
std::vector<std::string> argumentsOf(const uint8_t* bytes, size_t size);

} // namespace texkit_command
