// MappedFile: the whole file as a read-only view, InvalidData for what cannot be mapped, and
// every handle and view given back whichever way open ended.
#include "texture/mapped_file.h"

#include "tests/platform/win32/temp_folder.h"
#include "tests/texture/process_resources.h"
#include "texture/image_info.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class MappedFileTest : public InTempFolder {};

void expectClosed(const MappedFile& file) {
    EXPECT_EQ(file.file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(file.mapping, INVALID_HANDLE_VALUE);
    EXPECT_EQ(file.view, nullptr);
    EXPECT_EQ(file.size, 0u);
}

TEST_F(MappedFileTest, ViewsTheWholeFile) {
    const std::string bytes = "\x89PNG and some more bytes";
    writeHostFile("picture.png", bytes);
    MappedFile file;
    ASSERT_EQ(file.open("picture.png"), D3D_OK);
    ASSERT_EQ(file.size, bytes.size());
    EXPECT_EQ(std::memcmp(file.view, bytes.data(), bytes.size()), 0);
    file.close();
    expectClosed(file);
}

TEST_F(MappedFileTest, BackslashesSeparateFolders) {
    std::filesystem::create_directory("pictures");
    writeHostFile("pictures/fond.png", "abc");
    MappedFile file;
    ASSERT_EQ(file.open("pictures\\fond.png"), D3D_OK);
    EXPECT_EQ(file.size, 3u);
}

TEST_F(MappedFileTest, WhatCannotBeMappedIsInvalidData) {
    writeHostFile("empty.png", "");
    std::filesystem::create_directory("folder.png");
    for (const char* name : {"missing.png", "empty.png", "folder.png"}) {
        MappedFile file;
        EXPECT_EQ(file.open(name), InvalidData) << name;
        file.close();
        expectClosed(file);
    }
    MappedFile file;
    EXPECT_EQ(file.open(nullptr), D3DERR_INVALIDCALL);
}

TEST_F(MappedFileTest, EveryPathGivesBackDescriptorsAndViews) {
    writeHostFile("picture.png", std::string(5000, 'p'));
    writeHostFile("empty.png", "");
    const ProcessResources before = ProcessResources::now(folder_.string());
    for (int round = 0; round < 3; ++round) {
        for (const char* name : {"picture.png", "empty.png", "missing.png"}) {
            MappedFile file;
            file.open(name); // released by the destructor, success or not
        }
        MappedFile reopened;
        ASSERT_EQ(reopened.open("picture.png"), D3D_OK);
        EXPECT_EQ(ProcessResources::now(folder_.string()).mappings, before.mappings + 1);
        reopened.close();
    }
    EXPECT_EQ(ProcessResources::now(folder_.string()), before);
}

} // namespace
