// Expanding the inputs of a conversion: files, folders walked in name order with a guard
// against loops through symbolic links, and list files.
#include "tools/texkit/input_walk.h"

#include "tools/texkit/load_failure.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unordered_map>
#include <utility>

namespace fs = std::filesystem;

namespace {

constexpr const char* pictureExtensionTable[] = {".bmp", ".dib", ".tga",  ".ppm",
                                                 ".png", ".jpg", ".jpeg", ".dds"};
static_assert(std::size(pictureExtensionTable) == 8);

bool isPictureName(const fs::path& path) {
    std::string extension = path.extension().string();
    for (char& c : extension)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return std::find_if(std::begin(pictureExtensionTable), std::end(pictureExtensionTable),
                        [&](const char* known) { return extension == known; }) !=
           std::end(pictureExtensionTable);
}

// A folder's identity, to see the walk come back to a folder it is inside.
struct FolderId {
    dev_t device;
    ino_t inode;
    bool operator==(const FolderId&) const = default;
};

class Walk {
public:
    Walk(bool recursive, const std::string& outputFolder, const char* extension,
         std::vector<ConversionJob>* jobs, std::vector<InputProblem>* problems)
        : recursive_(recursive), outputFolder_(outputFolder), extension_(extension), jobs_(jobs),
          problems_(problems) {}

    void input(const std::string& argument, bool fromList) {
        if (!fromList && argument.size() > 1 && argument[0] == '@') {
            list(argument.substr(1));
            return;
        }
        struct stat info;
        if (::stat(argument.c_str(), &info) != 0) {
            problems_->push_back({argument, openFailureReason(argument)});
            return;
        }
        if (S_ISDIR(info.st_mode)) {
            std::vector<FolderId> inside;
            folder(fs::path(argument), fs::path(), &inside);
            return;
        }
        add(argument, fs::path(argument).filename(), uint64_t(info.st_size));
    }

private:
    void list(const std::string& path) {
        std::ifstream in(path);
        if (!in) {
            problems_->push_back({"@" + path, "the list cannot be read"});
            return;
        }
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (!line.empty())
                input(line, true);
        }
    }

    void folder(const fs::path& path, const fs::path& relative, std::vector<FolderId>* inside) {
        struct stat info;
        if (::stat(path.c_str(), &info) != 0) {
            problems_->push_back({path.string(), openFailureReason(path.string())});
            return;
        }
        const FolderId id = {info.st_dev, info.st_ino};
        if (std::find(inside->begin(), inside->end(), id) != inside->end()) {
            problems_->push_back({path.string(), "leads back into a folder it is inside (a loop "
                                                 "through a symbolic link); not followed"});
            return;
        }
        std::error_code error;
        fs::directory_iterator entries(path, error);
        if (error) {
            problems_->push_back({path.string(), "the folder cannot be read"});
            return;
        }
        std::vector<fs::path> names;
        for (const fs::directory_entry& entry : entries)
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        inside->push_back(id);
        for (const fs::path& name : names) {
            const fs::path full = path / name;
            struct stat entry;
            if (::stat(full.c_str(), &entry) != 0) {
                if (isPictureName(name))
                    problems_->push_back({full.string(), openFailureReason(full.string())});
                continue;
            }
            if (S_ISDIR(entry.st_mode)) {
                if (recursive_)
                    folder(full, relative / name, inside);
            } else if (isPictureName(name)) {
                add(full.string(), relative / name, uint64_t(entry.st_size));
            }
        }
        inside->pop_back();
    }

    void add(const std::string& input, fs::path relative, uint64_t bytes) {
        relative.replace_extension(extension_);
        jobs_->push_back(
            {input, (fs::path(outputFolder_) / relative).lexically_normal().string(), bytes});
    }

    bool recursive_;
    std::string outputFolder_;
    const char* extension_;
    std::vector<ConversionJob>* jobs_;
    std::vector<InputProblem>* problems_;
};

} // namespace

void collectJobs(const std::vector<std::string>& inputs, bool recursive,
                 const std::string& outputFolder, const char* extension,
                 std::vector<ConversionJob>* jobs, std::vector<InputProblem>* problems) {
    Walk walk(recursive, outputFolder, extension, jobs, problems);
    for (const std::string& input : inputs)
        walk.input(input, false);
}

bool findOutputCollision(const std::vector<ConversionJob>& jobs, const ConversionJob** first,
                         const ConversionJob** second) {
    std::unordered_map<std::string, const ConversionJob*> byOutput;
    for (const ConversionJob& job : jobs) {
        const auto [found, added] = byOutput.emplace(job.output, &job);
        if (!added) {
            *first = found->second;
            *second = &job;
            return true;
        }
    }
    return false;
}
