// Files on POSIX descriptors, and the current directory.
//
// Implements: CreateFileA (GENERIC_READ / GENERIC_WRITE or no access, FILE_SHARE_READ / WRITE /
// DELETE checked against the other handles of this process, CREATE_NEW, CREATE_ALWAYS,
// OPEN_EXISTING, OPEN_ALWAYS, TRUNCATE_EXISTING with ERROR_ALREADY_EXISTS reported as the
// platform does, FILE_ATTRIBUTE_READONLY on creation), ReadFile, WriteFile, SetFilePointer
// (32- and 64-bit distances), SetEndOfFile (refused below a mapped size), GetFileSize,
// DeleteFileA, GetCurrentDirectoryA, SetCurrentDirectoryA. Names go through path translation.
// Does not: overlapped I/O, template files, directories as files, sharing with other processes
// (the host has no mandatory locks); other attributes and FILE_FLAG_* hints are accepted and
// have no effect. Refused calls return the platform's failure value with GetLastError set.
#include "win32/host_files.h"

#include "win32/path_translation.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <new>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using win32::FileObject;

template <typename Result> Result failWith(DWORD error, Result result) {
    SetLastError(error);
    return result;
}

// ENOENT means a missing file, unless the folder that should hold it is missing too.
DWORD missingError(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0)
        return ERROR_FILE_NOT_FOUND;
    struct stat folder;
    if (stat(path.substr(0, slash).c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode))
        return ERROR_PATH_NOT_FOUND;
    return ERROR_FILE_NOT_FOUND;
}

DWORD openError(int error, const std::string& path) {
    return error == ENOENT ? missingError(path) : win32::errorFromErrno(error);
}

// Windows sharing: each side's access must be allowed by the other side's share mode.
bool sharingAllows(const FileObject& open, DWORD access, DWORD shareMode) {
    const auto conflicts = [](DWORD access, DWORD share) {
        return ((access & GENERIC_READ) && !(share & FILE_SHARE_READ)) ||
               ((access & GENERIC_WRITE) && !(share & FILE_SHARE_WRITE));
    };
    return !conflicts(access, open.shareMode) && !conflicts(open.access, shareMode);
}

bool sharingAllowsAll(uint64_t device, uint64_t inode, DWORD access, DWORD shareMode) {
    bool allowed = true;
    win32::forEachKernelObject<FileObject>([&](const FileObject& open) {
        if (open.device == device && open.inode == inode && !sharingAllows(open, access, shareMode))
            allowed = false;
    });
    return allowed;
}

bool deletionAllowed(uint64_t device, uint64_t inode) {
    bool allowed = true;
    win32::forEachKernelObject<FileObject>([&](const FileObject& open) {
        if (open.device == device && open.inode == inode && !(open.shareMode & FILE_SHARE_DELETE))
            allowed = false;
    });
    return allowed;
}

// Opens the descriptor for a disposition; *existed tells whether the file was there before.
int openForDisposition(const std::string& path, int accessFlags, DWORD disposition, mode_t mode,
                       bool* existed) {
    const int flags = accessFlags | O_CLOEXEC;
    switch (disposition) {
    case CREATE_NEW:
        *existed = false;
        return open(path.c_str(), flags | O_CREAT | O_EXCL, mode);
    case OPEN_EXISTING:
    case TRUNCATE_EXISTING:
        *existed = true;
        return open(path.c_str(), flags);
    case CREATE_ALWAYS:
    case OPEN_ALWAYS: {
        const int created = open(path.c_str(), flags | O_CREAT | O_EXCL, mode);
        if (created >= 0 || errno != EEXIST) {
            *existed = false;
            return created;
        }
        *existed = true;
        return open(path.c_str(), flags);
    }
    default:
        errno = EINVAL;
        return -1;
    }
}

int accessFlagsFor(DWORD access) {
    const bool reads = access & GENERIC_READ;
    const bool writes = access & GENERIC_WRITE;
    if (reads && writes)
        return O_RDWR;
    return writes ? O_WRONLY : O_RDONLY;
}

} // namespace

namespace win32 {

FileObject::~FileObject() {
    if (descriptor >= 0)
        close(descriptor);
}

DWORD errorFromErrno(int error) {
    switch (error) {
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
        return ERROR_ACCESS_DENIED;
    case EEXIST:
        return ERROR_FILE_EXISTS;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case ENOSPC:
    case EDQUOT:
        return ERROR_DISK_FULL;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    case EFBIG:
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    default:
        return ERROR_ACCESS_DENIED;
    }
}

bool readHostFile(const std::string& hostPath, std::string* contents) {
    const int descriptor = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    struct stat status;
    bool ok = fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode);
    std::string text;
    char chunk[4096];
    while (ok) {
        const ssize_t got = read(descriptor, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        text.append(chunk, size_t(got));
    }
    close(descriptor);
    if (ok)
        *contents = std::move(text);
    return ok;
}

} // namespace win32

HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   LPSECURITY_ATTRIBUTES, DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes,
                   HANDLE hTemplateFile) {
    std::string path;
    if (lpFileName == nullptr)
        return failWith(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    if (!win32::hostPathFromAnsi(lpFileName, &path))
        return failWith(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);
    if (hTemplateFile != nullptr)
        return failWith(ERROR_NOT_SUPPORTED, INVALID_HANDLE_VALUE);
    if ((dwDesiredAccess & ~(GENERIC_READ | GENERIC_WRITE)) != 0 ||
        (dwShareMode & ~DWORD(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE)) != 0 ||
        dwCreationDisposition < CREATE_NEW || dwCreationDisposition > TRUNCATE_EXISTING ||
        (dwCreationDisposition == TRUNCATE_EXISTING && !(dwDesiredAccess & GENERIC_WRITE)))
        return failWith(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);

    const mode_t mode = (dwFlagsAndAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    bool existed = false;
    const int descriptor = openForDisposition(path, accessFlagsFor(dwDesiredAccess),
                                              dwCreationDisposition, mode, &existed);
    if (descriptor < 0)
        return failWith(openError(errno, path), INVALID_HANDLE_VALUE);

    std::unique_ptr<FileObject> file(new (std::nothrow) FileObject);
    if (!file) {
        close(descriptor);
        return failWith(ERROR_NOT_ENOUGH_MEMORY, INVALID_HANDLE_VALUE);
    }
    file->descriptor = descriptor;
    file->access = dwDesiredAccess;
    file->shareMode = dwShareMode;
    struct stat status;
    if (fstat(descriptor, &status) != 0)
        return failWith(win32::errorFromErrno(errno), INVALID_HANDLE_VALUE);
    if (S_ISDIR(status.st_mode))
        return failWith(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
    file->device = status.st_dev;
    file->inode = status.st_ino;
    if (!sharingAllowsAll(file->device, file->inode, dwDesiredAccess, dwShareMode))
        return failWith(ERROR_SHARING_VIOLATION, INVALID_HANDLE_VALUE);

    const bool truncates = dwCreationDisposition == TRUNCATE_EXISTING ||
                           (dwCreationDisposition == CREATE_ALWAYS && existed);
    if (truncates && ftruncate(descriptor, 0) != 0)
        return failWith(win32::errorFromErrno(errno), INVALID_HANDLE_VALUE);

    const HANDLE handle = win32::insertKernelObject(std::move(file));
    if (handle == nullptr)
        return INVALID_HANDLE_VALUE;
    const bool reportsExisting =
        dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS;
    SetLastError(reportsExisting && existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
              LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped) {
    FileObject* file = win32::findKernelObject<FileObject>(hFile);
    if (file == nullptr)
        return failWith(ERROR_INVALID_HANDLE, FALSE);
    if (lpOverlapped != nullptr || lpNumberOfBytesRead == nullptr ||
        (lpBuffer == nullptr && nNumberOfBytesToRead > 0))
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    *lpNumberOfBytesRead = 0;
    if (!(file->access & GENERIC_READ))
        return failWith(ERROR_ACCESS_DENIED, FALSE);
    DWORD total = 0;
    while (total < nNumberOfBytesToRead) {
        const ssize_t got = read(file->descriptor, static_cast<char*>(lpBuffer) + total,
                                 nNumberOfBytesToRead - total);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return failWith(win32::errorFromErrno(errno), FALSE);
        if (got == 0)
            break;
        total += DWORD(got);
        *lpNumberOfBytesRead = total;
    }
    return TRUE;
}

BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
               LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped) {
    FileObject* file = win32::findKernelObject<FileObject>(hFile);
    if (file == nullptr)
        return failWith(ERROR_INVALID_HANDLE, FALSE);
    if (lpOverlapped != nullptr || lpNumberOfBytesWritten == nullptr ||
        (lpBuffer == nullptr && nNumberOfBytesToWrite > 0))
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    *lpNumberOfBytesWritten = 0;
    if (!(file->access & GENERIC_WRITE))
        return failWith(ERROR_ACCESS_DENIED, FALSE);
    DWORD total = 0;
    while (total < nNumberOfBytesToWrite) {
        const ssize_t put = write(file->descriptor, static_cast<const char*>(lpBuffer) + total,
                                  nNumberOfBytesToWrite - total);
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0)
            return failWith(win32::errorFromErrno(errno), FALSE);
        total += DWORD(put);
        *lpNumberOfBytesWritten = total;
    }
    return TRUE;
}

DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                     DWORD dwMoveMethod) {
    FileObject* file = win32::findKernelObject<FileObject>(hFile);
    if (file == nullptr)
        return failWith(ERROR_INVALID_HANDLE, INVALID_SET_FILE_POINTER);
    int64_t distance = lDistanceToMove;
    if (lpDistanceToMoveHigh != nullptr)
        distance =
            int64_t((uint64_t(uint32_t(*lpDistanceToMoveHigh)) << 32) | uint32_t(lDistanceToMove));
    int64_t base = 0;
    if (dwMoveMethod == FILE_CURRENT) {
        base = lseek(file->descriptor, 0, SEEK_CUR);
    } else if (dwMoveMethod == FILE_END) {
        struct stat status;
        base = fstat(file->descriptor, &status) == 0 ? int64_t(status.st_size) : -1;
    } else if (dwMoveMethod != FILE_BEGIN) {
        return failWith(ERROR_INVALID_PARAMETER, INVALID_SET_FILE_POINTER);
    }
    if (base < 0)
        return failWith(win32::errorFromErrno(errno), INVALID_SET_FILE_POINTER);
    if ((distance > 0 && base > INT64_MAX - distance))
        return failWith(ERROR_INVALID_PARAMETER, INVALID_SET_FILE_POINTER);
    const int64_t target = base + distance;
    if (target < 0)
        return failWith(ERROR_NEGATIVE_SEEK, INVALID_SET_FILE_POINTER);
    // Without a high word the answer must fit the 32-bit result, which reserves 0xFFFFFFFF.
    if (lpDistanceToMoveHigh == nullptr && target >= int64_t(INVALID_SET_FILE_POINTER))
        return failWith(ERROR_INVALID_PARAMETER, INVALID_SET_FILE_POINTER);
    if (lseek(file->descriptor, target, SEEK_SET) < 0)
        return failWith(win32::errorFromErrno(errno), INVALID_SET_FILE_POINTER);
    if (lpDistanceToMoveHigh != nullptr)
        *lpDistanceToMoveHigh = LONG(uint64_t(target) >> 32);
    SetLastError(NO_ERROR);
    return DWORD(uint64_t(target));
}

BOOL SetEndOfFile(HANDLE hFile) {
    FileObject* file = win32::findKernelObject<FileObject>(hFile);
    if (file == nullptr)
        return failWith(ERROR_INVALID_HANDLE, FALSE);
    if (!(file->access & GENERIC_WRITE))
        return failWith(ERROR_ACCESS_DENIED, FALSE);
    const off_t position = lseek(file->descriptor, 0, SEEK_CUR);
    if (position < 0)
        return failWith(win32::errorFromErrno(errno), FALSE);
    // A mapping reads past the new end otherwise; the platform refuses it the same way.
    if (uint64_t(position) < win32::mappedExtent(file->device, file->inode))
        return failWith(ERROR_USER_MAPPED_FILE, FALSE);
    if (ftruncate(file->descriptor, position) != 0)
        return failWith(win32::errorFromErrno(errno), FALSE);
    return TRUE;
}

DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
    FileObject* file = win32::findKernelObject<FileObject>(hFile);
    if (file == nullptr)
        return failWith(ERROR_INVALID_HANDLE, INVALID_FILE_SIZE);
    struct stat status;
    if (fstat(file->descriptor, &status) != 0)
        return failWith(win32::errorFromErrno(errno), INVALID_FILE_SIZE);
    const uint64_t size = uint64_t(status.st_size);
    if (lpFileSizeHigh != nullptr)
        *lpFileSizeHigh = DWORD(size >> 32);
    SetLastError(NO_ERROR);
    return DWORD(size);
}

BOOL DeleteFileA(LPCSTR lpFileName) {
    std::string path;
    if (lpFileName == nullptr)
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    if (!win32::hostPathFromAnsi(lpFileName, &path))
        return failWith(ERROR_PATH_NOT_FOUND, FALSE);
    struct stat status;
    if (lstat(path.c_str(), &status) != 0)
        return failWith(openError(errno, path), FALSE);
    if (S_ISDIR(status.st_mode))
        return failWith(ERROR_ACCESS_DENIED, FALSE);
    if (!deletionAllowed(status.st_dev, status.st_ino))
        return failWith(ERROR_SHARING_VIOLATION, FALSE);
    if (unlink(path.c_str()) != 0)
        return failWith(openError(errno, path), FALSE);
    return TRUE;
}

DWORD GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer) {
    if (lpBuffer == nullptr && nBufferLength > 0)
        return failWith(ERROR_INVALID_PARAMETER, DWORD(0));
    std::string hostPath(256, '\0');
    while (getcwd(hostPath.data(), hostPath.size()) == nullptr) {
        if (errno != ERANGE || hostPath.size() > 65536)
            return failWith(win32::errorFromErrno(errno), DWORD(0));
        hostPath.resize(hostPath.size() * 2);
    }
    hostPath.resize(hostPath.find('\0'));
    const std::string path = win32::ansiFromHostPath(hostPath);
    if (path.size() + 1 > nBufferLength)
        return DWORD(path.size() + 1);
    path.copy(lpBuffer, path.size());
    lpBuffer[path.size()] = '\0';
    return DWORD(path.size());
}

BOOL SetCurrentDirectoryA(LPCSTR lpPathName) {
    std::string path;
    if (lpPathName == nullptr)
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    if (!win32::hostPathFromAnsi(lpPathName, &path))
        return failWith(ERROR_PATH_NOT_FOUND, FALSE);
    if (chdir(path.c_str()) != 0)
        return failWith(
            errno == ENOENT ? DWORD(ERROR_PATH_NOT_FOUND) : win32::errorFromErrno(errno), FALSE);
    return TRUE;
}
