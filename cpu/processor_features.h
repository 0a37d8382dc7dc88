// What the processor and the operating system let the toolkit use (MMX, SSE, SSE2, 3DNow!) and
// the Direct3D settings in the registry that switch processor-specific code off.
#pragma once

#include "windows.h"

// True when MMX code may run: the processor has MMX and the registry value "DisableMMX" under
// HKEY_LOCAL_MACHINE "Software\Microsoft\Direct3D" is not a non-zero REG_DWORD. The registry is
// read on every call; the processor is tested once, and once "DisableMMX" has been seen the
// answer stays false for the rest of the run.
bool isMmxUsable();

// The same query over an explicit cache: -1 untested, 0 not usable, 1 usable.
bool isMmxUsable(LONG* mmxState);

// For PF_XMMI_INSTRUCTIONS_AVAILABLE (SSE), PF_3DNOW_INSTRUCTIONS_AVAILABLE and
// PF_XMMI64_INSTRUCTIONS_AVAILABLE (SSE2): whether the processor has the extension and the
// system saves its state. Other numbers are passed to IsProcessorFeaturePresent on the NT family
// and are false elsewhere.
bool isProcessorFeatureUsable(DWORD feature);

// Reads one value of HKEY_LOCAL_MACHINE "Software\Microsoft\Direct3D" into data (size bytes).
// True only when the key opens, the value is read and its type is expectedType.
bool readDirect3DSetting(DWORD expectedType, LPCSTR valueName, void* data, DWORD size);

// cpuFeatureFlags bits.
inline constexpr DWORD CpuHasCpuid = 0x1;
inline constexpr DWORD CpuHasStandardLeaves = 0x2;
inline constexpr DWORD CpuHasExtendedLeaves = 0x4;
inline constexpr DWORD CpuHasMmx = 0x20;
inline constexpr DWORD CpuHas3DNow = 0x80;
inline constexpr DWORD CpuHasExtended3DNow = 0x100; // only read on "AuthenticAMD" processors
inline constexpr DWORD CpuHasMmxExtensions = 0x200; // only read on "AuthenticAMD" processors

// The processor flags the 3DNow! routines need; 0 on a processor without CPUID.
DWORD cpuFeatureFlags();

// 4 when the processor has SSE, plus 8 when it has SSE2; 0 without CPUID or standard leaves.
DWORD simdCapabilities();

// Whether the processor reports 3DNow! in its extended leaves.
bool has3DNow();
