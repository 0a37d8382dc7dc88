// A fresh temporary folder that is the current directory for the length of a test.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

// Makes a fresh temporary folder the current directory; leave() goes back to the previous one
// and removes the folder with everything in it.
class CurrentTempFolder {
public:
    bool enter() {
        previous_ = std::filesystem::current_path();
        std::string pattern = (std::filesystem::temp_directory_path() / "bosq-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            return false;
        path_ = pattern;
        std::filesystem::current_path(path_);
        return true;
    }
    void leave() {
        std::filesystem::current_path(previous_);
        if (!path_.empty())
            std::filesystem::remove_all(path_);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

class InTempFolder : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(current_.enter());
        folder_ = current_.path();
    }
    void TearDown() override { current_.leave(); }

    static void writeHostFile(const std::filesystem::path& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string readHostFile(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::filesystem::path folder_;

private:
    CurrentTempFolder current_;
};
