// What a conversion works on: the command line's inputs expanded into one job per picture, each
// with the output it writes under the output folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ConversionJob {
    std::string input;  // the path as given or as the walk found it
    std::string output; // the output folder + the input's path relative to where it was found
    uint64_t inputBytes = 0;
};

// An input that yields no job: a missing file, an unreadable folder, a folder loop.
struct InputProblem {
    std::string path;
    std::string reason;
};

// Files are taken whatever their name; folders give their pictures (by extension, in any case),
// and their subfolders' with `recursive`; "@LIST" gives the inputs its lines name. Jobs come in
// the order of the inputs, each folder's entries sorted by name. Outputs take `extension`.
void collectJobs(const std::vector<std::string>& inputs, bool recursive,
                 const std::string& outputFolder, const char* extension,
                 std::vector<ConversionJob>* jobs, std::vector<InputProblem>* problems);

// The first two jobs that would write the same output; false when there are none.
bool findOutputCollision(const std::vector<ConversionJob>& jobs, const ConversionJob** first,
                         const ConversionJob** second);
