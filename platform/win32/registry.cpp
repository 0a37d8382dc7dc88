// The read-only registry over a .reg file.
//
// Implements: RegOpenKeyA from a root key (HKEY_CLASSES_ROOT, HKEY_CURRENT_USER,
// HKEY_LOCAL_MACHINE, HKEY_USERS) or an opened key, RegQueryValueExA (type, data, size; size
// queries with null data; ERROR_MORE_DATA with the needed size for a short buffer),
// RegCloseKey, and setRegistryFile of platform_ext.h. The file is the one setRegistryFile named,
// else the one the environment variable BOSQUETIR_REGISTRY names; it is read again at every
// open from a root key, and an opened key keeps the contents it was opened on. No file, an
// unreadable file or a missing key answer ERROR_FILE_NOT_FOUND.
// Does not: write, create, delete or enumerate keys (those calls are not declared); names are
// compared without case for ASCII letters only.
#include "platform_ext.h"

#include "win32/handle_table.h"
#include "win32/host_files.h"
#include "win32/registry_file.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace {

using win32::RegistryData;

struct OpenKey {
    std::shared_ptr<const RegistryData> data;
    std::string path;
};

struct RootKeyRow {
    HKEY key;
    const char* name;
};

const RootKeyRow RootKeyTable[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
    {HKEY_USERS, "HKEY_USERS"},
};

std::string& registryFileOverride() {
    static std::string path;
    return path;
}

win32::HandleTable<OpenKey>& openKeys() {
    static win32::HandleTable<OpenKey> table(0x2);
    return table;
}

const char* rootName(HKEY key) {
    for (const RootKeyRow& row : RootKeyTable)
        if (row.key == key)
            return row.name;
    return nullptr;
}

std::shared_ptr<const RegistryData> loadRegistry() {
    std::string path = registryFileOverride();
    if (path.empty()) {
        const char* variable = std::getenv("BOSQUETIR_REGISTRY");
        path = variable != nullptr ? variable : "";
    }
    std::string bytes;
    if (path.empty() || !win32::readHostFile(path, &bytes))
        return std::make_shared<const RegistryData>();
    return std::make_shared<const RegistryData>(RegistryData::parse(bytes));
}

// The contents and path a key handle stands for; false for an unknown handle.
bool resolveKey(HKEY key, std::shared_ptr<const RegistryData>* data, std::string* path) {
    if (const char* root = rootName(key)) {
        data->reset(); // the caller reads the file when it needs the contents
        *path = root;
        return true;
    }
    const OpenKey* open = openKeys().find(key);
    if (open == nullptr)
        return false;
    *data = open->data;
    *path = open->path;
    return true;
}

LONG openKey(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
    std::shared_ptr<const RegistryData> data;
    std::string path;
    if (!resolveKey(hKey, &data, &path))
        return ERROR_INVALID_HANDLE;
    if (lpSubKey == nullptr || lpSubKey[0] == '\0') {
        *phkResult = hKey;
        return ERROR_SUCCESS;
    }
    if (!data)
        data = loadRegistry();
    path = path + '\\' + lpSubKey;
    if (!data->keyExists(path))
        return ERROR_FILE_NOT_FOUND;
    std::unique_ptr<OpenKey> open(new (std::nothrow) OpenKey{std::move(data), std::move(path)});
    const uintptr_t handle = openKeys().insert(std::move(open));
    if (handle == 0)
        return ERROR_NOT_ENOUGH_MEMORY;
    *phkResult = reinterpret_cast<HKEY>(handle);
    return ERROR_SUCCESS;
}

} // namespace

namespace platform_ext {

void setRegistryFile(const char* path) {
    registryFileOverride() = path != nullptr ? path : "";
}

} // namespace platform_ext

LONG RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
    if (phkResult == nullptr)
        return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    try {
        return openKey(hKey, lpSubKey, phkResult);
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                      LPBYTE lpData, LPDWORD lpcbData) {
    if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr))
        return ERROR_INVALID_PARAMETER;
    try {
        std::shared_ptr<const RegistryData> data;
        std::string path;
        if (!resolveKey(hKey, &data, &path))
            return ERROR_INVALID_HANDLE;
        if (!data)
            data = loadRegistry();
        const win32::RegistryValue* value =
            data->findValue(path, lpValueName != nullptr ? lpValueName : "");
        if (value == nullptr)
            return ERROR_FILE_NOT_FOUND;
        if (lpType != nullptr)
            *lpType = value->type;
        if (lpcbData == nullptr)
            return ERROR_SUCCESS;
        const DWORD needed = DWORD(value->data.size());
        const DWORD capacity = *lpcbData;
        *lpcbData = needed;
        if (lpData == nullptr)
            return ERROR_SUCCESS;
        if (capacity < needed)
            return ERROR_MORE_DATA;
        std::memcpy(lpData, value->data.data(), needed);
        return ERROR_SUCCESS;
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

LONG RegCloseKey(HKEY hKey) {
    if (rootName(hKey) != nullptr)
        return ERROR_SUCCESS;
    return openKeys().remove(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}
