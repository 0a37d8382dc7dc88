// Processor feature queries through CPUID, the operating system's version and processor-feature
// answers, and the Direct3D settings key of the registry.
#include "cpu/processor_features.h"

#include "processor.h"

#include <cstring>

namespace {

constexpr char direct3DKey[] = "Software\\Microsoft\\Direct3D";

constexpr DWORD mmxBit = 1u << 23;         // leaf 1, EDX
constexpr DWORD sseBit = 1u << 25;         // leaf 1, EDX
constexpr DWORD sse2Bit = 1u << 26;        // leaf 1, EDX
constexpr DWORD amd3DNowBit = 1u << 31;    // leaf 0x80000001, EDX
constexpr DWORD amd3DNowExtBit = 1u << 30; // leaf 0x80000001, EDX, AMD only
constexpr DWORD mmxExtBit = 1u << 22;      // leaf 0x80000001, EDX, AMD only

constexpr DWORD simdSse = 4;
constexpr DWORD simdSse2 = 8;

// CPUID with the registers zeroed when the processor has no such instruction.
CpuidRegisters cpuidLeaf(DWORD leaf) {
    CpuidRegisters r{};
    if (!cpuid(leaf, &r)) {
        r = {};
    }
    return r;
}

// The Windows 95 family saves the SSE registers on a task switch only from version 4.10,
// build 1373 (Windows 98), on.
bool windowsFamilySavesSse(const OSVERSIONINFOA& version) {
    if (version.dwMajorVersion != 4) {
        return version.dwMajorVersion > 4;
    }
    return version.dwMinorVersion >= 10 && (version.dwBuildNumber & 0xFFFF) >= 1373;
}

} // namespace

bool isMmxUsable() {
    static LONG mmxState = -1;
    return isMmxUsable(&mmxState);
}

bool isMmxUsable(LONG* mmxState) {
    DWORD disable = 0;
    if (readDirect3DSetting(REG_DWORD, "DisableMMX", &disable, sizeof disable) && disable != 0) {
        // Written only when it changes: once settled, threads only read the answer.
        if (*mmxState != 0)
            *mmxState = 0;
        return false;
    }
    if (*mmxState < 0) {
        *mmxState = 0;
        if (cpuidLeaf(1).edx & mmxBit) {
            emms();
            *mmxState = 1;
        }
    }
    return *mmxState != 0;
}

bool isProcessorFeatureUsable(DWORD feature) {
    OSVERSIONINFOA version;
    std::memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) {
        return false;
    }
    switch (version.dwPlatformId) {
    case VER_PLATFORM_WIN32_WINDOWS:
        switch (feature) {
        case PF_XMMI_INSTRUCTIONS_AVAILABLE:
            return windowsFamilySavesSse(version) && (simdCapabilities() & simdSse) != 0;
        case PF_3DNOW_INSTRUCTIONS_AVAILABLE:
            return has3DNow();
        case PF_XMMI64_INSTRUCTIONS_AVAILABLE:
            return windowsFamilySavesSse(version) && (simdCapabilities() & simdSse2) != 0;
        default:
            return false;
        }
    case VER_PLATFORM_WIN32_NT:
        if (feature == PF_XMMI64_INSTRUCTIONS_AVAILABLE) {
            return (simdCapabilities() & simdSse2) != 0;
        }
        return IsProcessorFeaturePresent(feature) != FALSE;
    default:
        return false;
    }
}

bool readDirect3DSetting(DWORD expectedType, LPCSTR valueName, void* data, DWORD size) {
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, direct3DKey, &key) != ERROR_SUCCESS) {
        return false;
    }
    DWORD type = REG_NONE;
    const LONG status =
        RegQueryValueExA(key, valueName, nullptr, &type, static_cast<LPBYTE>(data), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == expectedType;
}

DWORD cpuFeatureFlags() {
    CpuidRegisters r;
    if (!cpuid(0, &r)) {
        return 0;
    }
    DWORD flags = CpuHasCpuid;
    char vendor[13];
    std::memcpy(vendor + 0, &r.ebx, 4);
    std::memcpy(vendor + 4, &r.edx, 4);
    std::memcpy(vendor + 8, &r.ecx, 4);
    vendor[12] = '\0';
    if (r.eax == 0) {
        return flags;
    }
    flags |= CpuHasStandardLeaves;
    if (cpuidLeaf(1).edx & mmxBit) {
        flags |= CpuHasMmx;
    }
    if (cpuidLeaf(0x80000000).eax <= 0x80000000) {
        return flags;
    }
    flags |= CpuHasExtendedLeaves;
    const DWORD extended = cpuidLeaf(0x80000001).edx;
    if (extended & amd3DNowBit) {
        flags |= CpuHas3DNow;
    }
    if (std::strcmp(vendor, "AuthenticAMD") == 0) {
        if (extended & amd3DNowExtBit) {
            flags |= CpuHasExtended3DNow;
        }
        if (extended & mmxExtBit) {
            flags |= CpuHasMmxExtensions;
        }
    }
    return flags;
}

DWORD simdCapabilities() {
    CpuidRegisters r;
    if (!cpuid(0, &r) || r.eax == 0) {
        return 0;
    }
    const DWORD features = cpuidLeaf(1).edx;
    return ((features & sseBit) ? simdSse : 0) | ((features & sse2Bit) ? simdSse2 : 0);
}

bool has3DNow() {
    if (cpuidLeaf(0x80000000).eax < 0x80000001) {
        return false;
    }
    return (cpuidLeaf(0x80000001).edx & amd3DNowBit) != 0;
}
