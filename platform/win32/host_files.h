// What the POSIX file layer shares with the rest of the layer: the open-file object (which
// file mappings read) and a whole-file reader (which the registry uses).
#pragma once

#include "win32/kernel_objects.h"

#include <cstdint>
#include <string>

namespace win32 {

// An open file: a descriptor, the access it was opened with and the sharing it allows.
struct FileObject : KernelObject {
    int descriptor = -1;
    DWORD access = 0;    // GENERIC_READ | GENERIC_WRITE
    DWORD shareMode = 0; // FILE_SHARE_*
    uint64_t device = 0; // identity of the file, for sharing checks
    uint64_t inode = 0;
    ~FileObject() override;
};

// A read-only file mapping: its own descriptor of the file and the mapped size.
struct MappingObject : KernelObject {
    int descriptor = -1;
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    ~MappingObject() override;
};

// How far into the file its mappings and views reach; the file may not be cut below it.
uint64_t mappedExtent(uint64_t device, uint64_t inode);

// Reads a whole host file; false when it cannot be opened or read.
bool readHostFile(const std::string& hostPath, std::string* contents);

// The Windows error number of a POSIX errno value.
DWORD errorFromErrno(int error);

} // namespace win32
