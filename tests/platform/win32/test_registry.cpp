// The registry read from a .reg file: keys, value types, sizes and damaged files.
#include "temp_folder.h"

#include "platform_ext.h"
#include "windows.h"

#include <cstdlib>
#include <cstring>

namespace {

const char* const Direct3DKey = "Software\\Microsoft\\Direct3D";

class Registry : public InTempFolder {
protected:
    void TearDown() override {
        platform_ext::setRegistryFile(nullptr);
        InTempFolder::TearDown();
    }

    void useRegistry(const std::string& text) {
        writeHostFile("settings.reg", text);
        platform_ext::setRegistryFile((folder_ / "settings.reg").c_str());
    }

    // Opens the Direct3D settings key, failing the test when it does not open.
    HKEY openDirect3D() {
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, Direct3DKey, &key), ERROR_SUCCESS);
        return key;
    }
};

TEST_F(Registry, ReadsDwordAndStringValues) {
    useRegistry("REGEDIT4\r\n\r\n"
                "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Direct3D]\r\n"
                "\"DisableMMX\"=dword:00000001\r\n"
                "\"DisableSimdMath\"=dword:0000002a\r\n"
                "\"Path\"=\"C:\\\\Jeux\\\\\\\"Bosquetir\\\"\"\r\n");
    HKEY key = openDirect3D();
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    EXPECT_EQ(
        RegQueryValueExA(key, "DisableMMX", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD(REG_DWORD));
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(RegQueryValueExA(key, "disablesimdmath", nullptr, &type,
                               reinterpret_cast<BYTE*>(&value), &size),
              ERROR_SUCCESS)
        << "value names compare without case";
    EXPECT_EQ(value, 42u);

    char text[64] = {};
    size = sizeof text;
    EXPECT_EQ(RegQueryValueExA(key, "Path", nullptr, &type, reinterpret_cast<BYTE*>(text), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_STREQ(text, "C:\\Jeux\\\"Bosquetir\"");
    EXPECT_EQ(size, std::strlen(text) + 1) << "a string's size counts its zero";
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

// The feature switches read a dword and check the type: a string is refused by its type.
TEST_F(Registry, ReportsTheStoredTypeOfAValue) {
    useRegistry("[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Direct3D]\n"
                "\"DisableMMX\"=\"1\"\n");
    HKEY key = openDirect3D();
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    EXPECT_EQ(
        RegQueryValueExA(key, "DisableMMX", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_NE(type, DWORD(REG_DWORD));
    EXPECT_EQ(size, 2u);
    RegCloseKey(key);
}

TEST_F(Registry, SizeQueriesAndShortBuffers) {
    useRegistry("[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Direct3D]\n"
                "\"Name\"=\"arri\xE8re-plan\"\n");
    HKEY key = openDirect3D();
    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 13u);
    char small[4] = {'k', 'e', 'e', 'p'};
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, &type, reinterpret_cast<BYTE*>(small), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 13u) << "the size needed";
    EXPECT_EQ(type, DWORD(REG_SZ));
    char exact[13];
    EXPECT_EQ(
        RegQueryValueExA(key, "Name", nullptr, nullptr, reinterpret_cast<BYTE*>(exact), &size),
        ERROR_SUCCESS);
    EXPECT_STREQ(exact, "arri\xE8re-plan");
    EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, &type, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST_F(Registry, SkipsMalformedLinesAndReadsTheRest) {
    useRegistry("Windows Registry Editor Version 5.00\n"
                "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Direct3D]\n"
                "\"Bad1\"=dword:zz\n"
                "\"Bad2\"=dword:123456789\n"
                "garbage without an equals sign\n"
                "\"Unterminated=dword:1\n"
                "\"Bad3\"=\"open string\n"
                "\"Bad4\"=\"bad \\q escape\"\n"
                "; a comment\n"
                "[HKEY_NOWHERE\\Software\\Microsoft\\Direct3D]\n"
                "\"Hidden\"=dword:00000005\n"
                "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Direct3D\n"
                "\"AfterBrokenSection\"=dword:00000006\n"
                "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Direct3D]\n"
                "\"Good\"=dword:00000007\n"
                "\"Blob\"=hex:01,02,\\\n"
                "  03,ff\n"
                "@=\"default\"\n");
    HKEY key = openDirect3D();
    DWORD size = 0;
    for (const char* name :
         {"Bad1", "Bad2", "Unterminated", "Bad3", "Bad4", "Hidden", "AfterBrokenSection"})
        EXPECT_EQ(RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size),
                  ERROR_FILE_NOT_FOUND)
            << name;
    DWORD value = 0;
    size = sizeof value;
    EXPECT_EQ(
        RegQueryValueExA(key, "Good", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(value, 7u);
    BYTE blob[8];
    DWORD type = 0;
    size = sizeof blob;
    EXPECT_EQ(RegQueryValueExA(key, "Blob", nullptr, &type, blob, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD(REG_BINARY));
    ASSERT_EQ(size, 4u);
    EXPECT_EQ(blob[3], 0xFF);
    char text[16];
    size = sizeof text;
    EXPECT_EQ(
        RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size),
        ERROR_SUCCESS);
    EXPECT_STREQ(text, "default");
    RegCloseKey(key);
}

TEST_F(Registry, FindsKeysByPathWithoutCase) {
    useRegistry("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Direct3D\\Drivers]\n"
                "\"X\"=dword:1\n");
    HKEY software = nullptr;
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "software", &software), ERROR_SUCCESS)
        << "a key exists when a key below it does";
    HKEY direct3D = nullptr;
    EXPECT_EQ(RegOpenKeyA(software, "MICROSOFT\\direct3d", &direct3D), ERROR_SUCCESS);
    HKEY missing = reinterpret_cast<HKEY>(uintptr_t(1));
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Micro", &missing), ERROR_FILE_NOT_FOUND)
        << "a prefix of a name is not a key";
    EXPECT_EQ(missing, nullptr);
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, Direct3DKey, &missing), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(direct3D), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(software), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(software), ERROR_INVALID_HANDLE);
}

TEST_F(Registry, ReadsUnicodeExportsWithAByteOrderMark) {
    const std::string text = "Windows Registry Editor Version 5.00\r\n\r\n"
                             "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Direct3D]\r\n"
                             "\"Caption\"=\"d\xC3\xA9marre\"\r\n";
    std::string utf16 = "\xFF\xFE";
    for (size_t i = 0; i < text.size(); ++i) {
        // The only non-ASCII character here is the two-byte e acute.
        if (text[i] == '\xC3') {
            utf16 += "\xE9";
            utf16 += '\0';
            ++i;
            continue;
        }
        utf16 += text[i];
        utf16 += '\0';
    }
    useRegistry(utf16);
    HKEY key = openDirect3D();
    char caption[16] = {};
    DWORD size = sizeof caption;
    EXPECT_EQ(
        RegQueryValueExA(key, "Caption", nullptr, nullptr, reinterpret_cast<BYTE*>(caption), &size),
        ERROR_SUCCESS);
    EXPECT_STREQ(caption, "d\xE9marre");
    RegCloseKey(key);
}

TEST_F(Registry, NoFileOrAnUnreadableFileIsAnEmptyRegistry) {
    platform_ext::setRegistryFile((folder_ / "absent.reg").c_str());
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, Direct3DKey, &key), ERROR_FILE_NOT_FOUND);
    std::filesystem::create_directory("folder.reg");
    platform_ext::setRegistryFile((folder_ / "folder.reg").c_str());
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, Direct3DKey, &key), ERROR_FILE_NOT_FOUND);

    // Without an override the environment variable names the file.
    writeHostFile("env.reg", "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Direct3D]\n");
    platform_ext::setRegistryFile(nullptr);
    setenv("BOSQUETIR_REGISTRY", (folder_ / "env.reg").c_str(), 1);
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, Direct3DKey, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    unsetenv("BOSQUETIR_REGISTRY");
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, Direct3DKey, &key), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, BadHandlesAndArgumentsAreRefused) {
    useRegistry("[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Direct3D]\n\"A\"=dword:1\n");
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyA(nullptr, Direct3DKey, &key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, Direct3DKey, nullptr), ERROR_INVALID_PARAMETER);
    DWORD size = 4;
    BYTE data[4];
    EXPECT_EQ(RegQueryValueExA(nullptr, "A", nullptr, nullptr, data, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(reinterpret_cast<HKEY>(uintptr_t(0x5678))), ERROR_INVALID_HANDLE);
    key = openDirect3D();
    EXPECT_EQ(RegQueryValueExA(key, "A", nullptr, nullptr, data, nullptr), ERROR_INVALID_PARAMETER);
    DWORD reserved = 0;
    EXPECT_EQ(RegQueryValueExA(key, "A", &reserved, nullptr, data, &size), ERROR_INVALID_PARAMETER);
    RegCloseKey(key);
}

} // namespace
