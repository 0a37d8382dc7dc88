// A made-up processor, operating system and registry for the feature queries: CPUID answers
// from a table of leaves, GetVersionExA from a chosen version, the registry from a .reg file
// written in a fresh temporary folder. Everything is put back after each test.
#pragma once

#include "platform_ext.h"
#include "windows.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>

namespace fake_system {

struct Processor {
    bool hasCpuid = true;
    std::map<DWORD, CpuidRegisters> leaves; // leaves not listed answer zeros
};

struct System {
    BOOL versionAnswer = TRUE;
    DWORD platformId = VER_PLATFORM_WIN32_NT;
    DWORD major = 5, minor = 1, build = 2600;
};

inline Processor cpu;
inline System os;

inline bool answerCpuid(DWORD leaf, CpuidRegisters* out) {
    if (!cpu.hasCpuid) {
        return false;
    }
    const auto found = cpu.leaves.find(leaf);
    *out = found == cpu.leaves.end() ? CpuidRegisters{} : found->second;
    return true;
}

inline BOOL answerVersion(OSVERSIONINFOA* info) {
    info->dwMajorVersion = os.major;
    info->dwMinorVersion = os.minor;
    info->dwBuildNumber = os.build;
    info->dwPlatformId = os.platformId;
    return os.versionAnswer;
}

// The registers of leaf 0: the highest standard leaf and the vendor text in EBX, EDX, ECX.
inline CpuidRegisters vendorLeaf(DWORD highest, const char (&vendor)[13]) {
    CpuidRegisters r{highest, 0, 0, 0};
    std::memcpy(&r.ebx, vendor + 0, 4);
    std::memcpy(&r.edx, vendor + 4, 4);
    std::memcpy(&r.ecx, vendor + 8, 4);
    return r;
}

constexpr DWORD mmx = 1u << 23, sse = 1u << 25, sse2 = 1u << 26;                // leaf 1 EDX
constexpr DWORD amd3DNow = 1u << 31, amd3DNowExt = 1u << 30, mmxExt = 1u << 22; // 0x80000001

// A processor of the vendor with the leaf 1 and leaf 0x80000001 EDX bits; the extended leaves
// exist only when extendedEdx is given.
inline void useProcessor(const char (&vendor)[13], DWORD standardEdx, DWORD extendedEdx = 0,
                         bool extendedLeaves = true) {
    cpu = {};
    cpu.leaves[0] = vendorLeaf(1, vendor);
    cpu.leaves[1] = {0, 0, 0, standardEdx};
    if (extendedLeaves) {
        cpu.leaves[0x80000000] = {0x80000001, 0, 0, 0};
        cpu.leaves[0x80000001] = {0, 0, 0, extendedEdx};
    }
}

inline void useSystem(DWORD platformId, DWORD major, DWORD minor, DWORD build) {
    os = {TRUE, platformId, major, minor, build};
}

class FakeSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "bosq-cpu-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        useProcessor("GenuineIntel", mmx | sse | sse2);
        useSystem(VER_PLATFORM_WIN32_NT, 5, 1, 2600);
        platform_ext::setCpuidHook(answerCpuid);
        platform_ext::setVersionHook(answerVersion);
        useRegistry("");
    }

    void TearDown() override {
        platform_ext::setCpuidHook(nullptr);
        platform_ext::setVersionHook(nullptr);
        platform_ext::setRegistryFile(nullptr);
        std::filesystem::remove_all(folder_);
    }

    // The Direct3D settings key with the given value lines ("\"DisableMMX\"=dword:00000001").
    void useDirect3DSettings(const std::string& valueLines) {
        useRegistry("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Direct3D]\r\n" +
                    valueLines + "\r\n");
    }

    // A registry file with exactly this text; "" is a registry without any key.
    void useRegistry(const std::string& text) {
        const std::filesystem::path file = folder_ / "settings.reg";
        std::ofstream(file, std::ios::binary) << text;
        platform_ext::setRegistryFile(file.c_str());
    }

private:
    std::filesystem::path folder_;
};

} // namespace fake_system
