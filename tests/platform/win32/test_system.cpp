// Clock, version, processor features, the layer's modules and the environment.
#include "d3d8.h"
#include "internal/debug_output.h"
#include "platform_ext.h"
#include "processor.h"
#include "windows.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

DWORD fakeTicks = 0;
DWORD fakeTickSource() {
    return fakeTicks;
}

TEST(Clock, TickSourceReplacesTheClockAcrossTheWrap) {
    platform_ext::setTickSource(&fakeTickSource);
    fakeTicks = 0xFFFFFF00u;
    const DWORD before = GetTickCount();
    fakeTicks = 0x00000010u;
    const DWORD after = GetTickCount();
    platform_ext::setTickSource(nullptr);
    EXPECT_EQ(before, 0xFFFFFF00u);
    EXPECT_EQ(DWORD(after - before), 0x110u) << "differences are taken modulo 2^32";
}

TEST(Clock, MonotonicMillisecondsAdvanceAcrossASleep) {
    const DWORD start = GetTickCount();
    Sleep(30);
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 29u);
    EXPECT_LT(elapsed, 5000u);
}

TEST(Version, AnswersAsTheNtFamily) {
    OSVERSIONINFOA info;
    std::memset(&info, 0xCC, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwPlatformId, DWORD(VER_PLATFORM_WIN32_NT));
    EXPECT_EQ(info.dwMajorVersion, 5u);
    EXPECT_STREQ(info.szCSDVersion, "");

    info.dwOSVersionInfoSize = 12;
    EXPECT_FALSE(GetVersionExA(&info));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_FALSE(GetVersionExA(nullptr));

    platform_ext::setVersionHook([](OSVERSIONINFOA* hooked) -> BOOL {
        hooked->dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
        hooked->dwMajorVersion = 4;
        hooked->dwMinorVersion = 10;
        return TRUE;
    });
    info.dwOSVersionInfoSize = sizeof info;
    EXPECT_TRUE(GetVersionExA(&info));
    platform_ext::setVersionHook(nullptr);
    EXPECT_EQ(info.dwPlatformId, DWORD(VER_PLATFORM_WIN32_WINDOWS));
    EXPECT_EQ(info.dwMinorVersion, 10u);
}

// A processor that reports SSE and SSE2 on leaf 1 and 3DNow! on leaf 0x80000001.
bool fakeAmdProcessor(DWORD leaf, CpuidRegisters* out) {
    if (leaf == 0)
        *out = {1, 0x68747541, 0x444D4163, 0x69746E65}; // highest leaf 1, vendor text
    else if (leaf == 1)
        *out = {0, 0, 0, (1u << 23) | (1u << 25) | (1u << 26) | 1u};
    else if (leaf == 0x80000000u)
        *out = {0x80000001u, 0, 0, 0};
    else if (leaf == 0x80000001u)
        *out = {0, 0, 0, 1u << 31};
    return true;
}

TEST(Processor, FeaturesComeFromCpuid) {
    platform_ext::setCpuidHook(&fakeAmdProcessor);
    EXPECT_TRUE(IsProcessorFeaturePresent(PF_MMX_INSTRUCTIONS_AVAILABLE));
    EXPECT_TRUE(IsProcessorFeaturePresent(PF_XMMI_INSTRUCTIONS_AVAILABLE));
    EXPECT_TRUE(IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE));
    EXPECT_TRUE(IsProcessorFeaturePresent(PF_3DNOW_INSTRUCTIONS_AVAILABLE));
    EXPECT_FALSE(IsProcessorFeaturePresent(PF_RDTSC_INSTRUCTION_AVAILABLE));
    EXPECT_FALSE(IsProcessorFeaturePresent(PF_FLOATING_POINT_EMULATED));
    EXPECT_FALSE(IsProcessorFeaturePresent(99));

    // Leaf 0 reporting no leaf 1: nothing from leaf 1 counts.
    platform_ext::setCpuidHook([](DWORD leaf, CpuidRegisters* out) {
        if (leaf == 1)
            out->edx = ~0u;
        return true;
    });
    EXPECT_FALSE(IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE));

    platform_ext::setCpuidHook([](DWORD, CpuidRegisters*) { return false; });
    CpuidRegisters registers{1, 2, 3, 4};
    EXPECT_FALSE(cpuid(0, &registers)) << "a processor without the instruction";
    EXPECT_EQ(registers.eax, 0u);
    for (DWORD feature = 0; feature <= PF_XMMI64_INSTRUCTIONS_AVAILABLE; ++feature)
        EXPECT_FALSE(IsProcessorFeaturePresent(feature)) << feature;
    platform_ext::setCpuidHook(nullptr);
}

TEST(Processor, RealInstructionAnswers) {
    CpuidRegisters registers;
    ASSERT_TRUE(cpuid(0, &registers));
    EXPECT_GE(registers.eax, 1u);
    EXPECT_NE(registers.ebx, 0u) << "the vendor text";
#if defined(__x86_64__)
    EXPECT_TRUE(IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE))
        << "every x86-64 processor has SSE2";
    emms();
#endif
    EXPECT_FALSE(cpuid(0, nullptr));
}

TEST(Modules, TheLayerExportsTheDebugMute) {
    HMODULE runtime = GetModuleHandleA("d3d8.dll");
    ASSERT_NE(runtime, nullptr);
    EXPECT_EQ(GetModuleHandleA("D3D8"), runtime);
    EXPECT_EQ(LoadLibraryA("C:\\Windows\\System32\\d3d8.dll"), runtime);
    EXPECT_EQ(GetProcAddress(runtime, "DebugSetMute"),
              reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&DebugSetMute)));
    EXPECT_EQ(GetProcAddress(runtime, "Direct3DCreate8"),
              reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&Direct3DCreate8)));
    EXPECT_EQ(GetProcAddress(runtime, "debugsetmute"), nullptr) << "export names keep their case";
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PROC_NOT_FOUND));
    EXPECT_EQ(GetProcAddress(runtime, reinterpret_cast<LPCSTR>(uintptr_t(1))), nullptr);
    EXPECT_TRUE(FreeLibrary(runtime));

    EXPECT_EQ(GetModuleHandleA("d3d8d.dll"), nullptr) << "the debug runtime is never loaded";
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(LoadLibraryA("d3d8d.dll"), nullptr);

    HMODULE program = GetModuleHandleA(nullptr);
    EXPECT_NE(program, nullptr);
    EXPECT_NE(program, runtime);
    EXPECT_EQ(GetProcAddress(program, "DebugSetMute"), nullptr);
    EXPECT_EQ(GetProcAddress(nullptr, "DebugSetMute"), nullptr);
}

TEST(Environment, ReportsLengthOrTheSizeNeeded) {
    setenv("BOSQ_TEST_VALUE", "caf\xC3\xA9", 1);
    char value[8];
    EXPECT_EQ(GetEnvironmentVariableA("BOSQ_TEST_VALUE", value, sizeof value), 4u);
    EXPECT_STREQ(value, "caf\xE9") << "values are handed out in Windows-1252";
    EXPECT_EQ(GetEnvironmentVariableA("BOSQ_TEST_VALUE", value, 4), 5u);
    unsetenv("BOSQ_TEST_VALUE");
    EXPECT_EQ(GetEnvironmentVariableA("BOSQ_TEST_VALUE", value, sizeof value), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ENVVAR_NOT_FOUND));
}

} // namespace
