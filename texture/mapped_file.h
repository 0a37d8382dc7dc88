// A read-only view of a whole file, through the platform's file mapping.
#pragma once

#include "windows.h"

#include <cstdint>

// Whatever open managed to acquire is released by close, which the destructor also runs, so
// the handles and the view are given back on every path.
struct MappedFile {
    MappedFile() = default;
    ~MappedFile() { close(); }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // D3DERR_INVALIDCALL for a null name; InvalidData when the file cannot be opened, mapped
    // or sized, or is empty.
    HRESULT open(const char* fileName);
    void close();

    HANDLE file = INVALID_HANDLE_VALUE;
    HANDLE mapping = INVALID_HANDLE_VALUE;
    const uint8_t* view = nullptr;
    UINT size = 0;
};
