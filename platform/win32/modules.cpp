// The layer's own modules and their exports, in place of loadable libraries.
//
// Implements: GetModuleHandleA (NULL for the program's module; "d3d8.dll", which is always
// loaded because the layer links it in), LoadLibraryA and FreeLibrary of those modules,
// GetProcAddress by name ("DebugSetMute" and "Direct3DCreate8" of "d3d8.dll"). Names compare
// without case, with or without a folder and the ".dll" extension.
// Does not: load anything from disk; every other module ("d3d8d.dll" included) is not found
// (ERROR_MOD_NOT_FOUND), ordinals and unknown exports give ERROR_PROC_NOT_FOUND.
#include "windows.h"

#include "d3d8.h"
#include "internal/debug_output.h"

#include <cstring>
#include <string>

namespace {

struct ExportRow {
    const char* name;
    FARPROC address;
};

struct ModuleRow {
    const char* name; // lower case, with extension
    uintptr_t handle;
    const ExportRow* exports;
    size_t exportCount;
};

const ExportRow Direct3DExportTable[] = {
    {"DebugSetMute", reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&DebugSetMute))},
    {"Direct3DCreate8", reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&Direct3DCreate8))},
};

// The program's module comes first: GetModuleHandleA(NULL) answers with it.
const ModuleRow ModuleTable[] = {
    {"", 0x00400000, nullptr, 0},
    {"d3d8.dll", 0x10000000, Direct3DExportTable, std::size(Direct3DExportTable)},
};

// "C:\\x\\D3D8" -> "d3d8.dll".
std::string moduleKey(const char* name) {
    std::string key = name;
    const size_t folder = key.find_last_of("\\/");
    if (folder != std::string::npos)
        key.erase(0, folder + 1);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    if (key.find('.') == std::string::npos)
        key += ".dll";
    return key;
}

const ModuleRow* findModule(const char* name) {
    if (name == nullptr)
        return &ModuleTable[0];
    const std::string key = moduleKey(name);
    for (const ModuleRow& row : ModuleTable)
        if (row.name[0] != '\0' && key == row.name)
            return &row;
    return nullptr;
}

const ModuleRow* moduleOfHandle(HMODULE handle) {
    for (const ModuleRow& row : ModuleTable)
        if (reinterpret_cast<HMODULE>(row.handle) == handle)
            return &row;
    return nullptr;
}

} // namespace

HMODULE GetModuleHandleA(LPCSTR lpModuleName) {
    const ModuleRow* row = findModule(lpModuleName);
    if (row == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HMODULE>(row->handle);
}

HMODULE LoadLibraryA(LPCSTR lpLibFileName) {
    if (lpLibFileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return GetModuleHandleA(lpLibFileName);
}

BOOL FreeLibrary(HMODULE hLibModule) {
    if (moduleOfHandle(hLibModule) == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    return TRUE;
}

FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    const ModuleRow* module = moduleOfHandle(hModule);
    if (module == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    // Names below 0x10000 are ordinals, which no module of the layer exports.
    if (lpProcName != nullptr && reinterpret_cast<uintptr_t>(lpProcName) >= 0x10000)
        for (size_t i = 0; i < module->exportCount; ++i)
            if (std::strcmp(module->exports[i].name, lpProcName) == 0)
                return module->exports[i].address;
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}
