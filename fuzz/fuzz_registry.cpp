// libFuzzer target: any bytes as a .reg file, then the look-ups the processor-feature code makes.
#include "win32/registry_file.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const win32::RegistryData registry =
        win32::RegistryData::parse(std::string_view(reinterpret_cast<const char*>(data), size));
    const char* const key = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Direct3D";
    volatile bool found = registry.keyExists(key);
    for (const char* name : {"DisableMMX", "DisableSimdMath", ""})
        if (const win32::RegistryValue* value = registry.findValue(key, name))
            for (char byte : value->data)
                found = found ^ (byte != 0);
    return 0;
}
