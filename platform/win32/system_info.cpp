// What the program may ask about the system: its version and its environment.
//
// Implements: GetVersionExA (OSVERSIONINFOA, and the larger structure of the same name's
// extended form by its size: an NT-family answer, version 5.1 build 2600), the version hook of
// platform_ext.h, GetEnvironmentVariableA (values converted from UTF-8 to Windows-1252).
// Does not: other version structures (a size other than 148 or 156 bytes fails with
// ERROR_INSUFFICIENT_BUFFER).
#include "platform_ext.h"

#include "win32/code_pages.h"

#include <cstdlib>
#include <cstring>

namespace {

platform_ext::VersionHook versionHook = nullptr;

constexpr DWORD VersionInfoSize = sizeof(OSVERSIONINFOA);
constexpr DWORD VersionInfoExSize = VersionInfoSize + 8; // service pack, suite, product type

} // namespace

namespace platform_ext {

void setVersionHook(VersionHook hook) {
    versionHook = hook;
}

} // namespace platform_ext

BOOL GetVersionExA(LPOSVERSIONINFOA lpVersionInformation) {
    if (lpVersionInformation == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const DWORD size = lpVersionInformation->dwOSVersionInfoSize;
    if (size != VersionInfoSize && size != VersionInfoExSize) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (versionHook != nullptr)
        return versionHook(lpVersionInformation);
    std::memset(reinterpret_cast<BYTE*>(lpVersionInformation) + sizeof(DWORD), 0,
                size - sizeof(DWORD));
    lpVersionInformation->dwMajorVersion = 5;
    lpVersionInformation->dwMinorVersion = 1;
    lpVersionInformation->dwBuildNumber = 2600;
    lpVersionInformation->dwPlatformId = VER_PLATFORM_WIN32_NT;
    return TRUE;
}

DWORD GetEnvironmentVariableA(LPCSTR lpName, LPSTR lpBuffer, DWORD nSize) {
    if (lpName == nullptr || (lpBuffer == nullptr && nSize > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const char* hostValue = std::getenv(win32::utf8FromAnsi(lpName).c_str());
    if (hostValue == nullptr) {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    const std::string value = win32::ansiFromUtf8(hostValue);
    if (value.size() + 1 > nSize)
        return DWORD(value.size() + 1);
    value.copy(lpBuffer, value.size());
    lpBuffer[value.size()] = '\0';
    return DWORD(value.size());
}
