// Read-only file mappings on mmap.
//
// Implements: CreateFileMappingA with PAGE_READONLY over a file opened for reading (maximum size
// 0 for the whole file, or up to the file's size), MapViewOfFile with FILE_MAP_READ (offsets in
// steps of 64 KiB, length 0 for the rest of the mapping), UnmapViewOfFile of a view's base
// address. A view stays valid after its mapping and file handles are closed, as on Windows.
// Does not: writable or copy-on-write mappings, named mappings, mappings of the paging file
// (INVALID_HANDLE_VALUE), mappings larger than the file. An empty file cannot be mapped
// (ERROR_FILE_INVALID), as on Windows.
#include "win32/host_files.h"

#include <cerrno>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <new>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uint64_t AllocationGranularity = 65536;

template <typename Result> Result failWith(DWORD error, Result result) {
    SetLastError(error);
    return result;
}

struct View {
    size_t length;
    uint64_t device;
    uint64_t inode;
    uint64_t end; // file offset just past the view
};

// Every view by its base address, so UnmapViewOfFile knows what to release; guarded, as
// several threads may map files at once.
struct ViewTable {
    std::mutex mutex;
    std::map<const void*, View> views;
};

ViewTable& viewTable() {
    static ViewTable table;
    return table;
}

} // namespace

namespace win32 {

MappingObject::~MappingObject() {
    if (descriptor >= 0)
        close(descriptor);
}

uint64_t mappedExtent(uint64_t device, uint64_t inode) {
    uint64_t extent = 0;
    forEachKernelObject<MappingObject>([&](const MappingObject& mapping) {
        if (mapping.device == device && mapping.inode == inode && mapping.size > extent)
            extent = mapping.size;
    });
    ViewTable& table = viewTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    for (const auto& [base, view] : table.views)
        if (view.device == device && view.inode == inode && view.end > extent)
            extent = view.end;
    return extent;
}

} // namespace win32

HANDLE CreateFileMappingA(HANDLE hFile, LPSECURITY_ATTRIBUTES, DWORD flProtect,
                          DWORD dwMaximumSizeHigh, DWORD dwMaximumSizeLow, LPCSTR lpName) {
    const win32::FileObject* file = win32::findKernelObject<win32::FileObject>(hFile);
    if (file == nullptr)
        return failWith(ERROR_INVALID_HANDLE, HANDLE(nullptr));
    if (lpName != nullptr || (flProtect & 0xFF) != PAGE_READONLY)
        return failWith(ERROR_NOT_SUPPORTED, HANDLE(nullptr));
    if (!(file->access & GENERIC_READ))
        return failWith(ERROR_ACCESS_DENIED, HANDLE(nullptr));
    struct stat status;
    if (fstat(file->descriptor, &status) != 0)
        return failWith(win32::errorFromErrno(errno), HANDLE(nullptr));
    const uint64_t fileSize = uint64_t(status.st_size);
    const uint64_t requested = (uint64_t(dwMaximumSizeHigh) << 32) | dwMaximumSizeLow;
    if (requested == 0 && fileSize == 0)
        return failWith(ERROR_FILE_INVALID, HANDLE(nullptr));
    if (requested > fileSize)
        return failWith(ERROR_INVALID_PARAMETER, HANDLE(nullptr));

    std::unique_ptr<win32::MappingObject> mapping(new (std::nothrow) win32::MappingObject);
    if (!mapping)
        return failWith(ERROR_NOT_ENOUGH_MEMORY, HANDLE(nullptr));
    mapping->descriptor = fcntl(file->descriptor, F_DUPFD_CLOEXEC, 0);
    if (mapping->descriptor < 0)
        return failWith(win32::errorFromErrno(errno), HANDLE(nullptr));
    mapping->device = file->device;
    mapping->inode = file->inode;
    mapping->size = requested == 0 ? fileSize : requested;
    return win32::insertKernelObject(std::move(mapping));
}

LPVOID MapViewOfFile(HANDLE hFileMappingObject, DWORD dwDesiredAccess, DWORD dwFileOffsetHigh,
                     DWORD dwFileOffsetLow, SIZE_T dwNumberOfBytesToMap) {
    const win32::MappingObject* mapping =
        win32::findKernelObject<win32::MappingObject>(hFileMappingObject);
    if (mapping == nullptr)
        return failWith(ERROR_INVALID_HANDLE, LPVOID(nullptr));
    if (dwDesiredAccess != FILE_MAP_READ)
        return failWith(ERROR_ACCESS_DENIED, LPVOID(nullptr));
    const uint64_t offset = (uint64_t(dwFileOffsetHigh) << 32) | dwFileOffsetLow;
    if (offset % AllocationGranularity != 0)
        return failWith(ERROR_MAPPED_ALIGNMENT, LPVOID(nullptr));
    if (offset >= mapping->size || dwNumberOfBytesToMap > mapping->size - offset)
        return failWith(ERROR_ACCESS_DENIED, LPVOID(nullptr));
    const uint64_t length =
        dwNumberOfBytesToMap == 0 ? mapping->size - offset : dwNumberOfBytesToMap;
    if (length > SIZE_MAX)
        return failWith(ERROR_NOT_ENOUGH_MEMORY, LPVOID(nullptr));

    void* view =
        mmap(nullptr, size_t(length), PROT_READ, MAP_SHARED, mapping->descriptor, off_t(offset));
    if (view == MAP_FAILED)
        return failWith(win32::errorFromErrno(errno), LPVOID(nullptr));
    ViewTable& table = viewTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    try {
        table.views.emplace(view,
                            View{size_t(length), mapping->device, mapping->inode, offset + length});
    } catch (const std::bad_alloc&) {
        munmap(view, size_t(length));
        return failWith(ERROR_NOT_ENOUGH_MEMORY, LPVOID(nullptr));
    }
    return view;
}

BOOL UnmapViewOfFile(LPCVOID lpBaseAddress) {
    ViewTable& table = viewTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    const auto view = table.views.find(lpBaseAddress);
    if (view == table.views.end())
        return failWith(ERROR_INVALID_ADDRESS, FALSE);
    munmap(const_cast<void*>(view->first), view->second.length);
    table.views.erase(view);
    return TRUE;
}
