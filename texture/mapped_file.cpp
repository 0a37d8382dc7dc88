// Opening and closing a read-only view of a whole file.
#include "texture/mapped_file.h"

#include "texture/image_info.h"

namespace {

// CreateFileMappingA answers null on failure, CreateFileA INVALID_HANDLE_VALUE.
bool isValid(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

} // namespace

HRESULT MappedFile::open(const char* fileName) {
    if (fileName == nullptr)
        return D3DERR_INVALIDCALL;
    file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_FLAG_RANDOM_ACCESS, nullptr);
    if (!isValid(file))
        return InvalidData;
    mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!isValid(mapping))
        return InvalidData;
    view = static_cast<const uint8_t*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
    if (view == nullptr)
        return InvalidData;
    // The size is a 32-bit count: a file of 4 GiB or more cannot be described and is refused
    // rather than read as a shorter one.
    DWORD sizeHigh = 0;
    const DWORD sizeLow = GetFileSize(file, &sizeHigh);
    if (sizeLow == INVALID_FILE_SIZE || sizeHigh != 0)
        return InvalidData;
    size = sizeLow;
    return D3D_OK;
}

void MappedFile::close() {
    if (view != nullptr)
        UnmapViewOfFile(view);
    view = nullptr;
    size = 0;
    if (isValid(mapping))
        CloseHandle(mapping);
    mapping = INVALID_HANDLE_VALUE;
    if (isValid(file))
        CloseHandle(file);
    file = INVALID_HANDLE_VALUE;
}
