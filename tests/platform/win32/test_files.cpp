// Files, sharing, positions, read-only mappings and file-name translation.
#include "temp_folder.h"

#include "windows.h"

#include <cstring>

namespace {

class Files : public InTempFolder {};

HANDLE openForReading(const char* name) {
    return CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

void writeAll(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr));
    ASSERT_EQ(written, bytes.size());
}

TEST_F(Files, CreatesWritesAndReadsBack) {
    HANDLE file = CreateFileA("data.bin", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    writeAll(file, std::string("abc\0def", 7));
    EXPECT_EQ(GetFileSize(file, nullptr), 7u);
    EXPECT_TRUE(CloseHandle(file));

    file = openForReading("data.bin");
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char buffer[16] = {};
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(std::string(buffer, read), std::string("abc\0def", 7));
    ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(read, 0u) << "a read at the end succeeds with nothing";
    CloseHandle(file);
}

TEST_F(Files, DispositionsReportWhatTheyFound) {
    HANDLE file = openForReading("missing.txt");
    EXPECT_EQ(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(openForReading("no-folder\\missing.txt"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));

    writeHostFile("old.txt", "previous run");
    file = CreateFileA("old.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    EXPECT_EQ(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_EXISTS));

    file = CreateFileA("old.txt", GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(GetFileSize(file, nullptr), 12u) << "OPEN_ALWAYS keeps the contents";
    CloseHandle(file);

    file = CreateFileA("old.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(GetFileSize(file, nullptr), 0u) << "CREATE_ALWAYS empties the file";
    CloseHandle(file);

    EXPECT_EQ(CreateFileA(".", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED)) << "a folder is not a file";
}

// The log's way of starting afresh: open always, then cut at position 0.
TEST_F(Files, SetEndOfFileCutsAtThePosition) {
    writeHostFile("Bosquetir.log", "line one\r\nline two\r\n");
    HANDLE log = CreateFileA("Bosquetir.log", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(log, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(SetEndOfFile(log));
    writeAll(log, "fresh\r\n");
    CloseHandle(log);
    EXPECT_EQ(readHostFile("Bosquetir.log"), "fresh\r\n");
}

TEST_F(Files, FilePointerMovesAndRefusesNegativePositions) {
    writeHostFile("ten.bin", "0123456789");
    HANDLE file =
        CreateFileA("ten.bin", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(SetFilePointer(file, -3, nullptr, FILE_END), 7u);
    char digit = 0;
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(file, &digit, 1, &read, nullptr));
    EXPECT_EQ(digit, '7');
    EXPECT_EQ(SetFilePointer(file, -1, nullptr, FILE_CURRENT), 7u);

    EXPECT_EQ(SetFilePointer(file, -20, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NEGATIVE_SEEK));

    LONG high = 1; // 4 GiB + 2: beyond the 32-bit answer, so only with a high word
    EXPECT_EQ(SetFilePointer(file, 2, &high, FILE_BEGIN), 2u);
    EXPECT_EQ(high, 1);
    EXPECT_EQ(GetLastError(), DWORD(NO_ERROR));
    EXPECT_EQ(SetFilePointer(file, 4, nullptr, FILE_BEGIN), 4u);
    ASSERT_TRUE(SetEndOfFile(file));
    DWORD sizeHigh = 99;
    EXPECT_EQ(GetFileSize(file, &sizeHigh), 4u);
    EXPECT_EQ(sizeHigh, 0u);
    CloseHandle(file);
}

TEST_F(Files, AccessAndSharingAreEnforced) {
    writeHostFile("shared.txt", "x");
    HANDLE reader = openForReading("shared.txt");
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    DWORD count = 0;
    EXPECT_FALSE(WriteFile(reader, "y", 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));

    // The reader shares reading only, so a writer is refused and a second reader admitted.
    EXPECT_EQ(CreateFileA("shared.txt", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    HANDLE second = openForReading("shared.txt");
    EXPECT_NE(second, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(DeleteFileA("shared.txt"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    CloseHandle(second);
    CloseHandle(reader);
    EXPECT_TRUE(DeleteFileA("shared.txt"));
    EXPECT_FALSE(std::filesystem::exists("shared.txt"));
}

TEST_F(Files, NullAndStaleHandlesFailWithoutCrashing) {
    char buffer[4];
    DWORD count = 0;
    for (HANDLE bad : {HANDLE(nullptr), INVALID_HANDLE_VALUE, HANDLE(uintptr_t(0x1234))}) {
        SetLastError(0);
        EXPECT_FALSE(ReadFile(bad, buffer, 4, &count, nullptr));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
        EXPECT_FALSE(WriteFile(bad, buffer, 4, &count, nullptr));
        EXPECT_EQ(GetFileSize(bad, nullptr), INVALID_FILE_SIZE);
        EXPECT_EQ(SetFilePointer(bad, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
        EXPECT_FALSE(SetEndOfFile(bad));
        EXPECT_FALSE(CloseHandle(bad));
        EXPECT_EQ(CreateFileMappingA(bad, nullptr, PAGE_READONLY, 0, 0, nullptr), nullptr);
        EXPECT_EQ(MapViewOfFile(bad, FILE_MAP_READ, 0, 0, 0), nullptr);
    }
    EXPECT_EQ(CreateFileA(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_FALSE(UnmapViewOfFile(buffer));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_ADDRESS));

    writeHostFile("one.txt", "1");
    HANDLE file = openForReading("one.txt");
    ASSERT_TRUE(CloseHandle(file));
    EXPECT_FALSE(CloseHandle(file)) << "a closed handle is stale";
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
}

// The texture loader's sequence: open, map read-only, view, size.
TEST_F(Files, MapsAFileReadOnly) {
    std::string contents(100000, '\0');
    for (size_t i = 0; i < contents.size(); ++i)
        contents[i] = char(i * 7);
    writeHostFile("picture.bin", contents);
    HANDLE file = CreateFileA("picture.bin", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_RANDOM_ACCESS, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    ASSERT_NE(mapping, nullptr);
    const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(GetFileSize(file, nullptr), contents.size());
    EXPECT_EQ(std::memcmp(view, contents.data(), contents.size()), 0);

    EXPECT_EQ(MapViewOfFile(mapping, FILE_MAP_READ, 0, 100, 0), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MAPPED_ALIGNMENT));
    const auto* tail = static_cast<const char*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 65536, 0));
    ASSERT_NE(tail, nullptr);
    EXPECT_EQ(tail[0], contents[65536]);
    EXPECT_TRUE(UnmapViewOfFile(tail));
    EXPECT_EQ(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0), nullptr);

    // The view outlives both handles, as on Windows.
    EXPECT_TRUE(CloseHandle(mapping));
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(static_cast<const char*>(view)[99999], contents[99999]);
    EXPECT_TRUE(UnmapViewOfFile(view));
    EXPECT_FALSE(UnmapViewOfFile(view));
}

TEST_F(Files, RefusesToMapAnEmptyFileOrToCutAMappedOne) {
    writeHostFile("empty.bin", "");
    HANDLE empty = openForReading("empty.bin");
    ASSERT_NE(empty, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileMappingA(empty, nullptr, PAGE_READONLY, 0, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_INVALID));
    CloseHandle(empty);

    writeHostFile("mapped.bin", std::string(5000, 'm'));
    HANDLE writer =
        CreateFileA("mapped.bin", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    HANDLE mapping = CreateFileMappingA(writer, nullptr, PAGE_READONLY, 0, 0, nullptr);
    const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    ASSERT_NE(view, nullptr);
    CloseHandle(mapping);
    SetFilePointer(writer, 10, nullptr, FILE_BEGIN);
    EXPECT_FALSE(SetEndOfFile(writer)) << "cutting under a view would make it read past the end";
    EXPECT_EQ(GetLastError(), DWORD(ERROR_USER_MAPPED_FILE));
    UnmapViewOfFile(view);
    EXPECT_TRUE(SetEndOfFile(writer));
    CloseHandle(writer);
}

TEST_F(Files, NamesUseBackslashesAndWindows1252) {
    std::filesystem::create_directory("pictures");
    HANDLE file = CreateFileA("pictures\\arri\xE8re-plan.txt", GENERIC_WRITE, 0, nullptr,
                              CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_TRUE(std::filesystem::exists("pictures/arri\xC3\xA8re-plan.txt"));

    char folder[MAX_PATH];
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, folder);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(std::string(folder), std::filesystem::current_path().string());
    EXPECT_EQ(length, std::strlen(folder));
    const std::string absolute = std::string(folder) + "\\pictures\\arri\xE8re-plan.txt";
    file = openForReading(absolute.c_str());
    EXPECT_NE(file, INVALID_HANDLE_VALUE) << absolute;
    CloseHandle(file);

    EXPECT_EQ(openForReading("C:\\pictures\\fond.png"), INVALID_HANDLE_VALUE)
        << "drive letters name nothing on this host";
}

TEST_F(Files, CurrentDirectoryReportsTheSizeItNeeds) {
    const std::string expected = std::filesystem::current_path().string();
    EXPECT_EQ(GetCurrentDirectoryA(0, nullptr), expected.size() + 1);
    std::string small(expected.size(), 'x');
    EXPECT_EQ(GetCurrentDirectoryA(DWORD(small.size()), small.data()), expected.size() + 1)
        << "one byte short of the terminating zero";
    std::filesystem::create_directory("inner");
    EXPECT_TRUE(SetCurrentDirectoryA("inner"));
    EXPECT_EQ(std::filesystem::current_path(), folder_ / "inner");
    EXPECT_FALSE(SetCurrentDirectoryA("nowhere"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
}

} // namespace
