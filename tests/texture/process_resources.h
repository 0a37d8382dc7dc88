// Test helper: the open file descriptors of this process and its mappings of files in one
// folder, so a test can check that a sequence of operations gave back everything it took.
#pragma once

#include <dirent.h>

#include <fstream>
#include <ostream>
#include <string>

struct ProcessResources {
    int descriptors = 0;
    int mappings = 0;

    // Mappings are counted only for files under `folder`: the allocator maps memory of its own.
    static ProcessResources now(const std::string& folder) {
        ProcessResources counts;
        if (DIR* folder = opendir("/proc/self/fd")) {
            while (readdir(folder) != nullptr)
                ++counts.descriptors;
            closedir(folder);
        }
        std::ifstream maps("/proc/self/maps");
        for (std::string line; std::getline(maps, line);)
            counts.mappings += line.find(folder) != std::string::npos;
        return counts;
    }

    bool operator==(const ProcessResources&) const = default;
};

inline void PrintTo(const ProcessResources& r, std::ostream* os) {
    *os << r.descriptors << " descriptors, " << r.mappings << " mappings";
}
